// Values a program fixes in ways other than a plain declaration: a template's default
// argument, a container built as a value and assigned, a loop running down from a constant.
// Each program is our own; the expected estimate is derived by hand.
#include <gtest/gtest.h>

#include <string>

#include "estimate/space_cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {
namespace {

struct ProgramCase {
  const char* name;
  const char* program;
  const char* time;
  const char* space;
};

void expectEstimates(const ProgramCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const ProgramCase& c = cases[i];
    Model model =
        buildModel(std::string("#include <bits/stdc++.h>\nusing namespace std;\n") + c.program);
    const TimeEstimate time = estimateTime(model);
    EXPECT_EQ(formatCost(time.total), c.time) << c.name;
    EXPECT_EQ(formatCost(estimateSpace(model, time).total), c.space) << c.name;
  }
}

TEST(TemplateValueTest, ADefaultTemplateArgumentIsAConstantItsUsesRead) {
  const ProgramCase kCases[] = {
      // 30 bits walked per value, a trie node per bit: levels of the values, log n
      {"bit trie over a default width",
       "template <int B = 30> struct Trie { vector<array<int, 2>> ch; Trie() : ch(1) {}\n"
       "  void add(int x) { int v = 0; for (int b = B - 1; b >= 0; b--) { int c = x >> b & 1;\n"
       "    if (!ch[v][c]) { ch[v][c] = ch.size(); ch.push_back({0, 0}); } v = ch[v][c]; } } };\n"
       "int main() { int n; cin >> n; Trie<> t;\n"
       "  for (int i = 0; i < n; i++) { int x; cin >> x; t.add(x); } }",
       "O(n * log n)", "O(n * log n)"},
      // a jump table's levels as the second template argument, climbed from the top
      {"jump levels beside a type argument",
       "template <class T, int LG = 18> struct Jumps { vector<T> up[LG];\n"
       "  Jumps(int n) { for (int k = 0; k < LG; k++) up[k].assign(n, 0); }\n"
       "  T climb(T v, int d) { for (int k = LG - 1; k >= 0; --k) if (d >> k & 1) v = up[k][v];\n"
       "    return v; } };\n"
       "int main() { int n, q; cin >> n >> q; Jumps<int> j(n);\n"
       "  while (q--) { int v, d; cin >> v >> d; cout << j.climb(v, d); } }",
       "O((n + q) * log n)", "O(n * log n)"},
      {"a function template's bit count",
       "template <typename T, int W = 20> T pick(T x) { T r = 0;\n"
       "  for (int i = W; i >= 0; --i) if (x >> i & 1) r += i; return r; }\n"
       "int main() { int m; scanf(\"%d\", &m); vector<long long> a(m);\n"
       "  for (auto& x : a) scanf(\"%lld\", &x); long long s = 0;\n"
       "  for (int i = 0; i < m; i++) s += pick(a[i]); printf(\"%lld\", s); }",
       "O(m * log m)", "O(m)"},
      // near miss: a small default that shifts nothing is a constant, no size
      {"a small default counts nothing",
       "template <int K = 3> int tiny(int x) { int r = 0;\n"
       "  for (int i = K - 1; i >= 0; i--) r += x % (i + 2); return r; }\n"
       "int main() { int n; cin >> n; long long s = 0; for (int i = 0; i < n; i++) s += tiny(i);\n"
       "  cout << s; }",
       "O(n)", "O(1)"},
      // near miss: a function's own default argument stays a parameter its callers set
      {"a function's default is no constant",
       "int walk(const vector<int>& a, int k = -1) { if (k == -1) k = a.size(); int s = 0;\n"
       "  for (int i = 0; i < k; i++) s += a[i]; return s; }\n"
       "int main() { int n; cin >> n; vector<int> a(n); for (int& x : a) cin >> x;\n"
       "  cout << walk(a, n); }",
       "O(n)", "O(n)"},
  };
  expectEstimates(kCases, std::size(kCases));
}

TEST(BuiltValueTest, AContainerBuiltAndAssignedHasTheBuildsExtents) {
  const ProgramCase kCases[] = {
      {"a member grid built in the constructor's body",
       "struct Grid { int h, w; vector<vector<char>> cell;\n"
       "  Grid(int h, int w) { this->h = h; this->w = w;\n"
       "    cell = vector<vector<char>>(h, vector<char>(w, '.')); } };\n"
       "int main() { int n, m; cin >> n >> m; Grid g(n, m); cout << g.cell.size(); }",
       "O(m * n)", "O(m * n)"},
      {"a member set through this",
       "struct Seg { int n; vector<long long> t;\n"
       "  Seg(int n) { this->n = n; this->t = vector<long long>(2 * n, 0); } };\n"
       "int main() { int k; scanf(\"%d\", &k); Seg s(k); printf(\"%d\", (int)s.t.size()); }",
       "O(k)", "O(k)"},
      {"a global list of lists sized in main",
       "vector<vector<int>> adj;\n"
       "int main() { int v; cin >> v; adj = vector<vector<int>>(v); cout << adj.size(); }",
       "O(v)", "O(v)"},
      {"a local deque rebuilt",
       "int main() { int n; cin >> n; deque<int> d; d = deque<int>(n, 7); cout << d.back(); }",
       "O(n)", "O(n)"},
      // near miss: built at a constant size, over a loop of its own
      {"a constant build stays constant",
       "vector<int> small;\n"
       "int main() { int n; cin >> n; small = vector<int>(26); long long s = 0;\n"
       "  for (int i = 0; i < n; i++) s += i; cout << s; }",
       "O(n)", "O(1)"},
  };
  expectEstimates(kCases, std::size(kCases));
}

