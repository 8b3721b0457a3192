// The recurrence solver on descriptions built by hand, then each measure a reader finds (copied
// halves, digits, ranges pruned against a bound, removed vertices, lists held by a map, memo
// keys tied to others) on short programs of our own, with near-misses that must not fire.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/space_cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"
#include "model/recursion.h"

namespace quorbel {
namespace {

RecursionFacts factsOf(RecursionShape shape, int calls, const std::string& size) {
  RecursionFacts facts;
  facts.shape = shape;
  facts.calls = calls;
  facts.size = sizeCost(size);
  facts.parameters = {size};
  return facts;
}

TEST(RecurrenceSolverTest, EachShrinkSolvedWithItsWork) {
  const Cost n = sizeCost("n"), m = sizeCost("m"), one = constantCost();
  const Cost nlogn = multiplyCosts(n, logCost(n));
  const struct {
    const char* name;
    RecursionFacts facts;
    Cost work;
    const char* want;
  } kCases[] = {
      {"by one, one call", factsOf(RecursionShape::kLinear, 1, "n"), one, "O(n)"},
      {"by one, one call, linear work", factsOf(RecursionShape::kLinear, 1, "n"), n, "O(n^2)"},
      {"by one, two calls", factsOf(RecursionShape::kBranching, 2, "n"), one, "O(2^n)"},
      {"by one, three calls", factsOf(RecursionShape::kBranching, 3, "n"), one, "O(3^n)"},
      {"halved once, constant work", factsOf(RecursionShape::kHalving, 1, "n"), one, "O(log n)"},
      {"halved once, work in the measure sums geometrically",
       factsOf(RecursionShape::kHalving, 1, "n"), n, "O(n)"},
      {"halved once, logarithmic work at every level", factsOf(RecursionShape::kHalving, 1, "n"),
       logCost(n), "O(log^2 n)"},
      {"halved once, work in another size at every level",
       factsOf(RecursionShape::kHalving, 1, "n"), m, "O(m * log n)"},
      {"two halves, constant work: the leaves", factsOf(RecursionShape::kHalving, 2, "n"), one,
       "O(n)"},
      {"two halves, logarithmic work: still the leaves", factsOf(RecursionShape::kHalving, 2, "n"),
       logCost(n), "O(n)"},
      {"two halves, linear work: every level", factsOf(RecursionShape::kHalving, 2, "n"), n,
       "O(n * log n)"},
      {"two halves, n log n work", factsOf(RecursionShape::kHalving, 2, "n"), nlogn,
       "O(n * log^2 n)"},
      {"two halves, quadratic work: the root", factsOf(RecursionShape::kHalving, 2, "n"),
       multiplyCosts(n, n), "O(n^2)"},
      {"two halves, work in the container's size |n|", factsOf(RecursionShape::kHalving, 2, "n"),
       sizeCost("|n|"), "O(|n| * log n)"},
      {"two halves, work in another size: per activation",
       factsOf(RecursionShape::kHalving, 2, "n"), m, "O(m * n)"},
      {"pruned against a bound", factsOf(RecursionShape::kRangeQuery, 2, "n"), one, "O(log n)"},
      {"largest part halved, a traversal per part", factsOf(RecursionShape::kDecomposition, 1, "n"),
       n, "O(n * log n)"},
      {"largest part halved, constant work: each vertex once",
       factsOf(RecursionShape::kDecomposition, 1, "n"), one, "O(n)"},
      {"visited once", factsOf(RecursionShape::kTraversal, 1, "n"), one, "O(n)"},
      {"remaining choices", factsOf(RecursionShape::kPermutations, 1, "n"), one, "O(n!)"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(formatCost(simplifyCost(recursionCost(c.facts, c.work))), c.want) << c.name;
}

TEST(RecurrenceSolverTest, DepthOfEachShrink) {
  EXPECT_EQ(formatCost(recursionDepth(factsOf(RecursionShape::kDecomposition, 1, "n"))),
            "O(log n)");
  EXPECT_EQ(formatCost(recursionDepth(factsOf(RecursionShape::kHalving, 2, "n"))), "O(log n)");
  EXPECT_EQ(formatCost(recursionDepth(factsOf(RecursionShape::kLinear, 1, "n"))), "O(n)");
}

struct Program {
  const char* name;
  const char* functions;
  const char* main;
  const char* time;
};

void expectTimes(const Program* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const std::string text = std::string("#include <bits/stdc++.h>\nusing namespace std;\n") +
                             cases[i].functions + "\nint main() { " + cases[i].main + " }\n";
    Model model = buildModel(text);
    EXPECT_EQ(formatCost(estimateTime(model).total), cases[i].time) << cases[i].name;
  }
}

TEST(RecursionMeasureTest, CopiedHalvesAndSubstrings) {
  const Program kCases[] = {
      {"vector halves cut at a size over two",
       "long long f(const vector<int>& v) { int k = v.size(); if (k < 2) return 0; "
       "vector<int> lo(v.begin(), v.begin() + k / 2), hi(v.begin() + k / 2, v.end()); "
       "long long s = f(lo) + f(hi); for (int x : v) s += x; return s; }",
       "int n; cin >> n; vector<int> a(n); for (auto& x : a) cin >> x; cout << f(a);",
       "O(n * log n)"},
      {"halves cut at a shifted midpoint, sorted at each level",
       "int g(vector<long long> w) { if (w.size() <= 1) return 1; size_t c = w.size() >> 1; "
       "vector<long long> p(w.begin(), w.begin() + c); vector<long long> q(w.begin() + c, "
       "w.end()); sort(w.begin(), w.end()); return g(p) + g(q); }",
       "int n; cin >> n; vector<long long> a(n); for (auto& x : a) cin >> x; cout << g(a);",
       "O(n * log^2 n)"},
      {"substring halves",
       "int h(const string& t) { if (t.size() < 2) return 0; int half = t.size() / 2; string a "
       "= t.substr(0, half); string b = t.substr(half); int c = 0; for (char ch : t) c += ch == "
       "'x'; return c + h(a) + h(b); }",
       "int n; string s; cin >> n >> s; cout << h(s);", "O(|s| * log |s|)"},
      {"one half kept: a single call",
       "int k(vector<int> v) { if (v.size() < 2) return v[0]; vector<int> u(v.begin(), v.begin() "
       "+ v.size() / 2); return k(u); }",
       "int n; cin >> n; vector<int> a(n); cout << k(a);", "O(n)"},
      {"a part cut at one is no half: linear depth",
       "int d(const vector<int>& v) { if (v.empty()) return 0; vector<int> c(v.begin() + 1, "
       "v.end()); int s = 0; for (int x : v) s += x; return s + d(c); }",
       "int n; cin >> n; vector<int> a(n); cout << d(a);", "O(n^2)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, DigitsOfAValue) {
  const Program kCases[] = {
      {"the next lower run of nines",
       "long long f(long long x) { if (x < 10) return x; long long p = 1; while (p <= x / 10) p "
       "*= 10; return x / p + f(p - 1); }",
       "long long n; cin >> n; cout << f(n);", "O(log^2 n)"},
      {"the remainder below the leading power",
       "int g(int v) { if (v < 10) return v; int q = 1; while (q * 10 <= v) q = q * 10; "
       "return 1 + g(v % q); }",
       "int n; cin >> n; cout << g(n);", "O(log^2 n)"},
      {"the leading digit taken off",
       "long long h(long long y) { if (y == 0) return 0; long long b = 1; while (b * 10 <= y) b "
       "*= 10; return 1 + h(y - b); }",
       "long long n; cin >> n; cout << h(n);", "O(log^2 n)"},
      {"a value one less is linear",
       "long long s(long long y) { if (y == 0) return 0; return y + s(y - 1); }",
       "long long n; cin >> n; cout << s(n);", "O(n)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, RangesPrunedAgainstABound) {
  const Program kCases[] = {
      {"prefix bound passed unchanged",
       "vector<int> t; int pre(int x, int l, int r, int b) { if (r <= b) return t[x]; if (l >= "
       "b) return 0; int m = (l + r) / 2; return pre(2 * x, l, m, b) + pre(2 * x + 1, m, r, b); "
       "}",
       "int n, q; cin >> n >> q; t.assign(4 * n, 0); while (q--) { int b; cin >> b; cout << "
       "pre(1, 0, n, b); }",
       "O(q * log n + n)"},
      {"suffix bound as the first parameter",
       "long long t[800000]; long long suf(int from, int node, int lo, int hi) { if (hi < from) "
       "return 0; if (lo >= from) return t[node]; int mid = lo + (hi - lo) / 2; return suf(from, "
       "node * 2, lo, mid) + suf(from, node * 2 + 1, mid + 1, hi); }",
       "int n, q; cin >> n >> q; for (int i = 0; i < q; i++) { int f; cin >> f; cout << suf(f, "
       "1, 0, n - 1); }",
       "O(q * log n)"},
      {"bounds in globals the query never changes",
       "int ql, qr; vector<long long> st; long long ask(int v, int a, int b) { if (b < ql || a > "
       "qr) return 0; if (ql <= a && b <= qr) return st[v]; int c = (a + b) >> 1; return ask(v * "
       "2, a, c) + ask(v * 2 + 1, c + 1, b); }",
       "int n, q; cin >> n >> q; st.assign(4 * n, 0); while (q--) { cin >> ql >> qr; cout << "
       "ask(1, 0, n - 1); }",
       "O(q * log n + n)"},
      {"a build compares its own ends only: both halves",
       "vector<int> t; void build(int x, int l, int r) { if (l >= r) return; int m = (l + r) / "
       "2; build(2 * x, l, m); build(2 * x + 1, m + 1, r); }",
       "int n, q; cin >> n >> q; t.assign(4 * n, 0); while (q--) build(1, 0, n - 1);", "O(n * q)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, TraversalsWhateverHoldsTheLists) {
  const Program kCases[] = {
      {"unordered_map of vectors with a parent check",
       "unordered_map<int, vector<int>> adj; int d(int v, int p) { int s = 1; for (int u : "
       "adj[v]) if (u != p) s += d(u, v); return s; }",
       "int n; cin >> n; for (int i = 1; i < n; i++) { int a, b; cin >> a >> b; "
       "adj[a].push_back(b); adj[b].push_back(a); } cout << d(1, 0);",
       "O(n)"},
      {"map of sets with a visited mark",
       "map<long long, set<long long>> g; set<long long> seen; void go(long long v) { "
       "seen.insert(v); for (long long w : g[v]) if (!seen.count(w)) go(w); }",
       "int n, m; cin >> n >> m; for (int i = 0; i < m; i++) { long long a, b; cin >> a >> b; "
       "g[a].insert(b); } go(1);",
       "O(m * log m + n * log n + m * log n)"},
      {"map of vectors walked by index",
       "map<int, vector<int>> ch; int depth(int v) { int b = 0; for (int i = 0; i < "
       "(int)ch[v].size(); i++) b = max(b, depth(ch[v][i])); return b + 1; }",
       "int n; cin >> n; for (int i = 1; i < n; i++) { int p; cin >> p; ch[p].push_back(i); } "
       "cout << depth(0);",
       "O(n * log n)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, DecompositionAroundRemovedVertices) {
  const Program kCases[] = {
      {"centre reassigned to the parameter, buffer cleared per call",
       "vector<vector<int>> g; vector<int> buf, sz; vector<bool> off; int cnt(int v, int p) { "
       "sz[v] = 1; buf.push_back(v); for (int u : g[v]) if (u != p && !off[u]) sz[v] += cnt(u, "
       "v); return sz[v]; } void dec(int v) { buf.clear(); int all = cnt(v, -1); for (int x : "
       "buf) if (2 * sz[x] >= all) v = x; off[v] = true; for (int u : g[v]) if (!off[u]) "
       "dec(u); }",
       "int n; cin >> n; g.assign(n, {}); sz.assign(n, 0); off.assign(n, false); for (int i = "
       "1; i < n; i++) { int a, b; cin >> a >> b; g[a].push_back(b); g[b].push_back(a); } "
       "dec(0);",
       "O(n * log n)"},
      {"centre found by a helper into a local",
       "vector<int> adj[200005]; int sz[200005]; bool rem[200005]; int calc(int v, int p) { "
       "sz[v] = 1; for (int u : adj[v]) if (u != p && !rem[u]) sz[v] += calc(u, v); return "
       "sz[v]; } int centre(int v, int p, int tot) { for (int u : adj[v]) if (u != p && !rem[u] "
       "&& sz[u] * 2 > tot) return centre(u, v, tot); return v; } void build(int v) { int c = "
       "centre(v, -1, calc(v, -1)); rem[c] = true; for (int u : adj[c]) if (!rem[u]) build(u); "
       "}",
       "int n; cin >> n; for (int i = 1; i < n; i++) { int a, b; cin >> a >> b; "
       "adj[a].push_back(b); adj[b].push_back(a); } build(1);",
       "O(n * log n)"},
      {"a plain walk from the vertex it was given is a traversal",
       "vector<vector<int>> g; vector<bool> vis; void dfs(int v) { vis[v] = true; for (int u : "
       "g[v]) if (!vis[u]) dfs(u); }",
       "int n, m; cin >> n >> m; g.assign(n, {}); vis.assign(n, false); for (int i = 0; i < m; "
       "i++) { int a, b; cin >> a >> b; g[a].push_back(b); } dfs(0);",
       "O(n + m)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, MemoKeysTiedToOthers) {
  const Program kCases[] = {
      {"a row that counts the bits of the mask",
       "int n, c[16][16]; vector<vector<int>> memo; int go(int r, int used) { if (r == n) return "
       "0; int& x = memo[r][used]; if (x != -1) return x; x = 1e9; for (int j = 0; j < n; j++) "
       "if (!(used >> j & 1)) x = min(x, c[r][j] + go(r + 1, used | 1 << j)); return x; }",
       "cin >> n; memo.assign(n + 1, vector<int>(1 << n, -1)); cout << go(0, 0);", "O(2^n * n)"},
      {"the count of taken items in a fixed table, bit set by xor",
       "int n; long long dp[17][1 << 16]; long long f(int k, int taken) { if (k == n) return 1; "
       "if (dp[k][taken] >= 0) return dp[k][taken]; long long s = 0; for (int i = 0; i < n; "
       "i++) if (!(taken & (1 << i))) s += f(k + 1, taken ^ (1 << i)); return dp[k][taken] = s; "
       "}",
       "cin >> n; memset(dp, -1, sizeof dp); cout << f(0, 0);", "O(2^n * n)"},
      {"a position that is the sum of two counters",
       "int n, m; long long dp[1005][1005][2]; bool seen[1005][1005][2]; string a, b; long long "
       "f(int i, int j, int k) { if (i == n && j == m) return 1; if (seen[i][j][0]) return "
       "dp[i][j][0]; seen[i][j][0] = true; long long r = 0; if (i < n) r += f(i + 1, j, k + 1); "
       "if (j < m) r += f(i, j + 1, k + 1); return dp[i][j][0] = r; }",
       "cin >> n >> m; cout << f(0, 0, 0);", "O(m * n)"},
      {"knapsack capacity moves by a weight: both keys count",
       "int n, W, w[105]; long long dp[105][100005]; long long f(int i, int c) { if (i == n) "
       "return 0; long long& r = dp[i][c]; if (r != -1) return r; r = f(i + 1, c); if (c >= "
       "w[i]) r = max(r, f(i + 1, c - w[i]) + 1); return r; }",
       "cin >> n >> W; memset(dp, -1, sizeof dp); cout << f(0, W);", "O(W * n + |dp|)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, ChildrenOfATreeNode) {
  const Program kCases[] = {
      {"left and right pointers",
       "struct T { int v; T *l, *r; }; int sum(T* t) { int s = t->v; if (t->l) s += sum(t->l); "
       "if (t->r) s += sum(t->r); return s; }",
       "int n; cin >> n; vector<T> p(n); for (auto& x : p) cin >> x.v; cout << sum(&p[0]);",
       "O(n)"},
      {"a loop over a node's children",
       "struct N { int w; vector<N*> kids; }; long long tot(N* u) { long long s = u->w; for (N* "
       "c : u->kids) s += tot(c); return s; }",
       "int n; cin >> n; vector<N> p(n); for (auto& x : p) cin >> x.w; cout << tot(&p[0]);",
       "O(n)"},
      {"children kept in an entry of a node table",
       "struct E { vector<int> ch; int h; }; E nd[200005]; int n; int height(int v) { int b = 0; "
       "for (int i = 0; i < 2 && i < (int)nd[v].ch.size(); i++) b = max(b, height(nd[v].ch[i])); "
       "return nd[v].h = b + 1; }",
       "cin >> n; cout << height(0);", "O(n)"},
      {"one child per call: a path down",
       "struct B { int k; B *lo, *hi; }; bool has(B* b, int k) { if (!b) return false; if (b->k "
       "== k) return true; return k < b->k ? has(b->lo, k) : has(b->hi, k); }",
       "int n; cin >> n; vector<B> p(n); cout << has(&p[0], 5);", "O(n)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, MemoKeysAndMarks) {
  const Program kCases[] = {
      {"stores through a reference, a mask outside the key follows from it",
       "int n, nb[16]; long long dp[1 << 16]; int seen[1 << 16]; long long go(int s, int can) { "
       "if (seen[s]) return dp[s]; if (s == (1 << n) - 1) return 1; seen[s] = 1; long long& r "
       "= dp[s]; r = 0; for (int i = 0; i < n; i++) if (!(s >> i & 1) && (can >> i & 1)) r += "
       "go(s | 1 << i, can | nb[i]); return r; }",
       "cin >> n; cout << go(0, 1);", "O(2^n * n)"},
      {"a key kept by a map, the other parameter along for the ride",
       "int n; map<long long, long long> memo; long long f(long long x, int depth) { if (x <= 1) "
       "return depth; if (memo.count(x)) return memo[x]; return memo[x] = f(x / 2, depth + 1) + "
       "f(x / 3, depth + 1); }",
       "long long v; cin >> v; cout << f(v, 0);", "O(log^2 v * log log v)"},
      {"colours that move on are marks: each vertex once over the loop",
       "vector<int> nx, col; int walk(int u) { col[u] = 1; int v = nx[u], r = 0; if (col[v] == "
       "0) r = walk(v); col[u] = 2; return r + 1; }",
       "int n; cin >> n; nx.resize(n); col.assign(n, 0); for (auto& x : nx) cin >> x; vector<int> "
       "got; for (int i = 0; i < n; i++) { got.clear(); if (col[i] == 0) walk(i); }",
       "O(n)"},
      {"marks cleared before each start: every start walks again",
       "vector<int> nx; vector<bool> vis; int walk(int u) { vis[u] = true; int v = nx[u]; if "
       "(!vis[v]) return walk(v) + 1; return 1; }",
       "int n; cin >> n; nx.resize(n); for (auto& x : nx) cin >> x; for (int i = 0; i < n; i++) "
       "{ vis.assign(n, false); walk(i); }",
       "O(n^2)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, ShapesNotDerivedAreAssumptions) {
  const struct {
    const char* name;
    const char* program;
    const char* level;  // "" when the recursion assumes nothing
  } kCases[] = {
      {"a value recomputed by a helper: depth unread",
       "int step(int x) { return x - x / 3 - 1; } int f(int x) { if (x <= 0) return 0; return "
       "f(step(x)) + 1; } int main() { int n; cin >> n; cout << f(n); }",
       "low"},
      {"a list rebuilt from a global: depth unread",
       "vector<int> pool; int g(int k) { if (pool.empty()) return k; pool.pop_back(); int r = "
       "pool.size(); return g(r); } int main() { int n; cin >> n; pool.resize(n); cout << g(0); }",
       "low"},
      {"a removed centre is taken as a centre",
       "vector<vector<int>> g; vector<bool> off; int sz(int v, int p) { int s = 1; for (int u : "
       "g[v]) if (u != p && !off[u]) s += sz(u, v); return s; } void d(int v) { int c = v; "
       "sz(c, -1); off[c] = true; for (int u : g[c]) if (!off[u]) d(u); } int main() { int n; "
       "cin >> n; g.assign(n, {}); off.assign(n, false); d(0); }",
       "medium"},
      {"one less each call is read",
       "int f(int k) { return k ? f(k - 1) : 0; } int main() { int "
       "n; cin >> n; cout << f(n); }",
       ""},
      {"halves are read",
       "int h(int l, int r) { if (l >= r) return 0; int m = (l + r) / 2; return "
       "h(l, m) + h(m + 1, r); } int main() { int n; cin >> n; cout << h(0, n); }",
       ""},
  };
  for (const auto& c : kCases) {
    Model model = buildModel(std::string("#include <bits/stdc++.h>\nusing namespace std;\n") +
                             c.program + "\n");
    std::string level;
    for (const Assumption& a : estimateTime(model).assumptions)
      if (a.text.find("recursion") != std::string::npos ||
          a.text.find("centre") != std::string::npos)
        level = a.level;
    EXPECT_EQ(level, c.level) << c.name;
  }
}

TEST(RecursionMeasureTest, SplitAtAComputedPoint) {
  const Program kCases[] = {
      {"split found scanning in from both ends: the smaller part",
       "vector<int> pv, nx; bool bad(int l, int r) { if (l >= r) return false; int i = l, j = "
       "r, at = -1; while (i <= j) { if (pv[i] < l && nx[i] > r) { at = i; break; } if (pv[j] "
       "< l && nx[j] > r) { at = j; break; } ++i; --j; } if (at < 0) return true; return bad(l, "
       "at - 1) || bad(at + 1, r); }",
       "int n; cin >> n; pv.resize(n); nx.resize(n); cout << bad(0, n - 1);", "O(n * log n)"},
      {"both ends with a for loop and a return",
       "vector<int> key; int cut(int lo, int hi) { if (hi - lo < 1) return 0; int p = -1; for "
       "(int a = lo, b = hi; a <= b; a++, b--) { if (key[a] == 0) { p = a; break; } if (key[b] "
       "== 0) { p = b; break; } } if (p < 0) return 1; return cut(lo, p - 1) + cut(p + 1, hi); }",
       "int n; cin >> n; key.resize(n); cout << cut(0, n - 1);", "O(n * log n)"},
      {"a pivot placed by a full scan: quadratic at worst",
       "vector<int> a; void qs(int lo, int hi) { if (lo >= hi) return; int piv = a[hi], k = lo; "
       "for (int i = lo; i < hi; i++) if (a[i] < piv) swap(a[i], a[k++]); swap(a[k], a[hi]); "
       "qs(lo, k - 1); qs(k + 1, hi); }",
       "int n; cin >> n; a.resize(n); qs(0, n - 1);", "O(n^2)"},
      {"constant work around the split: one activation per point",
       "vector<int> h; int tall(int l, int r) { if (l > r) return 0; int m = l; int s = m; "
       "return 1 + tall(l, s - 1) + tall(s + 1, r); }",
       "int n; cin >> n; h.resize(n); cout << tall(0, n - 1);", "O(n)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, SelfGuardedTraversalsCalledFromLoops) {
  const Program kCases[] = {
      {"longest path memo over a DAG, asked from every edge",
       "vector<vector<int>> g; vector<int> best; int lp(int v) { if (best[v] != -1) return "
       "best[v]; best[v] = 0; for (int u : g[v]) best[v] = max(best[v], lp(u) + 1); return "
       "best[v]; }",
       "int n, m; cin >> n >> m; g.assign(n, {}); best.assign(n, -1); for (int i = 0; i < m; "
       "i++) { int a, b; cin >> a >> b; g[a].push_back(b); } int r = 0; for (int i = 0; i < n; "
       "i++) for (int u : g[i]) r = max(r, lp(u)); cout << r;",
       "O(n + m)"},
      {"a mark tested on entry, asked from every vertex",
       "vector<int> adj[100005]; bool vis[100005]; void go(int v) { if (vis[v]) return; vis[v] "
       "= true; for (int u : adj[v]) go(u); }",
       "int n, m; cin >> n >> m; for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; "
       "adj[a].push_back(b); } for (int i = 0; i < n; i++) go(i);",
       "O(m + n)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, UnionFindByWhatItKeeps) {
  const Program kCases[] = {
      {"union by size alone: trees log n deep",
       "vector<int> par, sz; int top(int x) { return par[x] == x ? x : top(par[x]); } void "
       "join(int a, int b) { a = top(a); b = top(b); if (a == b) return; if (sz[a] < sz[b]) "
       "swap(a, b); par[b] = a; sz[a] += sz[b]; }",
       "int n, q; cin >> n >> q; par.resize(n); sz.assign(n, 1); iota(par.begin(), par.end(), "
       "0); while (q--) { int a, b; cin >> a >> b; join(a, b); }",
       "O(q * log n + n)"},
      {"negative sizes at the roots, no compression",
       "vector<int> up; int rt(int x) { if (up[x] < 0) return x; return rt(up[x]); } void uni(int "
       "a, int b) { a = rt(a); b = rt(b); if (a == b) return; if (up[a] > up[b]) swap(a, b); "
       "up[a] += up[b]; up[b] = a; }",
       "int n, q; cin >> n >> q; up.assign(n, -1); for (int i = 0; i < q; i++) { int a, b; "
       "cin >> a >> b; uni(a, b); }",
       "O(q * log n + n)"},
      {"neither size nor compression: chains as long as the set",
       "vector<int> par; int top(int x) { return par[x] == x ? x : top(par[x]); } void join(int "
       "a, int b) { par[top(a)] = top(b); }",
       "int n, q; cin >> n >> q; par.resize(n); iota(par.begin(), par.end(), 0); while (q--) { "
       "int a, b; cin >> a >> b; join(a, b); }",
       "O(n * q)"},
  };
  expectTimes(kCases, std::size(kCases));
}

TEST(RecursionMeasureTest, DepthCountersGrowToTheDepth) {
  const Program kCases[] = {
      {"a search over the path kept so far",
       "vector<vector<int>> g; vector<long long> path; void walk(int v, int p, int d) { int lo = "
       "0, hi = d; while (lo < hi) { int m = (lo + hi) / 2; if (path[m] < v) lo = m + 1; else hi "
       "= m; } path[d] = v; for (int u : g[v]) if (u != p) walk(u, v, d + 1); }",
       "int n; cin >> n; g.assign(n, {}); path.assign(n + 1, 0); for (int i = 1; i < n; i++) { "
       "int a, b; cin >> a >> b; g[a].push_back(b); g[b].push_back(a); } walk(0, -1, 0);",
       "O(n * log n)"},
      {"a scan of every ancestor",
       "vector<vector<int>> kids; vector<int> st; long long tot = 0; void go(int v, int depth) { "
       "for (int j = 0; j < depth; j++) tot += st[j]; st[depth] = v; for (int c : kids[v]) go(c, "
       "depth + 1); }",
       "int n; cin >> n; kids.assign(n, {}); st.assign(n + 1, 0); for (int i = 1; i < n; i++) { "
       "int p; cin >> p; kids[p].push_back(i); } go(0, 0);",
       "O(n^2)"},
      {"a counter the work never reads",
       "vector<vector<int>> kids; vector<int> dep; void go(int v, int level) { dep[v] = level; "
       "for (int c : kids[v]) go(c, level + 1); }",
       "int n; cin >> n; kids.assign(n, {}); dep.assign(n, 0); for (int i = 1; i < n; i++) { int "
       "p; cin >> p; kids[p].push_back(i); } go(0, 0);",
       "O(n)"},
  };
  expectTimes(kCases, std::size(kCases));
}

}  // namespace
}  // namespace quorbel
