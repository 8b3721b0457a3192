#include "detectors/recursion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "syntax/context.h"

namespace quorbel {
namespace {

constexpr const char* kBalancedSplitNote =
    "Divide-and-conquer recursion assumes balanced splits; adversarial splits can be worse.";

// The rows the recursion detector adds, read back through the whole pipeline.
const char* const kRecursionSignals[] = {
    "DFS graph traversal",
    "DSU path compression",
    "Permutation backtracking",
    "Branching recursion",
    "Multi-branch recursion",
    "Divide-and-conquer recursion with combine work",
    "Halving recursion",
    "Linear recursion",
    "Balanced divide-and-conquer recursion",
};

std::vector<Row> recursionRows(const Analysis& analysis) {
  std::vector<Row> rows;
  for (const Row& row : analysis.breakdown) {
    for (const char* signal : kRecursionSignals) {
      if (row.signal == signal) rows.push_back(row);
    }
  }
  return rows;
}

int noteCount(const Analysis& analysis, const std::string& note) {
  int count = 0;
  for (const std::string& n : analysis.notes) count += n == note ? 1 : 0;
  return count;
}

struct ProgramCase {
  const char* name;
  const char* code;
  const char* line;  // of the first self-call
  const char* signal;
  const char* cost;
  const char* notation;  // of the whole program
};

void expectOneRecursionRow(const ProgramCase& c) {
  const Analysis analysis = analyze(c.code);
  const std::vector<Row> rows = recursionRows(analysis);
  ASSERT_EQ(rows.size(), 1u) << c.name;
  EXPECT_EQ(rows[0].line, c.line) << c.name;
  EXPECT_EQ(rows[0].signal, c.signal) << c.name;
  EXPECT_EQ(rows[0].cost, c.cost) << c.name;
  EXPECT_EQ(analysis.notation, c.notation) << c.name;
}

// ---- Branching recursion ----

TEST(RecursionTest, BranchingBases) {
  const ProgramCase cases[] = {
      {"fibonacci",
       "#include <iostream>\n"
       "int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
       "int main() { int n; std::cin >> n; std::cout << fib(n); }\n",
       "2", "Branching recursion", "O(2^n)", "O(2^n)"},
      {"three calls",
       "int trib(int n) {\n"
       "  if (n < 3) return 1;\n"
       "  return trib(n - 1) + trib(n - 2) + trib(n - 3);\n"
       "}\n",
       "3", "Multi-branch recursion", "O(3^n)", "O(3^n)"},
      {"call inside a loop over another symbol",
       "int k;\n"
       "int go(int n) {\n"
       "  if (n == 0) return 1;\n"
       "  int s = 0;\n"
       "  for (int i = 0; i < k; i++) s += go(n - 1);\n"
       "  return s;\n"
       "}\n",
       "5", "Multi-branch recursion", "O(k^n)", "O(k^n)"},
      {"call inside a loop up to n",
       "int n;\n"
       "void rec(int d) {\n"
       "  if (d == n) return;\n"
       "  for (int i = 0; i < n; i++) rec(d + 1);\n"
       "}\n",
       "4", "Multi-branch recursion", "O(n^n)", "O(n^n)"},
      {"call inside a loop up to the recursion limit",
       "int m;\n"
       "void rec(int d) {\n"
       "  if (d == m) return;\n"
       "  for (int i = 0; i < m; i++) rec(d + 1);\n"
       "}\n",
       "4", "Multi-branch recursion", "O(n^n)", "O(n^n)"},
      {"loop over a parameter that is not the depth",
       "void rec(int d, int width) {\n"
       "  if (d == 0) return;\n"
       "  for (int i = 0; i < width; i++) rec(d - 1, width);\n"
       "}\n",
       "3", "Multi-branch recursion", "O(k^n)", "O(k^n)"},
      {"two calls beside a loop over n",
       "int n;\n"
       "int f(int d) {\n"
       "  if (d == 0) return 0;\n"
       "  int s = 0;\n"
       "  for (int i = 0; i < n; i++) s += i;\n"
       "  return f(d - 1) + f(d - 1) + s;\n"
       "}\n",
       "6", "Branching recursion", "O(2^n * n)", "O(2^n * n)"},
      {"work is written in n whatever its loop's symbol",
       "int m;\n"
       "int f(int d) {\n"
       "  if (d == 0) return 0;\n"
       "  int s = 0;\n"
       "  for (int i = 0; i < m; i++) s += i;\n"
       "  return f(d - 1) + f(d - 1) + s;\n"
       "}\n",
       "6", "Branching recursion", "O(2^n * n)", "O(2^n * n)"},
      {"two calls beside a double loop",
       "int n;\n"
       "int f(int d) {\n"
       "  if (d == 0) return 0;\n"
       "  int s = 0;\n"
       "  for (int i = 0; i < n; i++)\n"
       "    for (int j = 0; j < n; j++) s += i ^ j;\n"
       "  return f(d - 1) + f(d - 1) + s;\n"
       "}\n",
       "7", "Branching recursion", "O(2^n * n^2)", "O(2^n * n^2)"},
      {"two calls beside a logarithmic loop",
       "int n;\n"
       "int f(int d) {\n"
       "  if (d == 0) return 0;\n"
       "  int s = 0;\n"
       "  for (int i = 1; i < n; i *= 2) s += i;\n"
       "  return f(d - 1) + f(d - 1) + s;\n"
       "}\n",
       "6", "Branching recursion", "O(2^n * log n)", "O(2^n * log n)"},
      {"subsets: used[] but no call inside a loop",
       "int n;\n"
       "bool used[20];\n"
       "void sub(int i) {\n"
       "  if (i == n) return;\n"
       "  used[i] = true;\n"
       "  sub(i + 1);\n"
       "  used[i] = false;\n"
       "  sub(i + 1);\n"
       "}\n",
       "6", "Branching recursion", "O(2^n)", "O(2^n)"},
  };
  for (const ProgramCase& c : cases) expectOneRecursionRow(c);
}

// ---- Permutations ----

TEST(RecursionTest, PermutationBacktracking) {
  const ProgramCase cases[] = {
      {"used array",
       "int n, total;\n"
       "bool used[10];\n"
       "void gen(int depth) {\n"
       "  if (depth == n) { total++; return; }\n"
       "  for (int i = 0; i < n; i++) {\n"
       "    if (!used[i]) {\n"
       "      used[i] = true;\n"
       "      gen(depth + 1);\n"
       "      used[i] = false;\n"
       "    }\n"
       "  }\n"
       "}\n",
       "8", "Permutation backtracking", "O(n!)", "O(n!)"},
      {"swaps",
       "#include <algorithm>\n"
       "int n, total;\n"
       "int a[10];\n"
       "void permute(int k) {\n"
       "  if (k == n) { total++; return; }\n"
       "  for (int i = k; i < n; i++) {\n"
       "    std::swap(a[k], a[i]);\n"
       "    permute(k + 1);\n"
       "    std::swap(a[k], a[i]);\n"
       "  }\n"
       "}\n",
       "8", "Permutation backtracking", "O(n!)", "O(n!)"},
      {"visited array and 1 + depth",
       "int n;\n"
       "int visitedMark[10];\n"
       "void gen(int pos) {\n"
       "  if (pos >= n) return;\n"
       "  for (int i = 0; i < n; i++)\n"
       "    if (!visitedMark[i]) { visitedMark[i] = 1; gen(1 + pos); visitedMark[i] = 0; }\n"
       "}\n",
       "6", "Permutation backtracking", "O(n!)", "O(n!)"},
      {"no used array nor swap is only branching",
       "int n;\n"
       "void gen(int depth) {\n"
       "  if (depth == n) return;\n"
       "  for (int i = 0; i < n; i++) gen(depth + 1);\n"
       "}\n",
       "4", "Multi-branch recursion", "O(n^n)", "O(n^n)"},
  };
  for (const ProgramCase& c : cases) expectOneRecursionRow(c);
}

// ---- Divide and conquer, halving, linear ----

TEST(RecursionTest, SplittingAndLinearShapes) {
  const ProgramCase cases[] = {
      {"merge sort with a merge call",
       "#include <vector>\n"
       "using namespace std;\n"
       "void merge(vector<int>& a, int l, int m, int r);\n"
       "void mergeSort(vector<int>& a, int l, int r) {\n"
       "  if (r - l <= 1) return;\n"
       "  int m = (l + r) / 2;\n"
       "  mergeSort(a, l, m);\n"
       "  mergeSort(a, m, r);\n"
       "  merge(a, l, m, r);\n"
       "}\n",
       "7", "Divide-and-conquer recursion with combine work", "O(n * log n)", "O(n * log n)"},
      {"split into thirds with a loop",
       "int cnt;\n"
       "int solve(int l, int r) {\n"
       "  if (r - l < 3) return 0;\n"
       "  for (int i = l; i < r; i++) cnt++;\n"
       "  int a = l + (r - l) / 3;\n"
       "  int b = r - (r - l) / 3;\n"
       "  return solve(l, a) + solve(a, b) + solve(b, r);\n"
       "}\n",
       "7", "Divide-and-conquer recursion with combine work", "O(n * log n)", "O(n * log n)"},
      {"segment-tree update",
       "int tree[400000];\n"
       "void update(int node, int l, int r, int pos, int val) {\n"
       "  if (l == r) { tree[node] = val; return; }\n"
       "  int mid = (l + r) / 2;\n"
       "  if (pos <= mid) update(2 * node, l, mid, pos, val);\n"
       "  else update(2 * node + 1, mid + 1, r, pos, val);\n"
       "  tree[node] = tree[2 * node] + tree[2 * node + 1];\n"
       "}\n",
       "5", "Halving recursion", "O(log n)", "O(log n)"},
      {"recursive binary search",
       "int a[100];\n"
       "int search(int lo, int hi, int x) {\n"
       "  if (lo >= hi) return lo;\n"
       "  int mid = (lo + hi) / 2;\n"
       "  if (a[mid] < x) lo = mid + 1;\n"
       "  else hi = mid;\n"
       "  return search(lo, hi, x);\n"
       "}\n",
       "7", "Halving recursion", "O(log n)", "O(log n)"},
      {"halving by a shift in the call",
       "long long power(long long b, int e) {\n"
       "  if (e == 0) return 1;\n"
       "  long long h = power(b, e >> 1);\n"
       "  return h * h;\n"
       "}\n",
       "3", "Halving recursion", "O(log n)", "O(log n)"},
      {"two halving calls without loop, merge or else",
       "int query(int l, int r) {\n"
       "  if (l == r) return 0;\n"
       "  int mid = (l + r) / 2;\n"
       "  return query(l, mid) + query(mid + 1, r);\n"
       "}\n",
       "4", "Balanced divide-and-conquer recursion", "O(n)", "O(n)"},
      {"factorial",
       "long long fact(int n) {\n"
       "  if (n <= 1) return 1;\n"
       "  return n * fact(n - 1);\n"
       "}\n",
       "3", "Linear recursion", "O(n)", "O(n)"},
  };
  for (const ProgramCase& c : cases) expectOneRecursionRow(c);
}

TEST(RecursionTest, DivideAndConquerAddsTheBalancedSplitNoteOncePerFunction) {
  const Analysis mergeSort = analyze(
      "void merge(int l, int m, int r);\n"
      "void sortRange(int l, int r) {\n"
      "  if (r - l <= 1) return;\n"
      "  int m = (l + r) / 2;\n"
      "  sortRange(l, m);\n"
      "  sortRange(m, r);\n"
      "  merge(l, m, r);\n"
      "}\n");
  EXPECT_EQ(noteCount(mergeSort, kBalancedSplitNote), 1);

  const Analysis halving = analyze(
      "int bs(int lo, int hi) {\n"
      "  if (lo >= hi) return lo;\n"
      "  int mid = (lo + hi) / 2;\n"
      "  return bs(lo, mid);\n"
      "}\n");
  EXPECT_EQ(noteCount(halving, kBalancedSplitNote), 0);
}

// ---- Graph DFS and union-find ----

TEST(RecursionTest, DfsOverAnAdjacencyListUsesTheGraphSymbols) {
  const ProgramCase c = {"dfs",
                         "#include <vector>\n"
                         "using namespace std;\n"
                         "int V, E;\n"
                         "vector<vector<int>> adj;\n"
                         "vector<bool> seen;\n"
                         "void dfs(int u) {\n"
                         "  seen[u] = true;\n"
                         "  for (int v : adj[u])\n"
                         "    if (!seen[v]) dfs(v);\n"
                         "}\n",
                         "9",
                         "DFS graph traversal",
                         "O(V + E)",
                         "O(V + E)"};
  expectOneRecursionRow(c);
}

TEST(RecursionTest, DfsWithoutAnAdjacencyListIsNotAGraphTraversal) {
  const ProgramCase c = {"dfs by name only",
                         "int dfs(int n) {\n"
                         "  if (n <= 0) return 0;\n"
                         "  return dfs(n - 1) + 1;\n"
                         "}\n",
                         "3",
                         "Linear recursion",
                         "O(n)",
                         "O(n)"};
  expectOneRecursionRow(c);
}

TEST(RecursionTest, UnionFindRootTest) {
  const ProgramCase cases[] = {
      {"parent[x] == x",
       "int parent[100];\n"
       "int find(int x) {\n"
       "  if (parent[x] == x) return x;\n"
       "  return parent[x] = find(parent[x]);\n"
       "}\n",
       "4", "DSU path compression", "O(alpha(n))", "O(alpha(n))"},
      {"x == parent[x] misses the root test",
       "int parent[100];\n"
       "int find(int x) {\n"
       "  if (x == parent[x]) return x;\n"
       "  return parent[x] = find(parent[x]);\n"
       "}\n",
       "4", "Linear recursion", "O(n)", "O(n)"},
  };
  for (const ProgramCase& c : cases) expectOneRecursionRow(c);
}

// ---- What is not a row ----

TEST(RecursionTest, MutualRecursionWithoutSelfCallsHasNoRow) {
  const Analysis analysis = analyze(
      "bool isOdd(int n);\n"
      "bool isEven(int n) { if (n == 0) return true; return isOdd(n - 1); }\n"
      "bool isOdd(int n) { if (n == 0) return false; return isEven(n - 1); }\n"
      "int main() { return isEven(10); }\n");
  EXPECT_TRUE(recursionRows(analysis).empty());
}

TEST(RecursionTest, CountsEveryDefinitionThatCallsItself) {
  const std::string code =
      "int f(int n) { return n ? f(n - 1) : 0; }\n"
      "int g(int n) { return n; }\n"
      "int f(long n) { return n ? f(n - 1) : 0; }\n"
      "struct S { int h(int n) { return n ? h(n - 1) : 0; } };\n";
  const SyntaxReaderResult syntax = readCppSyntax(code);
  const Context context = collectContext(code);
  ActiveContext active(&context);
  Analysis analysis;
  DetectionResult detection;
  EXPECT_EQ(analyzeRecursion(code, context, syntax.nodes, analysis, detection), 3u)
      << "a function defined twice is analysed twice";
  EXPECT_EQ(detection.terms.size(), 3u);
  ASSERT_EQ(analysis.signals.size(), 3u);
  EXPECT_EQ(analysis.signals[0], "Line 1: Linear recursion contributes O(n).");
}

TEST(RecursionTest, OddNamesNeverBreakThePatterns) {
  // Non-ASCII names are spliced into the patterns as they are.
  const Analysis analysis = analyze(
      "int 探索(int 深さ) {\n"
      "  if (深さ == 0) return 0;\n"
      "  return 探索(深さ - 1) + 探索(深さ - 1);\n"
      "}\n");
  EXPECT_EQ(recursionRows(analysis).size(), 1u);

  std::string longBody = "int deep(int n) {\n  int s = 0;\n";
  for (int i = 0; i < 5000; i++) longBody += "  s += n * " + std::to_string(i) + ";\n";
  longBody += "  return deep(n - 1) + s;\n}\n";
  const std::vector<Row> rows = recursionRows(analyze(longBody));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].signal, "Linear recursion");
  EXPECT_EQ(rows[0].line, "5003");
}

