// Work spread over the passes of a loop, in the spellings real programs use: a list per element
// reached through the element (g[u].out, p->kids) and walked in any direction, an append at a
// container's own end, a container emptied in each pass and filled by a traversal charged once,
// and a helper that only runs a traversal. Each case is a short program of our own with the
// answer derived by hand; near-misses keep each rule from firing without its guarantee.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {
namespace {

struct Case {
  const char* name;
  const char* program;
  const char* want;
};

void expectTimes(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) {
    Model model =
        buildModel(std::string("#include <bits/stdc++.h>\nusing namespace std;\n") + c->program);
    EXPECT_EQ(formatCost(estimateTime(model).total), c->want) << c->name;
  }
}

// A list kept in each element of an array is one row of all the lists: a walk over it from a
// traversal or over all elements costs what the lists received, not their count times the size.
TEST(SpreadWorkTest, RowsReachedThroughElementsAndWalkedAnyWay) {
  const Case kCases[] = {
      {"a member list walked down by index in a tree walk",
       "struct V { vector<int> out; int w; };\nV g[200005];\n"
       "long long dfs(int u, int from) { long long s = g[u].w;\n"
       "  for (int i = (int)g[u].out.size() - 1; i >= 0; --i) { int v = g[u].out[i];\n"
       "    if (v != from) s += dfs(v, u); }\n  return s; }\n"
       "int main() { int n; scanf(\"%d\", &n);\n"
       "  for (int i = 1; i < n; i++) { int a, b; scanf(\"%d %d\", &a, &b);\n"
       "    g[a].out.push_back(b); g[b].out.push_back(a); }\n"
       "  printf(\"%lld\", dfs(1, 0)); }",
       "O(n)"},
      {"a nested row walked down over every row",
       "int main() { int n, m; cin >> n >> m; vector<vector<int>> at(n);\n"
       "  for (int i = 0; i < m; i++) { int x, y; cin >> x >> y; at[x].push_back(y); }\n"
       "  long long best = 0;\n"
       "  for (int i = 0; i < n; i++) for (int j = at[i].size() - 1; j >= 0; j--)\n"
       "    best = max(best, (long long)at[i][j]);\n  cout << best; }",
       "O(n + m)"},
      {"a member list walked by iterators over every element",
       "struct Item { vector<int> kids; };\n"
       "int main() { int n; cin >> n; vector<Item> items(n);\n"
       "  for (int i = 1; i < n; i++) { int p; cin >> p; items[p].kids.push_back(i); }\n"
       "  long long t = 0;\n"
       "  for (int i = 0; i < n; i++)\n"
       "    for (auto it = items[i].kids.begin(); it != items[i].kids.end(); ++it) t += *it;\n"
       "  cout << t; }",
       "O(n)"},
      {"a member list through a pointer to the element, by range",
       "struct Node { vector<Node*> sub; int val; };\nNode pool[100005];\n"
       "int sum(Node* p) { int s = p->val; for (Node* c : p->sub) s += sum(c); return s; }\n"
       "int main() { int n; cin >> n;\n"
       "  for (int i = 2; i <= n; i++) { int p; cin >> p; pool[p].sub.push_back(&pool[i]); }\n"
       "  cout << sum(&pool[1]); }",
       "O(n)"},
      {"near miss: one object's list walked once per item",
       "struct Box { vector<int> v; } box;\n"
       "int main() { int n; cin >> n; for (int i = 0; i < n; i++) box.v.push_back(i);\n"
       "  long long s = 0; for (int i = 0; i < n; i++) for (int x : box.v) s += x;\n"
       "  cout << s; }",
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// v.insert(v.end(), first, last) copies the range; what v already holds is not moved.
TEST(SpreadWorkTest, AppendsAtTheOwnEndCopyOnlyWhatTheyAdd) {
  const Case kCases[] = {
      {"one value appended per item",
       "int main() { int n; cin >> n; vector<int> out;\n"
       "  for (int i = 0; i < n; i++) out.insert(out.end(), i);\n  cout << out.size(); }",
       "O(n)"},
      {"a fixed block appended per item",
       "int main() { int n, k; cin >> n >> k; vector<int> blk(k), out;\n"
       "  for (int i = 0; i < n; i++) out.insert(out.end(), blk.begin(), blk.end());\n"
       "  cout << out.size(); }",
       "O(k * n)"},
      {"k copies appended per item",
       "int main() { int n, k; cin >> n >> k; vector<long long> out;\n"
       "  for (int i = 0; i < n; i++) out.insert(out.end(), k, i);\n  cout << out.size(); }",
       "O(k * n)"},
      {"near miss: inserted at the front, everything shifts",
       "int main() { int n; cin >> n; vector<int> out;\n"
       "  for (int i = 0; i < n; i++) out.insert(out.begin(), i);\n  cout << out.size(); }",
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A container emptied in each pass and filled only by a traversal that marks what it visits
// for good holds, over all the passes, each vertex once: walking it per pass is its share.
TEST(SpreadWorkTest, PassLocalFillsOfAmortisedTraversals) {
  const Case kCases[] = {
      {"cleared, filled by a marked dfs, walked by index",
       "int n, m; vector<int> g[200005]; int mark[200005]; vector<int> path;\n"
       "void walk(int u) { mark[u] = 1; path.push_back(u);\n"
       "  for (int v : g[u]) if (!mark[v]) walk(v); }\n"
       "int main() { scanf(\"%d %d\", &n, &m);\n"
       "  for (int i = 0; i < m; i++) { int a, b; scanf(\"%d %d\", &a, &b); g[a].push_back(b); }\n"
       "  long long t = 0;\n"
       "  for (int i = 1; i <= n; i++) { path.clear(); walk(i);\n"
       "    for (int j = 0; j < (int)path.size(); j++) t += path[j]; }\n"
       "  printf(\"%lld\", t); }",
       "O(m + n)"},
      {"declared in the pass, filled by a guarded traversal, walked by range",
       "vector<vector<int>> adj; vector<bool> seen; vector<int> got;\n"
       "void go(int u, vector<int>& into) { seen[u] = true; into.push_back(u);\n"
       "  for (int v : adj[u]) if (!seen[v]) go(v, into); }\n"
       "int main() { int n, m; cin >> n >> m; adj.resize(n); seen.assign(n, false);\n"
       "  for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; adj[a].push_back(b); }\n"
       "  long long best = 0;\n"
       "  for (int s = 0; s < n; s++) if (!seen[s]) { vector<int> comp; go(s, comp);\n"
       "    long long here = 0; for (int x : comp) here += x; best = max(best, here); }\n"
       "  cout << best; }",
       "O(n + m)"},
      {"near miss: never emptied, so every pass walks all gathered so far",
       "int n, m; vector<int> g[200005]; int mark[200005]; vector<int> path;\n"
       "void walk(int u) { mark[u] = 1; path.push_back(u);\n"
       "  for (int v : g[u]) if (!mark[v]) walk(v); }\n"
       "int main() { scanf(\"%d %d\", &n, &m);\n"
       "  for (int i = 0; i < m; i++) { int a, b; scanf(\"%d %d\", &a, &b); g[a].push_back(b); }\n"
       "  long long t = 0;\n"
       "  for (int i = 1; i <= n; i++) { if (!mark[i]) walk(i);\n"
       "    for (int j = 0; j < (int)path.size(); j++) t += path[j]; }\n"
       "  printf(\"%lld\", t); }",
       "O(n^2 + m)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A helper with no loop of its own that runs a marked traversal is charged as the traversal
// is: once over a loop that calls it for unmarked vertices.
TEST(SpreadWorkTest, HelpersThatOnlyRunATraversal) {
  const Case kCases[] = {
      {"a helper returning what a bfs returns",
       "int n, m; vector<vector<int>> nb; vector<int> d;\n"
       "int far(int s) { queue<int> q; q.push(s); d[s] = 0; int last = s;\n"
       "  while (!q.empty()) { int u = q.front(); q.pop(); last = u;\n"
       "    for (int v : nb[u]) if (d[v] < 0) { d[v] = d[u] + 1; q.push(v); } }\n"
       "  return last; }\n"
       "int explore(int s) { return far(s); }\n"
       "int main() { cin >> n >> m; nb.assign(n, {}); d.assign(n, -1);\n"
       "  for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; nb[a].push_back(b); }\n"
       "  int c = 0; for (int i = 0; i < n; i++) if (d[i] < 0) { explore(i); c++; }\n"
       "  cout << c; }",
       "O(n + m)"},
      {"a helper running a dfs twice",
       "int n, m; vector<int> g[100005]; bool vis[100005]; int cnt;\n"
       "void dfs(int u) { vis[u] = true; cnt++; for (int v : g[u]) if (!vis[v]) dfs(v); }\n"
       "void both(int u) { dfs(u); cnt = 0; dfs(u); }\n"
       "int main() { cin >> n >> m;\n"
       "  for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; g[a].push_back(b); }\n"
       "  for (int i = 1; i <= n; i++) if (!vis[i]) both(i);\n  cout << cnt; }",
       "O(m + n)"},
      {"near miss: a helper that clears the marks by memset first",
       "int n, m; vector<int> g[100005]; bool vis[100005]; int cnt;\n"
       "void dfs(int u) { vis[u] = true; cnt++; for (int v : g[u]) if (!vis[v]) dfs(v); }\n"
       "void fresh(int u) { memset(vis, 0, sizeof vis); dfs(u); }\n"
       "int main() { cin >> n >> m;\n"
       "  for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; g[a].push_back(b); }\n"
       "  for (int i = 1; i <= n; i++) if (!vis[i]) fresh(i);\n  cout << cnt; }",
       "O(n * (n + m))"},
      {"near miss: a helper that clears the marks with a loop first",
       "int n, m; vector<int> g[100005]; bool vis[100005]; int cnt;\n"
       "void dfs(int u) { vis[u] = true; cnt++; for (int v : g[u]) if (!vis[v]) dfs(v); }\n"
       "void fresh(int u) { for (int i = 1; i <= n; i++) vis[i] = false; dfs(u); }\n"
       "int main() { cin >> n >> m;\n"
       "  for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; g[a].push_back(b); }\n"
       "  for (int i = 1; i <= n; i++) if (!vis[i]) fresh(i);\n  cout << cnt; }",
       "O(n * (n + m))"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Keeping the largest side and merging every other into it moves each entry into a side at
// least twice its size: log n moves per entry over the whole run, whatever the walk that
// reaches the sides, when the side kept was picked by comparing sizes.
TEST(SpreadWorkTest, AllButTheLargestMergedIntoIt) {
  const Case kCases[] = {
      {"sets by pointer, the heavy child skipped around the walk",
       "int n, col[200005], res[200005]; vector<int> g[200005]; set<int>* bag[200005];\n"
       "void dfs(int u, int p) { int heavy = -1;\n"
       "  for (int v : g[u]) if (v != p) { dfs(v, u);\n"
       "    if (heavy < 0 || bag[v]->size() > bag[heavy]->size()) heavy = v; }\n"
       "  bag[u] = heavy < 0 ? new set<int>() : bag[heavy];\n"
       "  for (int v : g[u]) if (v != p && v != heavy) for (int x : *bag[v]) bag[u]->insert(x);\n"
       "  bag[u]->insert(col[u]); res[u] = bag[u]->size(); }\n"
       "int main() { cin >> n; for (int i = 1; i <= n; i++) cin >> col[i];\n"
       "  for (int i = 1; i < n; i++) { int a, b; cin >> a >> b; g[a].push_back(b); "
       "g[b].push_back(a); }\n"
       "  dfs(1, 0); for (int i = 1; i <= n; i++) cout << res[i] << ' '; }",
       "O(n * log^2 n)"},
      {"hash maps in a vector, the heavy child passed over with continue",
       "int n; vector<vector<int>> kids; vector<unordered_map<int, int>> cnt; vector<int> val;\n"
       "vector<long long> res;\n"
       "void go(int u) { int big = -1;\n"
       "  for (int v : kids[u]) { go(v); if (big == -1 || cnt[v].size() > cnt[big].size()) big = "
       "v; }\n"
       "  if (big != -1) swap(cnt[u], cnt[big]);\n  cnt[u][val[u]]++;\n"
       "  for (int v : kids[u]) { if (v == big) continue;\n"
       "    for (auto& kv : cnt[v]) cnt[u][kv.first] += kv.second; }\n"
       "  res[u] = cnt[u].size(); }\n"
       "int main() { cin >> n; kids.resize(n); cnt.resize(n); val.resize(n); res.resize(n);\n"
       "  for (int i = 0; i < n; i++) cin >> val[i];\n"
       "  for (int i = 1; i < n; i++) { int p; cin >> p; kids[p].push_back(i); }\n"
       "  go(0); for (int i = 0; i < n; i++) cout << res[i] << '\\n'; }",
       "O(n * log n)"},
      {"near miss: the side kept was picked by a value, not by its size",
       "int n, col[200005], res[200005]; vector<int> g[200005]; set<int>* bag[200005];\n"
       "void dfs(int u, int p) { int pick = -1;\n"
       "  for (int v : g[u]) if (v != p) { dfs(v, u); if (pick < 0 || col[v] > col[pick]) pick = "
       "v; }\n"
       "  bag[u] = pick < 0 ? new set<int>() : bag[pick];\n"
       "  for (int v : g[u]) if (v != p && v != pick) for (int x : *bag[v]) bag[u]->insert(x);\n"
       "  bag[u]->insert(col[u]); res[u] = bag[u]->size(); }\n"
       "int main() { cin >> n; for (int i = 1; i <= n; i++) cin >> col[i];\n"
       "  for (int i = 1; i < n; i++) { int a, b; cin >> a >> b; g[a].push_back(b); "
       "g[b].push_back(a); }\n"
       "  dfs(1, 0); for (int i = 1; i <= n; i++) cout << res[i] << ' '; }",
       "O(n^2 * log n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A scalar member set in the constructor's initialiser list holds what it was given from the
// body's first statement on: the loops it bounds there run as far as the argument.
TEST(SpreadWorkTest, MembersSetByTheInitialiserList) {
  const Case kCases[] = {
      {"a count set from the parameter",
       "struct Sets { int N; int* f; Sets(int n) : N(n) { f = new int[N];\n"
       "  for (int i = 0; i < N; i++) f[i] = i; } };\n"
       "int main() { int n; cin >> n; Sets s(n); cout << s.N; }",
       "O(n)"},
      {"two extents in braces",
       "struct Grid { int R, C; vector<int> cell; Grid(int rows, int cols) : R{rows}, C{cols} {\n"
       "  for (int r = 0; r < R; r++) for (int c = 0; c < C; c++) cell.push_back(0); } };\n"
       "int main() { int h, w; cin >> h >> w; Grid g(h, w); cout << g.R; }",
       "O(h * w)"},
      {"an expression of the parameter",
       "struct Sieve { int lim; vector<bool> comp; Sieve(int n) : lim(n + 1), comp(n + 1) {\n"
       "  for (int i = 2; i < lim; i++) comp[i] = false; } };\n"
       "int main() { int n; cin >> n; Sieve s(n); cout << s.lim; }",
       "O(n)"},
      {"near miss: a member given a literal stays a constant",
       "struct Ring { int cap; Ring(int n) : cap(16) { for (int i = 0; i < cap; i++) cout << n; }"
       " };\n"
       "int main() { int n; cin >> n; Ring r(n); cout << r.cap; }",
       "O(1)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A recursive function that pushes one entry per activation onto a stack kept by a counter pops
// no more than its activations pushed, even when the callers empty the stack between outer
// calls: the pops cost the activations over the run.
TEST(SpreadWorkTest, PopsOfAStackEachActivationPushesOnto) {
  const char* const kGraph =
      "int n, m, tin[200005], low[200005], tick, comp[200005], nc, stk[200005], top_;\n"
      "bool on[200005]; vector<int> g[200005];\n";
  const std::string head = kGraph;
  const std::string visit =
      "  tin[u] = low[u] = ++tick; stk[++top_] = u; on[u] = true;\n"
      "  for (int v : g[u]) { if (!tin[v]) { tarjan(v); low[u] = min(low[u], low[v]); }\n"
      "    else if (on[v]) low[u] = min(low[u], tin[v]); }\n";
  const std::string readGraph =
      "int main() { cin >> n >> m;\n"
      "  for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; g[a].push_back(b); }\n";
  const std::string programs[] = {
      // a do-while popping through the condition, the stack emptied before each outer call
      head + "void tarjan(int u) {\n" + visit +
          "  if (low[u] == tin[u]) { do { on[stk[top_]] = false; comp[stk[top_]] = nc; }\n"
          "    while (stk[top_--] != u); nc++; } }\n" +
          readGraph +
          "  for (int i = 1; i <= n; i++) if (!tin[i]) { top_ = 0; tarjan(i); }\n"
          "  cout << nc; }",
      // a while loop popping into a local, the counter set to -1 with another reset
      head + "int seen;\nvoid tarjan(int u) {\n" + visit +
          "  if (low[u] == tin[u]) { while (true) { int w = stk[top_--]; on[w] = false;\n"
          "    comp[w] = nc; if (w == u) break; } nc++; } }\n" +
          readGraph +
          "  for (int i = 1; i <= n; i++) if (!tin[i]) { seen = 0, top_ = -1; tarjan(i); }\n"
          "  cout << nc; }",
  };
  for (const std::string& p : programs) {
    Model model = buildModel("#include <bits/stdc++.h>\nusing namespace std;\n" + p);
    EXPECT_EQ(formatCost(estimateTime(model).total), "O(m + n)") << p;
  }
  // near miss: a helper that does not recurse drains a stack its caller refills in each pass
  Model refilled = buildModel(
      "#include <bits/stdc++.h>\nusing namespace std;\nint stk[200005], top_; long long s;\n"
      "void drain() { while (top_ > 0) s += stk[top_--]; }\n"
      "int main() { int n, q; cin >> n >> q;\n"
      "  for (int k = 0; k < q; k++) { top_ = 0; for (int j = 0; j < n; j++) stk[++top_] = j;\n"
      "    drain(); }\n  cout << s; }");
  EXPECT_EQ(formatCost(estimateTime(refilled).total), "O(n * q)");
}

// A segment tree laid out by doubled indices that keeps each node's range in its entry, read
// into locals before the test that leaves a node outside the asked range: log n per query.
TEST(SpreadWorkTest, RangeTestsOnRangesReadFromTheNode) {
  const std::string build =
      "void build(int x, int l, int r) { t[x].l = l; t[x].r = r; if (l == r) return;\n"
      "  int m = (l + r) / 2; build(2 * x, l, m); build(2 * x + 1, m + 1, r); }\n";
  const std::string reads =
      "int main() { int n, q; cin >> n >> q; build(1, 1, n);\n"
      "  for (int i = 0; i < q; i++) { int a, b; cin >> a >> b; cout << ask(1, a, b); } }";
  const std::string head =
      "#include <bits/stdc++.h>\nusing namespace std;\n"
      "struct Nd { int l, r; long long s; } t[800005];\n" +
      build;
  const Case kCases[] = {
      {"both ends read into locals", "", "O(q * log n + n)"},
      {"a reference to the node", "", "O(q * log n + n)"},
      {"near miss: no range test, every leaf visited", "", "O(n * q)"},
  };
  const std::string asks[] = {
      "long long ask(int x, int ql, int qr) { auto l = t[x].l, r = t[x].r;\n"
      "  if (ql <= l && r <= qr) return t[x].s; int m = (l + r) / 2; long long s = 0;\n"
      "  if (ql <= m) s += ask(2 * x, ql, qr); if (qr > m) s += ask(2 * x + 1, ql, qr);\n"
      "  return s; }\n",
      "long long ask(int x, int ql, int qr) { const Nd& cur = t[x];\n"
      "  if (qr < cur.l || cur.r < ql) return 0; if (ql <= cur.l && cur.r <= qr) return cur.s;\n"
      "  return ask(2 * x, ql, qr) + ask(2 * x + 1, ql, qr); }\n",
      "long long ask(int x, int ql, int qr) { int l = t[x].l, r = t[x].r;\n"
      "  if (l == r) return t[x].s + ql + qr; return ask(2 * x, ql, qr) + ask(2 * x + 1, ql, qr); "
      "}\n",
  };
  for (size_t k = 0; k < std::size(kCases); ++k) {
    Model model = buildModel(head + asks[k] + reads);
    EXPECT_EQ(formatCost(estimateTime(model).total), kCases[k].want) << kCases[k].name;
  }
}

// The strings a container holds add up to its characters, |w|: a walk over each string in turn
// costs them all once, however the walk is spelled.
TEST(SpreadWorkTest, StringsOfAListWalkedInTurn) {
  const Case kCases[] = {
      {"range over each string",
       "int main() { int n; cin >> n; vector<string> w(n); for (auto& x : w) cin >> x;\n"
       "  long long t = 0; for (int i = 0; i < n; i++) for (char c : w[i]) t += c;\n"
       "  cout << t; }",
       "O(n + |w|)"},
      {"a length taken before a macro-style loop",
       "int main() { int n; cin >> n; vector<string> w(n); for (int i = 0; i < n; i++) cin >> "
       "w[i];\n"
       "  long long t = 0; for (int i = 0; i < n; i++) { int len = w[i].length();\n"
       "    for (int j = 0; j < (int)(len); ++(j)) t += w[i][j]; }\n  cout << t; }",
       "O(n + |w|)"},
      {"an array of strings by size in the condition",
       "string names[100005];\nint main() { int n; cin >> n; for (int i = 0; i < n; i++) cin >> "
       "names[i];\n"
       "  int v = 0; for (int i = 0; i < n; i++) for (int j = 0; j < (int)names[i].size(); j++)\n"
       "    v += names[i][j] == 'a';\n  cout << v; }",
       "O(n + |names|)"},
      {"near miss: a string picked by a value read, walked per query",
       "int main() { int n, q; cin >> n >> q; vector<string> w(n); for (auto& x : w) cin >> x;\n"
       "  long long t = 0; while (q--) { int x; cin >> x; for (char c : w[x]) t += c; }\n"
       "  cout << t; }",
       "O(q * |w| + n)"},
      {"near miss: the first string walked in every pass",
       "int main() { int n; cin >> n; vector<string> w(n); for (auto& x : w) cin >> x;\n"
       "  long long t = 0; for (int i = 0; i < n; i++) for (char c : w[0]) t += c * i;\n"
       "  cout << t; }",
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// memset or memcpy of one row of a table (sizeof to[v]) touches that row, not the table.
TEST(SpreadWorkTest, RowsClearedOrCopiedByTheirOwnSize) {
  const Case kCases[] = {
      {"a row of 26 links copied per item",
       "int to[400005][26], link_[400005];\n"
       "int main() { int n; cin >> n; for (int i = 1; i <= n; i++) {\n"
       "  memcpy(to[i], to[link_[i]], sizeof(to[i])); link_[i] = i - 1; }\n  cout << to[n][0]; }",
       "O(n)"},
      {"a row of a table sized by named limits cleared per item",
       "const int MAXN = 5005, MAXK = 105; int dp[MAXN][MAXK];\n"
       "int main() { int n; cin >> n; for (int i = 0; i < n; i++) memset(dp[i], -1, sizeof "
       "dp[i]);\n"
       "  cout << dp[0][0]; }",
       "O(MAXK * n)"},
      {"near miss: the whole table cleared per item",
       "const int MAXN = 5005, MAXK = 105; int dp[MAXN][MAXK];\n"
       "int main() { int n; cin >> n; for (int i = 0; i < n; i++) memset(dp, -1, sizeof dp);\n"
       "  cout << dp[0][0]; }",
       "O(MAXK * MAXN * n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A stack kept by a counter, pushed once per pass (h[k++] = p) and popped by a loop that only
// lowers the counter: the pops never outnumber the pushes, one per pass over the run.
TEST(SpreadWorkTest, CounterStacksPoppedNoMoreThanPushed) {
  const Case kCases[] = {
      {"a hull over sorted points by index",
       "long long X[200005], Y[200005]; int h[200005];\n"
       "long long cross(int o, int a, int b) { return (X[a] - X[o]) * (Y[b] - Y[o]) - (Y[a] - "
       "Y[o]) * (X[b] - X[o]); }\n"
       "int main() { int n; cin >> n; for (int i = 0; i < n; i++) cin >> X[i] >> Y[i];\n"
       "  int k = 0; for (int i = 0; i < n; i++) {\n"
       "    while (k >= 2 && cross(h[k - 2], h[k - 1], i) <= 0) k--;\n"
       "    h[k++] = i; }\n  cout << k; }",
       "O(n)"},
      {"a hull walking an iterator range",
       "template <typename It> int hull(It first, It last) { vector<long long> s(last - first); "
       "int t = 0;\n"
       "  while (first < last) { while (t >= 2 && s[t - 2] + *first < 2 * s[t - 1]) t--;\n"
       "    s[t++] = *first++; }\n  return t; }\n"
       "int main() { int n; cin >> n; vector<long long> v(n); for (auto& x : v) cin >> x;\n"
       "  cout << hull(v.begin(), v.end()) + hull(v.rbegin(), v.rend()); }",
       "O(n)"},
      {"pushed by a step of one written out",
       "int st[200005], a[200005];\n"
       "int main() { int n; cin >> n; int top = 0; long long s = 0;\n"
       "  for (int i = 0; i < n; i++) { cin >> a[i]; while (top > 0 && st[top] >= a[i]) top--;\n"
       "    top += 1; st[top] = a[i]; s += top; }\n  cout << s; }",
       "O(n)"},
      {"near miss: the counter starts over in every pass",
       "int a[200005];\n"
       "int main() { int n; cin >> n; for (int i = 0; i < n; i++) cin >> a[i]; long long s = 0;\n"
       "  for (int i = 0; i < n; i++) { int k = n - 1; while (k > 0 && a[k] > a[i]) k--;\n"
       "    s += k; k++; }\n  cout << s; }",
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A memo over (vertex, small key) that walks the vertex's adjacency costs the small key times
// the vertices and edges: its states along the vertex are the vertices the adjacency holds.
TEST(SpreadWorkTest, MemoStatesAlongAWalkedVertex) {
  const std::string walk = "  int r = 0; for (int u : adj[v]) r = max(r, best(u, c) + 1);\n";
  const std::string readEdges =
      "  for (int i = 0; i < m; i++) { int a, b; cin >> a >> b; adj[a].push_back(b); }\n";
  const Case kCases[] = {
      {"a table of a named capacity, the letter first", "", "O(m + MX + n)"},
      {"a table of vectors, the vertex first", "", "O(n + m)"},
      {"a key of three values last in a literal table", "", "O(m + n)"},
  };
  const std::string programs[] = {
      "const int MX = 200005; vector<int> adj[MX]; int memo[26][MX]; string s;\n"
      "int best(int v, int c) { if (memo[c][v] != -1) return memo[c][v];\n" +
          walk +
          "  return memo[c][v] = r + (s[v] - 'a' == c); }\n"
          "int main() { int n, m; cin >> n >> m >> s;\n" +
          readEdges +
          "  memset(memo, -1, sizeof memo); int ans = 0;\n"
          "  for (int v = 0; v < n; v++) for (int c = 0; c < 26; c++) ans = max(ans, best(v, "
          "c));\n  cout << ans; }",
      "int n, m; vector<vector<int>> adj; vector<vector<long long>> memo;\n"
      "long long best(int v, int c) { if (memo[v][c] >= 0) return memo[v][c];\n" +
          walk +
          "  return memo[v][c] = r + c; }\n"
          "int main() { cin >> n >> m; adj.resize(n); memo.assign(n, vector<long long>(4, -1));\n" +
          readEdges +
          "  long long ans = 0; for (int v = 0; v < n; v++) ans = max(ans, best(v, 3));\n"
          "  cout << ans; }",
      "vector<int> adj[100005]; int memo[100005][3];\n"
      "int best(int v, int c) { if (memo[v][c]) return memo[v][c];\n" +
          walk +
          "  return memo[v][c] = r + 1; }\n"
          "int main() { int n, m; cin >> n >> m;\n" +
          readEdges +
          "  int ans = 0; for (int v = 0; v < n; v++) ans = max(ans, best(v, v % 3));\n"
          "  cout << ans; }",
  };
  for (size_t k = 0; k < std::size(kCases); ++k) {
    Model model = buildModel("#include <bits/stdc++.h>\nusing namespace std;\n" + programs[k]);
    EXPECT_EQ(formatCost(estimateTime(model).total), kCases[k].want) << kCases[k].name;
  }
}

}  // namespace
}  // namespace quorbel
