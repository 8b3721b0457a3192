// Costs summed over what a counter or a kept pointer does across passes: helpers called once per
// value of a counter whose cost falls as 1 / k (a harmonic sum, over divisors a log log one),
// pointers lowered by one per pass and started over only where the pass skips the scan, and
// extensions started from a frontier they then push. Each case is a short program of our own
// with the answer derived by hand; near-misses keep the rules from firing without the guarantee.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/counter_sums.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& globals, const std::string& mainBody) {
  Model model = buildModel("#include <bits/stdc++.h>\nusing namespace std;\n" + globals +
                           "\nint main() {\n  int n, q;\n  cin >> n >> q;\n" + mainBody + "\n}\n");
  return formatCost(estimateTime(model).total);
}

struct Case {
  const char* name;
  const char* globals;
  const char* body;
  const char* want;
};

void expectTimes(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c)
    EXPECT_EQ(timeOf(c->globals, c->body), c->want) << c->name;
}

TEST(CounterSumTest, ReciprocalPowersOfTheCounter) {
  const Cost x = sizeCost("x");
  const Cost perK = divideCosts(x, sizeCost("k"));
  const Cost perKSquared = divideCosts(perK, sizeCost("k"));
  const Cost n = sizeCost("n");
  const struct {
    const char* name;
    Cost cost;
    bool divisors;
    const char* want;  // the calls' total over k = 1..n
  } kCases[] = {
      {"x / k sums to x log n", perK, false, "O(x * log n)"},
      {"x / k over divisors sums to x log log n", perK, true, "O(x * log log n)"},
      {"x / k^2 converges to x", perKSquared, false, "O(x)"},
      {"a cost without k is n calls of it", x, false, "O(n * x)"},
      {"a cost growing with k is not summed down", multiplyCosts(x, sizeCost("k")), false,
       "O(n^2 * x)"},
  };
  for (const auto& c : kCases) {
    const Cost each = substituteSize(summedOverCounter(c.cost, "k", c.divisors), "k", n);
    EXPECT_EQ(formatCost(simplifyCost(multiplyCosts(n, each))), c.want) << c.name;
  }
}

