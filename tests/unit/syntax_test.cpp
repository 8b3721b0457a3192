// The syntax module: the text helpers, the regular-expression engine checked against the
// standard one, and the tree-sitter reader that flattens a parse into nodes and lines.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/large_stack.h"
#include "analysis/pipeline.h"
#include "model/nodes_of_type.h"
#include "model/tree.h"
#include "base/regex.h"
#include "syntax/syntax_reader.h"
#include "base/text.h"
#include "test_support.h"

namespace quorbel {
namespace {

// ---- Text helpers ----

TEST(TextTest, TrimRemovesOnlyItsFourBytes) {
  EXPECT_EQ(trim(" \t\n\r "), "");
  EXPECT_EQ(trim("  a b \r\n"), "a b");
  EXPECT_EQ(trim("x\f"), "x\f") << "a form feed is not trimmed";
  EXPECT_EQ(trim("\vx"), "\vx");
}

TEST(TextTest, LowerCopyTouchesAsciiOnly) {
  EXPECT_EQ(lowerCopy("AbC_Z9"), "abc_z9");
  EXPECT_EQ(lowerCopy("\xC3\x84X"), "\xC3\x84x");
}

TEST(TextTest, IdentifierBytes) {
  EXPECT_TRUE(isIdentifierStartByte(0xE3));
  EXPECT_TRUE(isIdentifierStartByte('_'));
  EXPECT_FALSE(isIdentifierStartByte('9'));
  EXPECT_TRUE(isIdentifierPartByte('9'));
  EXPECT_FALSE(isIdentifierPartByte('$'));
}

TEST(TextTest, RegexEscape) {
  EXPECT_EQ(regexEscape("a.b+c"), "a\\.b\\+c");
  EXPECT_EQ(regexEscape("i-1/2"), "i-1/2");
  EXPECT_EQ(regexEscape("$()*+.?[\\]^{|}"), "\\$\\(\\)\\*\\+\\.\\?\\[\\\\\\]\\^\\{\\|\\}");
}

TEST(TextTest, ReadIdentifierAt) {
  std::string token;
  size_t end = 99;
  EXPECT_TRUE(readIdentifierAt("  ab9 c", 2, token, end));
  EXPECT_EQ(token, "ab9");
  EXPECT_EQ(end, 5u);
  EXPECT_FALSE(readIdentifierAt("9a", 0, token, end));
  EXPECT_EQ(token, "");
  EXPECT_EQ(end, 0u);
  EXPECT_FALSE(readIdentifierAt("ab", 2, token, end)) << "past the end";
}

TEST(TextTest, PreviousIdentifierBefore) {
  struct Case {
    const char* name;
    const char* text;
    size_t position;
    const char* want;
  };
  const Case cases[] = {
      {"skips blanks", "foo  (", 5, "foo"},
      {"closing bracket before", "a[i] (", 5, ""},
      {"digit-led run", "2n(", 2, ""},
      {"start of text", "   (", 3, ""},
      {"position past the end", "abc", 99, "abc"},
      {"all whitespace kinds", "x\v\f\r\n\t(", 6, "x"},
      {"UTF-8 name", "\xE5\x80\x8B\xE6\x95\xB0 =", 7, "\xE5\x80\x8B\xE6\x95\xB0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(previousIdentifierBefore(c.text, c.position), c.want) << c.name;
}

TEST(TextTest, IdentifierTokens) {
  using Tokens = std::vector<std::string>;
  EXPECT_EQ(identifierTokens("2n + x2 * 1e9"), (Tokens{"n", "x2", "e9"}));
  EXPECT_EQ(identifierTokens(""), Tokens{});
  EXPECT_TRUE(containsIdentifierToken("n2 + n", "n"));
  EXPECT_FALSE(containsIdentifierToken("nn + n2", "n"));
  EXPECT_FALSE(containsIdentifierToken("a b", ""));
  EXPECT_EQ(replaceIdentifierTokens("n*n+nn", "n", "m"), "m*m+nn");
  EXPECT_EQ(replaceIdentifierTokens("n+1", "", "m"), "n+1");
  EXPECT_EQ(replaceIdentifierTokens("a\xC3\xA9 a", "a", "b"), "a\xC3\xA9 b");
}

TEST(TextTest, JoinStrings) {
  EXPECT_EQ(joinStrings({}), "");
  EXPECT_EQ(joinStrings({"one"}), "one");
  EXPECT_EQ(joinStrings({"a", "", "b"}), "a\n\nb");
}

// ---- Regular expressions ----

// Patterns of the detectors' own kinds, beside those an analysis compiles, and the ECMAScript
// rules the header promises: anchors at the ends of the text only, "." matching neither line
// break but any other byte, groups, and an empty match after a run counted once.
std::vector<std::string> samplePatterns() {
  const std::string id = identifierRegexPattern();
  return {
      "=\\s*[^;]*(/\\s*[23]|>>\\s*1)",
      "\\b(?:int|long\\s+long|ll|size_t|auto)\\s+(" + id + ")\\s*=\\s*(" + id +
          ")\\s*/\\s*([2-9][0-9]*)\\s*;",
      "\\bvector\\s*<\\s*vector\\s*<",
      "for\\s*\\(([^;]*);[^;]*;[^)]*\\)",
      "\\.\\s*pop_back\\s*\\(\\)",
      "^\\s*#",
      "\\w+$",
      "a.b",
      "(x)?y",
      "\\bn\\b",
      "^b",
      "a$",
      "a..",
      "a*",
      "(\\w+) = (\\w+)",
  };
}

const char* const kInputs[] = {
    "",
    "int half = n / 2;\nlong long q = N/20;",
    "for (int i = 0; i < n; i++) { st.pop_back(); }",
    "vector<vector<int>> adj(n);\r\nint x = y >> 1;",
    "int \xE5\x80\x8B\xE6\x95\xB0 = \xE5\x80\x8B / 3;\n",
    "  #include <bits/stdc++.h>\nab\nacb a\nb",
    "xy y\r\nn\r\n",
    "end word",
    "a\rb aaa a\xC3\xA9",
};

void expectSameMatches(const std::string& pattern, const std::string& input) {
  std::vector<RegexMatch> ours = findAllRegex(input, pattern);
  std::vector<RegexMatch> reference = referenceFindAllRegex(input, pattern);
  ASSERT_EQ(ours.size(), reference.size()) << pattern << " on " << input;
  for (size_t i = 0; i < ours.size(); ++i) {
    EXPECT_EQ(ours[i].position, reference[i].position) << pattern << " on " << input;
    EXPECT_EQ(ours[i].length, reference[i].length) << pattern << " on " << input;
    EXPECT_EQ(ours[i].groups, reference[i].groups) << pattern << " on " << input;
    EXPECT_EQ(ours[i].matched, reference[i].matched) << pattern << " on " << input;
  }
  RegexMatch first, referenceFirst;
  EXPECT_EQ(searchRegex(input, pattern, first),
            referenceSearchRegex(input, pattern, referenceFirst))
      << pattern;
  EXPECT_EQ(containsRegex(input, pattern), !reference.empty()) << pattern;
  EXPECT_EQ(occurrencesRegex(input, pattern), static_cast<int>(reference.size())) << pattern;
}

// Analyses the fixture programs (when present) so that every pattern the detectors build is
// compiled, then checks each against the standard engine on short inputs.
TEST(RegexTest, AgreesWithTheStandardEngineOnEveryPatternInUse) {
  namespace fs = std::filesystem;
  const fs::path fixtures = fs::path(testing::sourceDir()) / "tests" / "fixtures";
  std::vector<std::string> programs = {
      "#include <bits/stdc++.h>\nint main(){int n; int half = n / 2;\n"
      "for(int i=0;i<half;i++) for(int j=i;j<n;j*=2) {}\n"
      "vector<vector<int>> adj(n); while(!q.empty()){q.pop();}}\n"};
  if (fs::is_directory(fixtures))
    for (const auto& entry : fs::directory_iterator(fixtures))
      if (entry.path().extension() == ".cpp") programs.push_back(testing::readFile(entry.path()));
  for (const std::string& program : programs) analyze(program);

  std::vector<std::string> patterns = samplePatterns();
  for (const std::string& pattern : compiledRegexPatterns()) patterns.push_back(pattern);
  for (const std::string& pattern : patterns) {
    if (!isValidRegex(pattern)) continue;
    for (const char* input : kInputs) expectSameMatches(pattern, input);
  }
}

TEST(RegexTest, BrokenPatternsMatchNothing) {
  EXPECT_FALSE(isValidRegex("f(("));
  EXPECT_FALSE(containsRegex("f((", "f(("));
  EXPECT_EQ(occurrencesRegex("f((", "f(("), 0);
  EXPECT_TRUE(findAllRegex("x", "[").empty());
  RegexMatch match;
  EXPECT_FALSE(searchRegex("x", "(", match));
}

TEST(RegexTest, LargeTextsDoNotCrash) {
  std::string text;
  while (text.size() < 1000000) text += "int x = a / 3 + b[i] * (c >> 2); // \xE5\x80\x8B\n";
  EXPECT_TRUE(containsRegex(text, "=\\s*[^;]*(/\\s*[23]|>>\\s*1)"));
  EXPECT_GT(occurrencesRegex(text, "\\bb\\s*\\["), 10000);
  EXPECT_FALSE(containsRegex(text, "(a|b|c|\\s|\\S)*zzz$"));
  std::string oneLine(1000000, 'x');
  EXPECT_FALSE(containsRegex(oneLine, "(x+x+)+y"));
}

// ---- The syntax reader ----

TEST(SyntaxReaderTest, SplitsLinesLikeALineReader) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(readCppSyntax("a\nb").lines, (Lines{"a", "b"}));
  EXPECT_EQ(readCppSyntax("a\nb\n").lines, (Lines{"a", "b", ""}));
  EXPECT_EQ(readCppSyntax("a\r\nb").lines, (Lines{"a\r", "b"}));
  EXPECT_EQ(readCppSyntax("\n").lines, (Lines{"", ""}));
  // An empty source has no lines and a tree of the root alone.
  const SyntaxReaderResult empty = readCppSyntax("");
  EXPECT_EQ(empty.lines, Lines{});
  EXPECT_TRUE(empty.parsed);
  ASSERT_TRUE(empty.tree);
  EXPECT_EQ(ts_node_child_count(ts_tree_root_node(empty.tree.get())), 0u);
}

TEST(SyntaxReaderTest, CountsNestedLoops) {
  const testing::Case<const char*, int> kCases[] = {
      {"none", "int main() { f(); }", 0},
      {"a while in a for, beside a range-for",
       "int main() { for (;;) { while (x) { y++; } } for (int x : v) g(x); }", 2},
      {"do and range-for", "void f() { do { for (int x : v) {} } while (0); }", 2},
      {"siblings do not nest", "void f() { for (;;) {} for (;;) {} while (1) {} }", 1},
  };
  for (const auto& c : kCases) EXPECT_EQ(readCppSyntax(c.in).deepestLoopNesting, c.want) << c.name;
  for (const char* type : {"for_range_loop", "do_statement", "while_statement"})
    EXPECT_TRUE(isLoopNodeType(type)) << type;
  for (const char* type : {"for", "range", "if_statement"})
    EXPECT_FALSE(isLoopNodeType(type)) << type;
}

TEST(SyntaxReaderTest, DeepNestingDoesNotExhaustTheStack) {
  const int depth = 100000;
  std::string code = "int main() {";
  for (int i = 0; i < depth; ++i) code += "{";
  for (int i = 0; i < depth; ++i) code += "}";
  code += "}";
  EXPECT_TRUE(readCppSyntax(code).parsed);

  std::string loops = "void f() {";
  for (int i = 0; i < 20000; ++i) loops += "while(1)";
  loops += ";}";
  EXPECT_EQ(readCppSyntax(loops).deepestLoopNesting, 20000);
}

// Error recovery over tens of thousands of pending tokens corrupts the parser's heap; such input
// must come back unparsed rather than end the process.
TEST(SyntaxReaderTest, RunawayErrorRecoveryIsRefusedNotFatal) {
  for (const char* unit : {"(", "!", "while(x)"}) {
    std::string code = "int x = ";
    for (int i = 0; i < 100000; ++i) code += unit;
    SyntaxReaderResult result = readCppSyntax(code);
    EXPECT_FALSE(result.parsed) << unit;
    EXPECT_FALSE(result.tree) << unit;
    EXPECT_EQ(result.lines.size(), 1u) << unit;
  }
  std::string valid = "int main() { int x = 0;";
  while (valid.size() < 200000) valid += " x += 1;";
  valid += " }";
  EXPECT_TRUE(readCppSyntax(valid).parsed) << "large sources are still parsed";
}

TEST(SyntaxReaderTest, HostileBytesStillParse) {
  std::string bytes("int \0main\xFF\xFE() { \x80 }\r\n", 22);
  const SyntaxReaderResult result = readCppSyntax(bytes);
  EXPECT_TRUE(result.parsed);
  EXPECT_EQ(ts_node_end_byte(ts_tree_root_node(result.tree.get())), bytes.size());
}

// ---- The node table ----

// Every node of `root` by asking tree-sitter for each named child in turn, in pre-order.
void collectByIndex(TSNode node, std::vector<TSNode>& out) {
  out.push_back(node);
  for (uint32_t i = 0; i < ts_node_named_child_count(node); ++i)
    collectByIndex(ts_node_named_child(node, i), out);
}

// The table answers every question about a node as tree-sitter does: the same nodes in the same
// order, the same children, parents and fields, also for a field a hidden rule passes up.
TEST(NodeTableTest, AnswersAsTreeSitterDoes) {
  // want: the identifiers among the nodes, counted by hand.
  const testing::Case<const char*, size_t> kCases[] = {
      {"empty", "", 0},
      {"a function with a loop",
       "int main() { int n; cin >> n; for (int i = 0; i < n; ++i) a[i] = i * 2; }", 11},
      {"a field passed up through parentheses", "int f(int x) { return (x %= 7) < 0 ? x : 1; }", 4},
      // Five written, and the one the parser puts in as missing after `i <`.
      {"a syntax error", "int main() { for (int i = 0; i < ; ++i) { f(i) } }", 6},
      {"templates and lambdas",
       "template <class T> struct S { T v; }; auto g = [&](int a) { return S<int>{a}; };", 3},
  };
  for (const auto& c : kCases) {
    const SyntaxReaderResult syntax = readCppSyntax(c.in);
    ASSERT_TRUE(syntax.tree) << c.name;
    const TSNode rawRoot = ts_tree_root_node(syntax.tree.get());
    const auto table = readNodeTable(rawRoot);
    const Node root = tableRoot(*table, *syntax.source);
    const TSLanguage* language = ts_tree_language(syntax.tree.get());
    std::vector<TSNode> expected, visited;
    collectByIndex(rawRoot, expected);
    EXPECT_EQ(
        std::count_if(expected.begin(), expected.end(),
                      [](TSNode n) { return std::string_view(ts_node_type(n)) == "identifier"; }),
        static_cast<std::ptrdiff_t>(c.want))
        << c.name;
    EXPECT_TRUE(root.parent().null()) << c.name;
    visitNodes(root, [&](const Node& n) {
      visited.push_back(n.raw);
      EXPECT_EQ(n.childCount(), ts_node_named_child_count(n.raw)) << c.name;
      EXPECT_TRUE(n.child(n.childCount()).null()) << c.name;
      const std::vector<Node> children = childrenOf(n);
      for (uint32_t i = 0; i < children.size(); ++i) {
        EXPECT_TRUE(ts_node_eq(children[i].raw, ts_node_named_child(n.raw, i))) << c.name;
        EXPECT_TRUE(children[i].parent() == n) << c.name;
      }
      for (TSFieldId id = 1; id <= ts_language_field_count(language); ++id) {
        const Node field = n.field(ts_language_field_name_for_id(language, id));
        EXPECT_TRUE(ts_node_eq(field.raw, ts_node_child_by_field_id(n.raw, id)))
            << c.name << ": " << ts_language_field_name_for_id(language, id) << " of " << n.type();
      }
      return true;
    });
    ASSERT_EQ(visited.size(), expected.size()) << c.name;
    for (size_t i = 0; i < visited.size(); ++i)
      EXPECT_TRUE(ts_node_eq(visited[i], expected[i])) << c.name << " node " << i;
  }
  // `(x %= 7)` names x as its left through the hidden rule: the case the table defers.
  const SyntaxReaderResult passed = readCppSyntax("int f(int x) { return (x %= 7); }");
  const auto table = readNodeTable(ts_tree_root_node(passed.tree.get()));
  const Node parenthesised =
      findDescendant(tableRoot(*table, *passed.source), {"parenthesized_expression"});
  EXPECT_EQ(parenthesised.field("left").text(), "x");
  EXPECT_TRUE(parenthesised.field("no such field").null());
}

// A walk that declines a node skips what is under it and goes on with the next sibling.
TEST(NodeTableTest, DecliningANodeSkipsItsSubtree) {
  const SyntaxReaderResult syntax = readCppSyntax("void f() { if (a) { b(); c(); } d(); } int e;");
  const auto table = readNodeTable(ts_tree_root_node(syntax.tree.get()));
  std::vector<std::string> seen;
  visitNodes(tableRoot(*table, *syntax.source), [&](const Node& n) {
    if (n.type() == "identifier") seen.emplace_back(n.text());
    return n.type() != "if_statement";
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"f", "d", "e"}));
}

// The nodes of some types under a node, from the table and from a walk of tree-sitter's own
// nodes: the same, in the same order. want: their texts, read off the code by hand.
TEST(NodeTableTest, FindsTheNodesOfATypeAsAWalkDoes) {
  struct Row {
    const char* name;
    const char* code;
    const char* under;  // the first node of this type is searched; empty: the whole program
    std::initializer_list<std::string_view> types;
    std::vector<std::string> want;
  };
  const Row kRows[] = {
      {"comments anywhere",
       "// a\nint main() { int n; /* b */ for (;;) { // c\n } }",
       "",
       {"comment"},
       {"// a", "/* b */", "// c"}},
      {"two types in pre-order",
       "void f() { x++; a[i] += 1; y = --z; }",
       "",
       {"update_expression", "assignment_expression"},
       {"x++", "a[i] += 1", "y = --z", "--z"}},
      {"a name as a variable and as a type",
       "int T; struct S { T v; };",
       "",
       {"identifier", "type_identifier"},
       {"T", "S", "T"}},
      {"within one loop",
       "int main() { int n, s; for (int i = 0; i < n; i++) s += i; n++; }",
       "for_statement",
       {"identifier"},
       {"i", "i", "n", "i", "s", "i"}},
      {"the node itself",
       "void f() { g(h(1)); }",
       "call_expression",
       {"call_expression"},
       {"g(h(1))", "h(1)"}},
      {"no such type", "int main() {}", "", {"while_statement"}, {}},
  };
  for (const Row& row : kRows) {
    const SyntaxReaderResult syntax = readCppSyntax(row.code);
    ASSERT_TRUE(syntax.tree) << row.name;
    const auto table = readNodeTable(ts_tree_root_node(syntax.tree.get()));
    const Node plain{ts_tree_root_node(syntax.tree.get()), *syntax.source};
    for (Node root : {tableRoot(*table, *syntax.source), plain}) {
      if (*row.under != '\0') root = findDescendant(root, {row.under});
      std::vector<std::string> texts;
      for (const Node& n : descendantsOfType(root, row.types)) texts.emplace_back(n.text());
      EXPECT_EQ(texts, row.want) << row.name << (root.table ? " (table)" : " (tree-sitter)");
    }
  }
}

// Stacks are kept from call to call: deep work runs twice in a row and from several threads at
// once, each on a stack of its own.
TEST(LargeStackTest, KeptStacksServeRepeatedAndConcurrentWork) {
  // About 64 MB of frames: more than an ordinary thread has.
  const std::function<int(int)> deep = [&deep](int level) -> int {
    volatile char frame[1024];
    frame[0] = static_cast<char>(level);
    return level == 0 ? frame[0] : deep(level - 1) + (frame[0] == static_cast<char>(level));
  };
  for (int round = 0; round < 2; ++round) {
    int result = -1;
    runOnLargeStack([&] { result = deep(60000); });
    EXPECT_EQ(result, 60000) << "round " << round;
  }
  std::vector<int> results(6, -1);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < results.size(); ++t)
    threads.emplace_back([&results, &deep, t] {
      runOnLargeStack([&] { results[t] = deep(20000 + static_cast<int>(t)); });
    });
  for (std::thread& thread : threads) thread.join();
  for (size_t t = 0; t < results.size(); ++t) EXPECT_EQ(results[t], 20000 + static_cast<int>(t));
}

// Stacks are kept between calls: what the work throws still reaches the caller, the next call
// still runs on a kept stack afterwards, and a forked child runs work on the large stack too.
TEST(LargeStackTest, KeptStacksSurviveThrowsAndForks) {
  EXPECT_THROW(runOnLargeStack([] { throw std::runtime_error("stopped"); }), std::runtime_error);
  int result = 0;
  runOnLargeStack([&] { result = 7; });
  EXPECT_EQ(result, 7);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(20);
    int inChild = 0;
    runOnLargeStack([&] { inChild = 3; });
    _exit(inChild == 3 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
}

}  // namespace
}  // namespace quorbel
