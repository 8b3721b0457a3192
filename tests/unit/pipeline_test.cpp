#include "analysis/pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "syntax/context.h"

namespace quorbel {
namespace {

using namespace std::string_literals;

const char* kParsedNote = "Tree-sitter parsed the C++ AST before analysis.";
const char* kEmptyNote = "No code was provided.";
const char* kHeuristicNote =
    "Heuristic CP estimate. Test-case loops, helper functions, amortized operations, and "
    "constraints can change the final bound.";
const char* kNothingSignal = "No loop, STL pass, graph traversal, sort, or recursion was detected.";
const char* kBudget = "Very rough estimate using about 100M primitive operations per second.";
const char* kWhileNote =
    "A while loop was treated as linear because the update pattern is not provably halving.";

size_t countOf(const std::vector<std::string>& items, const std::string& item) {
  return static_cast<size_t>(std::count(items.begin(), items.end(), item));
}

size_t indexOf(const std::vector<std::string>& items, const std::string& item) {
  return static_cast<size_t>(std::find(items.begin(), items.end(), item) - items.begin());
}

// The invariants every completed analysis keeps, whatever the input.
void expectWellFormed(const Analysis& analysis, const std::string& name) {
  EXPECT_TRUE(analysis.notation.starts_with("O(") && analysis.notation.ends_with(")"))
      << name << ": " << analysis.notation;
  EXPECT_TRUE(analysis.space.notation.starts_with("O(") && analysis.space.notation.ends_with(")"))
      << name << ": " << analysis.space.notation;
  EXPECT_FALSE(analysis.signals.empty()) << name;
  EXPECT_FALSE(analysis.breakdown.empty()) << name;
  EXPECT_FALSE(analysis.constraints.empty()) << name;
  EXPECT_EQ(analysis.constraintBudget, kBudget) << name;
  for (const std::string& note : analysis.notes) {
    EXPECT_FALSE(note.empty()) << name;
    EXPECT_EQ(countOf(analysis.notes, note), 1u) << name << ": " << note;
  }
  for (const Row& row : analysis.breakdown) {
    const bool decimal =
        !row.line.empty() && row.line.find_first_not_of("0123456789") == std::string::npos;
    EXPECT_TRUE(row.line == "-" || decimal) << name << ": " << row.line;
  }
}

TEST(PipelineTest, EmptyAndBlankSourcesGiveTheConstantResult) {
  const struct {
    const char* name;
    std::string code;
  } kCases[] = {
      {"empty", ""},
      {"blanks and line feeds", "  \n\t\n   \n"},
      {"carriage returns", "\r\n\r\n"},
  };
  for (const auto& c : kCases) {
    const Analysis analysis = analyze(c.code);
    expectWellFormed(analysis, c.name);
    EXPECT_EQ(analysis.notation, "O(1)") << c.name;
    EXPECT_EQ(analysis.label, "Constant") << c.name;
    EXPECT_EQ(analysis.pattern, "Straight-line work") << c.name;
    EXPECT_EQ(analysis.signals, std::vector<std::string>{kNothingSignal}) << c.name;
    ASSERT_EQ(analysis.breakdown.size(), 1u) << c.name;
    EXPECT_EQ(analysis.breakdown[0].line, "-") << c.name;
    EXPECT_EQ(analysis.breakdown[0].signal, "Straight-line work") << c.name;
    EXPECT_EQ(analysis.breakdown[0].cost, "O(1)") << c.name;
    ASSERT_FALSE(analysis.notes.empty()) << c.name;
    EXPECT_EQ(analysis.notes.front(), kParsedNote) << c.name;
    EXPECT_EQ(analysis.notes.back(), kEmptyNote) << c.name;
    EXPECT_EQ(countOf(analysis.notes, kHeuristicNote), 0u) << c.name;
    ASSERT_EQ(analysis.constraints.size(), 1u) << c.name;
    EXPECT_EQ(analysis.constraints[0].variable, "input") << c.name;
    EXPECT_EQ(analysis.constraints[0].maxValue, "not bound by Big-O") << c.name;
    EXPECT_EQ(analysis.space.notation, "O(1)") << c.name;
    EXPECT_EQ(analysis.space.label, "Constant") << c.name;
    EXPECT_EQ(analysis.space.pattern, "Constant storage") << c.name;
  }
}

TEST(PipelineTest, CodeWithoutLoopsGetsTheHeuristicNoteLast) {
  const Analysis analysis = analyze("int main() { return 0; }\n");
  expectWellFormed(analysis, "plain main");
  EXPECT_EQ(analysis.notation, "O(1)");
  ASSERT_FALSE(analysis.notes.empty());
  EXPECT_EQ(analysis.notes.front(), kParsedNote);
  EXPECT_EQ(analysis.notes.back(), kHeuristicNote);
  EXPECT_EQ(countOf(analysis.notes, kEmptyNote), 0u);
}

TEST(PipelineTest, OneCountedLoopReplacesTheDefaults) {
  const Analysis analysis = analyze(
      "int main() {\n"
      "  int n;\n"
      "  for (int i = 0; i < n; i++) {\n"
      "  }\n"
      "}\n");
  expectWellFormed(analysis, "counted loop");
  EXPECT_EQ(analysis.notation, "O(n)");
  std::vector<std::string> lines;
  for (const Row& row : analysis.breakdown) lines.push_back(row.line);
  EXPECT_EQ(countOf(lines, "3"), 1u) << ::testing::PrintToString(lines);
  EXPECT_EQ(countOf(lines, "-"), 0u) << ::testing::PrintToString(lines);
  EXPECT_EQ(countOf(analysis.signals, kNothingSignal), 0u);
  ASSERT_EQ(analysis.constraints.size(), 1u);
  EXPECT_EQ(analysis.constraints[0].variable, "n");
  EXPECT_EQ(analysis.constraints[0].maxValue, "~100M");
}

TEST(PipelineTest, RepeatedNoteIsKeptOnceWhereItFirstAppeared) {
  // Both while loops fall back to linear and each adds the same note.
  const Analysis analysis = analyze(
      "int main() {\n"
      "  int n, i = 0, j = 0;\n"
      "  while (i < n) { i++; }\n"
      "  while (j < n) { j++; }\n"
      "}\n");
  expectWellFormed(analysis, "two while loops");
  EXPECT_EQ(countOf(analysis.notes, kWhileNote), 1u);
  EXPECT_EQ(indexOf(analysis.notes, kParsedNote), 0u);
  EXPECT_LT(indexOf(analysis.notes, kWhileNote), indexOf(analysis.notes, kHeuristicNote));
}

TEST(PipelineTest, BreakdownIsOrderedByLineNumberNotText) {
  // The loop on line 10 is found before the sort on line 2; as text "10" < "2".
  const Analysis analysis = analyze(
      "#include <bits/stdc++.h>\n"
      "int main() { int n; std::vector<int> a(n); std::sort(a.begin(), a.end());\n"
      "\n"
      "\n"
      "\n"
      "\n"
      "\n"
      "\n"
      "\n"
      "  for (int i = 0; i < n; i++) { }\n"
      "  return 0; }\n");
  expectWellFormed(analysis, "sort then loop");
  std::vector<std::string> lines;
  for (const Row& row : analysis.breakdown) lines.push_back(row.line);
  ASSERT_NE(indexOf(lines, "2"), lines.size()) << ::testing::PrintToString(lines);
  ASSERT_NE(indexOf(lines, "10"), lines.size()) << ::testing::PrintToString(lines);
  EXPECT_TRUE(std::is_sorted(
      lines.begin(), lines.end(),
      [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); }))
      << ::testing::PrintToString(lines);
}

TEST(PipelineTest, ContextPointerIsRestored) {
  analyze("int main() { for (int i = 0; i < n; i++) {} }");
  EXPECT_EQ(gContext, nullptr);

  // An outer holder of the pointer gets its own context back.
  Context outer;
  {
    ActiveContext active(&outer);
    analyze("int main() { while (x > 0) x /= 2; }");
    EXPECT_EQ(gContext, &outer);
  }
  EXPECT_EQ(gContext, nullptr);
}

TEST(PipelineTest, MalformedBytesAreAnalysedLikeText) {
  const std::string loop = "int main() {\n  int n;\n  for (int i = 0; i < n; i++) {\n  }\n}\n";
  const struct {
    const char* name;
    std::string code;
  } kCases[] = {
      {"NUL bytes only", "\0\0\0"s},
      {"NUL inside code", "int main() {\0 for (int i = 0; i < n; i++) {} }"s},
      {"invalid UTF-8", "int \xff\xfe = 1; for (int \xc3 = 0; \xc3 < \x80; \xc3++) {}"},
      {"truncated UTF-8 name", "int main() { int \xe5\x80; }"},
      {"lone carriage returns", "int main() {\r  int n;\r  for (int i = 0; i < n; i++) {}\r}"},
      {"unbalanced brackets", "int main() { for (int i = 0; i < n; i++ { [ ( }"},
      {"only a closing brace", "}"},
  };
  for (const auto& c : kCases) {
    Analysis analysis;
    EXPECT_NO_THROW(analysis = analyze(c.code)) << c.name;
    expectWellFormed(analysis, c.name);
    EXPECT_EQ(gContext, nullptr) << c.name;
  }
}

TEST(PipelineTest, CrLfLineEndsDoNotChangeTheEstimate) {
  const std::string lf =
      "int main() {\n"
      "  int n;\n"
      "  for (int i = 0; i < n; i++) {\n"
      "    for (int j = 0; j < n; j++) {\n"
      "    }\n"
      "  }\n"
      "}\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? "\r\n" : std::string(1, c);
  const Analysis withLf = analyze(lf);
  const Analysis withCrLf = analyze(crlf);
  expectWellFormed(withCrLf, "CR LF");
  EXPECT_EQ(withCrLf.notation, withLf.notation);
  EXPECT_EQ(withCrLf.notation, "O(n^2)");
  EXPECT_EQ(withCrLf.space.notation, withLf.space.notation);
  ASSERT_EQ(withCrLf.breakdown.size(), withLf.breakdown.size());
  for (size_t i = 0; i < withLf.breakdown.size(); ++i) {
    EXPECT_EQ(withCrLf.breakdown[i].line, withLf.breakdown[i].line) << i;
    EXPECT_EQ(withCrLf.breakdown[i].cost, withLf.breakdown[i].cost) << i;
  }
}

}  // namespace
}  // namespace quorbel