// A helper whose loop walks the multiples of its argument, or to the bound divided by it,
// called for each value of a counter from 1: the calls sum harmonically.
TEST(CounterSumTest, HelpersCalledForEachValueOfACounter) {
  const Case kCases[] = {
      {"multiples stepped by the parameter",
       "int n0; long long f[200005];\nlong long over(int d) { long long s = 0; for (int j = d; j "
       "<= n0; j += d) s += f[j]; return s; }",
       "n0 = n; long long b = 0; for (int g = 1; g <= n; g++) b = max(b, over(g)); cout << b;",
       "O(n * log n)"},
      {"a count up to the bound over the parameter, plus one",
       "int lim;\nlong long part(int k) { long long r = 0; for (int t = 1; t <= lim / k + 1; t++) "
       "r += t; return r; }",
       "lim = n; long long s = 0; for (int k = 1; k <= n; ++k) s += part(k); cout << s;",
       "O(n * log n)"},
      {"the bound handed in beside the step",
       "vector<int> w;\nint tally(int step, int top) { int c = 0; for (int v = step; v < top; v += "
       "step) c += w[v]; return c; }",
       "w.assign(q, 0); int best = 0; for (int s = 1; s < q; s += 1) best = max(best, tally(s, "
       "q)); cout << best;",
       "O(q * log q)"},
      {"only the divisors of the bound",
       "int len;\nbool fits(int p) { for (int i = p; i < len; i += p) if (i % 3 == 0) return "
       "false; return true; }",
       "len = n; for (int p = 1; p <= n; ++p) if (n % p == 0 && fits(p)) { cout << p; break; }",
       "O(n * log log n)"},
      // near-misses
      {"a counter from the middle: each call a constant number of steps",
       "int n0;\nint few(int d) { int c = 0; for (int j = d; j <= n0; j += d) c++; return c; }",
       "n0 = n; int c = 0; for (int k = n / 2; k <= n; k++) c += few(k); cout << c;", "O(n)"},
      {"a constant argument: the same long walk every pass",
       "int n0;\nint few(int d) { int c = 0; for (int j = d; j <= n0; j += d) c++; return c; }",
       "n0 = n; int c = 0; for (int k = 1; k <= n; k++) c += few(2); cout << c;", "O(n^2)"},
      {"a cost that does not fall with the argument",
       "int n0;\nint all(int d) { int c = 0; for (int j = 0; j < n0; j++) c += j % d; return c; }",
       "n0 = n; int c = 0; for (int k = 1; k <= n; k++) c += all(k); cout << c;", "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A pointer kept across the passes, lowered by at most one per pass: its rises total the range
// plus the passes, wherever a pass that starts it over skips the scan.
TEST(KeptPointerTest, LoweredByOneAndStartedOverOnlyWhereSkipped) {
  const Case kCases[] = {
      {"started over, then the pass continues past the scan", "vector<int> a, sa, rk, h;",
       "a.resize(n); sa.resize(n); rk.resize(n); h.resize(n); for (int i = 0; i < n; i++) cin >> "
       "a[i] >> sa[i], rk[sa[i]] = i; int len = 0; for (int i = 0; i < n; i++) { if (rk[i] == 0) "
       "{ len = 0; continue; } int j = sa[rk[i] - 1]; while (i + len < n && j + len < n && a[i + "
       "len] == a[j + len]) len++; h[rk[i]] = len; if (len > 0) len--; }",
       "O(n)"},
      {"started over in the other branch", "int v[200005], pos[200005], inv[200005], out[200005];",
       "for (int i = 0; i < n; i++) cin >> v[i] >> pos[i], inv[pos[i]] = i; int m = 0; for (int "
       "i = 0; i < n; i++) { if (inv[i] > 0) { int j = pos[inv[i] - 1]; while (max(i, j) + m < n "
       "&& v[i + m] == v[j + m]) ++m; out[inv[i]] = m; if (m) --m; } else m = 0; }",
       "O(n)"},
      {"lowered through max, over a string", "string s; vector<int> p, r, lc;",
       "cin >> s; p.resize(n); r.resize(n); lc.resize(n); for (int i = 0; i < n; i++) cin >> "
       "p[i], r[p[i]] = i; int k = 0; for (int i = 0; i < n; ++i) { if (r[i] + 1 == n) { k = 0; "
       "continue; } int j = p[r[i] + 1]; while (i + k < n && j + k < n && s[i + k] == s[j + k]) "
       "k += 1; lc[r[i]] = k; k = max(k - 1, 0); }",
       "O(n)"},
      // near-misses
      {"started over before the scan in the same pass", "vector<int> a;",
       "a.resize(n); for (auto& x : a) cin >> x; int k = 0; long long t = 0; for (int i = 1; i < "
       "n; i++) { if (a[i] != a[i - 1]) k = 0; while (i + k < n && a[k] == a[i + k]) k++; t += "
       "k; } cout << t;",
       "O(n^2)"},
      {"declared afresh each pass", "vector<int> a;",
       "a.resize(n); for (auto& x : a) cin >> x; long long t = 0; for (int i = 1; i < n; i++) { "
       "int k = 0; while (i + k < n && a[k] == a[i + k]) k++; t += k; } cout << t;",
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// An extension started from a frontier kept across the passes and then pushing it: all the
// extensions together cross the frontier's range once.
TEST(KeptPointerTest, ExtensionsFromAFrontierTheyPush) {
  const Case kCases[] = {
      {"odd palindromes, the frontier moved by a comma pair", "string s; int rad[200005];",
       "cin >> s; int lo = 0, hi = -1; for (int i = 0; i < n; ++i) { int k = (i > hi ? 0 : "
       "min(rad[lo + hi - i], hi - i)) + 1; while (i + k < n && i - k >= 0 && s[i + k] == s[i - "
       "k]) ++k; rad[i] = k--; if (i + k > hi) lo = i - k, hi = i + k; }",
       "O(n)"},
      {"a match length started inside the box, the box in a block", "vector<int> a, zz;",
       "a.resize(n); zz.assign(n, 0); for (auto& x : a) cin >> x; int l = 0, r = 0; for (int i = "
       "1; i < n; i++) { int k = i < r ? min(r - i, zz[i - l]) : 0; while (i + k < n && a[k] == "
       "a[i + k]) k++; zz[i] = k; if (i + k > r) { l = i; r = i + k; } }",
       "O(n)"},
      {"even palindromes tested first against zero", "vector<int> v, d2;",
       "v.resize(n); d2.assign(n, 0); for (auto& x : v) cin >> x; int L = 0, R = -1; for (int i = "
       "0; i < n; i++) { int t = (i > R) ? 0 : min(d2[L + R - i + 1], R - i + 1); while (i - t - "
       "1 >= 0 && i + t < n && v[i - t - 1] == v[i + t]) t++; d2[i] = t; if (i + t - 1 > R) { L "
       "= i - t; R = i + t - 1; } }",
       "O(n)"},
      // near-miss
      {"the frontier moved but never read: every centre expands from scratch",
       "string s; int rad[200005];",
       "cin >> s; int hi = -1; for (int i = 0; i < n; ++i) { int k = 1; while (i + k < n && i - "
       "k >= 0 && s[i + k] == s[i - k]) ++k; rad[i] = k; if (i + k > hi) hi = i + k; }",
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// The loops of a butterfly: a length scaled by the outer loop, blocks of that length, a window
// inside each block. The middle and inner loops cover the range once per length.
TEST(ButterflyTest, BlocksOfADoubledLengthCoverTheRangeOncePerLength) {
  const Case kCases[] = {
      {"half windows from zero, blocks stepped by the length", "vector<long long> a;",
       "a.resize(n); for (int len = 2; len <= n; len <<= 1) for (int i = 0; i < n; i += len) for "
       "(int j = 0; j < len / 2; j++) a[i + j] += a[i + j + len / 2]; cout << a[0];",
       "O(n * log n)"},
      {"windows from the block's start, blocks of twice the length", "int f[1 << 20];",
       "for (int h = 1; h < n; h *= 2) for (int j = 0; j < n; j += 2 * h) for (int k = j; k < j + "
       "h; k++) { int u = f[k], v = f[k + h]; f[k] = u + v; f[k + h] = u - v; } cout << f[0];",
       "O(n * log n)"},
      {"in a helper over a container's size, the length halved",
       "void walsh(vector<int>& w) { int m = w.size(); for (int half = m / 2; half >= 1; half >>= "
       "1) for (int s = 0; s < m; s += half << 1) for (int t = s; t < s + half; ++t) w[t] ^= w[t "
       "+ half]; }",
       "vector<int> w(q); for (auto& x : w) cin >> x; walsh(w); cout << w[0];", "O(q * log q)"},
      // near-misses
      {"blocks of a length counted up by one: a harmonic sum of blocks", "vector<int> a;",
       "a.resize(n); long long t = 0; for (int len = 1; len <= n; len++) for (int i = 0; i < n; i "
       "+= len) t += a[i]; cout << t;",
       "O(n * log n)"},
      {"a window as wide as the whole range, not the block", "vector<long long> a;",
       "a.resize(n); for (int len = 2; len <= n; len <<= 1) for (int i = 0; i < n; i += len) for "
       "(int j = 0; j < n; j++) a[j] += i; cout << a[0];",
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Mo's order through a helper: the window's ends, kept over the run, are moved to each query's
// bounds by a helper; over the block-sorted queries they walk (n + q) * sqrt n in all.
TEST(MoHelperTest, EndsKeptOverTheRunMovedToEachQuery) {
  const Case kCases[] = {
      {"a lambda comparator, the helper called in an indexed loop",
       "int B, cl = 0, cr = -1, now = 0, a[200005], seen[200005];\nstruct Ask { int l, r, id; "
       "};\nvoid put(int i) { if (seen[a[i]]++ == 0) now++; }\nvoid take(int i) { if "
       "(--seen[a[i]] == 0) now--; }\nvoid reach(int l, int r) { while (cr < r) put(++cr); while "
       "(cl > l) put(--cl); while (cr > r) take(cr--); while (cl < l) take(cl++); }",
       "for (int i = 0; i < n; i++) cin >> a[i]; B = max(1, (int)sqrt(n)); vector<Ask> w(q); for "
       "(auto& x : w) cin >> x.l >> x.r; sort(w.begin(), w.end(), [](const Ask& x, const Ask& y) "
       "{ return x.l / B != y.l / B ? x.l < y.l : x.r < y.r; }); for (int i = 0; i < q; i++) "
       "reach(w[i].l, w[i].r); cout << now;",
       "O(n * sqrt n + q * sqrt n + q * log q)"},
      {"a comparator function, an array of queries, ends moved in blocks",
       "int blk, L = 1, R = 0; long long cur; int v[100005], fr[100005];\nstruct Qr { int l, r; } "
       "qs[100005];\nbool cmp(const Qr& a, const Qr& b) { return a.l / blk == b.l / blk ? a.r < "
       "b.r : a.l < b.l; }\nvoid go(int l, int r) { while (R < r) { ++R; cur += fr[v[R]]++; } "
       "while (L > l) { --L; cur += fr[v[L]]++; } while (R > r) { cur -= --fr[v[R]]; R--; } while "
       "(L < l) { cur -= --fr[v[L]]; L++; } }",
       "for (int i = 1; i <= n; i++) cin >> v[i]; blk = sqrt(n) + 1; for (int i = 0; i < q; i++) "
       "cin >> qs[i].l >> qs[i].r; sort(qs, qs + q, cmp); for (int i = 0; i < q; i++) go(qs[i].l, "
       "qs[i].r); cout << cur;",
       "O(n * sqrt n + q * sqrt n + q * log q)"},
      {"a range-for over the sorted queries",
       "int K, lo = 0, hi = -1, best = 0, a[200005];\nvoid shift(int l, int r) { while (hi < r) "
       "best = max(best, a[++hi]); while (lo < l) best -= a[lo++]; }",
       "for (int i = 0; i < n; i++) cin >> a[i]; K = 450; vector<pair<int, int>> w(q); for (auto& "
       "e : w) cin >> e.first >> e.second; sort(w.begin(), w.end(), [&](auto x, auto y) { return "
       "x.first / "
       "K < y.first / K || (x.first / K == y.first / K && x.second < y.second); }); for (auto& p "
       ": w) shift(p.first, p.second); cout << best;",
       "O(n * sqrt n + q * sqrt n + q * log q)"},
      // near-miss
      {"the same helper over queries in the order read: each call may cross the whole range",
       "int cl = 0, cr = -1, now = 0, a[200005];\nvoid reach(int l, int r) { while (cr < r) now += "
       "a[++cr]; while (cl < l) now -= a[cl++]; }",
       "for (int i = 0; i < n; i++) cin >> a[i]; vector<int> ls(q), rs(q); for (int i = 0; i < q; "
       "i++) cin >> ls[i] >> rs[i]; for (int i = 0; i < q; i++) reach(ls[i], rs[i]); cout << now;",
       "O(n + q)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Small to large by the rows' indices: the indices are swapped so that the walked row is the
// smaller, and each entry moves into a row at least twice as large, log n times in all.
TEST(SmallToLargeTest, RowIndicesSwappedForTheSmaller) {
  const Case kCases[] = {
      {"vectors of members, indices swapped by size", "vector<int> mem[200005]; int grp[200005];",
       "for (int i = 0; i < n; i++) grp[i] = i, mem[i].push_back(i); while (q--) { int a, b; cin "
       ">> a >> b; a = grp[a], b = grp[b]; if (a == b) continue; if (mem[a].size() > "
       "mem[b].size()) swap(a, b); for (int x : mem[a]) { grp[x] = b; mem[b].push_back(x); } "
       "mem[a].clear(); } cout << grp[0];",
       "O(n * log n + q)"},
      {"sets, the smaller side chosen with std::swap", "set<int> bag[100005];",
       "for (int i = 0; i < n; i++) bag[i].insert(i); for (int k = 0; k < q; k++) { int u, v; cin "
       ">> u >> v; if (bag[u].size() < bag[v].size()) std::swap(u, v); for (auto it : bag[v]) "
       "bag[u].insert(it); bag[v].clear(); } cout << bag[0].size();",
       "O(n * log^2 n + q)"},
      // near-miss
      {"indices swapped on a test that is not of sizes: every row walked twice",
       "vector<int> mem[200005];",
       "for (int i = 0; i < n; i++) { int r; cin >> r; mem[r].push_back(i); } long long t = 0; "
       "for (int i = 0; i < n; i++) { int a = i, b = n - 1 - i; if (a > b) swap(a, b); for (int x "
       ": mem[a]) t += x; } cout << t;",
       "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

}  // namespace
}  // namespace quorbel
