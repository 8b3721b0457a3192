#include "syntax/syntax_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace quorbel {
namespace {

const SyntaxNodeInfo* firstOfType(const SyntaxReaderResult& result, std::string_view type) {
  for (const SyntaxNodeInfo& node : result.nodes)
    if (node.type == type) return &node;
  return nullptr;
}

TEST(SyntaxReaderTest, SplitsLinesLikeALineReader) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(readCppSyntax("").lines, Lines{});
  EXPECT_EQ(readCppSyntax("a\nb").lines, (Lines{"a", "b"}));
  EXPECT_EQ(readCppSyntax("a\nb\n").lines, (Lines{"a", "b", ""}));
  EXPECT_EQ(readCppSyntax("a\r\nb").lines, (Lines{"a\r", "b"}));
  EXPECT_EQ(readCppSyntax("\n").lines, (Lines{"", ""}));
}

TEST(SyntaxReaderTest, EmptySourceHasTheRootOnly) {
  SyntaxReaderResult result = readCppSyntax("");
  EXPECT_TRUE(result.parsed);
  ASSERT_EQ(result.nodes.size(), 1u);
  EXPECT_EQ(result.nodes[0].type, "translation_unit");
  EXPECT_EQ(result.nodes[0].text, "");
}

TEST(SyntaxReaderTest, RecordsEnclosingLoops) {
  const std::string code =
      "int main() {\n"
      "  for (int i = 0; i < n; i++) {\n"
      "    while (x) { y++; }\n"
      "  }\n"
      "}\n";
  SyntaxReaderResult result = readCppSyntax(code);
  const SyntaxNodeInfo* forLoop = firstOfType(result, "for_statement");
  const SyntaxNodeInfo* whileLoop = firstOfType(result, "while_statement");
  const SyntaxNodeInfo* update = firstOfType(result, "update_expression");
  ASSERT_TRUE(forLoop && whileLoop);
  EXPECT_EQ(forLoop->loopDepth, 0);
  EXPECT_TRUE(loopTypes(*forLoop).empty());
  EXPECT_EQ(forLoop->startLine, 2u);
  EXPECT_EQ(forLoop->endLine, 4u);
  EXPECT_EQ(forLoop->text.substr(0, 3), "for");
  EXPECT_EQ(whileLoop->loopDepth, 1);
  EXPECT_EQ(loopTypes(*whileLoop), std::vector<std::string_view>{"for_statement"});
  EXPECT_EQ(loopTexts(*whileLoop), std::vector<std::string_view>{forLoop->text});
  EXPECT_EQ(whileLoop->startLine, 3u);
  // i++ sits in the for header (depth 1); y++ in the while body (depth 2).
  ASSERT_TRUE(update);
  EXPECT_EQ(update->text, "i++");
  EXPECT_EQ(update->loopDepth, 1);
  int deepest = 0;
  for (const SyntaxNodeInfo& node : result.nodes)
    if (node.text == "y++") deepest = node.loopDepth;
  EXPECT_EQ(deepest, 2);
}

TEST(SyntaxReaderTest, PreOrderWithAnonymousTokens) {
  SyntaxReaderResult result = readCppSyntax("void f() { for (;;) {} }");
  size_t index = 0;
  while (index < result.nodes.size() && result.nodes[index].type != "for_statement") ++index;
  ASSERT_LT(index + 4, result.nodes.size());
  EXPECT_EQ(result.nodes[index + 1].type, "for");
  EXPECT_EQ(result.nodes[index + 2].type, "(");
  EXPECT_EQ(result.nodes[index + 3].type, ";");
  EXPECT_EQ(result.nodes[index + 1].loopDepth, 1);
}

TEST(SyntaxReaderTest, RangeForIsALoop) {
  EXPECT_TRUE(isLoopNodeType("for_range_loop"));
  EXPECT_TRUE(isLoopNodeType("do_statement"));
  EXPECT_FALSE(isLoopNodeType("for"));
  EXPECT_FALSE(isLoopNodeType("range"));
  SyntaxReaderResult result = readCppSyntax("void f(){ for (int x : v) { g(x); } }");
  const SyntaxNodeInfo* call = firstOfType(result, "call_expression");
  ASSERT_TRUE(call);
  EXPECT_EQ(loopTypes(*call), std::vector<std::string_view>{"for_range_loop"});
}

TEST(SyntaxReaderTest, CopiesShareTheSource) {
  SyntaxReaderResult copy;
  {
    SyntaxReaderResult original = readCppSyntax("int main() { while (1) { x(); } }");
    copy = original;
  }
  const SyntaxNodeInfo* call = firstOfType(copy, "call_expression");
  ASSERT_TRUE(call);
  EXPECT_EQ(call->text, "x()");
  EXPECT_EQ(loopTexts(*call).front(), "while (1) { x(); }");
}

TEST(SyntaxReaderTest, DeepNestingDoesNotExhaustTheStack) {
  const int depth = 100000;
  std::string code = "int main() {";
  for (int i = 0; i < depth; ++i) code += "{";
  for (int i = 0; i < depth; ++i) code += "}";
  code += "}";
  SyntaxReaderResult result = readCppSyntax(code);
  EXPECT_TRUE(result.parsed);
  EXPECT_GT(result.nodes.size(), static_cast<size_t>(depth));

  std::string loops = "void f() {";
  for (int i = 0; i < 20000; ++i) loops += "while(1)";
  loops += ";}";
  SyntaxReaderResult nested = readCppSyntax(loops);
  int deepest = 0;
  for (const SyntaxNodeInfo& node : nested.nodes) deepest = std::max(deepest, node.loopDepth);
  EXPECT_EQ(deepest, 20000);
}

// Error recovery over tens of thousands of pending tokens corrupts the parser's heap; such input
// must come back unparsed rather than end the process.
TEST(SyntaxReaderTest, RunawayErrorRecoveryIsRefusedNotFatal) {
  for (const char* unit : {"(", "!", "while(x)"}) {
    std::string code = "int x = ";
    for (int i = 0; i < 100000; ++i) code += unit;
    SyntaxReaderResult result = readCppSyntax(code);
    EXPECT_FALSE(result.parsed) << unit;
    EXPECT_TRUE(result.nodes.empty()) << unit;
    EXPECT_EQ(result.lines.size(), 1u) << unit;
  }
  std::string valid = "int main() { int x = 0;";
  while (valid.size() < 200000) valid += " x += 1;";
  valid += " }";
  EXPECT_TRUE(readCppSyntax(valid).parsed) << "large sources are still parsed";
}

TEST(SyntaxReaderTest, HostileBytesStillParse) {
  std::string bytes("int \0main\xFF\xFE() { \x80 }\r\n", 22);
  SyntaxReaderResult result = readCppSyntax(bytes);
  EXPECT_TRUE(result.parsed);
  for (const SyntaxNodeInfo& node : result.nodes) EXPECT_LE(node.text.size(), bytes.size());
}

}  // namespace
}  // namespace quorbel
