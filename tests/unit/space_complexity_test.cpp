// The auxiliary-space estimate of whole programs, through analyze.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "analysis/pipeline.h"

namespace quorbel {
namespace {

const char* const kUnknownGrowthNote =
    "Some containers have unknown growth because pushes are not tied to a clear bound.";

using Rows = std::vector<std::string>;

// Joins lines with line feeds so that line numbers can be read off the list.
std::string program(std::initializer_list<const char*> lines) {
  std::string code;
  for (const char* line : lines) code += std::string(line) + "\n";
  return code;
}

// Each row as "line|signal|cost".
Rows rowsOf(const SpaceSummary& space) {
  Rows rows;
  for (const Row& row : space.breakdown)
    rows.push_back(row.line + "|" + row.signal + "|" + row.cost);
  return rows;
}

long countOf(const std::vector<std::string>& notes, const std::string& note) {
  return std::count(notes.begin(), notes.end(), note);
}

const Rows kConstantRows = {"-|Constant storage|O(1)"};

TEST(SpaceComplexityTest, NothingAllocatedIsConstantStorage) {
  for (const char* code : {"", "int main() { int a = 1, b = 2; return a + b; }"}) {
    const Analysis analysis = analyze(code);
    EXPECT_EQ(analysis.space.notation, "O(1)") << code;
    EXPECT_EQ(analysis.space.label, "Constant") << code;
    EXPECT_EQ(analysis.space.pattern, "Constant storage") << code;
    EXPECT_EQ(analysis.space.signals,
              std::vector<std::string>{"No variable-sized storage was detected."})
        << code;
    EXPECT_EQ(rowsOf(analysis.space), kConstantRows) << code;
    EXPECT_EQ(countOf(analysis.notes, kUnknownGrowthNote), 0) << code;
  }
}

// One declaration on line 5 of a small program.
std::string programWith(const std::string& declaration) {
  return "#include <bits/stdc++.h>\nusing namespace std;\nint main() {\n  int n, m, k, N, M;\n  " +
         declaration + "\n}\n";
}

TEST(SpaceComplexityTest, DeclarationSizes) {
  struct Case {
    const char* name;
    const char* declaration;
    const char* signal;  // of the single row on line 5; "" for constant storage
    const char* notation;
  };
  const Case cases[] = {
      {"sized vector", "vector<int> a(n);", "Container allocation", "O(n)"},
      {"shift", "vector<long long> dp(1 << k);", "Container allocation", "O(2^k)"},
      {"table with nested rows", "vector<vector<int>> dp(n + 1, vector<int>(m + 1, 0));",
       "Container allocation", "O(m * n)"},
      {"constant size", "vector<int> v(100);", "", "O(1)"},
      {"no size", "vector<int> v;", "", "O(1)"},
      {"string of n characters", "string s(n, 'a');", "Container allocation", "O(n)"},
      {"brace initialiser", "vector<int> v{k, 2};", "Container allocation", "O(k)"},
      {"two-dimensional array", "int a[N][M];", "Array storage", "O(M * N)"},
      {"constant array", "int a[100];", "", "O(1)"},
      {"heap array", "int* buf = new int[n];", "Heap allocation", "O(n)"},
      {"resize", "vector<int> a; a.resize(m);", "Container resize", "O(m)"},
  };
  for (const Case& c : cases) {
    const SpaceSummary space = analyze(programWith(c.declaration)).space;
    const Rows want =
        *c.signal == '\0' ? kConstantRows : Rows{std::string("5|") + c.signal + "|" + c.notation};
    EXPECT_EQ(space.notation, c.notation) << c.name;
    EXPECT_EQ(rowsOf(space), want) << c.name;
  }
}

TEST(SpaceComplexityTest, FindingsNameTheirLineAndLabel) {
  const SpaceSummary space = analyze(programWith("vector<int> a(n);")).space;
  EXPECT_EQ(space.label, "Linear");
  EXPECT_EQ(space.pattern, "Single pass");
  EXPECT_EQ(space.signals,
            std::vector<std::string>{"Line 5: Container allocation contributes O(n)."});
}

TEST(SpaceComplexityTest, GrowthWithoutAClearBoundAddsOnlyTheNote) {
  struct Case {
    const char* name;
    std::string code;
    long notes;
  };
  const Case cases[] = {
      {"container parameters are input",
       "long long total(const vector<int>& a) {\n"
       "  long long s = 0;\n"
       "  for (int i = 0; i < (int)a.size(); i++) s += a[i];\n"
       "  return s;\n}",
       0},
      {"pushes into unknown containers add the note once",
       "int main() {\n  int n = 5;\n  auto out = load(n);\n  auto other = load(n);\n"
       "  for (int i = 0; i < n; i++) { out.push_back(i); other.push_back(i); }\n"
       "  out.push_back(1);\n}",
       1},
      {"a push in a while loop has no bound",
       "int main() {\n  queue<int> q;\n  vector<int> order;\n  q.push(0);\n"
       "  while (!q.empty()) { int u = q.front(); q.pop(); order.push_back(u); }\n}",
       1},
      {"a while loop does not borrow the header of a counted loop in its body",
       "int main() {\n  int t, n;\n  vector<int> answers;\n"
       "  while (t--) {\n    answers.push_back(n);\n    for (int i = 0; i < n; i++) {}\n  }\n}",
       1},
      {"a push outside loops", "int main() { vector<int> a; a.push_back(n); }", 0},
  };
  for (const Case& c : cases) {
    const Analysis analysis = analyze(c.code);
    EXPECT_EQ(rowsOf(analysis.space), kConstantRows) << c.name;
    EXPECT_EQ(countOf(analysis.notes, kUnknownGrowthNote), c.notes) << c.name;
  }
}

TEST(SpaceComplexityTest, ProgramRows) {
  struct Case {
    const char* name;
    std::string code;
    const char* notation;
    Rows rows;
  };
  const Case cases[] = {
      {"push into a parameter inside a counted loop",
       program({"void fill(vector<int> a, int n, int x) {", "  for (int i = 0; i < n; i++) {",
                "    a.push_back(x);", "  }", "}"}),
       "O(n)",
       {"3|Container growth|O(n)"}},
      {"only the first declarator counts",
       program(
           {"int main() {", "  int n, m;", "  vector<int> a(n), b(m);", "  int c[n], d[m];", "}"}),
       "O(n)",
       {"3|Container allocation|O(n)", "4|Array storage|O(n)"}},
      {"a redeclared name carries its latest size",
       program({"void first(int n) { vector<int> a(n); }", "void second(int k) {",
                "  vector<int> a(k);", "  vector<vector<int>> rows;",
                "  for (int i = 0; i < 3; i++) rows.push_back(a);", "}"}),
       "O(n + k)",
       {"1|Container allocation|O(n)", "5|Container growth|O(k)"}},
      {"a BFS queue is a frontier bounded by the vertices; the vector grows with the range loop",
       program({"int V, E;", "vector<vector<int>> adj;", "int main() {", "  queue<int> q;",
                "  vector<int> seen;", "  q.push(0);", "  while (!q.empty()) {",
                "    int u = q.front();", "    q.pop();", "    for (int v : adj[u]) {",
                "      q.push(v);", "      seen.push_back(v);", "    }", "  }", "}"}),
       "O(V + n)",
       {"11|Container growth|O(V)", "12|Container growth|O(n)"}},
      {"pushing rows of the loop variable stores rows of the bound",
       program({"int main() {", "  int n;", "  vector<vector<int>> tri;",
                "  for (int i = 0; i < n; i++) {", "    vector<int> row(i + 1);",
                "    tri.push_back(row);", "  }", "}"}),
       "O(n^2)",
       {"5|Container allocation|O(i)", "6|Container growth|O(n^2)"}},
      {"heap allocation inside a loop",
       program({"struct Node { int v; };", "int main() {", "  int m;",
                "  for (int j = 0; j < m; j++) {", "    Node* p = new Node();", "  }", "}"}),
       "O(m)",
       {"5|Heap allocation|O(m)"}},
  };
  for (const Case& c : cases) {
    const SpaceSummary space = analyze(c.code).space;
    EXPECT_EQ(space.notation, c.notation) << c.name;
    EXPECT_EQ(rowsOf(space), c.rows) << c.name;
  }
}

TEST(SpaceComplexityTest, IndependentContainersAddUp) {
  const std::string code =
      program({"void first(int n) {", "  vector<int> a(n);", "}", "void second(int m) {",
               "  vector<int> b(m);", "}", "void third(int k) {", "  vector<int> a(k);", "}"});
  const SpaceSummary space = analyze(code).space;
  EXPECT_EQ(space.notation, "O(n + m)");
  EXPECT_EQ(space.label, "Independent passes");
  EXPECT_EQ(rowsOf(space), (Rows{"2|Container allocation|O(n)", "5|Container allocation|O(m)"}))
      << "the second a has the same key and adds no row";
}

TEST(SpaceComplexityTest, RowsFollowLinesWithTheDijkstraFrontierFirst) {
  const std::string code = program(
      {"#include <bits/stdc++.h>", "using namespace std;", "int main() {", "  int V, E;",
       "  vector<vector<pair<int, int>>> g(V);", "  vector<long long> dist(V, 1e18);",
       "  priority_queue<pair<long long, int>, vector<pair<long long, int>>, greater<>> pq;",
       "  pq.push({0, 0});", "  while (!pq.empty()) {", "    auto [d, u] = pq.top();",
       "    pq.pop();", "    for (auto [v, w] : g[u]) {", "      if (dist[v] > d + w) {",
       "        dist[v] = d + w;", "        pq.push({dist[v], v});", "      }", "    }", "  }",
       "}"});
  const SpaceSummary space = analyze(code).space;
  EXPECT_EQ(rowsOf(space),
            (Rows{"1|Priority queue frontier|O(V + E)", "5|Container allocation|O(V)",
                  "6|Container allocation|O(V)", "15|Container growth|O(n)"}));
  EXPECT_EQ(space.notation, "O(V + E)");
  EXPECT_EQ(space.pattern, "Graph storage");
  EXPECT_EQ(space.signals.size(), 4u);
  EXPECT_EQ(space.signals[2], "Line 1: Priority queue frontier contributes O(V + E).")
      << "signals keep the order in which the passes found them";
}

TEST(SpaceComplexityTest, RecursionStacks) {
  struct Case {
    const char* name;
    std::string code;
    Rows rows;
  };
  const Case cases[] = {
      {"steps by one up to its base case",
       program({"int n;", "int solve(int i) {", "  if (i == n) return 0;",
                "  return 1 + solve(i + 1);", "}"}),
       {"4|Recursion stack|O(n)"}},
      {"halves its range",
       program({"int find(const vector<int>& a, int lo, int hi, int x) {",
                "  if (lo >= hi) return lo;", "  int mid = (lo + hi) / 2;",
                "  if (a[mid] < x) return find(a, mid + 1, hi, x);",
                "  return find(a, lo, mid, x);", "}"}),
       {"4|Logarithmic recursion stack|O(log n)"}},
      {"dfs over an adjacency list",
       program({"vector<vector<int>> adj;", "vector<bool> seen;", "void dfs(int u) {",
                "  seen[u] = true;", "  for (int v : adj[u]) {", "    if (!seen[v]) dfs(v);", "  }",
                "}", "int main() {", "  int n = adj.size();", "  dfs(0);", "}"}),
       {"6|Recursive DFS stack|O(n)"}},
      {"a loop cursor is not a limit",
       program({"void rec(int depth) {", "  for (int i = 0; i < depth; i++) {}",
                "  if (depth == 0) return;", "  rec(depth - 1);", "}"}),
       {"4|Recursion stack|O(depth)"}},
      {"UTF-8 names",
       program({"int 個数;", "int 再帰(int i) {", "  if (i == 個数) return 0;",
                "  return 再帰(i + 1);", "}"}),
       {"4|Recursion stack|O(個数)"}},
      {"no self-call", program({"int g(int x) { return x + 1; }"}), kConstantRows},
  };
  for (const Case& c : cases) EXPECT_EQ(rowsOf(analyze(c.code).space), c.rows) << c.name;
}

TEST(SpaceComplexityTest, MalformedInputStillGivesAnEstimate) {
  for (const char* code : {"vector<int> a(", "int a[", "void f( { f(", "q.push(", "}}}}((((",
                           "for (int i = 0; i < n; i++) v.push_back(i"}) {
    const SpaceSummary space = analyze(code).space;
    EXPECT_EQ(space.notation.rfind("O(", 0), 0u) << code;
    EXPECT_FALSE(space.breakdown.empty()) << code;
  }
}

}  // namespace
}  // namespace quorbel
