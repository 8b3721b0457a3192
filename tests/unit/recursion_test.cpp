#include "detectors/recursion.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
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

// Joins lines with line feeds so that line numbers can be read off the list.
std::string program(std::initializer_list<const char*> lines) {
  std::string code;
  for (const char* line : lines) code += std::string(line) + "\n";
  return code;
}

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

const std::string kMergeSort =
    program({"void merge(vector<int>& a, int l, int m, int r);",
             "void mergeSort(vector<int>& a, int l, int r) {", "  if (r - l <= 1) return;",
             "  int m = (l + r) / 2;", "  mergeSort(a, l, m);", "  mergeSort(a, m, r);",
             "  merge(a, l, m, r);", "}"});

const std::string kBinarySearch =
    program({"int a[100];", "int search(int lo, int hi, int x) {", "  if (lo >= hi) return lo;",
             "  int mid = (lo + hi) / 2;", "  if (a[mid] < x) lo = mid + 1;", "  else hi = mid;",
             "  return search(lo, hi, x);", "}"});

TEST(RecursionTest, OneRowPerShape) {
  struct ProgramCase {
    const char* name;
    std::string code;
    const char* line;  // of the first self-call
    const char* signal;
    const char* cost;
    const char* notation;  // of the whole program
  };
  const ProgramCase cases[] = {
      // ---- Branching ----
      {"fibonacci",
       program({"int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }"}), "1",
       "Branching recursion", "O(2^n)", "O(2^n)"},
      {"three calls",
       program({"int trib(int n) {", "  if (n < 3) return 1;",
                "  return trib(n - 1) + trib(n - 2) + trib(n - 3);", "}"}),
       "3", "Multi-branch recursion", "O(3^n)", "O(3^n)"},
      {"call inside a loop over another symbol",
       program({"int k;", "int go(int n) {", "  if (n == 0) return 1;", "  int s = 0;",
                "  for (int i = 0; i < k; i++) s += go(n - 1);", "  return s;", "}"}),
       "5", "Multi-branch recursion", "O(k^n)", "O(k^n)"},
      {"call inside a loop up to the recursion limit",
       program({"int m;", "void rec(int d) {", "  if (d == m) return;",
                "  for (int i = 0; i < m; i++) rec(d + 1);", "}"}),
       "4", "Multi-branch recursion", "O(n^n)", "O(n^n)"},
      {"two calls beside a loop over n",
       program({"int n;", "int f(int d) {", "  if (d == 0) return 0;", "  int s = 0;",
                "  for (int i = 0; i < n; i++) s += i;", "  return f(d - 1) + f(d - 1) + s;", "}"}),
       "6", "Branching recursion", "O(2^n * n)", "O(2^n * n)"},
      {"two calls beside a double loop",
       program({"int n;", "int f(int d) {", "  if (d == 0) return 0;", "  int s = 0;",
                "  for (int i = 0; i < n; i++)", "    for (int j = 0; j < n; j++) s += i ^ j;",
                "  return f(d - 1) + f(d - 1) + s;", "}"}),
       "7", "Branching recursion", "O(2^n * n^2)", "O(2^n * n^2)"},
      {"subsets: used[] but no call inside a loop",
       program({"int n;", "bool used[20];", "void sub(int i) {", "  if (i == n) return;",
                "  used[i] = true;", "  sub(i + 1);", "  used[i] = false;", "  sub(i + 1);", "}"}),
       "6", "Branching recursion", "O(2^n)", "O(2^n)"},

      // ---- Permutations ----
      {"used array",
       program({"int n, total;", "bool used[10];", "void gen(int depth) {",
                "  if (depth == n) { total++; return; }", "  for (int i = 0; i < n; i++) {",
                "    if (!used[i]) {", "      used[i] = true;", "      gen(depth + 1);",
                "      used[i] = false;", "    }", "  }", "}"}),
       "8", "Permutation backtracking", "O(n!)", "O(n!)"},
      {"swaps",
       program({"int n, total;", "int a[10];", "void permute(int k) {",
                "  if (k == n) { total++; return; }", "  for (int i = k; i < n; i++) {",
                "    std::swap(a[k], a[i]);", "    permute(k + 1);", "    std::swap(a[k], a[i]);",
                "  }", "}"}),
       "7", "Permutation backtracking", "O(n!)", "O(n!)"},
      {"no used array nor swap is only branching",
       program({"int n;", "void gen(int depth) {", "  if (depth == n) return;",
                "  for (int i = 0; i < n; i++) gen(depth + 1);", "}"}),
       "4", "Multi-branch recursion", "O(n^n)", "O(n^n)"},

      // ---- Divide and conquer, halving, linear ----
      {"merge sort with a merge call", kMergeSort, "5",
       "Divide-and-conquer recursion with combine work", "O(n * log n)", "O(n * log n)"},
      {"split into thirds with a loop",
       program({"int cnt;", "int solve(int l, int r) {", "  if (r - l < 3) return 0;",
                "  for (int i = l; i < r; i++) cnt++;", "  int a = l + (r - l) / 3;",
                "  int b = r - (r - l) / 3;", "  return solve(l, a) + solve(a, b) + solve(b, r);",
                "}"}),
       "7", "Divide-and-conquer recursion with combine work", "O(n * log n)", "O(n * log n)"},
      {"segment-tree update",
       program({"int tree[400000];", "void update(int node, int l, int r, int pos, int val) {",
                "  if (l == r) { tree[node] = val; return; }", "  int mid = (l + r) / 2;",
                "  if (pos <= mid) update(2 * node, l, mid, pos, val);",
                "  else update(2 * node + 1, mid + 1, r, pos, val);",
                "  tree[node] = tree[2 * node] + tree[2 * node + 1];", "}"}),
       "5", "Halving recursion", "O(log n)", "O(log n)"},
      {"recursive binary search", kBinarySearch, "7", "Halving recursion", "O(log n)", "O(log n)"},
      {"two halving calls without loop, merge or else",
       program({"int query(int l, int r) {", "  if (l == r) return 0;", "  int mid = (l + r) / 2;",
                "  return query(l, mid) + query(mid + 1, r);", "}"}),
       "4", "Balanced divide-and-conquer recursion", "O(n)", "O(n)"},
      {"factorial",
       program({"long long fact(int n) {", "  if (n <= 1) return 1;", "  return n * fact(n - 1);",
                "}"}),
       "3", "Linear recursion", "O(n)", "O(n)"},

      // ---- Graph DFS and union-find ----
      {"dfs over an adjacency list uses the graph symbols",
       program({"int V, E;", "vector<vector<int>> adj;", "vector<bool> seen;", "void dfs(int u) {",
                "  seen[u] = true;", "  for (int v : adj[u])", "    if (!seen[v]) dfs(v);", "}"}),
       "7", "DFS graph traversal", "O(V + E)", "O(V + E)"},
      {"root test parent[x] == x",
       program({"int parent[100];", "int find(int x) {", "  if (parent[x] == x) return x;",
                "  return parent[x] = find(parent[x]);", "}"}),
       "4", "DSU path compression", "O(alpha(n))", "O(alpha(n))"},
      {"x == parent[x] misses the root test",
       program({"int parent[100];", "int find(int x) {", "  if (x == parent[x]) return x;",
                "  return parent[x] = find(parent[x]);", "}"}),
       "4", "Linear recursion", "O(n)", "O(n)"},
  };
  for (const ProgramCase& c : cases) {
    const Analysis analysis = analyze(c.code);
    const std::vector<Row> rows = recursionRows(analysis);
    ASSERT_EQ(rows.size(), 1u) << c.name;
    EXPECT_EQ(rows[0].line, c.line) << c.name;
    EXPECT_EQ(rows[0].signal, c.signal) << c.name;
    EXPECT_EQ(rows[0].cost, c.cost) << c.name;
    EXPECT_EQ(analysis.notation, c.notation) << c.name;
  }
}

