#include "analysis/pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "base/analysis_bounds.h"
#include "test_support.h"
#include "verdict/verdict.h"

namespace quorbel {
namespace {

using namespace std::string_literals;

const char* kEmptyNote = "No code was provided.";
const char* kHeuristicNote =
    "Heuristic CP estimate. Test-case loops, helper functions, amortized operations, and "
    "constraints can change the final bound.";
const char* kNothingSignal = "No loop, STL pass, graph traversal, sort, or recursion was detected.";
const char* kBudget = "Very rough estimate using about 100M primitive operations per second.";
const char* kWhileNote =
    "A loop's trip count could not be derived from its condition and updates, so it was "
    "counted as running a constant number of times.";

size_t countOf(const std::vector<std::string>& items, const std::string& item) {
  return static_cast<size_t>(std::count(items.begin(), items.end(), item));
}

size_t indexOf(const std::vector<std::string>& items, const std::string& item) {
  return static_cast<size_t>(std::find(items.begin(), items.end(), item) - items.begin());
}

std::vector<std::string> breakdownLines(const Analysis& analysis) {
  std::vector<std::string> lines;
  for (const Row& row : analysis.breakdown) lines.push_back(row.line);
  return lines;
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

// Without repeated work every source gets the constant result; only the last note tells an
// empty source from code.
TEST(PipelineTest, BlankSourcesGiveTheConstantResultAndCodeGetsTheHeuristicNote) {
  const struct {
    const char* name;
    std::string code;
    const char* lastNote;
  } kCases[] = {
      {"empty", "", kEmptyNote},
      {"blanks and line feeds", "  \n\t\n   \n", kEmptyNote},
      {"carriage returns", "\r\n\r\n", kEmptyNote},
      {"code without loops", "int main() { return 0; }\n", kHeuristicNote},
  };
  for (const auto& c : kCases) {
    const Analysis a = analyze(c.code);
    expectWellFormed(a, c.name);
    EXPECT_EQ(a.notation + "|" + a.label + "|" + a.pattern, "O(1)|Constant|Straight-line work")
        << c.name;
    EXPECT_EQ(a.space.notation + "|" + a.space.label + "|" + a.space.pattern,
              "O(1)|Constant|Constant storage")
        << c.name;
    EXPECT_EQ(a.signals, std::vector<std::string>{kNothingSignal}) << c.name;
    ASSERT_EQ(a.breakdown.size(), 1u) << c.name;
    EXPECT_EQ(a.breakdown[0].line + "|" + a.breakdown[0].signal + "|" + a.breakdown[0].cost,
              "-|Straight-line work|O(1)")
        << c.name;
    // Notes of the space detection, if any, may stand between these two.
    ASSERT_FALSE(a.notes.empty()) << c.name;
    EXPECT_EQ(a.notes.back(), c.lastNote) << c.name;
    EXPECT_EQ(countOf(a.notes, kEmptyNote) + countOf(a.notes, kHeuristicNote), 1u) << c.name;
    ASSERT_EQ(a.constraints.size(), 1u) << c.name;
    EXPECT_EQ(a.constraints[0].variable + "|" + a.constraints[0].maxValue,
              "input|not bound by Big-O")
        << c.name;
  }
}

TEST(PipelineTest, OneCountedLoopReplacesTheDefaults) {
  const Analysis analysis =
      analyze("int main() {\n  int n;\n  for (int i = 0; i < n; i++) {}\n}\n");
  expectWellFormed(analysis, "counted loop");
  EXPECT_EQ(analysis.notation, "O(n)");
  EXPECT_EQ(breakdownLines(analysis), std::vector<std::string>{"3"});
  EXPECT_EQ(countOf(analysis.signals, kNothingSignal), 0u);
  ASSERT_EQ(analysis.constraints.size(), 1u);
  EXPECT_EQ(analysis.constraints[0].variable + "|" + analysis.constraints[0].maxValue, "n|~100M");
}

// The first syntax error's line, after the file's own macros are expanded, and its note first.
// clang-format off
TEST(PipelineTest, FirstSyntaxErrorLine) {
  const testing::Case<std::string, int> kCases[] = {
      {"clean", "int main() {\n  int n;\n  for (int i = 0; i < n; i++) {}\n}\n", 0},
      {"missing )", "int main() {\n  int n;\n  for (int i = 0; i < n; i++ {}\n}\n", 3},
      {"stray token after clean lines", "int a;\nint b;\n}}\n", 3},
      {"a macro that reads as code once expanded", "#define rep(i, n) for (int i = 0; i < (n); ++i)\n"
       "int main() {\n  int n;\n  rep(i, n) {}\n}\n", 0},
      {"binary bytes", std::string("\x7f" "ELF\x02\x01\x01\0\0\x03\0>\0", 13), 1},
      {"blank", "\n\n", 0},
  };
  for (const auto& c : kCases) {
    const Analysis a = analyze(c.in);
    EXPECT_EQ(a.parseErrorLine, c.want) << c.name;
    EXPECT_EQ(!a.notes.empty() && a.notes.front().starts_with("The code does not parse cleanly: the first "
              "syntax error is on line " + std::to_string(c.want) + ","), c.want > 0) << c.name;
  }
}
// clang-format on

// The pattern names what was recognised, and says nothing it did not recognise.
// clang-format off
TEST(PipelineTest, RecognisedShapes) {
  const std::string head = "#include <bits/stdc++.h>\nusing namespace std;\nint main() { int n, m; cin >> n >> m;\n";
  const testing::Case<std::string, std::string> kCases[] = {
      {"heap over adjacency lists", head + "vector<vector<pair<int, int>>> g(n); vector<long long> d(n, 1e18);\n"
       "for (int i = 0; i < m; i++) { int u, v, w; cin >> u >> v >> w; g[u].push_back({v, w}); }\n"
       "priority_queue<pair<long long, int>> pq; pq.push({0, 0});\nwhile (!pq.empty()) { auto [du, u] = pq.top(); pq.pop();\n"
       "for (auto [v, w] : g[u]) if (-du + w < d[v]) { d[v] = -du + w; pq.push({-d[v], v}); } } }\n",
       "Dijkstra with a binary heap: each edge may push once"},
      {"queue over adjacency lists", head + "vector<vector<int>> g(n); vector<int> seen(n);\n"
       "for (int i = 0; i < m; i++) { int u, v; cin >> u >> v; g[u].push_back(v); }\n"
       "queue<int> q; q.push(0); seen[0] = 1;\nwhile (!q.empty()) { int u = q.front(); q.pop();\n"
       "for (int v : g[u]) if (!seen[v]) { seen[v] = 1; q.push(v); } } }\n",
       "Graph traversal: each vertex and edge once"},
      {"subsets with work in each", head + "vector<int> best(1 << n);\nfor (int mask = 0; mask < (1 << n); mask++)\n"
       "for (int j = 0; j < n; j++) if (!(mask >> j & 1)) best[mask | 1 << j] = max(best[mask | 1 << j], best[mask] + j); }\n",
       "Bitmask DP over subsets"},
      {"plain nested loops are no shape", head + "long long s = 0; for (int i = 0; i < n; i++) for (int j = 0; j < m; j++) s += i ^ j; }\n",
       "DP table or multi-parameter loop"},
  };
  for (const auto& c : kCases) EXPECT_EQ(analyze(c.in).pattern, c.want) << c.name;
}
// clang-format on

TEST(PipelineTest, SourceIsParsedOncePerAnalysis) {
  // A macro loop and a recursion: the syntax read, the model, the estimates and the verdict share
  // one tree.
  for (const char* code : {"#define rep(i, n) for (int i = 0; i < n; i++)\nint f(int n) { return "
                           "n ? f(n - 1) : 0; }\nint main() { int n; rep(i, n) f(i); }\n",
                           "", "int main( {"}) {
    const size_t before = parsesRun();
    Verdict verdict;
    std::string error;
    EXPECT_TRUE(judgeAtLimits(analyze(code), {}, verdict, error));
    EXPECT_EQ(parsesRun() - before, 1u) << code;
  }
}

TEST(PipelineTest, RepeatedNoteIsKeptOnceWhereItFirstAppeared) {
  // Neither loop reading until it meets a fixed point has a countable trip count or a size to
  // bound it by; each would add the same note.
  const Analysis analysis = analyze(
      "#include <iostream>\nint main() {\n  int x, y, p[9];\n  while (x != p[x]) std::cin >> x;\n"
      "  while (y != p[y]) std::cin >> y;\n}\n");
  expectWellFormed(analysis, "two while loops");
  EXPECT_EQ(countOf(analysis.notes, kWhileNote), 1u);
  EXPECT_LT(indexOf(analysis.notes, kWhileNote), indexOf(analysis.notes, kHeuristicNote));
}

// A call whose argument is neither a constant nor a size the program reads or names: the callee's
// cost in that parameter becomes O(1), and a note says which parameter, where, and what was given.
TEST(PipelineTest, NotesArgumentsWhoseSizeCannotBeNamed) {
  const std::string walk =
      "#include <iostream>\nint n;\n"
      "int walk(int x) { int s = 0; for (int i = 0; i < x; i++) s += i; return s; }\n"
      "int mixed(int x) { int s = 0; for (int i = 0; i < n; i++) s += x;\n"
      "  for (int i = 0; i < x; i++) s++; return s; }\n";
  const std::string kNote =
      "A function's cost depends on a value that could not be named in the program's sizes, so "
      "it was counted as a constant: ";
  const struct {
    const char* name;
    std::string main;
    std::string note;  // empty: no such note
  } kCases[] = {
      // (Each program reads something: one that reads nothing is a harness for its functions.)
      {"a value from nowhere", "int main() { std::cin >> n; int k = rand() % 7; return walk(k); }",
       kNote + "walk's x at line 6 (k)."},
      {"beside a named size", "int main() { std::cin >> n; int k = rand(); return mixed(k); }",
       kNote + "mixed's x at line 6 (k)."},
      {"two parameters, one note each",
       "int main() { std::cin >> n; int a = rand(), b = rand(); return walk(a) + mixed(b) + "
       "walk(b); }",
       kNote + "walk's x at line 6 (a); mixed's x at line 6 (b)."},
      {"a literal", "int main() { std::cin >> n; return walk(5000); }", ""},
      {"a size read from input", "int main() { std::cin >> n; return walk(n); }", ""},
  };
  for (const auto& row : kCases) {
    const Analysis analysis = analyze(walk + row.main + "\n");
    std::string found;
    for (const std::string& note : analysis.notes)
      if (note.starts_with(kNote)) found = note;
    EXPECT_EQ(found, row.note) << row.name;
  }
}

TEST(PipelineTest, BreakdownIsOrderedByLineNumberNotText) {
  // The loop on line 10 is found before the sort on line 2; as text "10" < "2".
  const Analysis analysis = analyze(
      "#include <bits/stdc++.h>\n"
      "int main() { int n; std::vector<int> a(n); std::sort(a.begin(), a.end());\n" +
      std::string(7, '\n') + "  for (int i = 0; i < n; i++) { }\n  return 0; }\n");
  expectWellFormed(analysis, "sort then loop");
  const std::vector<std::string> lines = breakdownLines(analysis);
  ASSERT_NE(indexOf(lines, "2"), lines.size()) << ::testing::PrintToString(lines);
  ASSERT_NE(indexOf(lines, "10"), lines.size()) << ::testing::PrintToString(lines);
  // Numbered rows in numeric order, any "-" row after them.
  const auto key = [](const std::string& line) { return line == "-" ? INT_MAX : std::stoi(line); };
  EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(), [&](const auto& a, const auto& b) {
    return key(a) < key(b);
  })) << ::testing::PrintToString(lines);
}

TEST(PipelineTest, MalformedBytesAreAnalysedLikeText) {
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
  }
}