TEST(BuiltValueTest, RowsResizedOneByOneHaveTheirLength) {
  const ProgramCase kCases[] = {
      {"rows of a list of lists resized in a loop",
       "int main() { int n, m; cin >> n >> m; vector<vector<int>> g(n);\n"
       "  for (int i = 0; i < n; i++) g[i].resize(m);\n"
       "  for (int i = 0; i < n; i++) for (int j = 0; j < m; j++) cin >> g[i][j];\n"
       "  cout << g[0][0]; }",
       "O(m * n)", "O(m * n)"},
      // twenty rows is a constant count: the rows' length is the space
      {"a fixed count of rows assigned",
       "vector<long long> lv[20];\n"
       "int main() { int q; scanf(\"%d\", &q); for (int k = 0; k < 20; k++) lv[k].assign(q, 0);\n"
       "  printf(\"%lld\", lv[3][0]); }",
       "O(q)", "O(q)"},
      {"a member's rows in a constructor",
       "struct Lanes { deque<int> lane[4]; Lanes(int n) { for (int j = 0; j < 4; j++)\n"
       "  lane[j].resize(n); } };\n"
       "int main() { int w; cin >> w; Lanes l(w); cout << l.lane[0].size(); }",
       "O(w)", "O(w)"},
  };
  expectEstimates(kCases, std::size(kCases));
}

TEST(MemberValueTest, AMemberSetFromAParameterHoldsTheCallersArgument) {
  const ProgramCase kCases[] = {
      {"set in the initialiser list",
       "struct Dsu { int N; vector<int> p; Dsu(int n) : N(n), p(n) {\n"
       "  iota(p.begin(), p.end(), 0); }\n"
       "  int roots() { int c = 0; for (int i = 0; i < N; i++) c += p[i] == i; return c; } };\n"
       "int main() { int k, q; cin >> k >> q; Dsu d(k); while (q--) cout << d.roots(); }",
       "O(k * q)", "O(k)"},
      {"set in the constructor's body",
       "struct Dsu { int N; vector<int> p; Dsu(int n) { N = n; p.assign(n, 0);\n"
       "  iota(p.begin(), p.end(), 0); }\n"
       "  int roots() { int c = 0; for (int i = 0; i < N; i++) c += p[i] == i; return c; } };\n"
       "int main() { int k, q; cin >> k >> q; Dsu d(k); while (q--) cout << d.roots(); }",
       "O(k * q)", "O(k)"},
      // this->V of the parameter V, and a level count found by a doubling loop over it
      {"set through this, with its levels",
       "struct Jump { int V, lg; vector<vector<int>> up;\n"
       "  Jump(int V) { this->V = V; lg = 1; while ((1 << lg) < V) lg++;\n"
       "    up = vector<vector<int>>(lg, vector<int>(V)); }\n"
       "  int climb(int v, int d) { for (int k = 0; k < lg; k++) if (d >> k & 1) v = up[k][v];\n"
       "    return v; } };\n"
       "int main() { int n, q; cin >> n >> q; Jump j(n);\n"
       "  while (q--) { int v, d; cin >> v >> d; cout << j.climb(v, d); } }",
       "O((n + q) * log n)", "O(n * log n)"},
      {"set by a set-up function, which sizes a container too",
       "struct Bit { int len; vector<long long> t;\n"
       "  void init(int size) { len = size; t.assign(size + 1, 0); }\n"
       "  long long total() { long long s = 0; for (int i = 1; i <= len; i++) s += t[i];\n"
       "    return s; } };\n"
       "int main() { int m, q; scanf(\"%d %d\", &m, &q); Bit b; b.init(m);\n"
       "  while (q--) printf(\"%lld\", b.total()); }",
       "O(m * q)", "O(m)"},
      // near miss: a member given a constant bounds nothing
      {"a constant member stays constant",
       "struct Spin { int cap; Spin() { cap = 64; }\n"
       "  int run() { int c = 0; for (int i = 0; i < cap; i++) c += i; return c; } };\n"
       "int main() { int q; cin >> q; Spin s; while (q--) cout << s.run(); }",
       "O(q)", "O(1)"},
  };
  expectEstimates(kCases, std::size(kCases));
}

}  // namespace
}  // namespace quorbel
