#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "analysis/term.h"
#include "constraints/constraint_estimates.h"
#include "test_support.h"

namespace quorbel {
namespace {

const std::string kRough =
    " Super rough: ignores constants, memory, input/output, recursion overhead, and hidden "
    "helper work.";

std::string rough(const std::string& text) { return text + kRough; }

std::string describe(const std::vector<ConstraintEstimate>& rows) {
  std::string text;
  for (const ConstraintEstimate& row : rows)
    text += "[" + row.variable + " | " + row.maxValue + " | " + row.assumption + "]\n";
  return text;
}

Term poly(std::vector<std::string> linear, std::vector<RootFactor> roots,
          std::vector<std::string> logs, std::vector<std::string> logLogs) {
  Term term = constantTerm("test");
  term.linear = std::move(linear);
  term.roots = std::move(roots);
  term.logs = std::move(logs);
  term.logLogs = std::move(logLogs);
  return term;
}

using EstimateCase = testing::Case<Term, std::vector<ConstraintEstimate>>;

void expectRows(const EstimateCase& c) {
  const std::vector<ConstraintEstimate> got = estimateConstraints(c.in);
  EXPECT_EQ(describe(got), describe(c.want)) << c.name;
}

// ---- compactNumber ----

TEST(ConstraintsTest, CompactNumberAtItsBoundaries) {
  const testing::Case<long double, const char*> kCases[] = {
      {"infinity", std::numeric_limits<long double>::infinity(), "huge"},
      {"not a number", std::numeric_limits<long double>::quiet_NaN(), "huge"},
      {"just below one", 0.999L, "< 1"},
      {"one", 1, "1"},
      {"rounds below the K range", 999.4L, "999"},
      {"rounds after the range test", 999.6L, "1000"},
      {"first K", 1000, "1.00K"},
      {"two decimals below ten", 9990, "9.99K"},
      {"ten thousand", 1e4L, "10.0K"},
      {"one decimal rounds up", 99999, "100.0K"},
      {"hundred K is whole", 1e5L, "100K"},
      {"whole rounds down", 999499, "999K"},
      {"whole rounds up within K", 999600, "1000K"},
      {"first M", 1e6L, "1.00M"},
      {"first B", 1e9L, "1.00B"},
      {"first T", 1e12L, "1.00T"},
      {"last T", 9.9949e14L, "999T"},
      {"first scientific", 1e15L, "1e15"},
      {"fractional mantissa", 2.5e15L, "2.5e15"},
      {"mantissa near an integer", 1.04e15L, "1e15"},
      {"mantissa just off an integer", 1.06e15L, "1.1e15"},
      {"mantissa below the carry", 9.94e15L, "9.9e15"},
      {"mantissa carries to the next power", 9.96e15L, "1e16"},
  };
  for (const auto& c : kCases) EXPECT_EQ(compactNumber(c.in), c.want) << c.name;
}

// ---- Symbol helpers ----

TEST(ConstraintsTest, UniqueSymbolList) {
  const testing::Case<std::vector<std::string>, const char*> kCases[] = {
      {"none", {}, "N"},
      {"only empty names", {"", ""}, "N"},
      {"first appearance order", {"n", "m", "n"}, "n, m"},
      {"empty names skipped", {"", "x", ""}, "x"},
  };
  for (const auto& c : kCases) EXPECT_EQ(uniqueSymbolList(c.in), c.want) << c.name;
}

TEST(ConstraintsTest, VariablesFromNotation) {
  const testing::Case<const char*, std::vector<std::string>> kCases[] = {
      {"heap graph", "O((vertices + edges) * log vertices)", {"vertices", "edges"}},
      {"exponent digit is no variable", "O(2^n)", {"n"}},
      {"function words skipped", "O(sqrt n * cuberoot m * log k)", {"n", "m", "k"}},
      {"root word alone skipped", "O(root n)", {"n"}},
      {"words only skipped whole", "O(logn * sqrtx)", {"logn", "sqrtx"}},
      {"number with exponent is no word", "O(1e9)", {}},
      {"underscore start", "O(_n + m2)", {"_n", "m2"}},
      {"lower-case o is a variable", "O(o)", {"o"}},
      // UTF-8 names are whole variables, and a suffix after them is not a separate word.
      {"non-ASCII name", "O(個数 + m)", {"個数", "m"}},
      {"non-ASCII name with suffix", "O(個数_x)", {"個数_x"}},
  };
  for (const auto& c : kCases) EXPECT_EQ(variablesFromNotation(c.in), c.want) << c.name;
}

TEST(ConstraintsTest, AppendVariableRowsSkipsNamedVariables) {
  std::vector<ConstraintEstimate> rows = {{"n", "~100M", "earlier"}};
  appendVariableRows(rows, {"n", "m", "m", "k"}, "depends", "why");
  const std::vector<ConstraintEstimate> want = {
      {"n", "~100M", "earlier"}, {"m", "depends", "why"}, {"k", "depends", "why"}};
  EXPECT_EQ(describe(rows), describe(want));
}

// ---- Custom, exponential and constant terms ----

TEST(ConstraintsTest, CustomTerms) {
  const std::string nLogN = "~4.52M";
  const std::string heapVertex = rough(
      "Sparse heap graph traversal is roughly V log V, so this is the vertex limit when E is "
      "not huge.");
  const std::string heapEdge =
      rough("Edges cost about E log V, so the useful edge budget is roughly 100M / log2(V).");
  const std::string heapTotal = rough(
      "If vertices and edges are the same scale, total graph size should stay near the N log N "
      "budget.");
  const std::string graphVertex =
      rough("This can approach the full linear budget only if the edge count is small.");
  const std::string graphEdge =
      rough("This can approach the full linear budget only if the vertex count is small.");
  const std::string graphTotal =
      rough("For BFS/DFS-style traversals, total vertices plus edges is the useful budget.");
  const std::string sumOne = rough(
      "For independent summed passes, this one variable can be near the full budget if the "
      "others are smaller.");
  const std::string sumAll =
      rough("For independent summed passes, the total across all bounds is the useful constraint.");
  const std::string named = rough(
      "This custom pattern exposes the variable names, but the exact per-variable limit "
      "depends on the whole expression.");
  const std::string anonymous =
      rough("This pattern is custom, so only the detected Big-O is shown reliably.");

  using Rows = std::vector<ConstraintEstimate>;
  // The rows of each kind, for the names the notation gives.
  const auto heap = [&](const std::string& v, const std::string& e) {
    return Rows{{v, nLogN, heapVertex},
                {e, "depends on " + v, heapEdge},
                {v + " + " + e, nLogN, heapTotal}};
  };
  const auto graph = [&](const std::string& v, const std::string& e) {
    return Rows{
        {v, "~100M", graphVertex}, {e, "~100M", graphEdge}, {v + " + " + e, "~100M", graphTotal}};
  };
  const auto sum = [&](const std::string& a, const std::string& b) {
    return Rows{{a, "~100M", sumOne}, {b, "~100M", sumOne}, {"combined passes", "~100M", sumAll}};
  };
  const EstimateCase kCases[] = {
      {"heap traversal with named counts",
       customTerm("O((vertices + edges) * log vertices)", "Heap graph traversal", 35),
       heap("vertices", "edges")},
      {"heap traversal naming nothing falls back to v and e",
       customTerm("O(1)", "Heap graph traversal", 35), heap("v", "e")},
      {"heap traversal naming only v pairs it with e",
       customTerm("O(v * log v)", "Heap graph traversal", 35), heap("v", "e")},
      {"heap traversal naming one other symbol pairs it with v",
       customTerm("O(nodes * log nodes)", "Heap graph traversal", 35), heap("nodes", "v")},
      {"graph traversal", customTerm("O(vertices + edges)", "Graph traversal", 20),
       graph("vertices", "edges")},
      {"dfs traversal, third symbol ignored", customTerm("O(n + m + k)", "DFS graph traversal", 20),
       graph("n", "m")},
      {"reason in other case is only a sum",
       customTerm("O(vertices + edges)", "graph traversal", 20), sum("vertices", "edges")},
      {"factorial",
       customTerm("O(n!)", "Permutation enumeration", 260),
       {{"n", "~10-11", rough("Factorial enumeration explodes almost immediately.")}}},
      {"factorial of another symbol is only named",
       customTerm("O(m!)", "Permutations", 260),
       {{"m", "depends", named}}},
      {"sum of passes", customTerm("O(n + m)", "Independent passes", 20), sum("n", "m")},
      {"sum repeating a variable", customTerm("O(n * log n + n * log m)", "Independent passes", 25),
       sum("n", "m")},
      {"plus without blanks is no sum",
       customTerm("O(n+m)", "odd", 20),
       {{"n", "depends", named}, {"m", "depends", named}}},
      {"named custom", customTerm("O(3^n)", "Ternary recursion", 220), {{"n", "depends", named}}},
      {"anonymous custom", customTerm("O(1)", "odd", 0), {{"input", "depends", anonymous}}},
      {"empty notation", customTerm("", "odd", 0), {{"input", "depends", anonymous}}},
  };
  for (const EstimateCase& c : kCases) expectRows(c);
}

// The constant term's row is checked byte for byte in the CLI's full report of an empty file.
TEST(ConstraintsTest, ExponentialTerm) {
  expectRows({"exponential",
              exponentialTerm("branching recursion"),
              {{"n", "~26", rough("Assumes about 2^n operations and a 1 second budget.")}}});
}

// ---- Poly terms ----

TEST(ConstraintsTest, PolyTermShapes) {
  const std::string rootWhy = rough(
      "Because root-degree work can tolerate N around the operation budget raised to that "
      "degree.");
  const std::string logLogWhy =
      rough("Pure log-log work almost never breaks from N alone; numeric range dominates first.");
  const std::string logWhy = rough(
      "Pure logarithmic work rarely breaks from N alone; numeric range and implementation "
      "details matter more.");
  const std::string linearWhy = rough("Assumes one linear pass fits in about 1 second.");
  const std::string nLogNWhy = rough("Solves N log2 N against a 1 second operation budget.");
  const std::string powerWhy = rough("Assumes all repeated dimensions are the same variable.");
  const std::string productWhy =
      rough("The product of those bounds should stay near the operation budget.");
  const std::string equalWhy = "Only if each listed variable is roughly the same size.";
  const std::string mixedWhy =
      rough("Mixed terms are best read as a total operation budget, not an exact variable limit.");

  const EstimateCase kCases[] = {
      {"square root", poly({}, {{"n", 2}}, {}, {}), {{"n", "~1e16", rootWhy}}},
      {"cube root", poly({}, {{"n", 3}}, {}, {}), {{"n", "~1e24", rootWhy}}},
      {"two roots are mixed",
       poly({}, {{"n", 2}, {"m", 2}}, {}, {}),
       {{"combined cost", "~100M", mixedWhy}}},
      {"log-log", poly({}, {}, {}, {"n"}), {{"n", "astronomical", logLogWhy}}},
      {"root with log-log", poly({}, {{"n", 2}}, {}, {"m"}), {{"m", "astronomical", logLogWhy}}},
      {"log", poly({}, {}, {"n"}, {}), {{"n", "massive", logWhy}}},
      {"logs listed once each", poly({}, {}, {"n", "m", "n"}, {}), {{"n, m", "massive", logWhy}}},
      {"root with log", poly({}, {{"n", 2}}, {"n"}, {}), {{"n", "massive", logWhy}}},
      {"linear", poly({"n"}, {}, {}, {}), {{"n", "~100M", linearWhy}}},
      {"n log n", poly({"n"}, {}, {"n"}, {}), {{"n", "~4.52M", nLogNWhy}}},
      {"n log m keeps n", poly({"n"}, {}, {"m"}, {}), {{"n", "~4.52M", nLogNWhy}}},
      {"square", poly({"n", "n"}, {}, {}, {}), {{"n", "~10.0K", powerWhy}}},
      {"cube", poly({"n", "n", "n"}, {}, {}, {}), {{"n", "~464", powerWhy}}},
      {"product of two",
       poly({"n", "m"}, {}, {}, {}),
       {{"n, m product", "~100M", productWhy}, {"if equal", "~10.0K each", equalWhy}}},
      {"equal split counts distinct symbols",
       poly({"n", "n", "m"}, {}, {}, {}),
       {{"n, m product", "~100M", productWhy}, {"if equal", "~10.0K each", equalWhy}}},
      {"product of three",
       poly({"n", "m", "k"}, {}, {}, {}),
       {{"n, m, k product", "~100M", productWhy}, {"if equal", "~464 each", equalWhy}}},
      {"n sqrt n", poly({"n"}, {{"n", 2}}, {}, {}), {{"combined cost", "~100M", mixedWhy}}},
      {"n log log n", poly({"n"}, {}, {}, {"n"}), {{"combined cost", "~100M", mixedWhy}}},
      {"n (log n)^2", poly({"n"}, {}, {"n", "n"}, {}), {{"combined cost", "~100M", mixedWhy}}},
      {"n^2 log n", poly({"n", "n"}, {}, {"n"}, {}), {{"combined cost", "~100M", mixedWhy}}},
  };
  for (const EstimateCase& c : kCases) expectRows(c);
}

}  // namespace
}  // namespace quorbel
