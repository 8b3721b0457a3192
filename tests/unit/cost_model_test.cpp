// The cost model's pieces: the algebra of costs, macro expansion, the sum-bound comments, and
// the trip counts and recurrences the estimate derives, each on the smallest program showing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "cost/cost.h"
#include "estimate/space_cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"
#include "syntax/preprocess.h"
#include "test_support.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& program) {
  Model model = buildModel(program);
  return formatCost(estimateTime(model).total);
}

// A main that reads n, m and q, around `body`.
std::string inMain(const std::string& body) {
  return "#include <bits/stdc++.h>\nusing namespace std;\nint main() {\n  int n, m, q;\n"
         "  cin >> n >> m >> q;\n" +
         body + "\n}\n";
}

TEST(CostAlgebraTest, SumsKeepIndependentSizesAndDropDominatedTerms) {
  const Cost n = sizeCost("n"), m = sizeCost("m"), q = sizeCost("q");
  const struct {
    const char* name;
    Cost cost;
    const char* want;
  } kCases[] = {
      {"constant", constantCost(), "O(1)"},
      {"independent sizes stay apart", addCosts(n, q), "O(n + q)"},
      {"dominated term dropped", addCosts(n, multiplyCosts(n, logCost(n))), "O(n * log n)"},
      {"product over other size is not dominated",
       addCosts(multiplyCosts(n, m), multiplyCosts(n, n)), "O(n * (m + n))"},
      {"common log factored out",
       addCosts(multiplyCosts(n, logCost(n)), multiplyCosts(m, logCost(n))), "O((n + m) * log n)"},
      {"common size factored first", multiplyCosts(sizeCost("t"), addCosts(n, m)),
       "O(t * (n + m))"},
      {"amortised share multiplies back", multiplyCosts(n, divideCosts(m, n)), "O(m)"},
      {"negative leftover is clamped", divideCosts(m, n), "O(m)"},
      {"cube root", rootCost(n, 3), "O(cuberoot n)"},
      {"log of an exponential", logCost(powerOfTwoCost(n)), "O(n)"},
      {"log log", logLogCost(n), "O(log log n)"},
      {"half exponent", exponentialCost(n, std::sqrt(2.0)), "O(2^(n/2))"},
      {"factorial absorbs its polynomial", multiplyCosts(factorialCost(n), n), "O(n!)"},
      {"sized exponential absorbs its base", addCosts(sizedExponentialCost(m, n), n), "O(m^n)"},
      {"alpha", multiplyCosts(q, alphaCost(n)), "O(q * alpha(n))"},
  };
  for (const auto& c : kCases) EXPECT_EQ(formatCost(c.cost), c.want) << c.name;
}

TEST(CostAlgebraTest, SubstitutionReplacesAParameterEverywhere) {
  // A callee's n log n with its parameter len replaced by the caller's argument m + k.
  const Cost len = sizeCost("len");
  const Cost summary = addCosts(multiplyCosts(len, logCost(len)), sizeCost("n"));
  const Cost argument = addCosts(sizeCost("m"), sizeCost("k"));
  EXPECT_EQ(formatCost(substituteSize(summary, "len", argument)),
            "O(m * log m + m * log k + k * log m + k * log k + n)");
  EXPECT_EQ(formatCost(substituteSize(summary, "len", constantCost())), "O(n)");
  EXPECT_EQ(formatCost(substituteSize(rootCost(len, 2), "len", multiplyCosts(len, len))), "O(len)");
}

TEST(PreprocessTest, MacrosExpandOnTheLineOfTheirUse) {
  const struct {
    const char* name;
    const char* source;
    const char* wantLine;  // the expansion of the source's third line
  } kCases[] = {
      {"function-like loop",
       "#define rep(i, a, b) for (int i = a; i < b; i++)\n\nrep(j, 0, n) x++;",
       "for (int j = 0; j < n; j++)"},
      {"type macro", "#define int long long\n\nint x;", "long long"},
      {"numeric macro keeps its name", "#define MAX 1000005\n\nint a[MAX];", "int a[MAX];"},
      {"nested macros", "#define F(x) G(x)\n#define G(y) (y + 1)\nF(n);", "(n + 1)"},
      {"stringified argument", "#define S(x) #x\n\nS(abc);", "\"abc\""},
      {"self reference stops", "#define x x + 1\n\nx;", "x + 1"},
      {"a result naming a macro takes the arguments after it",
       "#define A2(i, n) for (int i = 0; i < n; i++)\n#define R(a, b) A2\nR(j, m)(j, m) x++;",
       "for (int j = 0; j < m; j++)"},
      {"inside a string untouched", "#define n 5\n\n\"n\";", "\"n\""},
      {"carriage returns alone end lines",
       "#define rep(i, n) for (int i = 0; i < n; i++)\r\rrep(k, m) x++;",
       "for (int k = 0; k < m; k++)"},
      {"carriage return line feeds end lines once", "#define int long long\r\n\r\nint x;",
       "long long"},
  };
  for (const auto& c : kCases) {
    const std::string out = expandMacros(c.source);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << c.name;
    const std::string third = out.substr(out.rfind('\n') + 1);
    EXPECT_NE(third.find(c.wantLine), std::string::npos) << c.name << ": " << third;
  }
  // A call spanning lines keeps its line breaks, so later lines keep their numbers.
  const std::string spanning = expandMacros("#define F(a, b) a + b\nF(1,\n 2);\nnext;");
  EXPECT_EQ(spanning.substr(spanning.rfind('\n') + 1), "next;");
  EXPECT_EQ(std::count(spanning.begin(), spanning.end(), '\n'), 3);
  EXPECT_EQ(expandMacros("#define MAX 2e5 + 5\n"), "const long long MAX = 2e5 + 5;\n");
}

TEST(SumBoundTest, CommentFormsAndNearMisses) {
  const struct {
    const char* text;
    bool bound;
  } kCases[] = {
      {"// the sum of n over all test cases does not exceed 2*10^5", true},
      {"// It is guaranteed that the sum of n over all tests is at most 2e5", true},
      {"// sum of n <= 2e5", true},
      {"/* Σn ≤ 2·10^5 */", true},
      {"// Sum of |s| over all test cases <= 10^6", true},
      {"// print the sum of values a..b", false},
      {"int sum = 0; // running total", false},
      {"sum of n <= 2e5 outside a comment", false},
  };
  for (const auto& c : kCases) EXPECT_EQ(statesSumBound(c.text), c.bound) << c.text;
}