TEST(RecursionTest, OnlyDivideAndConquerAddsTheBalancedSplitNote) {
  EXPECT_EQ(noteCount(analyze(kMergeSort), kBalancedSplitNote), 1);
  EXPECT_EQ(noteCount(analyze(kBinarySearch), kBalancedSplitNote), 0);
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
    const char* params;  // separated by spaces
    bool want;
  };
  const Case cases[] = {
      {"spaced", "int root(int v) { if (p [ v ] == v) return v; return p[ v ] = root( p [v] ); }",
       "root", "v", true},
      {"no compression",
       "int find(int x) { if (parent[x] == x) return x; return find(parent[x]); }", "find", "x",
       false},
      {"compression into another array",
       "int find(int x) { if (par[x] == x) return x; return parent[x] = find(parent[x]); }", "find",
       "x", false},
      {"the first parameter is the element",
       "int find(int a, int x) { if (parent[x] == x) return x; return parent[x] = find(a, "
       "parent[x]); }",
       "find", "a x", false},
      {"no parameters", "int find() { return 0; }", "find", "", false},
  };
  for (const Case& c : cases) {
    std::vector<std::string> params;
    std::istringstream words(c.params);
    for (std::string word; words >> word;) params.push_back(word);
    EXPECT_EQ(dsuPathCompressionShape(c.text, c.function, params), c.want) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
