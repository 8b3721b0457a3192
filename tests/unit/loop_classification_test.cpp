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

// The rows of one line as " [signal | cost]" each, or " (none)".
std::string rowsOnLine(const Analysis& analysis, int line) {
  std::string text;
  for (const Row& row : analysis.breakdown)
    if (row.line == std::to_string(line)) text += " [" + row.signal + " | " + row.cost + "]";
  return text.empty() ? " (none)" : text;
}

// One loop statement on line 3 of main.
std::string inMain(const std::string& loop) {
  return "int main() {\n  int n, k, x;\n  " + loop + "\n}\n";
}

bool hasNote(const Analysis& analysis) {
  return std::find(analysis.notes.begin(), analysis.notes.end(), kWhileNote) !=
         analysis.notes.end();
}

TEST(LoopClassificationTest, RowOfEachLoopShape) {
  struct Case {
    const char* name;
    std::string code;
    int line;
    const char* signal;
    const char* cost;
  };
  const Case cases[] = {
      // ---- While loops ----
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
      {"Euclid", "int g(int a, int b) {\n  while (b) { int t = a % b; a = b; b = t; }\n}\n", 2,
       "Euclidean GCD loop", "O(log min(a, b))"},
      {"test-case loop keeps its own symbol",
       "int main() {\n  int t; cin >> t;\n  while (t--) solve();\n}\n", 3,
       "Decrementing while loop", "O(t)"},
      {"decrement with unconditional halving", inMain("while (k--) { k /= 2; }"), 3,
       "Halving decrementing while loop", "O(log k)"},
      {"decrement halving only inside an if", inMain("while (k--) { if (odd) k /= 2; }"), 3,
       "Decrementing while loop", "O(k)"},
      {"multiplicative while", inMain("while (n > 1) n /= 2;"), 3, "Logarithmic while loop",
       "O(log n)"},
      {"do loop reads the condition at its end", inMain("do { x /= 2; } while (x > 1);"), 3,
       "Logarithmic while loop", "O(log x)"},
      {"while fallback", inMain("while (x < n) { x++; }"), 3, "While loop", "O(n)"},

      // ---- Amortised while loops inside a loop ----
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

      // ---- Counted loops ----
      {"counted", inMain("for (int i = 0; i < n; i++) {}"), 3, "Counted loop", "O(n)"},
      {"size of a container sized by m",
       "int main() {\n  int m; vector<int> v(m);\n  for (int i = 0; i < (int)v.size(); i++) "
       "{}\n}\n",
       3, "Counted loop", "O(m)"},
      {"constant bound", inMain("for (int i = 0; i < 100; i++) {}"), 3, "Constant counted loop",
       "O(1)"},
      {"constant both ways", inMain("for (int i = 10; 0 < i; i--) {}"), 3, "Constant counted loop",
       "O(1)"},
      {"decrementing start", inMain("for (int i = n; i > 0; i--) {}"), 3, "Counted loop", "O(n)"},
      {"exponent notation is not constant", inMain("for (int i = 0; i < 1e9; i++) {}"), 3,
       "Counted loop", "O(e9)"},

      // ---- Root and logarithmic loops ----
      {"square", inMain("for (int i = 1; i * i <= n; i++) {}"), 3, "Square-root counted loop",
       "O(sqrt n)"},
      {"division by the iterator", inMain("for (int i = 2; i <= n / i; i++) {}"), 3,
       "Square-root counted loop", "O(sqrt n)"},
      {"sqrt call", inMain("for (int i = 0; i < sqrt(n); i++) {}"), 3, "Square-root counted loop",
       "O(sqrt n)"},
      {"cube", inMain("for (int i = 1; i * i * i <= n; i++) {}"), 3, "Root counted loop",
       "O(cuberoot n)"},
      {"square with the iterator not updated is a counted loop",
       inMain("for (int i = 1; i * i <= n; k++) {}"), 3, "Counted loop", "O(n)"},
      {"multiplicative", inMain("for (int i = 1; i < n; i *= 2) {}"), 3, "Logarithmic counted loop",
       "O(log n)"},
      {"halving from n runs over the iterator", inMain("for (int i = n; i > 0; i /= 2) {}"), 3,
       "Logarithmic counted loop", "O(log i)"},
      {"log-log", inMain("for (long long y = 2; y < n; y *= y) {}"), 3, "Log-log counted loop",
       "O(log log n)"},
      {"Fenwick", inMain("for (int i = x; i <= n; i += i & -i) {}"), 3, "Fenwick lowbit loop",
       "O(log n)"},
      {"bitmask", inMain("for (int mask = 0; mask < (1 << n); mask++) {}"), 3,
       "Bitmask counted loop", "O(2^n)"},

      // ---- Range-for loops ----
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
  };
  for (const Case& c : cases) {
    const std::string want = std::string(" [") + c.signal + " | " + c.cost + "]";
    const std::string got = rowsOnLine(analyze(c.code), c.line);
    EXPECT_NE(got.find(want), std::string::npos)
        << c.name << ": want" << want << " on line " << c.line << ", got" << got;
  }
}

TEST(LoopClassificationTest, OnlyTheWhileFallbackAddsItsNote) {
  EXPECT_TRUE(hasNote(analyze(inMain("while (x < n) { x++; }"))));
  EXPECT_FALSE(hasNote(analyze(inMain("while (n > 1) n /= 2;"))));
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
  EXPECT_TRUE(classifyLoopNode("while_statement", "while (" + body + ") {" + body).recognized);
  EXPECT_TRUE(classifyLoopNode("for_statement", "for (" + body).recognized);
}

TEST(LoopClassificationTest, RememberedClassificationsDoNotLeakAcrossAnalyses) {
  // Same layout, so the loops start at the same bytes; only the outer bound differs.
  Analysis first = analyze(
      "int main() {\n  for (int i = 0; i < n; i++)\n    for (int j = 0; j < 5; j++) {}\n}\n");
  Analysis second = analyze(
      "int main() {\n  for (int i = 0; i < m; i++)\n    for (int j = 0; j < 5; j++) {}\n}\n");
  EXPECT_EQ(first.notation, "O(n)");
  EXPECT_EQ(second.notation, "O(m)");
  EXPECT_NE(rowsOnLine(second, 3).find(" [Constant counted loop | O(m)]"), std::string::npos)
      << rowsOnLine(second, 3);
}

}  // namespace
}  // namespace quorbel