TEST(PipelineTest, CrLfLineEndsDoNotChangeTheEstimate) {
  const std::string lf =
      "int main() {\n  int n;\n  for (int i = 0; i < n; i++)\n    for (int j = 0; j < n; j++) "
      "{}\n}\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? "\r\n" : std::string(1, c);
  const Analysis withLf = analyze(lf);
  const Analysis withCrLf = analyze(crlf);
  expectWellFormed(withCrLf, "CR LF");
  EXPECT_EQ(withCrLf.notation, withLf.notation);
  EXPECT_EQ(withCrLf.notation, "O(n^2)");
  EXPECT_EQ(withCrLf.space.notation, withLf.space.notation);
  EXPECT_EQ(breakdownLines(withCrLf), breakdownLines(withLf));
}

}  // namespace
}  // namespace quorbel

namespace quorbel {
namespace {

// Five levels of object-like macros, each `copies` copies of the level below: a few hundred
// bytes that hand tree-sitter's error recovery tens of thousands of unbalanced tokens.
std::string macroChain(int copies) {
  std::string text = "#define L0 x+x+x+(\n";
  for (int level = 1; level <= 5; ++level) {
    text += "#define L" + std::to_string(level);
    for (int i = 0; i < copies; ++i) text += " L" + std::to_string(level - 1);
    text += "\n";
  }
  return text + "int main() { L5 }\n";
}

std::string manyStatements(int count) {
  std::string text = "int main() { int x;";
  for (int i = 0; i < count; ++i) text += "x=1;";
  return text + " }\n";
}

TEST(PipelineTest, BoundsStopCostlyAnalysesWithTheirReason) {
  AnalysisBounds quick;
  quick.cpuSeconds = 0.5;
  AnalysisBounds tight;
  tight.memoryBytes = size_t{4} << 20;
  AnalysisBounds small;
  small.expandedTextBytes = 1 << 14;
  struct Case {
    const char* name;
    std::string code;
    AnalysisBounds bounds;
    const char* want;  // the message's start; empty: the analysis finishes
  };
  const Case cases[] = {
      {"size chain: time", testing::sizeChainProgram(800), quick,
       "analysis stopped after 0.5 s: reading"},
      {"many statements: memory", manyStatements(14000), tight, "analysis stopped after "},
      {"expanded text ceiling", macroChain(5), small, "analysis stopped after "},
      {"ordinary program", "int main(){int n;for(int i=0;i<n;i++);}", AnalysisBounds{}, ""},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> stopped = runWithinBounds(c.bounds, [&] { analyze(c.code); });
    if (*c.want == '\0') {
      EXPECT_FALSE(stopped) << c.name << ": " << *stopped;
      continue;
    }
    ASSERT_TRUE(stopped) << c.name;
    EXPECT_EQ(stopped->rfind(c.want, 0), 0u) << c.name << ": " << *stopped;
  }
  // The message names the bound: memory in MB, the expanded text in MB of text.
  EXPECT_NE(runWithinBounds(tight, [&] { analyze(manyStatements(14000)); })
                ->find("s: it needed more than 4 MB of memory"),
            std::string::npos);
  EXPECT_NE(runWithinBounds(small, [&] { analyze(macroChain(5)); })
                ->find("s: the file's macros expand to more than 0.0156 MB of text"),
            std::string::npos);
  // Outside bounded work nothing is counted or stopped, and a finished bounded analysis
  // gives the unbounded result.
  const std::string loop = "int main(){int n;for(int i=0;i<n;i++);}";
  Analysis bounded;
  EXPECT_FALSE(runWithinBounds(AnalysisBounds{}, [&] { bounded = analyze(loop); }));
  EXPECT_EQ(bounded.notation, analyze(loop).notation);
}

}  // namespace
}  // namespace quorbel