TEST(TripCountTest, EachLoopShape) {
  const struct {
    const char* name;
    const char* body;
    const char* want;
  } kCases[] = {
      {"counted", "for (int i = 0; i < n; i++) {}", "O(n)"},
      {"doubling", "for (int i = 1; i < n; i *= 2) {}", "O(log n)"},
      // a window from where an outer counter stands covers its width
      {"window of a width",
       "int m; cin >> m; for (int i = 0; i < n; i++) for (int k = i; k < i "
       "+ m; k++) {}",
       "O(m * n)"},
      {"window with the width first, inclusive",
       "int m; cin >> m; for (int i = 0; i + m <= n; "
       "i++) for (int k = i; k <= m + i; k++) {}",
       "O(m * n)"},
      {"window counted down",
       "int m; cin >> m; for (int i = n; i >= 0; i--) for (int k = i; k > "
       "i - m; k--) {}",
       "O(m * n)"},
      {"window of a fixed width", "for (int i = 0; i < n; i++) for (int k = i; k < i + 3; k++) {}",
       "O(n)"},
      // counts written as ranges, and adaptors that walk what they adapt
      {"a range counted by views::iota", "for (int i : views::iota(0, n)) {}", "O(n)"},
      {"a range counted by irange, reversed", "for (auto i : irange(1, n + 1) | reversed) {}",
       "O(n)"},
      {"an iota_view between two values", "for (auto i : ranges::iota_view<int, int>(2, n)) {}",
       "O(n)"},
      {"a container reversed", "vector<int> a(n); for (int x : a | views::reverse) {}", "O(n)"},
      {"a literal range", "for (int i : views::iota(0, 30)) {}", "O(1)"},
      // macros parenthesise the counter: --(i), (i)--, (i) -= 2, (i) *= 2
      {"parenthesised decrement", "for (int i = n - 1; i >= 0; --(i)) {}", "O(n)"},
      {"parenthesised postfix decrement", "for (int i = n; (i) > 0; (i)--) {}", "O(n)"},
      {"parenthesised compound step", "for (int i = n; i > 0; (i) -= 2) {}", "O(n)"},
      {"parenthesised doubling", "for (int i = 1; i <= n; (i) *= 2) {}", "O(log n)"},
      {"halving", "for (int i = n; i > 0; i /= 2) {}", "O(log n)"},
      {"shift in the condition", "for (int k = 0; (1 << k) <= n; k++) {}", "O(log n)"},
      {"power in the condition", "int k = 0; while (pow(2, k) < m) k++;", "O(log m)"},
      {"squaring", "for (long long x = 2; x < n; x *= x) {}", "O(log log n)"},
      {"square-root test", "for (int i = 1; i * i <= n; i++) {}", "O(sqrt n)"},
      {"divided bound", "for (int d = 2; d <= n / d; d++) {}", "O(sqrt n)"},
      {"cube root by pow", "for (int i = 1; pow(i, 3) <= n; i++) {}", "O(cuberoot n)"},
      {"harmonic over other bound",
       "for (int i = 1; i <= n; i++) for (int j = i; j <= m; j += i) {}", "O(m * log n + n)"},
      // no test restricts i to primes: the sum of n / (2i) over odd i is harmonic
      {"odd multiples from the square",
       "for (int i = 3; i <= n; i += 2) for (int j = i * i; j <= n; j += 2 * i) {}",
       "O(n * log n)"},
      {"multiples under a product bound",
       "for (int i = 1; i <= n; i++) for (int j = 1; i * j <= m; j++) {}", "O(m * log n + n)"},
      {"multiples under a quotient bound",
       "for (int i = 1; i <= n; i++) for (int j = 1; j <= m / i; j++) {}", "O(m * log n + n)"},
      {"scans that stop at a mark and mark what they pass",
       "vector<int> c(n); for (int i = 0; i < n; i++) for (int j = i + 1; j < n; j++) { if "
       "(c[j]) break; c[j] = 1; }",
       "O(n)"},
      {"a mark tested by an entry and set in one brace",
       "vector<bool> seen(n); for (int i = 0; i < n; i++) for (int j = i; j < n; j++) { if "
       "(seen[j]) { break; } seen[j] = true; }",
       "O(n)"},
      // the break ends the walk on another test than the entry written: each pass may go on
      {"relaxations that break on another test",
       "int m; cin >> m; vector<long long> d(n); vector<int> u(m), v(m); for (int i = 0; i < n; "
       "i++) for (int j = 0; j < m; j++) { if (d[u[j]] + 1 < d[v[j]]) { if (i == n - 1) break; "
       "d[v[j]] = d[u[j]] + 1; } }",
       "O(m * n)"},
      {"multiples of distinct entries",
       "vector<int> a(n); for (auto& x : a) cin >> x; for (int s = 0; s < n; s++) for (int j = 1; "
       "j * a[s] <= n; j++) {}",
       "O(n * log n)"},
      {"fixed multiple is constant",
       "for (int i = 1; i <= n; i++) for (int j = i; j <= 3 * i; j += i) {}", "O(n)"},
      {"blocks of a size", "int b = sqrt(n); for (int i = 0; i < n; i += b) {}", "O(sqrt n)"},
      {"rest of a position's block",
       "int b = sqrt(n); int x; cin >> x; int k = x / b; for (int i = x; i < (k + 1) * b; i++) {}",
       "O(sqrt n)"},
      {"a block's start up to a position",
       "int b = sqrt(n); int x; cin >> x; for (int i = b * (x / b); i <= x; i++) {}", "O(sqrt n)"},
      {"whole blocks between two positions",
       "int b = sqrt(n); int l, r; cin >> l >> r; for (int k = l / b + 1; k < r / b; k++) {}",
       "O(sqrt n)"},
      {"both ends in one block",
       "int b = sqrt(n); int l, r; cin >> l >> r; if (l / b == r / b) for (int k = l; k <= r; "
       "k++) {}",
       "O(sqrt n)"},
      {"ends in different blocks walk the distance",
       "int b = sqrt(n); int l, r; cin >> l >> r; if (l / b != r / b) for (int k = l; k <= r; "
       "k++) {}",
       "O(r)"},
      {"a block size grown in place stays a name",
       "int b = 1; while (b * b < n) b++; int x; cin >> x; for (int i = x; i < (x / b + 1) * b; "
       "i++) {}",
       "O(sqrt n)"},
      {"submasks", "for (int s = 0; s < (1 << n); s++) for (int t = s; t; t = (t - 1) & s) {}",
       "O(3^n)"},
      {"test count", "int t; cin >> t; while (t--) { for (int i = 0; i < n; i++) {} }", "O(n * t)"},
      {"binary search",
       "int lo = 0, hi = n; while (lo < hi) { int mid = (lo + hi) / 2; hi = mid; }", "O(log n)"},
      {"literal range bisection",
       "long long lo = 0, hi = 1e18; while (lo < hi) { long long mid = (lo + hi) / 2; hi = mid; }",
       "O(1)"},
      {"two pointers", "int j = 0; for (int i = 0; i < n; i++) { while (j < n && j < i) j++; }",
       "O(n)"},
      {"pointer reset is not amortised",
       "for (int i = 0; i < n; i++) { int j = 0; while (j < n) j++; }", "O(n^2)"},
      {"window shrunk while a value exceeds its bound",
       "long long s; cin >> s; vector<long long> a(n); long long sum = 0; int l = 0; for (int r "
       "= 0; r < n; r++) { sum += a[r]; while (sum > s) { sum -= a[l]; l++; } }",
       "O(n)"},
      {"window restarted in every pass",
       "long long s; cin >> s; vector<long long> a(n); for (int r = 0; r < n; r++) { long long "
       "sum = a[r]; int l = 0; while (sum > s) { sum -= a[l]; l++; } }",
       "O(n^2)"},
      {"monotonic stack",
       "vector<int> st; for (int i = 0; i < n; i++) { while (!st.empty() && st.back() < i) "
       "st.pop_back(); st.push_back(i); }",
       "O(n)"},
      {"halving while", "while (n > 0) { n /= 2; }", "O(log n)"},
      {"Euclid", "int a = n, b = m; while (b) { int t = a % b; a = b; b = t; }", "O(log m)"},
      {"reading until the end", "int x; while (cin >> x) {}", "O(input)"},
      {"range-for over read vector", "vector<int> a(n); for (int x : a) {}", "O(n)"},
      {"fenwick", "vector<int> bit(n + 1); for (int i = q; i > 0; i -= i & -i) bit[i]++;", "O(n)"},
      {"lowbit written out against a size",
       "vector<int> bit(n + 1); for (int j = 0; j < m; j++) { int i = 1; while (i < "
       "(int)bit.size()) { bit[i]++; i = i + (i & -i); } }",
       "O(m * log n + n)"},
      {"grown to a bound once over the queries",
       "vector<int> tri = {0}; for (int k = 0; k < q; k++) { int x; cin >> x; while "
       "((int)tri.size() <= x) tri.push_back(0); }",
       "O(q + x)"},
      {"balancing two heaps",
       "priority_queue<int> a, b; for (int i = 0; i < n; i++) { a.push(i); while (a.size() > "
       "b.size() + 1) { b.push(a.top()); a.pop(); } }",
       "O(n * log n)"},
      {"one list of a nested container",
       "vector<vector<int>> g(n); for (int i = 0; i < m; i++) { int a; cin >> a; "
       "g[a].push_back(i); } for (int u = 0; u < n; u++) for (size_t k = 0; k < g[u].size(); "
       "k++) {}",
       "O(n + m)"},
      {"sorting each list",
       "vector<vector<int>> g(n); for (int i = 0; i < m; i++) { int a; cin >> a; "
       "g[a].push_back(i); } for (int u = 0; u < n; u++) sort(g[u].begin(), g[u].end());",
       "O(m * log m + n)"},
      {"searching one list of an array of lists",
       "const int MX = 200005; vector<int> at[MX]; for (int i = 0; i < m; i++) { int a; cin >> a; "
       "at[a].push_back(i); } for (int i = 0; i < q; i++) { int a, b; cin >> a >> b; "
       "upper_bound(at[a].begin(), at[a].end(), b); }",
       "O(q * log m + m)"},
      {"parent chain of roots linked by size",
       "vector<int> p(n), sz(n, 1); for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; "
       "while (p[a] != a) a = p[a]; while (p[b] != b) b = p[b]; if (sz[a] < sz[b]) swap(a, b); "
       "p[b] = a; sz[a] += sz[b]; }",
       "O(m * log n + n)"},
      {"parent chain of roots linked anyhow",
       "vector<int> p(n); for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; while (p[a] != "
       "a) a = p[a]; p[a] = b; }",
       "O(m * n)"},
      {"failure table walked as it is built",
       "vector<int> f(n); for (int i = 1; i < n; i++) { int k = f[i - 1]; while (k > 0 && f[i] "
       "!= f[k]) k = f[k - 1]; if (f[i] == f[k]) k++; f[i] = k; }",
       "O(n)"},
      {"a failure table over a joined string is as long as its parts",
       "string s, t; cin >> s >> t; string u = t + '#' + s; int w = u.size(); vector<int> p(w); "
       "for (int i = 1; i < w; i++) { int k = p[i - 1]; while (k > 0 && u[i] != u[k]) k = p[k - "
       "1]; if (u[i] == u[k]) k++; p[i] = k; }",
       "O(|t| + |s|)"},
      {"a string rebuilt from itself copies it",
       "string s; for (int i = 0; i < n; i++) s = s + 'a';", "O(n^2)"},
      {"window ends walking block-sorted queries",
       "vector<int> a(n); vector<pair<int, int>> qs(q); for (auto& p : qs) cin >> p.first >> "
       "p.second; int b = sqrt(n); sort(qs.begin(), qs.end(), [&](auto& x, auto& y) { return "
       "x.first / b != y.first / b ? x.first < y.first : x.second < y.second; }); int lo = 0, hi "
       "= -1; for (auto& p : qs) { while (hi < p.second) a[++hi]++; while (lo < p.first) "
       "a[lo++]--; }",
       "O(n * sqrt n + q * sqrt n + q * log q)"},
      {"a bound shrinking to n over the counter",
       "long long top = n; for (long long i = 2; i <= top; i++) { long long v = n / i; top = v; }",
       "O(sqrt n)"},
      {"paired counters, the tested one counts",
       "int i, j; for (i = 0, j = i + m; j < n; i++, j++) {}", "O(n)"},
      {"a bound assigned in the condition", "for (int y = 1, v; (v = y * y + 3) >> 1 < n; y++) {}",
       "O(sqrt n)"},
      {"a step that grows each pass", "long long v = 0; for (int k = 0; v < n; v += (k += 2)) {}",
       "O(sqrt n)"},
      {"steps of the outer counter squared",
       "for (int p = 2; p * p < n; p++) for (long long j = p * p; j < n; j += p * p) {}", "O(n)"},
      {"memset by its count", "char c[200005]; memset(c, 0, n);", "O(n)"},
      {"binary splitting spends a value read",
       "long long left = m; for (long long k = 1; left > 0; k <<= 1) { long long take = min(k, "
       "left); left -= take; }",
       "O(log m)"},
      {"binary splitting of each entry read, named by its array",
       "vector<int> c(n); for (int i = 0; i < n; i++) cin >> c[i]; for (int i = 0; i < n; i++) { "
       "int left = c[i]; for (int k = 1; left > 0; k *= 2) left -= min(k, left); }",
       "O(n * log c)"},
      {"a doubling counter beside a value spent by one is no split",
       "int left = m; for (int k = 1; left > 0; k <<= 1) left -= 1;", "O(m)"},
      {"a binary search over a view runs its test per step",
       "vector<int> a(n); auto it = ranges::lower_bound(views::iota(0, m), true, {}, [&](int x) { "
       "int s = 0; for (int v : a) s += v > x; return s < x; });",
       "O(n * log m)"},
      {"pushing while walking the size taken before doubles per pass",
       "vector<int> v(1); for (int x = 0; x < n; x++) { int was = v.size(); for (int j = 0; j < "
       "was; j++) v.push_back(v[j] ^ x); }",
       "O(2^n)"},
      {"a size taken in the header, walked down, doubles too",
       "vector<int> v(1); for (int x = 0; x < n; x++) for (int j = (int)v.size() - 1; j >= 0; "
       "--j) v.emplace_back(v[j] + x);",
       "O(2^n)"},
      {"a size taken before a loop that pushes elsewhere is that size",
       "vector<int> v(m), w; for (int x = 0; x < n; x++) { int k = v.size(); for (int j = 0; j "
       "< k; j++) w.push_back(v[j]); }",
       "O(m * n)"},
      {"an array kept as a stack by a counter drains once per push",
       "int to[1005][1005], deg[1005], st[1000005], top = 0; bool seen[1005] = {}; for (int i = "
       "0; i < m; i++) { int u, v; cin >> u >> v; to[u][deg[u]++] = v; } st[++top] = 0; while "
       "(top > 0) { int u = st[top--]; for (int i = 0; i < deg[u]; i++) if (!seen[to[u][i]]) { "
       "seen[to[u][i]] = 1; st[++top] = to[u][i]; } }",
       "O(m + n)"},
      {"a sift down by a doubled index kept aside, up to the counter",
       "int h[200005], sz = 0; for (int i = 0; i < n; i++) h[++sz] = i; for (int i = 0; i < n; "
       "i++) { h[1] = h[sz--]; int k = 1; while (2 * k <= sz) { int c = 2 * k; if (c + 1 <= sz "
       "&& h[c + 1] < h[c]) c++; k = c; } }",
       "O(n * log n)"},
      {"rows kept with their lengths share the entries",
       "int to[1005][1005], deg[1005]; for (int i = 0; i < m; i++) { int u, v; cin >> u >> v; "
       "to[u][deg[u]++] = v; } for (int u = 0; u < n; u++) for (int i = 0, k = deg[u]; i < k; "
       "i++) for (int b = 1; b < q; b *= 2) {}",
       "O(m * log q + n)"},
      {"a drain that tests a literal size",
       "queue<int> d; for (int i = 0; i < n; i++) d.push(i); while (d.size() > 1) { d.pop(); }",
       "O(n)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(timeOf(inMain(c.body)), c.want) << c.name;
}

TEST(TripCountTest, SumBoundReplacesTheTestCount) {
  const std::string body =
      "int t; cin >> t; while (t--) { cin >> n; for (int i = 0; i < n; i++) {} }";
  EXPECT_EQ(timeOf("// the sum of n over all tests does not exceed 2e5\n" + inMain(body)), "O(n)");
}

// Test loops by what they do: their count is read, their passes read; the sizes a pass reads
// items by are summed over the passes, values keep the count.
TEST(TestLoopTest, FormsAndPricing) {
  const std::string head =
      "#include <bits/stdc++.h>\nusing namespace std;\nconst int N = 2e5 + 5;\nint g[N];\n";
  const std::string items = "int k; cin >> k; vector<int> a(k); for (auto& x : a) cin >> x; ";
  const struct {
    const char* name;
    std::string program;
    const char* want;
  } kCases[] = {
      {"while decrement",
       "int main() { int t; cin >> t; while (t--) { " + items + "sort(a.begin(), a.end()); } }",
       "O(k * log k)"},
      {"counted for",
       "int main() { int T; cin >> T; for (int c = 1; c <= T; c++) { " + items + "} }", "O(k)"},
      {"decrement in the body", "int main() { int t; cin >> t; while (t) { " + items + "t--; } }",
       "O(k)"},
      {"until the end",
       "int main() { int k; while (cin >> k) { for (int i = 0; i < k; i++) "
       "cin >> g[i]; } }",
       "O(k)"},
      {"groups read into the rows their counter picks",
       "int main() { int k; cin >> k; vector<vector<int>> rows(k); for (int i = 0; i < k; i++) { "
       "int m; cin >> m; for (int j = 0; j < m; j++) { int x; cin >> x; rows[i].push_back(x); } } "
       "long long s = 0; for (int i = 0; i < k; i++) for (int x : rows[i]) s += x; }",
       "O(k + m)"},
      {"a degree list per vertex",
       "int main() { int n; cin >> n; vector<vector<int>> adj(n); for (int u = 0; u < n; u++) { "
       "int d; cin >> d; while (d--) { int v; cin >> v; adj[u].push_back(v); } } }",
       "O(n + d)"},
      {"groups kept per index by a while",
       "int main() { int k; cin >> k; vector<int> best(k); int i = 0; while (i < k) { int c; cin "
       ">> c; vector<int> row(c); for (auto& x : row) cin >> x; best[i] = "
       "*max_element(row.begin(), "
       "row.end()); i++; } }",
       "O(k + c)"},
      {"groups read into each row a walk over the rows reaches",
       "int main() { int n; cin >> n; vector<vector<int>> adj(n); for (auto& row : adj) { int k; "
       "cin >> k; for (int j = 0; j < k; j++) { int x; cin >> x; row.push_back(x); } } }",
       "O(n + k)"},
      {"near miss: a walk over entries that reads single values",
       "int main() { int n; cin >> n; vector<long long> a(n); for (auto& x : a) cin >> x; long "
       "long s = 0; for (auto& x : a) for (int j = 0; j < n; j++) s += x * j; }",
       "O(n^2)"},
      {"near miss: items picked by the counter read no sizes",
       "int main() { int k; cin >> k; vector<long long> a(k); for (int i = 0; i < k; i++) cin >> "
       "a[i]; }",
       "O(k)"},
      {"values keep the count",
       "int main() { int t; cin >> t; while (t--) { long long x; "
       "cin >> x; for (long long d = 2; d * d <= x; d++) {} } }",
       "O(t * sqrt x)"},
      {"capacity work keeps the count",
       "int main() { int t; cin >> t; while (t--) { " + items + "memset(g, 0, sizeof g); } }",
       "O(N * t + k)"},
      {"comment gives per-test limits",
       "// 1 <= t <= 100\nint main() { int t; cin >> t; "
       "while (t--) { " +
           items + "} }",
       "O(k * t)"},
      {"numbered answers do not make the count multiply",
       "int main() { int t; cin >> t; for (int c = 1; c <= t; c++) { " + items +
           "printf(\"Case %d: %d\\n\", c, k); } }",
       "O(k)"},
      {"until a line of zeros, summed",
       "int main() { while (true) { int k; cin >> k; if (k == 0) break; for (int i = 0; i < k; "
       "i++) cin >> g[i]; } }",
       "O(k)"},
      {"T of the program's own keeps the unnamed count apart",
       "template <class T> T twice(T x) { return x + x; }\n"
       "int main() { while (true) { int k; cin >> k; if (k == 0) break; for (int i = 0; i < k; "
       "i++) cin >> g[i]; memset(g, 0, sizeof g); } }",
       "O(N * input + k)"},
      {"answers parted by blank lines, summed",
       "int main() { int t; cin >> t; bool later = false; while (t--) { " + items +
           "if (later) cout << endl; later = true; } }",
       "O(k)"},
      {"count converted by a functional cast",
       "typedef long long ll; int main() { int t; cin >> t; for (ll c = 0; c < ll(t); ++c) { " +
           items + "} }",
       "O(k)"},
      {"count stepped in the header",
       "int main() { int t; cin >> t; for (; t > 0; t--) { " + items + "} }", "O(k)"},
      {"items in a small fixed array, summed",
       "int main() { int t; cin >> t; while (t--) { int k; int w[50]; cin >> k; for (int i = 0; "
       "i < k; i++) cin >> w[i]; for (int i = 0; i < k; i++) for (int j = 0; j < k; j++) {} } }",
       "O(k^2)"},
      {"a size read with a string of that length",
       "int main() { int t; cin >> t; while (t--) { int k; string w; cin >> k >> w; for (int i = "
       "0; i < k; i++) g[i] = w[i]; } }",
       "O(k)"},
      {"sizes read by two extractions joined by &&",
       "int main() { int r, c; while (cin >> r && cin >> c) { for (int i = 0; i < c; i++) cin >> "
       "g[i]; for (int i = 0; i < r; i++) g[i]++; } }",
       "O(c + r)"},
      {"sizes read by statements that follow one another",
       "int main() { int t; cin >> t; while (t--) { int r, c; cin >> r; cin >> c; for (int i = 0; "
       "i < c; i++) cin >> g[i]; for (int i = 0; i < r * r; i++) {} } }",
       "O(r^2 + c)"},
      {"items read through a variadic lambda",
       "int main() { auto in = [&](auto&... xs) { (cin >> ... >> xs); }; int t; in(t); while "
       "(t--) { int k; in(k); for (int i = 0; i < k; i++) in(g[i]); sort(g, g + k); } }",
       "O(k * log k)"},
      {"a vector read through the program's operator>>",
       "template <class T> istream& operator>>(istream& is, vector<T>& v) { for (auto& x : v) is "
       ">> x; return is; }\nint main() { int t; cin >> t; while (t--) { int k; cin >> k; "
       "vector<long long> v(k); cin >> v; sort(v.begin(), v.end()); } }",
       "O(k * log k)"},
      {"a count handed to a reader",
       "void readAll(int* a, int cnt) { for (int i = 0; i < cnt; i++) scanf(\"%d\", &a[i]); }\n"
       "int main() { int t; scanf(\"%d\", &t); while (t--) { int k; scanf(\"%d\", &k); "
       "readAll(g, k); sort(g, g + k); } }",
       "O(k * log k)"},
      {"a member reader of a scanner",
       "struct Scanner { int next() { int x = 0, c = getchar(); while (c >= '0') { x = x * 10 + c "
       "- '0'; c = getchar(); } return x; } } sc;\nint main() { int t = sc.next(); while (t--) { "
       "int k = sc.next(); for (int i = 0; i < k; i++) g[i] = sc.next(); } }",
       "O(k)"},
      {"a digit loop inside a reader is no test loop",
       "void rd(int& x) { x = 0; int c; while (c = getchar(), c >= '0') x = x * 10 + c - '0'; }\n"
       "int main() { int n; rd(n); for (int i = 0; i < n; i++) rd(g[i]); sort(g, g + n); }",
       "O(n * log n)"},
      {"a counted list of pairs is not a test loop",
       "int main() { int n, m; cin >> n >> m; vector<int> deg(n); for (int i = 0; i < m; i++) { "
       "int u, v; cin >> u >> v; deg[u]++; } }",
       "O(n + m)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(timeOf(head + c.program), c.want) << c.name;
}

// Values that reach a bound through a helper or a cast keep the size they are made of.
TEST(ValueTest, HelpersAndCastsKeepTheirSizes) {
  const std::string head = "#include <bits/stdc++.h>\nusing namespace std;\n";
  const std::string bfs =
      "int main() { int n; cin >> n; for (int i = 1; i < n; i++) { int a, b; cin >> a >> b; "
      "g[a].push_back(b); } queue<int> q; q.push(1); while (!q.empty()) { int u = q.front(); "
      "q.pop(); for (int v : g[u]) q.push(v); } }";
  const struct {
    const char* name;
    std::string program;
    const char* want;
  } kCases[] = {
      {"levels from a helper's bit length",
       "int topBit(unsigned x) { return 31 - __builtin_clz(x); }\nint main() { int n; cin >> n; "
       "int lg = topBit(n) + 1; for (int k = 0; k < lg; k++) for (int i = 0; i < n; i++) {} }",
       "O(n * log n)"},
      {"a helper returning a constant stays constant",
       "int lanes(int x) { return 4; }\nint main() { int n; cin >> n; for (int k = 0; k < "
       "lanes(n); k++) for (int i = 0; i < n; i++) {} }",
       "O(n)"},
      {"a product over one of its factors is the other",
       "long long both(long long a, long long b) { return a * b; }\nint main() { long long n, m; "
       "cin >> n >> m; long long l = both(n, m); long long steps = l / n; for (long long i = 0; "
       "i < steps; i++) {} }",
       "O(m)"},
      {"a word in a small char array has a bounded length",
       "int walk(char* w, int k) { int r = 0; for (int i = 0; i < k; i++) r += w[i]; return r; "
       "}\nint main() { int n; char word[55]; scanf(\"%d\", &n); while (n--) { scanf(\"%s\", "
       "word); printf(\"%d\", walk(word, strlen(word))); } }",
       "O(n)"},
      {"the library's Fenwick tree takes log n per call",
       "int main() { int n, q; cin >> n >> q; atcoder::fenwick_tree<long long> fw(n); for (int i "
       "= 0; i < q; i++) { int p; cin >> p; fw.add(p, 1); } }",
       "O(q * log n + n)"},
      {"the library's union-find takes alpha(n) per call",
       "int main() { int n, q; cin >> n >> q; atcoder::dsu d(n); for (int i = 0; i < q; i++) { "
       "int u, v; cin >> u >> v; d.merge(u, v); } }",
       "O(q * alpha(n) + n)"},
      {"bare names after the using-directive are the library's",
       "namespace atcoder {}\nusing namespace atcoder;\nint main() { int n, q; cin >> n >> q; "
       "fenwick_tree<int> fw(n); for (int i = 0; i < q; i++) fw.add(i % n, 1); }",
       "O(q * log n + n)"},
      {"without the directive a bare name is the program's own",
       "int main() { int n, q; cin >> n >> q; fenwick_tree<int> fw(n); for (int i = 0; i < q; "
       "i++) fw.add(i % n, 1); }",
       "O(q)"},
      {"the library's max flow takes n^2 m",
       "int main() { int n, m; cin >> n >> m; atcoder::mf_graph<int> g(n); for (int i = 0; i < "
       "m; i++) { int a, b, c; cin >> a >> b >> c; g.add_edge(a, b, c); } g.flow(0, n - 1); }",
       "O(m * n^2)"},
      {"the library's two-sat is linear in clauses and variables",
       "int main() { int n, m; cin >> n >> m; atcoder::two_sat ts(n); for (int i = 0; i < m; "
       "i++) { int a, b; cin >> a >> b; ts.add_clause(a, true, b, false); } ts.satisfiable(); }",
       "O(n + m)"},
      {"a tree keyed by char stays small",
       "int main() { map<char, int> f; string s; cin >> s; for (char c : s) f[c]++; }", "O(|s|)"},
      {"Mo's order through operator< and bounds kept in locals",
       "int B; struct Qr { int l, r; bool operator<(const Qr& o) const { return l / B != o.l / B "
       "? l < o.l : r < o.r; } } qs[200005];\nint a[200005];\nint main() { int n, q; cin >> n >> "
       "q; B = sqrt(n) + 1; for (int i = 0; i < n; i++) cin >> a[i]; for (int i = 0; i < q; i++) "
       "cin >> qs[i].l >> qs[i].r; sort(qs, qs + q); int lo = 0, hi = -1; for (int i = 0; i < q; "
       "i++) { int L = qs[i].l, R = qs[i].r; while (hi < R) a[++hi]++; while (lo < L) a[lo++]--; "
       "} }",
       "O(n * sqrt n + q * sqrt n + q * log q)"},
      {"a search from a board of fixed size",
       "int main() { long long s = 0; for (int i = 0; i < 9; i++) { int x; cin >> x; s = s * 10 + "
       "x; } unordered_set<long long> seen; queue<long long> q; q.push(s); seen.insert(s); while "
       "(!q.empty()) { long long c = q.front(); q.pop(); for (int d = 1; d < 9; d++) { long long "
       "v = c / 10 + d; if (!seen.count(v)) { seen.insert(v); q.push(v); } } } }",
       "O(1)"},
      {"a value read on its own may size the search",
       "int main() { int k; cin >> k; queue<int> q; q.push(k); while (!q.empty()) { int c = "
       "q.front(); q.pop(); if (c > 0) q.push(c - 1); } }",
       "O(k)"},
      {"a copy made by assignment holds what it copies",
       "int main() { int n; cin >> n; vector<int> a(n); for (int& x : a) cin >> x; vector<int> b "
       "= a; sort((b).begin(), (b).end()); }",
       "O(n * log n)"},
      {"a string copied by assignment is as long",
       "int main() { string s; cin >> s; string t = s; sort(t.begin(), t.end()); }",
       "O(|s| * log |s|)"},
      {"a copy of a list the input fills by pushes",
       "int main() { int q; cin >> q; vector<int> got; while (q--) { int x; cin >> x; "
       "got.push_back(x); } vector<int> order(got); sort(order.begin(), order.end()); }",
       "O(q * log q)"},
      {"a copy of a suffix in every pass",
       "int main() { int n; cin >> n; vector<int> a(n); for (int& x : a) cin >> x; for (int i = "
       "0; i < n; i++) { vector<int> b(a.begin() + i, a.end()); sort(b.begin(), b.end()); } }",
       "O(n^2 * log n)"},
      {"a copy of a prefix of a string",
       "int main() { string s; cin >> s; int k; cin >> k; string t(s.begin(), s.end() - k); "
       "sort(t.begin(), t.end()); }",
       "O(|s| * log |s|)"},
      {"an unbalanced tree of bounded words holds the items each test counts",
       "struct T { char w[21]; T *l, *r; };\nT* put(T* t, char* w) { if (!t) { t = "
       "(T*)calloc(1, sizeof(T)); strcpy(t->w, w); return t; } int c = strcmp(w, t->w); if (c < "
       "0) t->l = put(t->l, w); else if (c > 0) t->r = put(t->r, w); return t; }\nint main() { "
       "int tests; scanf(\"%d\", &tests); while (tests--) { int m; scanf(\"%d\", &m); T* root = "
       "0; char w[21]; while (m--) { scanf(\"%s\", w); root = put(root, w); } } }",
       "O(m^2)"},
      {"a cast limit in a macro sizes the lists",
       "#define LIM (int)(2 * 1e5)\nvector<int> g[LIM + 1];\n" + bfs, "O(n)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(timeOf(head + c.program), c.want) << c.name;
}

// Containers at namespace scope are constructed before main runs; zero-filled arrays cost
// nothing to set up.
TEST(ValueTest, GlobalContainersAreBuiltBeforeMain) {
  const std::string head = "#include <bits/stdc++.h>\nusing namespace std;\nconst int MX = 2e5;\n";
  const std::string main = "\nint main() { int n; cin >> n; for (int i = 0; i < n; i++) {} }";
  const testing::Case<std::string, std::string> kCases[] = {
      {"a vector of a capacity", "vector<int> seen(MX, -1);", "O(MX + n)"},
      {"lists of a capacity inside a namespace", "namespace g { vector<vector<int>> adj(MX); }",
       "O(MX + n)"},
      {"a table of two capacities", "vector<vector<long long>> dp(MX, vector<long long>(30));",
       "O(MX + n)"},
      {"a zero-filled array", "int cnt[MX];", "O(n)"},
      {"an empty vector", "vector<int> order;", "O(n)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(timeOf(head + c.in + main), c.want) << c.name;
}

// A constructor's initialiser list fills its member containers before its body runs.
TEST(ValueTest, MembersAreBuiltByTheirConstructor) {
  const std::string head = "#include <bits/stdc++.h>\nusing namespace std;\n";
  const std::string main = "\nint main() { int n, m; cin >> n >> m; S s(n, m); }";
  const testing::Case<std::string, std::string> kCases[] = {
      {"one member of the first size", "struct S { vector<int> a; S(int n, int m) : a(n, -1) {} };",
       "O(n)"},
      {"a table of both sizes beside a list",
       "class S { vector<vector<long long>> d; vector<int> g; public: S(int n, int m) : d(n, "
       "vector<long long>(m)), g(n) {} };",
       "O(m * n)"},
      {"a member set from the constructor's parameter is what the object is built with",
       "class S {\n private:\n  int* cells;\n  int total, count, width;\n public:\n  S(int rows, "
       "int sz);\n};\nS::S(int rows, int sz) { total = sz; width = sqrt(total); count = width + 1; "
       "cells = new int[count]; for (int i = 0; i < count; i++) cells[i] = 0; }",
       "O(sqrt m)"},
      {"scalar members cost nothing",
       "struct S { int rows, cols; S(int n, int m) : rows(n), "
       "cols(m) {} };",
       "O(1)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(timeOf(head + c.in + main), c.want) << c.name;
}

TEST(LibraryNamesTest, NamespaceAliasesAndOwnDefinitions) {
  LibraryNames open;
  open.bare = {"segtree", "dsu"};
  open.aliases = {{"mint", "modint998244353"}};
  const struct {
    const char* spelling;
    bool opened;
    const char* want;
  } kCases[] = {
      {"atcoder::segtree<S, op, e>", false, "segtree"},
      {"::atcoder::dsu", false, "dsu"},
      {"segtree<S, op, e>", false, ""},
      {"segtree<S, op, e>", true, "segtree"},
      {"dsu::leader", true, ""},
      {"mint", true, "modint998244353"},
      {"atcoder::mystery", false, ""},
      {"fenwick_tree<int>", true, ""},  // defined by the program: not in the open names
  };
  for (const auto& c : kCases)
    EXPECT_EQ(libraryNameOf(c.spelling, c.opened ? open : LibraryNames{}), c.want) << c.spelling;
  const Model own = buildModel(
      "namespace atcoder {}\nusing namespace atcoder;\nstruct dsu { int p[9]; };\n"
      "using mint = static_modint<7>;\nint main() {}\n");
  EXPECT_EQ(own.library.bare.count("dsu"), 0u);
  EXPECT_EQ(own.library.bare.count("segtree"), 1u);
  EXPECT_EQ(own.library.aliases.at("mint"), "static_modint");
  EXPECT_TRUE(buildModel("struct dsu {};\nint main() {}\n").library.bare.empty());
}

TEST(RecurrenceTest, ShapesOfRecursion) {
  const std::string head = "#include <bits/stdc++.h>\nusing namespace std;\nint n, m;\n";
  const struct {
    const char* name;
    const char* functions;
    const char* call;
    const char* want;
  } kCases[] = {
      {"linear", "int f(int k) { if (k == 0) return 0; return f(k - 1) + 1; }", "f(n)", "O(n)"},
      {"branching", "int f(int k) { if (k < 2) return k; return f(k - 1) + f(k - 2); }", "f(n)",
       "O(2^n)"},
      {"halving once",
       "long long p(long long b, long long e) { if (!e) return 1; long long h = p(b, e / 2); "
       "return h * h; }",
       "p(2, m)", "O(log m)"},
      {"merge sort",
       "vector<int> a; void s(int l, int r) { if (l >= r) return; int mid = (l + r) / 2; s(l, "
       "mid); s(mid + 1, r); for (int i = l; i <= r; i++) a[i]++; }",
       "s(0, n - 1)", "O(n * log n)"},
      {"range query",
       "int t[1]; int g(int x, int l, int r, int ql, int qr) { if (qr < l || r < ql) return 0; if "
       "(ql <= l && r <= qr) return t[x]; int mid = (l + r) / 2; return g(2 * x, l, mid, ql, qr) + "
       "g(2 * x + 1, mid + 1, r, ql, qr); }",
       "g(1, 0, n - 1, 0, m)", "O(log n)"},
      {"permutations",
       "bool used[20]; void p(int d) { if (d == n) return; for (int i = 0; i < n; i++) { if "
       "(used[i]) continue; used[i] = 1; p(d + 1); used[i] = 0; } }",
       "p(0)", "O(n!)"},
      {"midpoint under any name",
       "void s(int l, int r) { if (l >= r) return; int c = (l + r) / 2; s(l, c); s(c + 1, r); }",
       "s(0, n - 1)", "O(n)"},
      {"a parameter passed unchanged is no midpoint",
       "int f(int m, int k) { if (k == 0) return m; return f(m, k - 1); }", "f(n, m)", "O(m)"},
      {"a fixed set of choices",
       "void p(int d) { if (d == n) return; for (char c : {'L', 'R', 'U'}) p(d + 1); }", "p(0)",
       "O(3^n)"},
      {"a loop counted between constants branches that many ways",
       "void p(int d) { if (d == n) return; for (int c = 0; c < 2; c++) p(d + 1); }", "p(0)",
       "O(2^n)"},
      {"four moves of a walk that marks its cell: never the one back",
       "bool u[9][9]; int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1}; void w(int x, int y, int "
       "d) { if (d == n) return; u[x][y] = 1; for (int k = 0; k < 4; k++) { int a = x + dx[k], b "
       "= y + dy[k]; if (a < 0 || b < 0 || a > 8 || b > 8 || u[a][b]) continue; w(a, b, d + 1); } "
       "u[x][y] = 0; }",
       "w(0, 0, 0)", "O(3^n)"},
      {"every sequence",
       "void p(int d) { if (d == n) return; for (int c = 0; c < m; c++) p(d + 1); }", "p(0)",
       "O(m^n)"},
      {"memoised by a literal-sized table",
       "long long dp[5005][5005]; long long f(int i, int j) { if (i == 0 || j == 0) return 1; if "
       "(dp[i][j] != -1) return dp[i][j]; return dp[i][j] = f(i - 1, j) + f(i, j - 1); }",
       "f(n, m)", "O(m * n)"},
      {"a root test is no memo, union by size from the arithmetic",
       "vector<int> up; int r(int x) { if (up[x] < 0) return x; return up[x] = r(up[x]); } void "
       "j(int a, int b) { a = r(a); b = r(b); if (a == b) return; if (up[a] > up[b]) swap(a, b); "
       "up[a] += up[b]; up[b] = a; }",
       "up.assign(n, -1); for (int i = 0; i + 1 < m; i++) j(i, i + 1)", "O(m * alpha(n) + n)"},
      {"ranks that start as indices are labels: compression alone",
       "vector<int> up, rk; int r(int x) { if (up[x] == x) return x; return up[x] = r(up[x]); } "
       "void j(int a, int b) { a = r(a); b = r(b); if (rk[a] < rk[b]) swap(a, b); up[b] = a; if "
       "(rk[a] == rk[b]) rk[a] += 1; }",
       "up.resize(n); rk.resize(n); for (int i = 0; i < n; i++) { up[i] = i; rk[i] = i; } for "
       "(int i = 0; i + 1 < m; i++) j(i, i + 1)",
       "O(m * log n + n)"},
      {"compression written as a conditional, labels compared equal are no ranks",
       "vector<int> up, t; int r(int x) { return up[x] = x == up[x] ? x : r(up[x]); } void j(int "
       "a, int b) { a = r(a); b = r(b); if (t[a] == t[b]) up[a] = b; }",
       "up.resize(n); t.assign(n, 1); iota(up.begin(), up.end(), 0); for (int i = 0; i + 1 < m; "
       "i++) j(i, i + 1)",
       "O(m * log n + n)"},
      {"compression in the branch of a conditional, ranks that tie grow",
       "vector<int> up, rk; int r(int x) { return up[x] == x ? x : up[x] = r(up[x]); } void j(int "
       "a, int b) { a = r(a); b = r(b); if (rk[a] == rk[b]) rk[a]++; up[b] = a; }",
       "up.resize(n); rk.assign(n, 0); iota(up.begin(), up.end(), 0); for (int i = 0; i + 1 < m; "
       "i++) j(i, i + 1)",
       "O(m * alpha(n) + n)"},
      {"a lookup never stored is no memo",
       "int a[100]; int f(int k) { if (k < 2) return k; if (a[k] > 0) return a[k]; return f(k - "
       "1) + f(k - 2); }",
       "f(n)", "O(2^n)"},
      {"memo over a set of bits and a last element",
       "int dp[1 << 16][16], d[16][16]; int f(int S, int v) { if (dp[S][v] >= 0) return "
       "dp[S][v]; int r = 1e9; for (int u = 0; u < n; u++) if (!((S >> u) & 1)) r = min(r, f(S "
       "| 1 << u, u) + d[v][u]); return dp[S][v] = r; }",
       "f(1, 0)", "O(2^n * n^2)"},
      {"memo over a value divided two ways: log n choices per divisor",
       "map<long long, long long> k; long long f(long long a) { if (a < 2) return a; if "
       "(k.count(a)) return k[a]; return k[a] = f(a / 2) + f(a / 3); }",
       "f(n)", "O(log^2 n * log log n)"},
      {"divisors made of two primes reach log^2 values",
       "unordered_map<long long, long long> k; long long f(long long a) { if (a < 12) return a; "
       "if (k.count(a)) return k[a]; return k[a] = f(a / 2) + f(a / 3) + f(a / 4); }",
       "f(n)", "O(log^2 n)"},
      {"digit memo: positions up to the base case, a digit and a flag take few values",
       "long long dp[20][11][2]; bool sn[20][11][2]; long long g(int p, int l, int t) { if (p == "
       "m) return 1; if (sn[p][l][t]) return dp[p][l][t]; long long r = 0; for (int d = 0; d <= "
       "9; d++) r += g(p + 1, d, t && d == 9); sn[p][l][t] = true; return dp[p][l][t] = r; }",
       "g(0, n, 1)", "O(m)"},
      {"memo asked once per pass computes each state once",
       "long long dp[5005]; long long f(int k) { if (k < 2) return k; if (dp[k]) return dp[k]; "
       "return dp[k] = f(k - 1) + f(k - 2); }",
       "for (int i = 0; i < n; i++) f(i)", "O(n)"},
      {"a mark beside the table at the same entry makes a memo",
       "int dp[105][105]; bool vis[105][105]; int f(int i, int j) { if (i == 0 || j == 0) return "
       "1; if (vis[i][j]) return dp[i][j]; vis[i][j] = true; return dp[i][j] = f(i - 1, j) + f(i, "
       "j - 1); }",
       "f(n, m)", "O(m * n)"},
      {"a global memo nothing clears fills once over all tests",
       "const int N = 1005; int dp[N][N]; bool vis[N][N]; int f(int i, int j) { if (i == 0 || j "
       "== 0) return 1; if (vis[i][j]) return dp[i][j]; vis[i][j] = true; return dp[i][j] = f(i - "
       "1, j) + f(i, j - 1); }",
       "int t; cin >> t; while (t--) { int a, b; cin >> a >> b; f(a, b); }", "O(N^2 + t)"},
      {"small to large: each entry moves log n times, each move an insert",
       "vector<vector<int>> g; set<int>* s(int v) { set<int>* a = new set<int>{v}; for (int c : "
       "g[v]) { set<int>* b = s(c); if (a->size() < b->size()) swap(a, b); for (int x : *b) "
       "a->insert(x); delete b; } return a; }",
       "g.assign(n, {}); for (int i = 1; i < n; i++) g[i / 2].push_back(i); s(0)",
       "O(n * log^2 n)"},
      {"memo returned from a block",
       "long long dp[5005]; long long f(int k) { if (k < 2) return k; if (dp[k]) { return dp[k]; "
       "} return dp[k] = f(k - 1) + f(k - 2); }",
       "f(n)", "O(n)"},
      {"memo through a reference",
       "long long dp[5005]; long long f(int k) { if (k < 2) return k; long long& r = dp[k]; if (r "
       "!= -1) return r; return r = f(k - 1) + f(k - 2); }",
       "f(n)", "O(n)"},
      {"calls guarded by a visit mark",
       "vector<vector<int>> s; int f(int r, int c) { s[r][c] = 1; int t = 1; if (r + 1 < n && "
       "!s[r + 1][c]) t += f(r + 1, c); if (c + 1 < m && !s[r][c + 1]) t += f(r, c + 1); return "
       "t; }",
       "s.assign(n, vector<int>(m, 0)); f(0, 0)", "O(m * n)"},
      {"a mark cleared again is backtracking",
       "bool u[20]; int f(int d) { if (d == n) return 1; int t = 0; for (int i = 0; i < n; i++) "
       "if (!u[i]) { u[i] = 1; t += f(d + 1); u[i] = 0; } return t; }",
       "f(0)", "O(n!)"},
      {"work per call that ignores the range",
       "vector<vector<int>> s; void f(int x, int l, int r) { for (int v : s[x]) {} if (l == r) "
       "return; int mid = (l + r) / 2; f(2 * x, l, mid); f(2 * x + 1, mid + 1, r); }",
       "s.assign(n, {}); for (int i = 0; i < m; i++) s[i % n].push_back(i); f(1, 0, n - 1)",
       "O(n + m)"},
      {"sift down a heap by a doubled index",
       "int h[200005]; void down(int k) { int l = k * 2; if (l <= n) { if (h[k] > h[l]) { "
       "swap(h[k], h[l]); down(l); } } }",
       "for (int i = 0; i < m; i++) down(1)", "O(m * log n)"},
      {"point query on a tree keeping its ranges in the entries",
       "struct Nd { int lo, hi, s; } t[800005]; int qy(int x, int p) { if (p >= t[x].hi || "
       "t[x].lo > p) return 0; if (t[x].hi - t[x].lo == 1) return t[x].s; return qy(x << 1, p) + "
       "qy((x << 1) + 1, p); }",
       "for (int i = 0; i < m; i++) qy(1, i)", "O(m * log n)"},
      {"a method called through an object named like a member array",
       "struct P { int t[400005]; int q(int b, int e, int k) { if (b == e) return t[b]; int mid = "
       "(b + e) / 2; return k <= mid ? q(b, mid, k) : q(mid + 1, e, k); } } t;",
       "for (int i = 0; i < m; i++) t.q(1, n, i)", "O(m * log n)"},
      {"subset sums of each half, one doubling pass per item",
       "vector<int> w; vector<long long> sums(int from, int to) { vector<long long> got(1, 0); "
       "for (int p = from; p < to; ++p) { int was = got.size(); for (int j = 0; j < was; ++j) "
       "got.push_back(got[j] + w[p]); } return got; }",
       "w.resize(n); auto a = sums(0, n >> 1); auto b = sums(n >> 1, n); sort(b.begin(), "
       "b.end())",
       "O(2^(n/2) * n)"},
      {"both branches down to a half's end push into the caller's list",
       "void g(int at, int end, int s, vector<int>& into) { if (at == end) { into.push_back(s); "
       "return; } g(at + 1, end, s, into); g(at + 1, end, s ^ at, into); }",
       "int half = n / 2; vector<int> got; g(half, n, 0, got); sort(got.begin(), got.end())",
       "O(2^(n/2) * n)"},
      {"down to the whole range's end is no half",
       "void g(int at, int end, vector<int>& into) { if (at == end) { into.push_back(at); "
       "return; } g(at + 1, end, into); g(at + 1, end, into); }",
       "vector<int> got; g(0, n, got); for (int x : got) m += x", "O(2^n)"},
      {"every node of a tree laid out by doubled indices",
       "void all(int k) { if (k > n) return; all(2 * k); all(2 * k + 1); }", "all(1)", "O(n)"},
      {"one call on a container the activation fills itself: a geometric sum",
       "int f(const vector<int>& v) { if (v.size() < 2) return 0; vector<int> w; for (int i = "
       "1; i < (int)v.size(); i += 2) w.push_back(v[i]); return f(w) + 1; }",
       "vector<int> a(n); f(a)", "O(n)"},
      {"one call on a copy of its argument less one entry: linear depth",
       "int f(const vector<int>& v) { if (v.empty()) return 0; vector<int> w(v.begin() + 1, "
       "v.end()); for (int i = 0; i < (int)v.size(); i++) m += v[i]; return f(w) + 1; }",
       "vector<int> a(n); f(a)", "O(n^2)"},
      {"traversal",
       "vector<vector<int>> g; vector<bool> seen; void d(int u) { seen[u] = true; for (int v : "
       "g[u]) if (!seen[v]) d(v); }",
       "g.assign(n, {}); seen.assign(n, false); for (int i = 0; i < m; i++) { int a, b; cin >> a "
       ">> b; g[a].push_back(b); } d(0)",
       "O(n + m)"},
  };
  for (const auto& c : kCases) {
    const std::string program =
        head + c.functions + "\nint main() { cin >> n >> m; " + c.call + "; }\n";
    EXPECT_EQ(timeOf(program), c.want) << c.name;
  }
}

}  // namespace
}  // namespace quorbel

namespace quorbel {
namespace {

std::string spaceOf(const std::string& program) {
  Model model = buildModel(program);
  const TimeEstimate time = estimateTime(model);
  return formatCost(estimateSpace(model, time).total);
}

TEST(SpaceTest, DeclarationShapes) {
  const std::string head = "#include <bits/stdc++.h>\nusing namespace std;\n";
  const struct {
    const char* name;
    const char* globals;
    const char* main;
    const char* want;
  } kCases[] = {
      {"global array by a named constant", "const int maxN = 2e5 + 5; int a[maxN];", "", "O(maxN)"},
      {"two arrays in one declaration", "const int N = 1e5; int a[N], b[N];", "", "O(N)"},
      {"table by two constants", "const int N = 5005, K = 105; long long dp[N][K];", "",
       "O(K * N)"},
      {"macro constant", "#define MAX 1000005\npair<int, int> p[MAX];", "", "O(MAX)"},
      {"small literal array is constant", "int cnt[26];", "", "O(1)"},
      {"pushes into a parameter taken by value grow the copy only",
       "void g(vector<int> v) { v.push_back(1); }",
       "vector<int> v(n); for (int i = 0; i < m; i++) g(v);", "O(n)"},
      {"appending to a string taken by value grows the copy only",
       "int g(string s) { s += '#'; return s.size(); }",
       "string s; cin >> s; for (int i = 0; i < m; i++) g(s);", "O(|s|)"},
      {"modulus is not a size", "const int MOD = 1e9 + 7; int a[MOD % 7];", "", "O(1)"},
      {"array of lists holds the edges too", "const int N = 2e5 + 5; vector<int> adj[N];",
       "for (int i = 0; i < m; i++) { int u, v; cin >> u >> v; adj[u].push_back(v); }", "O(N + m)"},
      {"literal array holding the input", "int w[20];", "for (int i = 0; i < n; i++) cin >> w[i];",
       "O(n)"},
      {"subsets of a small constant", "const int K = 15; int dp[1 << K][K];", "", "O(2^K * K)"},
      {"bits over subsets", "#define K 20\nbitset<1 << K> seen;", "", "O(2^K)"},
      {"levels beside a large extent", "const int N = 2e5, L = 18; int up[N][L];", "",
       "O(N * log n)"},
      {"bitmask table", "", "vector<vector<int>> dp(1 << n, vector<int>(n));", "O(2^n * n)"},
      {"nested vector", "", "vector<vector<long long>> memo(n, vector<long long>(m, -1));",
       "O(m * n)"},
      {"vector read element by element", "",
       "vector<int> a; for (int i = 0; i < n; i++) { int x; cin >> x; a.push_back(x); }", "O(n)"},
      {"string read whole", "", "string s; cin >> s;", "O(|s|)"},
      {"string length named", "", "string s; cin >> s; int len = s.size();", "O(len)"},
      {"grown in a while loop", "",
       "vector<int> d; int x = n; while (x > 0) { d.push_back(x % 10); x /= 10; }", "O(log n)"},
      {"map filled in a loop", "", "map<int, int> cnt; for (int i = 0; i < n; i++) cnt[i]++;",
       "O(n)"},
      {"string grown by +=", "", "string s; for (int i = 0; i < n; i++) s += 'a';", "O(n)"},
      {"string rebuilt from itself", "", "string s; for (int i = 0; i < n; i++) s = s + 'a';",
       "O(n)"},
      {"helper local sized through another helper's call",
       "vector<int> order(const vector<int>& a) { vector<int> ids(a.size()); return ids; }\n"
       "template <class T> vector<int> outer(vector<T>& b) { return order(b); }",
       "vector<int> v(m); outer<int>(v);", "O(m)"},
      {"helper nobody calls holds nothing",
       "vector<int> copyOf(const vector<int>& a) { vector<int> b(a.size()); return b; }", "",
       "O(1)"},
      {"each numbered test refills the same slots", "int a[200005];",
       "int t; cin >> t; while (t--) { int k; cin >> k; for (int i = 0; i < k; i++) cin >> a[i]; "
       "printf(\"Case %d:\\n\", t); }",
       "O(k)"},
      {"slots named by a stored field are not the loop's range",
       "struct Qr { int l, id; } qs[200005]; int ans[200005];",
       "for (int i = 0; i < m; i++) { cin >> qs[i].l; qs[i].id = i; } for (int i = 0; i < m; i++) "
       "ans[qs[i].id] = qs[i].l;",
       "O(|ans| + m)"},
      {"rows built for every level in a helper",
       "vector<vector<int>> d; void build(const vector<int>& v) { int k = v.size(); d.resize(20); "
       "for (int s = 0; (1 << s) <= k; s++) d[s] = vector<int>(k); }",
       "vector<int> a(n); build(a);", "O(n * log n)"},
      {"a table of rows assigned at once", "vector<vector<int>> sp;",
       "int lv = __lg(n) + 1; sp.assign(lv, vector<int>(n));", "O(n * log n)"},
      {"a table assigned again in every pass holds the last one", "vector<vector<int>> dp;",
       "for (int i = 0; i < n; i++) dp.assign(2, vector<int>(m, 0));", "O(m)"},
      {"heap allocation in a loop", "", "for (int i = 0; i < n; i++) { int* row = new int[m]; }",
       "O(m * n)"},
      {"lists in a map filled at their front", "map<int, forward_list<int>> rows;",
       "for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; rows[a].emplace_front(b); }",
       "O(m)"},
      {"a map filled by try_emplace", "unordered_map<int, int> first;",
       "for (int i = 0; i < n; i++) { int x; cin >> x; first.try_emplace(x, i); }", "O(n)"},
      {"a list grown after its head", "forward_list<int> tail{0};",
       "for (int i = 0; i < n; i++) tail.insert_after(tail.begin(), i);", "O(n)"},
      {"digits kept through a counter", "int digit[40], len;",
       "long long v = n; while (v > 0) { digit[len++] = v % 10; v /= 10; }", "O(log n)"},
      {"rows filled through per-row counters", "int nb[505][505], deg[505];",
       "for (int i = 0; i < n; i++) for (int j = 0; j < m; j++) if ((i ^ j) & 1) nb[i][deg[i]++] "
       "= j;",
       "O(m * n)"},
      {"a counter set again in every pass keeps one pass", "int pick[100005];",
       "for (int t = 0; t < m; t++) { int top = 0; for (int i = 0; i < n; i++) pick[++top] = i; }",
       "O(n)"},
      {"a counter never set again keeps every pass", "int order[1000005], k;",
       "for (int t = 0; t < m; t++) for (int i = 0; i < n; i++) order[k++] = t;", "O(m * n)"},
      {"entries that are arrays of a level count", "const int LOG = 18;",
       "vector<array<int, LOG>> up(n); for (int v = 1; v < n; v++) for (int j = 1; j < LOG; j++) "
       "up[v][j] = up[up[v][j - 1]][j - 1];",
       "O(n * log n)"},
      {"records of a literal width stay linear", "",
       "vector<array<int, 3>> e(m, {0, 0, 0}); for (int i = 0; i < m; i++) for (int k = 0; k < n; "
       "k++) e[i][k] = max(e[i][k], k);",
       "O(m)"},
      {"a helper's square product sized by its argument's rows",
       "typedef vector<vector<long long>> Mat; Mat mul(const Mat& A, const Mat& B) { int k = "
       "A.size(); Mat C(k, vector<long long>(k)); for (int i = 0; i < k; i++) for (int j = 0; j "
       "< k; j++) for (int t = 0; t < k; t++) C[i][j] += A[i][t] * B[t][j]; return C; }",
       "Mat A(n, vector<long long>(n)); Mat C = mul(A, A);", "O(n^2)"},
      {"a helper's transpose sized by rows and row length",
       "vector<vector<int>> flip(const vector<vector<int>>& g) { int r = g.size(), c = "
       "g[0].size(); vector<vector<int>> t(c, vector<int>(r)); for (int i = 0; i < r; i++) for "
       "(int j = 0; j < c; j++) t[j][i] = g[i][j]; return t; }",
       "vector<vector<int>> g(n, vector<int>(m)); auto t = flip(g);", "O(m * n)"},
      {"malloc of a count of elements", "",
       "long long* a = (long long*)malloc(n * sizeof(long long)); free(a);", "O(n)"},
      {"calloc of a grid's cells", "", "int* cell = (int*)calloc(n * m, sizeof(int));", "O(m * n)"},
      {"std::malloc of bytes plus a margin, one per pass", "",
       "for (int i = 0; i < m; i++) { char* s = (char*)std::malloc(sizeof(char) * (n + 5)); }",
       "O(m * n)"},
      {"realloc to a new length", "", "int* b = nullptr; b = (int*)realloc(b, 4 * n);", "O(n)"},
      {"malloc of a constant is constant", "", "int* one = (int*)malloc(sizeof(int) * 64);",
       "O(1)"},
      {"a stack its counter empties in each pass keeps one pass", "int st[200005], top;",
       "for (int r = 0; r < m; r++) { top = 0; for (int i = 0; i < n; i++) st[++top] = i; while "
       "(top > 0) top--; }",
       "O(n)"},
      {"a list doubled once per item", "",
       "vector<int> v(1); for (int x = 0; x < n; x++) { int k = v.size(); for (int j = 0; j < k; "
       "j++) v.push_back(v[j] + x); }",
       "O(2^n)"},
      {"a helper's returned half of the subsets",
       "vector<int> part(int lo, int hi) { vector<int> r(1); for (int i = lo; i < hi; i++) { int "
       "k = r.size(); for (int j = 0; j < k; j++) r.push_back(r[j] + i); } return r; }",
       "vector<int> a = part(0, n / 2);", "O(2^(n/2))"},
  };
  for (const auto& c : kCases) {
    const std::string program =
        head + c.globals + "\nint main() { int n, m; cin >> n >> m; " + c.main + " }\n";
    EXPECT_EQ(spaceOf(program), c.want) << c.name;
  }
}

TEST(SpaceTest, RecursionDepth) {
  const std::string head = "#include <bits/stdc++.h>\nusing namespace std;\nint n;\n";
  const struct {
    const char* name;
    const char* functions;
    const char* call;
    const char* want;
  } kCases[] = {
      {"linear recursion", "int f(int k) { return k == 0 ? 0 : f(k - 1) + 1; }", "f(n)", "O(n)"},
      {"divide and conquer",
       "int f(int l, int r) { if (l >= r) return 0; int mid = (l + r) / 2; return f(l, mid) + "
       "f(mid + 1, r); }",
       "f(0, n)", "O(log n)"},
      {"depth-first search",
       "vector<vector<int>> g; vector<int> seen; void d(int u) { seen[u] = 1; for (int v : g[u]) "
       "if (!seen[v]) d(v); }",
       "g.assign(n, {}); seen.assign(n, 0); d(0)", "O(n)"},
      {"memoised chain",
       "map<pair<int, int>, long long> memo; long long f(int i, int j) { if (i == 0 || j == 0) "
       "return 1; auto key = make_pair(i, j); if (memo.count(key)) return memo[key]; return "
       "memo[key] = f(i - 1, j) + f(i, j - 1); }",
       "f(n, n)", "O(n^2)"},
      {"a memo over a divided value is log deep",
       "map<long long, long long> k; long long f(long long a) { if (a < 2) return a; if "
       "(k.count(a)) return k[a]; return k[a] = f(a / 2) + f(a / 3); }",
       "f(n)", "O(log^2 n)"},
      {"pushes undone by pops hold the stack's depth",
       "vector<int> path; void e(int d) { if (d == n) return; path.push_back(d); e(d + 1); e(d + "
       "1); path.pop_back(); }",
       "e(0)", "O(n)"},
      {"a local of each activation is freed on return",
       "int f(int k) { if (k == 0) return 0; vector<int> v; for (int i = 0; i < 3; i++) "
       "v.push_back(i); return f(k - 1) + f(k - 1) + v[0]; }",
       "f(n)", "O(n)"},
      {"locals over halved ranges on the stack sum to the first",
       "void s(int l, int r) { if (l >= r) return; int mid = (l + r) / 2; s(l, mid); s(mid + 1, "
       "r); vector<int> t; for (int i = l; i <= r; i++) t.push_back(i); }",
       "s(0, n)", "O(n)"},
      {"pushes kept by every activation",
       "vector<int> path; void e(int d) { if (d == n) return; path.push_back(d); e(d + 1); e(d + "
       "1); }",
       "e(0)", "O(2^n)"},
  };
  for (const auto& c : kCases) {
    const std::string program = head + c.functions + "\nint main() { cin >> n; " + c.call + "; }\n";
    EXPECT_EQ(spaceOf(program), c.want) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
