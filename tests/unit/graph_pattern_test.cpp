#include "detectors/graph_pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "detectors/permutation_pattern.h"
#include "syntax/context.h"

namespace quorbel {
namespace {

std::vector<Row> rowsWithSignal(const Analysis& analysis, const std::string& signal) {
  std::vector<Row> rows;
  for (const Row& row : analysis.breakdown)
    if (row.signal == signal) rows.push_back(row);
  return rows;
}

int signalCount(const Analysis& analysis, const std::string& signal) {
  int count = 0;
  for (const std::string& s : analysis.signals) count += s == signal ? 1 : 0;
  return count;
}

const char* const kBfs =
    "int main() {\n  int vertices, edges;\n  cin >> vertices >> edges;\n"
    "  vector<vector<int>> adj(vertices);\n  for (int i = 0; i < edges; i++) {\n    int a, b;\n"
    "    cin >> a >> b;\n    adj[a].push_back(b);\n    adj[b].push_back(a);\n  }\n"
    "  vector<int> dist(vertices, -1);\n  queue<int> q;\n  q.push(0);\n  dist[0] = 0;\n"
    "  while (!q.empty()) {\n    int u = q.front();\n    q.pop();\n    for (int v : adj[u]) {\n"
    "      if (dist[v] < 0) {\n        dist[v] = dist[u] + 1;\n        q.push(v);\n      }\n    }\n"
    "  }\n  cout << dist[vertices - 1] << endl;\n}\n";

const char* const kDijkstra =
    "int main() {\n  int vertices, edges;\n  cin >> vertices >> edges;\n"
    "  vector<vector<pair<int, int>>> adj(vertices);\n  for (int i = 0; i < edges; i++) {\n"
    "    int a, b, w;\n    cin >> a >> b >> w;\n    adj[a].push_back({b, w});\n  }\n"
    "  vector<long long> dist(vertices, LLONG_MAX);\n"
    "  priority_queue<pair<long long, int>, vector<pair<long long, int>>, greater<>> pq;\n"
    "  dist[0] = 0;\n  pq.push({0, 0});\n  while (!pq.empty()) {\n    auto [d, u] = pq.top();\n"
    "    pq.pop();\n    if (d > dist[u]) continue;\n    for (auto [v, w] : adj[u]) {\n"
    "      if (dist[u] + w < dist[v]) {\n        dist[v] = dist[u] + w;\n"
    "        pq.push({dist[v], v});\n      }\n    }\n  }\n  cout << dist[vertices - 1] << endl;\n"
    "}\n";

// ---- Graph traversal ----

struct GraphCase {
  const char* name;
  const char* code;
  const char* rowSignal;
  const char* cost;
  const char* notation;
};

TEST(GraphPatternTest, TraversalRows) {
  const GraphCase kCases[] = {
      {"BFS over an adjacency list", kBfs, "Graph traversal", "O(vertices + edges)",
       "O(vertices + edges)"},
      {"Dijkstra with a priority queue", kDijkstra, "Heap graph traversal",
       "O((vertices + edges) * log vertices)", "O((vertices + edges) * log vertices)"},
  };
  for (const GraphCase& c : kCases) {
    const Analysis analysis = analyze(c.code);
    // The traversal is charged on the first loop that indexes the adjacency list: the loop
    // reading the edges.
    const std::vector<Row> rows = rowsWithSignal(analysis, c.rowSignal);
    ASSERT_FALSE(rows.empty()) << c.name;
    bool onLine5 = false;
    for (const Row& row : rows) onLine5 = onLine5 || (row.line == "5" && row.cost == c.cost);
    EXPECT_TRUE(onLine5) << c.name;
    EXPECT_EQ(signalCount(analysis, std::string("Line 5: Adjacency-list traversal contributes ") +
                                        c.cost + "."),
              1)
        << c.name;
    EXPECT_EQ(analysis.notation, c.notation) << c.name;
  }
}

struct Detected {
  uint32_t count = 0;
  Analysis analysis;
  DetectionResult detection;
};

Detected detectGraph(const std::string& code) {
  const SyntaxReaderResult syntax = readCppSyntax(code);
  const Context context = collectContext(code);
  ActiveContext active(&context);
  Detected out;
  out.count = analyzeGraphPattern(code, context, syntax.nodes, out.analysis, out.detection);
  return out;
}

TEST(GraphPatternTest, NearMisses) {
  struct Case {
    const char* name;
    const char* code;
  };
  const Case kCases[] = {
      {"adjacency list without a queue, stack or search function",
       "int main() {\n  vector<vector<int>> adj(n);\n  for (int v : adj[0]) cout << v;\n}\n"},
      {"queue without an adjacency list",
       "int main() {\n  queue<int> q;\n  vector<int> a(n);\n"
       "  for (int i = 0; i < n; i++) q.push(a[i]);\n}\n"},
      {"no loop indexes the adjacency list",
       "int main() {\n  vector<vector<int>> adj(n);\n  queue<int> q;\n  adj[0].push_back(1);\n"
       "  for (int i = 0; i < n; i++) q.push(i);\n}\n"},
      {"a longer name is no adjacency access",
       "int main() {\n  stack<int> st;\n  for (int i = 0; i < n; i++) st.push(xadj[i]);\n}\n"},
  };
  for (const Case& c : kCases) {
    const Detected out = detectGraph(c.code);
    EXPECT_EQ(out.count, 0u) << c.name;
    EXPECT_TRUE(out.detection.terms.empty()) << c.name;
    EXPECT_TRUE(out.analysis.breakdown.empty()) << c.name;
  }
}

TEST(GraphPatternTest, DfsFunctionCountsAsTraversal) {
  const Detected out =
      detectGraph("vector<vector<int>> g;\nvoid dfs(int u) {\n  for (int v : g[u]) dfs(v);\n}\n");
  EXPECT_EQ(out.count, 1u);
  ASSERT_EQ(out.analysis.breakdown.size(), 1u);
  EXPECT_EQ(out.analysis.breakdown[0].line, "3");
}

// ---- Permutation enumeration ----

const char* const kPermutations =
    "int main() {\n  int n;\n  cin >> n;\n  vector<int> p(n);\n  iota(p.begin(), p.end(), 0);\n"
    "  long long total = 0;\n  do {\n    total++;\n"
    "  } while (next_permutation(p.begin(), p.end()));\n  cout << total << endl;\n}\n";

TEST(PermutationPatternTest, NextPermutationInDoWhile) {
  const Analysis analysis = analyze(kPermutations);
  const std::vector<Row> rows = rowsWithSignal(analysis, "Permutation enumeration");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].line, "9");
  EXPECT_EQ(rows[0].cost, "O(n!)");
  EXPECT_EQ(signalCount(analysis, "Line 9: Permutation enumeration contributes O(n!)."), 1);
  EXPECT_EQ(analysis.notation, "O(n!)");
  EXPECT_EQ(analysis.label, "Permutation enumeration");
}

TEST(PermutationPatternTest, OneRowHoweverManyCalls) {
  const std::string code =
      "int main() {\n  vector<int> p(n);\n  while (prev_permutation(p.begin(), p.end())) {}\n"
      "  do { } while (next_permutation(p.begin(), p.end()));\n}\n";
  const SyntaxReaderResult syntax = readCppSyntax(code);
  Analysis analysis;
  DetectionResult detection;
  EXPECT_EQ(analyzePermutationPattern(syntax.nodes, analysis, detection), 1u);
  ASSERT_EQ(analysis.breakdown.size(), 1u);
  EXPECT_EQ(analysis.breakdown[0].line, "3");
}

TEST(PermutationPatternTest, OtherNamesAreNoEnumeration) {
  const std::string code =
      "int main() {\n  is_permutation(a.begin(), a.end(), b.begin());\n  my_next_permutation(a);\n"
      "  int next_permutation = 3;\n}\n";
  const SyntaxReaderResult syntax = readCppSyntax(code);
  Analysis analysis;
  DetectionResult detection;
  EXPECT_EQ(analyzePermutationPattern(syntax.nodes, analysis, detection), 0u);
  EXPECT_TRUE(detection.terms.empty());
}

}  // namespace
}  // namespace quorbel
