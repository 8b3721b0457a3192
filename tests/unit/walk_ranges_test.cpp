// Ranges read from how values move rather than from where they start: windows whose two ends
// follow the same outer index, clamped or not, and memo keys handed a split point. Each case is
// a short program of our own with the answer derived by hand; near-misses keep the rules from
// firing where the values do not move so.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"
#include "test_support.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& program) { return testing::estimatedTime(program); }

struct Case {
  const char* name;
  const char* program;
  const char* want;
};

void expectTimes(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) EXPECT_EQ(timeOf(c->program), c->want) << c->name;
}

#define PROGRAM(text) "#include <bits/stdc++.h>\nusing namespace std;\n" text

TEST(WalkRangesTest, WindowsFollowingAnOuterIndexCoverTheirWidth) {
  const Case kCases[] = {
      {"the low end clamped at zero",
       PROGRAM("int main() { int n, k; cin >> n >> k; vector<long long> a(n), b(n);\n"
               "for (int i = 0; i < n; i++) for (int j = max(0, i - k); j < i; j++) "
               "b[i] = max(b[i], b[j] + a[i]); cout << b[n - 1]; }"),
       "O(k * n)"},
      {"the high end clamped by std::min, inclusive",
       PROGRAM("int main() { int m, d; scanf(\"%d %d\", &m, &d); vector<int> v(m); int c = 0;\n"
               "for (int p = 0; p < m; ++p)\n"
               "  for (int q = p + 1; q <= std::min(m - 1, p + d); ++q) c += v[p] == v[q];\n"
               "printf(\"%d\", c); }"),
       "O(d * m)"},
      {"walking down to a clamped local",
       PROGRAM("int main() { int len, w; cin >> len >> w; vector<int> x(len); long long t = 0;\n"
               "for (int i = 0; i < len; i++) { int lo = max(i - w + 1, 0);\n"
               "  for (int j = i; j >= lo; j--) t += x[j]; }\ncout << t; }"),
       "O(len * w)"},
      {"both ends off the index, unclamped",
       PROGRAM("int main() { int n, r; cin >> n >> r; vector<int> a(3 * n); long long s = 0;\n"
               "for (int c = r; c < n; c++) for (int t = c - r; t <= c + r; t++) s += a[t];\n"
               "cout << s; }"),
       "O(n * r)"},
      {"a constant window",
       PROGRAM("int main() { int n; cin >> n; vector<int> a(n); long long s = 0;\n"
               "for (int i = 0; i < n; i++) for (int j = max(0, i - 3); j < i; j++) s += a[j];\n"
               "cout << s; }"),
       "O(n)"},
      {"near miss: the high end is a fixed size, not the index",
       PROGRAM("int main() { int n, k; cin >> n >> k; vector<int> a(n); long long s = 0;\n"
               "for (int i = 0; i < n; i++) for (int j = max(0, i - k); j < n; j++) s += a[j];\n"
               "cout << s; }"),
       "O(n^2)"},
      {"near miss: the ends share the index with opposite signs",
       PROGRAM("int main() { int n; cin >> n; vector<int> a(n); long long s = 0;\n"
               "for (int i = 0; i < n; i++) for (int j = i; j < n - i; j++) s += a[j];\n"
               "cout << s; }"),
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A memo's key handed one past a split point (f(lo, k) + f(k + 1, hi)) ranges as the split
// point does, up to the other end, whatever the call that starts the recursion passes.
TEST(WalkRangesTest, KeysHandedASplitPointRangeAsTheCounter) {
  const Case kCases[] = {
      {"interval memo split one past the counter",
       PROGRAM(
           "int memo[105][105]; int n; int a[105];\n"
           "int best(int lo, int hi) { if (lo >= hi) return 0;\n"
           "  if (memo[lo][hi] >= 0) return memo[lo][hi]; int r = INT_MAX;\n"
           "  for (int k = lo; k < hi; k++) r = min(r, best(lo, k) + best(k + 1, hi) + a[hi]);\n"
           "  return memo[lo][hi] = r; }\n"
           "int main() { cin >> n; for (int i = 0; i < n; i++) cin >> a[i];\n"
           "  memset(memo, -1, sizeof memo); cout << best(0, n - 1); }"),
       "O(n^3)"},
      {"two split loops reusing one counter's name",
       PROGRAM(
           "long long dp[42][42][42][42]; int h, w;\n"
           "long long cut(int top, int bottom, int left, int right) {\n"
           "  if (top == bottom && left == right) return 0;\n"
           "  long long &res = dp[top][bottom][left][right]; if (res) return res;\n"
           "  res = LLONG_MAX;\n"
           "  for (int x = top + 1; x <= bottom; x++)\n"
           "    res = min(res, cut(top, x - 1, left, right) + cut(x, bottom, left, right));\n"
           "  for (int x = left + 1; x <= right; x++)\n"
           "    res = min(res, cut(top, bottom, left, x - 1) + cut(top, bottom, x, right));\n"
           "  return res += 1; }\n"
           "int main() { scanf(\"%d %d\", &h, &w); printf(\"%lld\", cut(0, h - 1, 0, w - 1)); }"),
       "O(h^2 * w^2 * (h + w))"},
      {"a root chosen inclusively, a visited table beside the values",
       PROGRAM(
           "long long val[505][505]; bool seen[505][505]; long long fr[505];\n"
           "long long go(int lo, int hi) { if (lo > hi) return 0;\n"
           "  if (seen[lo][hi]) return val[lo][hi]; seen[lo][hi] = true;\n"
           "  long long cost = LLONG_MAX, sum = 0; for (int t = lo; t <= hi; t++) sum += fr[t];\n"
           "  for (int root = lo; root <= hi; root++)\n"
           "    cost = min(cost, go(lo, root - 1) + go(root + 1, hi));\n"
           "  return val[lo][hi] = cost + sum; }\n"
           "int main() { int keys; cin >> keys; for (int i = 0; i < keys; i++) cin >> fr[i];\n"
           "  cout << go(0, keys - 1); }"),
       "O(keys^3)"},
      {"near miss: a key that only steps by one from its start",
       PROGRAM("vector<int> memo, a; int n;\n"
               "int run(int pos) { if (pos >= n) return 0; if (memo[pos] >= 0) return memo[pos];\n"
               "  return memo[pos] = max(run(pos + 1), a[pos] + run(pos + 2)); }\n"
               "int main() { cin >> n; a.resize(n); for (int i = 0; i < n; i++) cin >> a[i];\n"
               "  memo.assign(n, -1); cout << run(0); }"),
       "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// The larger of a kept value and a value read, written as a conditional, is the largest value
// read: loops up to it run over the values' range.
TEST(WalkRangesTest, TheLargestValueKeptByAConditionalBoundsLoops) {
  const Case kCases[] = {
      {"kept when smaller, the read value on the true side",
       PROGRAM("int main() { int q; cin >> q; vector<int> a(q); int top = 0;\n"
               "for (int i = 0; i < q; i++) { cin >> a[i]; top = top < a[i] ? a[i] : top; }\n"
               "vector<long long> f(top + 1, 1);\n"
               "for (int v = 2; v <= top; v++) f[v] = f[v - 1] * v % 1000000007;\n"
               "for (int i = 0; i < q; i++) cout << f[a[i]] << endl; }"),
       "O(q + top)"},
      {"a scanned local compared first, the conditional in parentheses",
       PROGRAM("int main() { int cnt; scanf(\"%d\", &cnt); long long hi = 0;\n"
               "for (int i = 0; i < cnt; i++) { long long x; scanf(\"%lld\", &x); "
               "hi = (x > hi) ? x : hi; }\n"
               "long long steps = 0; for (long long d = 1; d <= hi; d++) steps += hi / d;\n"
               "printf(\"%lld\", steps); }"),
       "O(cnt + hi)"},
      {"a second pass over the entries, the multiples of every value",
       PROGRAM("int main() { int m; cin >> m; vector<int> w(m); int big = 0;\n"
               "for (auto &x : w) cin >> x;\n"
               "for (int i = 0; i < m; i++) big = (big >= w[i] ? big : w[i]);\n"
               "vector<int> seen(big + 1); for (int i = 0; i < m; i++) seen[w[i]]++;\n"
               "int best = 0;\n"
               "for (int v = 1; v <= big; v++) for (int k = v; k <= big; k += v) "
               "best = max(best, seen[k]);\n"
               "cout << best; }"),
       "O(big * log big + m)"},
      {"near miss: the kept value against a constant",
       PROGRAM("int main() { int q; cin >> q; int cap = 0;\n"
               "for (int i = 0; i < q; i++) { int x; cin >> x; cap = cap > 3 ? cap : 3; }\n"
               "long long s = 0; for (int v = 0; v < cap; v++) s += v; cout << s; }"),
       "O(q)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// ranges::max of a container read from input is its largest value, as *max_element is.
TEST(WalkRangesTest, TheLargestEntryOfAWholeContainerBoundsLoops) {
  const Case kCases[] = {
      {"a harmonic walk up to the largest entry",
       PROGRAM("int main() { int n; cin >> n; vector<int> a(n); for (int& x : a) cin >> x;\n"
               "int hi = ranges::max(a); vector<int> cnt(hi + 1); for (int x : a) cnt[x]++;\n"
               "long long pairs = 0; for (int g = 1; g <= hi; g++) { long long c = 0;\n"
               "  for (int k = g; k <= hi; k += g) c += cnt[k]; pairs += c * c; }\n"
               "cout << pairs; }"),
       "O(hi * log hi + n)"},
      {"a const local from std::ranges::max, scanned entries",
       PROGRAM("int main() { int len; scanf(\"%d\", &len); vector<long long> h(len);\n"
               "for (int i = 0; i < len; i++) scanf(\"%lld\", &h[i]);\n"
               "const long long peak = std::ranges::max(h); long long total = 0;\n"
               "for (long long t = 0; t < peak; t++) total += t & 1; printf(\"%lld\", total); }"),
       "O(len + peak)"},
      {"a sieve up to the largest entry of a deque",
       PROGRAM("int main() { int k; cin >> k; deque<int> d(k); for (auto &x : d) cin >> x;\n"
               "auto m = std::ranges::max(d); vector<bool> sieve(m + 1, true);\n"
               "for (int p = 2; p * p <= m; p++) if (sieve[p]) "
               "for (int q = p * p; q <= m; q += p) sieve[q] = false;\n"
               "cout << count(sieve.begin(), sieve.end(), true); }"),
       "O(m * log log m + k)"},
      {"near miss: the largest entry of values the program made",
       PROGRAM("int main() { int n; cin >> n; vector<int> r(n);\n"
               "for (int i = 0; i < n; i++) r[i] = i % 7; int m = ranges::max(r);\n"
               "long long s = 0; for (int t = 0; t < m; t++) s += t; cout << s; }"),
       "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Euclid's steps on entries of containers: the tested entry reduced by its partner, then the two
// exchanged, take the log of the values, not a pass per size.
TEST(WalkRangesTest, EuclidStepsOnEntriesTakeTheLogOfTheValues) {
  const Case kCases[] = {
      {"rows of a matrix swapped as a member call",
       PROGRAM(
           "int main() { int n; cin >> n; vector<vector<long long>> a(n, vector<long long>(n));\n"
           "for (auto &r : a) for (auto &x : r) cin >> x; long long det = 1;\n"
           "for (int c = 0; c < n; c++) { for (int r = c + 1; r < n; r++)\n"
           "  while (a[r][c] != 0) { long long q = a[c][c] / a[r][c];\n"
           "    for (int k = c; k < n; k++) a[c][k] -= q * a[r][k];\n"
           "    a[c].swap(a[r]); det = -det; }\n"
           "  det *= a[c][c]; }\ncout << det; }"),
       "O(n^3)"},
      {"an entry tested bare, reduced by a compound remainder",
       PROGRAM("int main() { int m; scanf(\"%d\", &m); vector<long long> p(m), q(m);\n"
               "for (int i = 0; i < m; i++) scanf(\"%lld %lld\", &p[i], &q[i]); long long t = 0;\n"
               "for (int i = 0; i < m; i++) { while (q[i]) { p[i] %= q[i]; std::swap(p[i], q[i]); "
               "} t += p[i]; }\nprintf(\"%lld\", t); }"),
       "O(m)"},
      {"pairs in fixed arrays, the quotient taken apart",
       PROGRAM(
           "int main() { int sz; cin >> sz; vector<array<long long, 2>> g(sz);\n"
           "for (auto &e : g) cin >> e[0] >> e[1]; long long acc = 0;\n"
           "for (int i = 0; i < sz; i++) { while (g[i][1] > 0) {\n"
           "  long long t = g[i][0] / g[i][1]; g[i][0] -= t * g[i][1]; swap(g[i][0], g[i][1]); }\n"
           "  acc ^= g[i][0]; }\ncout << acc; }"),
       "O(sz)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A name declared outside a function and given the function's parameter holds what the calls
// pass: the parameter's own name never reaches the notation.
TEST(WalkRangesTest, AGlobalGivenAParameterHoldsWhatTheCallsPass) {
  const Case kCases[] = {
      {"the deepest level a tree walk reached, through max",
       PROGRAM("int n, mx, cnt[200005]; vector<int> adj[200005];\n"
               "void walk(int v, int p, int depth) { mx = max(mx, depth); cnt[depth]++;\n"
               "  for (int u : adj[v]) if (u != p) walk(u, v, depth + 1); }\n"
               "int main() { cin >> n; for (int i = 0; i < n - 1; i++) { int a, b; cin >> a >> b;\n"
               "  adj[a].push_back(b); adj[b].push_back(a); }\n"
               "walk(0, -1, 0); long long s = 0; for (int i = 0; i <= mx; i++) s += cnt[i];\n"
               "fill(cnt, cnt + mx + 1, 0); cout << s; }"),
       "O(n)"},
      {"the steps along a chain of links, kept by a guarded assignment",
       PROGRAM("int n, reach; int nxt[100005];\n"
               "void visit(int at, int steps) { if (steps > reach) reach = steps;\n"
               "  if (nxt[at] != -1) visit(nxt[at], steps + 1); }\n"
               "int main() { cin >> n; for (int i = 0; i < n; i++) cin >> nxt[i]; visit(0, 0);\n"
               "vector<int> hist(reach + 1); for (int i = 0; i <= reach; i++) hist[i] = i;\n"
               "cout << hist[reach]; }"),
       "O(n)"},
      {"a helper keeping the longest value it was handed",
       PROGRAM("long long longest = 0; void note(long long len) { longest = max(longest, len); }\n"
               "int main() { int n; cin >> n; for (int i = 0; i < n; i++) note(i);\n"
               "long long s = 0; for (long long j = 0; j < longest; j++) s += j; cout << s; }"),
       "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Blocks of a square-root size: a loop counting blocks (i * B < n) runs n / B passes when B is a
// root of n, and a walk through one block, however its end is written, covers B.
TEST(WalkRangesTest, BlocksOfARootSizeCountTheirPasses) {
  const Case kCases[] = {
      {"all pairs of blocks, each pass one block",
       PROGRAM("int main() { unsigned n, q; cin >> n >> q; vector<unsigned> a(n), cnt(n + 1);\n"
               "for (auto &x : a) cin >> x; unsigned b = sqrt(n), m = (n + b - 1) / b;\n"
               "for (unsigned i = 0; i * b < n; i++) for (unsigned j = i + 1; j <= m; j++) {\n"
               "  unsigned l = (j - 1) * b, r = min(j * b, n);\n"
               "  for (unsigned k = l; k < r; k++) cnt[a[k]]++; }\ncout << cnt[0]; }"),
       "O(n * sqrt n)"},
      {"block sums, the block's end clamped by min",
       PROGRAM("int main() { int len; cin >> len; vector<long long> v(len), sum;\n"
               "for (auto &x : v) cin >> x; int S = (int)sqrt(len) + 1;\n"
               "for (int blk = 0; blk * S < len; ++blk) { long long t = 0;\n"
               "  for (int k = blk * S; k < min(len, (blk + 1) * S); k++) t += v[k];\n"
               "  sum.push_back(t); }\ncout << sum[0]; }"),
       "O(len)"},
      {"block maxima, the end as a second comparison, queries over the blocks",
       PROGRAM("int main() { int m, q; cin >> m >> q; vector<int> w(m); for (auto &x : w) cin >> "
               "x;\n"
               "const int width = max(1, (int)sqrt(m)); vector<int> best;\n"
               "for (int g = 0; g * width < m; g++) { int hi = 0;\n"
               "  for (int k = g * width; k < m && k < (g + 1) * width; k++) hi = max(hi, w[k]);\n"
               "  best.push_back(hi); }\n"
               "while (q--) { int x; cin >> x; int r = 0;\n"
               "  for (int g = 0; g * width < m; g++) r += best[g] > x; cout << r; } }"),
       "O(q * sqrt m + m)"},
      {"near miss: a block size divided down from a size is only bounded above",
       PROGRAM("int main() { unsigned n, q; cin >> n >> q; vector<unsigned> a(n), cnt(n + 1);\n"
               "for (auto &x : a) cin >> x; unsigned b = ceil(n / sqrt(q) * 0.8);\n"
               "for (unsigned i = 0; i * b < n; i++) for (unsigned k = i; k < n; k++) "
               "cnt[a[k]]++;\ncout << cnt[0]; }"),
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A row of a table handed to a function taking a container (f(a[j])) is as long as the table's
// rows, whichever names the caller and the callee use.
TEST(WalkRangesTest, ARowHandedToAFunctionIsAsLongAsTheRows) {
  const Case kCases[] = {
      {"a global array of vectors, each row resized",
       PROGRAM("vector<int> rows[4];\n"
               "long long total(const vector<int> &v) { long long s = 0;\n"
               "  for (size_t i = 0; i < v.size(); i++) for (size_t j = 0; j < v.size(); j++) "
               "s += v[i] * v[j];\n"
               "  return s; }\n"
               "int main() { int n; cin >> n; for (int j = 0; j < 4; j++) rows[j].resize(n);\n"
               "for (int j = 0; j < 4; j++) for (int i = 0; i < n; i++) cin >> rows[j][i];\n"
               "long long s = 0; for (int j = 0; j < 4; j++) s += total(rows[j]); cout << s; }"),
       "O(n^2)"},
      {"the callee's parameter named as the caller's table",
       PROGRAM("vector<int> a[4];\n"
               "long long total(const vector<int> &a) { long long s = 0;\n"
               "  for (size_t i = 0; i < a.size(); i++) for (size_t j = 0; j < a.size(); j++) "
               "s += a[i] * a[j];\n"
               "  return s; }\n"
               "int main() { int n; cin >> n; for (int j = 0; j < 4; j++) a[j].resize(n);\n"
               "for (int j = 0; j < 4; j++) for (int i = 0; i < n; i++) cin >> a[j][i];\n"
               "long long s = 0; for (int j = 0; j < 4; j++) s += total(a[j]); cout << s; }"),
       "O(n^2)"},
      {"rows of a nested vector copied into a sorting helper",
       PROGRAM("long long median(vector<long long> v) { sort(v.begin(), v.end()); "
               "return v[v.size() / 2]; }\n"
               "int main() { int k, n; cin >> k >> n;\n"
               "vector<vector<long long>> g(k, vector<long long>(n));\n"
               "for (auto &r : g) for (auto &x : r) cin >> x;\n"
               "long long s = 0; for (int i = 0; i < k; i++) s += median(g[i]); cout << s; }"),
       "O(k * n * log n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

}  // namespace
}  // namespace quorbel
