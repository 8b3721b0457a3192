#include "detectors/loop_classification.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/notation.h"
#include "analysis/pipeline.h"
#include "syntax/context.h"

namespace quorbel {
namespace {

const char kWhileNote[] =
    "A while loop was treated as linear because the update pattern is not provably halving.";

// The rows of one line, for failure messages.
std::string rowsOnLine(const Analysis& analysis, const std::string& line) {
  std::string text;
  for (const Row& row : analysis.breakdown)
    if (row.line == line) text += " [" + row.signal + " | " + row.cost + "]";
  return text.empty() ? " (none)" : text;
}

bool hasRow(const Analysis& analysis, int line, const std::string& signal,
            const std::string& cost) {
  for (const Row& row : analysis.breakdown)
    if (row.line == std::to_string(line) && row.signal == signal && row.cost == cost) return true;
  return false;
}

struct LoopCase {
  const char* name;
  const char* code;
  int line;
  const char* signal;
  const char* cost;
};

void expectLoopRows(const std::vector<LoopCase>& cases) {
  for (const LoopCase& c : cases) {
    Analysis analysis = analyze(c.code);
    EXPECT_TRUE(hasRow(analysis, c.line, c.signal, c.cost))
        << c.name << ": want [" << c.signal << " | " << c.cost << "] on line " << c.line << ", got"
        << rowsOnLine(analysis, std::to_string(c.line));
  }
}

TEST(LoopClassificationTest, WhileLoops) {
  expectLoopRows({
      {"queue traversal",
       "int main() {\n  queue<int> q; q.push(0);\n"
       "  while (!q.empty()) { int x = q.front(); q.pop(); }\n}\n",
       3, "Queue traversal loop", "O(n)"},
      {"binary search over the assigned bound",
       "int main() {\n  int n; cin >> n; int lo = 0;\n  int hi = n - 1;\n"
       "  while (lo <= hi) { int mid = (lo + hi) / 2; if (a[mid] < x) lo = mid + 1; else hi = "
       "mid - 1; }\n}\n",
       4, "Binary-search loop", "O(log n)"},
      {"binary search over a constant range",
       "int main() {\n  int lo = 0;\n  int hi = 500;\n"
       "  while (lo < hi) { int mid = (lo + hi) / 2; if (ok(mid)) hi = mid; else lo = mid + 1; "
       "}\n}\n",
       4, "Binary-search loop", "O(log C)"},
      {"names mid but never halves",
       "int f(int lo, int hi) {\n  while (lo < hi) { int mid = lo + 1; lo = mid; }\n}\n", 2,
       "While loop", "O(hi)"},
      {"Euclid",
       "int g(int a, int b) {\n  while (b) { int t = a % b; a = b; b = t; }\n  return a;\n}\n", 2,
       "Euclidean GCD loop", "O(log min(a, b))"},
      {"test-case loop keeps its own symbol",
       "int main() {\n  int t; cin >> t;\n  while (t--) solve();\n}\n", 3,
       "Decrementing while loop", "O(t)"},
      {"decrement with unconditional halving",
       "int main() {\n  int k; cin >> k;\n  while (k--) { k /= 2; }\n}\n", 3,
       "Halving decrementing while loop", "O(log k)"},
      {"decrement halving only inside an if",
       "int main() {\n  int k; cin >> k;\n  while (k--) { if (odd) k /= 2; }\n}\n", 3,
       "Decrementing while loop", "O(k)"},
      {"multiplicative while", "int main() {\n  int n; cin >> n;\n  while (n > 1) n /= 2;\n}\n", 3,
       "Logarithmic while loop", "O(log n)"},
      {"do loop reads the condition at its end",
       "int main() {\n  int x; cin >> x;\n  do { x /= 2; } while (x > 1);\n}\n", 3,
       "Logarithmic while loop", "O(log x)"},
      {"while fallback",
       "int main() {\n  int n, i = 0, sum = 0; cin >> n;\n  while (i < n) { sum += i; i++; }\n}\n",
       3, "While loop", "O(n)"},
  });
}

TEST(LoopClassificationTest, WhileFallbackAddsItsNote) {
  Analysis analysis = analyze(
      "int main() {\n  int n, i = 0, sum = 0; cin >> n;\n  while (i < n) { sum += i; i++; }\n}\n");
  EXPECT_NE(std::find(analysis.notes.begin(), analysis.notes.end(), kWhileNote),
            analysis.notes.end());
  Analysis halving = analyze("int main() {\n  int n; cin >> n;\n  while (n > 1) n /= 2;\n}\n");
  EXPECT_EQ(std::find(halving.notes.begin(), halving.notes.end(), kWhileNote), halving.notes.end());
}

TEST(LoopClassificationTest, AmortisedWhileLoops) {
  expectLoopRows({
      {"monotonic stack inside a loop over m",
       "int main() {\n  int m; vector<int> a(m), st;\n  for (int i = 0; i < m; i++) {\n"
       "    while (!st.empty() && a[st.back()] >= a[i]) st.pop_back();\n"
       "    st.push_back(i);\n  }\n}\n",
       4, "Monotonic stack amortized loop", "O(m)"},
      {"prefix function",
       "int main() {\n  int n; string s;\n  for (int i = 1; i < n; i++) {\n"
       "    int j = pi[i - 1];\n    while (j > 0 && s[i] != s[j]) j = pi[j - 1];\n  }\n}\n",
       5, "Prefix-function amortized fallback", "O(n)"},
      {"two pointers",
       "int main() {\n  int n, k, r = 0;\n  for (int l = 0; l < n; l++) {\n"
       "    while (r < n && a[r] - a[l] <= k) r++;\n  }\n}\n",
       4, "Two-pointer inner loop", "O(n)"},
  });
}

TEST(LoopClassificationTest, CountedLoops) {
  expectLoopRows({
      {"counted", "int main() {\n  int n;\n  for (int i = 0; i < n; i++) {}\n}\n", 3,
       "Counted loop", "O(n)"},
      {"size of a container sized by m",
       "int main() {\n  int m; vector<int> v(m);\n  for (int i = 0; i < (int)v.size(); i++) "
       "{}\n}\n",
       3, "Counted loop", "O(m)"},
      {"constant bound", "int main() {\n  for (int i = 0; i < 100; i++) {}\n}\n", 2,
       "Constant counted loop", "O(1)"},
      {"constant both ways", "int main() {\n  for (int i = 10; 0 < i; i--) {}\n}\n", 2,
       "Constant counted loop", "O(1)"},
      {"decrementing start", "int main() {\n  int n;\n  for (int i = n; i > 0; i--) {}\n}\n", 3,
       "Counted loop", "O(n)"},
      {"exponent notation is not constant", "int main() {\n  for (int i = 0; i < 1e9; i++) {}\n}\n",
       2, "Counted loop", "O(e9)"},
  });
}

TEST(LoopClassificationTest, RootAndLogarithmicLoops) {
  expectLoopRows({
      {"square", "int main() {\n  int n;\n  for (int i = 1; i * i <= n; i++) {}\n}\n", 3,
       "Square-root counted loop", "O(sqrt n)"},
      {"division by the iterator",
       "int main() {\n  int n;\n  for (int i = 2; i <= n / i; i++) {}\n}\n", 3,
       "Square-root counted loop", "O(sqrt n)"},
      {"sqrt call", "int main() {\n  int n;\n  for (int i = 0; i < sqrt(n); i++) {}\n}\n", 3,
       "Square-root counted loop", "O(sqrt n)"},
      {"cube", "int main() {\n  int n;\n  for (int i = 1; i * i * i <= n; i++) {}\n}\n", 3,
       "Root counted loop", "O(cuberoot n)"},
      {"square with the iterator not updated is a counted loop",
       "int main() {\n  int n, k;\n  for (int i = 1; i * i <= n; k++) {}\n}\n", 3, "Counted loop",
       "O(n)"},
      {"multiplicative", "int main() {\n  int n;\n  for (int i = 1; i < n; i *= 2) {}\n}\n", 3,
       "Logarithmic counted loop", "O(log n)"},
      {"halving from n runs over the iterator",
       "int main() {\n  int n;\n  for (int i = n; i > 0; i /= 2) {}\n}\n", 3,
       "Logarithmic counted loop", "O(log i)"},
      {"log-log", "int main() {\n  int n;\n  for (long long x = 2; x < n; x *= x) {}\n}\n", 3,
       "Log-log counted loop", "O(log log n)"},
      {"Fenwick", "int main() {\n  int n, idx;\n  for (int i = idx; i <= n; i += i & -i) {}\n}\n",
       3, "Fenwick lowbit loop", "O(log n)"},
      {"bitmask", "int main() {\n  int n;\n  for (int mask = 0; mask < (1 << n); mask++) {}\n}\n",
       3, "Bitmask counted loop", "O(2^n)"},
  });
}

TEST(LoopClassificationTest, RangeForLoops) {
  expectLoopRows({
      {"collection", "int main() {\n  vector<int> v;\n  for (auto x : v) {}\n}\n", 3,
       "Range-for collection loop", "O(n)"},
      {"adjacency list",
       "vector<vector<int>> adj;\nvoid f(int u) {\n  for (int v : adj[u]) {}\n}\n", 3,
       "Adjacency-list edge loop", "O(v)"},
      {"edge list",
       "vector<pair<int,int>> edgeList;\nint main() {\n  for (auto [u, w] : edgeList) {}\n}\n", 3,
       "Edge-list loop", "O(edgeList)"},
      {"qualified type: the first colon is the scope's",
       "int main() {\n  vector<string> words;\n  for (const std::string& s : words) {}\n}\n", 3,
       "Range-for collection loop", "O(n)"},
  });
}

TEST(LoopClassificationTest, ClassifyLoopNodeWithoutContext) {
  ASSERT_EQ(gContext, nullptr);
  LoopInfo info = classifyLoopNode("while_statement", "while (i < n) { i++; }");
  EXPECT_TRUE(info.recognized);
  EXPECT_EQ(info.signal, "While loop");
  EXPECT_EQ(info.note, kWhileNote);
  EXPECT_FALSE(info.amortized);
  LoopInfo range = classifyLoopNode("for_range_loop", "for (int v : adj[u]) {}");
  EXPECT_EQ(range.signal, "Adjacency-list edge loop") << "adj without a context";
  EXPECT_EQ(formatTerm(range.term), "O(v)");
  LoopInfo unbalanced = classifyLoopNode("for_statement", "for (int i = 0; i < n; i++");
  EXPECT_EQ(unbalanced.signal, "Counted loop");
  EXPECT_EQ(formatTerm(unbalanced.term), "O(n)") << "no header match: bound of the empty text";
}

TEST(LoopClassificationTest, LongLoopTextsDoNotFail) {
  std::string body(200000, ' ');
  for (size_t i = 0; i < body.size(); i += 7) body[i] = "([{<;:"[i % 6];
  std::string text = "while (" + body + ") {" + body;
  LoopInfo info = classifyLoopNode("while_statement", text);
  EXPECT_TRUE(info.recognized);
  LoopInfo counted = classifyLoopNode("for_statement", "for (" + body);
  EXPECT_TRUE(counted.recognized);
}

TEST(LoopClassificationTest, RememberedClassificationsDoNotLeakAcrossAnalyses) {
  // Same layout, so the loops start at the same bytes; only the outer bound differs.
  Analysis first = analyze(
      "int main() {\n  for (int i = 0; i < n; i++)\n    for (int j = 0; j < 5; j++) {}\n}\n");
  Analysis second = analyze(
      "int main() {\n  for (int i = 0; i < m; i++)\n    for (int j = 0; j < 5; j++) {}\n}\n");
  EXPECT_EQ(first.notation, "O(n)");
  EXPECT_EQ(second.notation, "O(m)");
  EXPECT_TRUE(hasRow(second, 3, "Constant counted loop", "O(m)")) << rowsOnLine(second, "3");
}

}  // namespace
}  // namespace quorbel