// ---- Shared helpers ----

TEST(RecursionLimitTest, NameTheDepthIsComparedWith) {
  struct Case {
    const char* name;
    const char* text;
    const char* depth;
    const char* want;
  };
  const Case cases[] = {
      {"depth == n", "if (depth == n) return;", "depth", "n"},
      {"n == depth", "if (n == depth) return;", "depth", "n"},
      {"depth >= limit", "if (depth >= limit) return;", "depth", "limit"},
      {"i < depth", "while (i < depth) i++;", "depth", "i"},
      {"compared with a number", "if (depth > 0) return;", "depth", ""},
      {"depth < n is neither form", "if (depth < n) go();", "depth", ""},
      {"whole words only", "if (redepth == n) return;", "depth", ""},
      {"empty depth", "if (depth == n) return;", "", ""},
      {"a name that is no pattern", "if (x == y) return;", "(", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(recursionLimitForDepth(c.text, c.depth), c.want) << c.name;
  }
}

TEST(DsuShapeTest, RootTestAndCompression) {
  struct Case {
    const char* name;
    const char* text;
    const char* function;
    std::vector<std::string> params;
    bool want;
  };
  const Case cases[] = {
      {"classic",
       "int find(int x) { if (parent[x] == x) return x; return parent[x] = "
       "find(parent[x]); }",
       "find",
       {"x"},
       true},
      {"spaced",
       "int root(int v) { if (p [ v ] == v) return v; return p[ v ] = root( p [v] ); }",
       "root",
       {"v"},
       true},
      {"reversed root test",
       "int find(int x) { if (x == parent[x]) return x; return parent[x] = "
       "find(parent[x]); }",
       "find",
       {"x"},
       false},
      {"no compression",
       "int find(int x) { if (parent[x] == x) return x; return "
       "find(parent[x]); }",
       "find",
       {"x"},
       false},
      {"compression into another array",
       "int find(int x) { if (par[x] == x) return x; return "
       "parent[x] = find(parent[x]); }",
       "find",
       {"x"},
       false},
      {"the first parameter is the element",
       "int find(int a, int x) { if (parent[x] == x) "
       "return x; return parent[x] = find(a, parent[x]); }",
       "find",
       {"a", "x"},
       false},
      {"no parameters", "int find() { return 0; }", "find", {}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dsuPathCompressionShape(c.text, c.function, c.params), c.want) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
