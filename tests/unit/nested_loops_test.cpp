#include "detectors/nested_loops.h"

#include <gtest/gtest.h>

#include <string>

#include "analysis/notation.h"
#include "analysis/pipeline.h"
#include "detectors/loop_model.h"

namespace quorbel {
namespace {

// The rows of one line as " [signal | cost]" each, or " (none)".
std::string rowsOnLine(const Analysis& analysis, int line) {
  std::string text;
  for (const Row& row : analysis.breakdown)
    if (row.line == std::to_string(line)) text += " [" + row.signal + " | " + row.cost + "]";
  return text.empty() ? " (none)" : text;
}

// An outer and an inner loop after reading n; the inner loop is on line 4.
std::string nested(const std::string& outer, const std::string& inner) {
  return "int main() {\n  int n; cin >> n;\n  " + outer + "\n    " + inner + " cnt++;\n}\n";
}

struct NestedCase {
  const char* name;
  std::string code;
  const char* notation;  // of the whole analysis
  int line;              // of the inner loop
  const char* signal;
  const char* cost;
};

TEST(NestedLoopsTest, WholeNotationAndInnerRow) {
  const NestedCase cases[] = {
      {"independent loops multiply",
       nested("for (int i = 0; i < n; i++)", "for (int j = 0; j < n; j++)"), "O(n^2)", 4,
       "Counted loop", "O(n^2)"},
      {"triangular sum", nested("for (int i = 0; i < n; i++)", "for (int j = 0; j < i; j++)"),
       "O(n^2)", 4, "Summed linear-dependent loop", "O(n^2)"},
      {"linear inner under a square-root outer",
       nested("for (int i = 1; i * i <= n; i++)", "for (int j = 0; j < i; j++)"), "O(n)", 4,
       "Summed root-range dependent loop", "O(n)"},
      {"linear inner under a cube-root outer",
       nested("for (int i = 1; i * i * i <= n; i++)", "for (int j = 0; j < i; j++)"),
       "O((cuberoot n)^2)", 4, "Summed root-range dependent loop", "O((cuberoot n)^2)"},
      {"harmonic", nested("for (int i = 1; i <= n; i++)", "for (int j = i; j <= n; j += i)"),
       "O(n * log n)", 4, "Harmonic nested loop", "O(n * log n)"},
      {"summed logarithmic",
       nested("for (int i = 1; i <= n; i++)", "for (int j = 1; j < i; j *= 2)"), "O(n * log n)", 4,
       "Summed logarithmic loop", "O(n * log n)"},
      {"summed root", nested("for (int i = 1; i <= n; i++)", "for (int j = 1; j * j <= i; j++)"),
       "O(n * sqrt n)", 4, "Summed root-dependent loop", "O(n * sqrt n)"},
      {"a third loop outside keeps its factor",
       "int main() {\n  int n, m; cin >> n >> m;\n  for (int k = 0; k < m; k++)\n"
       "  for (int i = 0; i < n; i++)\n    for (int j = 0; j < i; j++) cnt++;\n}\n",
       "O(m * n^2)", 5, "Summed linear-dependent loop", "O(m * n^2)"},
      {"guarded sieve",
       "int main() {\n  int n; cin >> n;\n  vector<bool> isPrime(n + 1, true);\n"
       "  for (int i = 2; i <= n; i++)\n    if (isPrime[i])\n"
       "      for (int j = i * i; j <= n; j += i) isPrime[j] = false;\n}\n",
       "O(n * log log n)", 6, "Sieve of Eratosthenes", "O(n * log log n)"},
      {"without the guard it is harmonic",
       "int main() {\n  int n; cin >> n;\n  vector<bool> isPrime(n + 1, true);\n"
       "  for (int i = 2; i <= n; i++)\n"
       "      for (int j = i * i; j <= n; j += i) isPrime[j] = false;\n}\n",
       "O(n * log n)", 5, "Harmonic nested loop", "O(n * log n)"},
      {"guard on another array is harmonic",
       "int main() {\n  int n; cin >> n;\n"
       "  for (int i = 2; i <= n; i++)\n    if (seen[i])\n"
       "      for (int j = i * i; j <= n; j += i) isPrime[j] = false;\n}\n",
       "O(n * log n)", 5, "Harmonic nested loop", "O(n * log n)"},
      {"submask enumeration",
       nested("for (int mask = 0; mask < (1 << n); mask++)",
              "for (int s = mask; s > 0; s = (s - 1) & mask)"),
       "O(3^n)", 4, "Submask enumeration", "O(3^n)"},
      {"bitmask nested loop",
       nested("for (int mask = 0; mask < (1 << n); mask++)", "for (int i = 0; i < n; i++)"),
       "O(2^n * n)", 4, "Bitmask nested loop", "O(2^n * n)"},
      {"loop inside a while loop",
       "int main() {\n  int n, i = 0; cin >> n;\n  while (i < n) {\n"
       "    for (int j = 0; j < i; j++) cnt++;\n    i++;\n  }\n}\n",
       "O(i * n)", 4, "Counted loop", "O(i * n)"},
      // The for header inside the while body must not be read as the while loop's own header.
      {"halving loop inside a while loop",
       "int main() {\n  int n, k = 0; cin >> n;\n  while (k < n) {\n"
       "    for (int j = k; j > 0; j /= 2) cnt++;\n    k++;\n  }\n}\n",
       "O(log j * log k)", 4, "Logarithmic counted loop", "O(log j * log k)"},
      {"BFS with named graph sizes",
       "int V, E;\nvector<vector<int>> adj;\nint main() {\n"
       "  queue<int> q; q.push(0);\n  while (!q.empty()) {\n"
       "    int u = q.front(); q.pop();\n    for (int v : adj[u]) q.push(v);\n  }\n}\n",
       "O(V + E)", 7, "Adjacency-list edge loop", "O(V + E)"},
      {"Dijkstra with a priority queue",
       "int V, E;\nvector<vector<pair<int,int>>> adj;\nint main() {\n"
       "  priority_queue<pair<int,int>> pq;\n  while (!pq.empty()) {\n"
       "    auto [d, u] = pq.top(); pq.pop();\n"
       "    for (auto [v, w] : adj[u]) pq.push({d + w, v});\n  }\n}\n",
       "O((V + E) * log V)", 7, "Adjacency-list edge loop", "O((V + E) * log V)"},
  };
  for (const NestedCase& c : cases) {
    Analysis analysis = analyze(c.code);
    EXPECT_EQ(analysis.notation, c.notation) << c.name;
    const std::string want = std::string(" [") + c.signal + " | " + c.cost + "]";
    const std::string got = rowsOnLine(analysis, c.line);
    EXPECT_NE(got.find(want), std::string::npos)
        << c.name << ": want" << want << " on line " << c.line << ", got" << got;
  }
}

TEST(NestedLoopsTest, CountsVisitedLoopsAndHonoursTheSkipSet) {
  SyntaxReaderResult syntax = readCppSyntax(
      "int main() {\n  for (int i = 0; i < n; i++)\n    for (int j = 0; j < n; j++) {}\n"
      "  while (x < n) { x++; }\n}\n");
  Context context = collectContext("");
  ActiveContext active(&context);
  std::set<uint32_t> skip;
  for (const SyntaxNodeInfo& node : syntax.nodes)
    if (node.type == "for_statement" && node.loopDepth == 1) skip.insert(node.startByte);
  ASSERT_EQ(skip.size(), 1u);
  Analysis analysis;
  DetectionResult detection;
  EXPECT_EQ(analyzeLoops(syntax.nodes, context, skip, analysis, detection), 2);
  ASSERT_EQ(detection.terms.size(), 2u);
  EXPECT_EQ(formatTerm(detection.terms[0]), "O(n)");
  EXPECT_EQ(analysis.breakdown.size(), 2u);
  ASSERT_EQ(analysis.signals.size(), 2u);
  EXPECT_EQ(analysis.signals[1], "Line 4: While loop contributes O(n).");
  EXPECT_EQ(analysis.notes.size(), 1u) << "the while fallback note";
}

TEST(LoopModelTest, StepKinds) {
  struct Case {
    const char* header;
    int kind;
    const char* stepSymbol;
  };
  const Case cases[] = {
      {"for (int j = i; j <= n; j += 2)", kConstantStep, ""},
      {"for (int j = i; j <= n; j += k)", kSymbolStep, "k"},
      {"for (int j = i; j <= n; j = j + k)", kSymbolStep, "k"},
      {"for (int j = 0; j < n; j += len)", kSymbolStep, "n"},
      {"for (int j = 1; j < n; j *= 2)", kMultiplicativeStep, ""},
      {"for (long long x = 2; x < n; x *= x)", kSelfPowerStep, ""},
      {"for (int j = n; j > 0; j -= i)", kSymbolStep, "i"},
      {"for (int j = 0; j < n;)", kUnknownStep, ""},
      {"for (int j = 0; j < n; j += a + b)", kUnknownStep, ""},
      {"for (int j = 0; j < n; j = 2 * j)", kUnknownStep, ""},
  };
  for (const Case& c : cases) {
    LoopModel model = extractForLoopModel(c.header);
    EXPECT_TRUE(model.valid) << c.header;
    EXPECT_EQ(model.stepKind, c.kind) << c.header;
    EXPECT_EQ(model.stepSymbol, c.stepSymbol) << c.header;
  }
}

TEST(LoopModelTest, HeaderParts) {
  LoopModel sieve = extractForLoopModel("for (int j = i * i; j <= n; j += i) mark[j] = 1;");
  EXPECT_TRUE(sieve.valid);
  EXPECT_EQ(sieve.iterator, "j");
  EXPECT_EQ(sieve.start, "i * i");
  EXPECT_EQ(sieve.boundExpression, "n");
  EXPECT_EQ(sieve.boundSymbol, "n");
  EXPECT_EQ(sieve.comparison, "<=");
  LoopModel reversed = extractForLoopModel("for (int i = 0; (int)v.size() > i; i++)");
  EXPECT_TRUE(reversed.valid);
  EXPECT_EQ(reversed.boundExpression, "(int)v.size()");
  EXPECT_EQ(reversed.comparison, ">");

  const char* invalid[] = {
      "for (;;) {}",                      // no iterator
      "for (int i = 0; i < i + 1; i++)",  // iterator on both sides
      "for (int i = 0; n > m; i++)",      // iterator on neither side
      "for (int i = 0; i == n; i++)",     // no comparison
      "for (int x : v) {}",               // range-for
  };
  for (const char* header : invalid) EXPECT_FALSE(extractForLoopModel(header).valid) << header;
}

}  // namespace
}  // namespace quorbel
