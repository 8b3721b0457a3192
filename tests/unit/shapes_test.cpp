// Shapes priced by what the code guarantees rather than by how it is spelled: containers only
// emptied where they are read, calls that bear a function's name without reaching it, tree
// walks that refuse the way back whatever holds the neighbours, erasing near a vector's end,
// and branches that leave the function when done. Each case is a short program of our own with
// the answer derived by hand; near-misses keep each rule from firing where its guarantee is
// absent.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/space_cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& program) {
  Model model = buildModel(program);
  return formatCost(estimateTime(model).total);
}

std::string spaceOf(const std::string& program) {
  Model model = buildModel(program);
  const TimeEstimate time = estimateTime(model);
  return formatCost(estimateSpace(model, time).total);
}

struct Case {
  const char* name;
  const char* program;
  const char* want;
};

void expectTimes(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) EXPECT_EQ(timeOf(c->program), c->want) << c->name;
}

#define PROGRAM(text) "#include <bits/stdc++.h>\nusing namespace std;\n" text

// Every pass of these loops removes an entry some other statement added and charged: over the
// run the loop passes at most as often as entries went in.
TEST(ShapesTest, ContainersDrainedOfWhatWasAddedElsewhere) {
  const Case kCases[] = {
      {"a member deque trimmed from the back",
       PROGRAM("struct Best { deque<int> d;\n"
               "  void add(int x) { while (!d.empty() && d.back() < x) d.pop_back(); "
               "d.push_back(x); } };\n"
               "int main() { int n; cin >> n; Best b; for (int i = 0; i < n; i++) { int x; cin "
               ">> x; b.add(x); } }"),
       "O(n)"},
      {"two global stacks, one poured into the other",
       PROGRAM("stack<int> inbox, outbox;\nint f(int a, int b) { return a ^ b; }\n"
               "int take() { if (outbox.empty()) while (inbox.size() > 0) { "
               "outbox.push(f(inbox.top(), 1)); inbox.pop(); } int v = outbox.top(); "
               "outbox.pop(); return v; }\n"
               "int main() { int q; cin >> q; for (int i = 0; i < q; i++) { int t; cin >> t; "
               "if (t) inbox.push(t); else take(); } }"),
       "O(q)"},
      {"a set filled before the loop, erased from its front inside it",
       PROGRAM("int main() { int m, k; cin >> m >> k; set<int> pool, picked;\n"
               "  for (int i = 0; i < m; i++) { int x; cin >> x; pool.insert(x); }\n"
               "  for (int i = 0; i < m; i++) { while ((int)picked.size() < k && "
               "!pool.empty()) { picked.insert(*pool.begin()); pool.erase(pool.begin()); } "
               "picked.erase(picked.begin()); } }"),
       "O(m * log m)"},
      {"a set emptied from its front by a comma expression in a counted loop",
       PROGRAM("set<int> freeIds;\nint main() { int n, q; cin >> n >> q; for (int i = 0; i < n; "
               "i++) freeIds.insert(i);\n  while (q--) { int b, last = -1; cin >> b; while (b-- "
               "&& !freeIds.empty()) last = *freeIds.begin(), freeIds.erase(freeIds.begin()); "
               "cout << last; } }"),
       "O((n + q) * log n)"},
      {"near miss: a local made n long and drained where it was made",
       PROGRAM("int main() { int n; cin >> n; vector<int> left(n); long long s = 0;\n"
               "  while (!left.empty()) { s += left.back(); left.pop_back(); } cout << s; }"),
       "O(n)"},
      {"near miss: a pass with a loop of its own is not one entry's work",
       PROGRAM("int main() { int n; cin >> n; vector<int> st;\n"
               "  for (int i = 0; i < n; i++) { int x; cin >> x; st.push_back(x); }\n"
               "  long long s = 0;\n"
               "  for (int i = 0; i < n; i++) while (!st.empty()) { for (int j = 0; j < n; j++) "
               "s += j; st.pop_back(); } }"),
       "O(n^3)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A call spelled with the function's own name reaches another function when it passes another
// number of arguments or goes through a library container: no recursion.
TEST(ShapesTest, CallsOfTheSameNameThatReachAnotherFunction) {
  const Case kCases[] = {
      {"a two-argument min inside a one-argument min",
       PROGRAM("template <class T> T min(const vector<T>& v) { T m = v[0]; for (auto& x : v) m = "
               "min(m, x); return m; }\n"
               "int main() { int n; cin >> n; vector<int> a(n); for (int& x : a) cin >> x; cout "
               "<< min(a); }"),
       "O(n)"},
      {"a stack's pop inside the program's pop",
       PROGRAM("struct Box { stack<int> s;\n  void push(int x) { s.push(x); }\n  void pop() { "
               "s.pop(); }\n  bool empty() { return s.empty(); } };\n"
               "int main() { int q; cin >> q; Box b; while (q--) { int x; cin >> x; if (x) "
               "b.push(x); else if (!b.empty()) b.pop(); } }"),
       "O(q)"},
      {"a swap of the two vertices before climbing",
       PROGRAM("int up[200005], dep[200005];\nint meet(int a, int b) { if (dep[a] < dep[b]) "
               "return meet(b, a); while (dep[a] > dep[b]) a = up[a]; while (a != b) a = up[a], "
               "b = up[b]; return a; }\nint main() { int n, q; cin >> n >> q; for (int i = 2; i "
               "<= n; i++) { cin >> up[i]; dep[i] = dep[up[i]] + 1; } while (q--) { int a, b; cin "
               ">> a >> b; cout << meet(a, b); } }"),
       "O(n * q)"},
      {"three parameters rotated once",
       PROGRAM("long long area(long long x, long long y, long long z) { if (x > y || y > z) "
               "return area(min({x, y, z}), x + y + z - min({x, y, z}) - max({x, y, z}), max({x, "
               "y, z})); return x * y; }\nlong long side(long long x, long long y) { if (x < y) "
               "return side(y, x); return x - y; }\nint main() { int n; cin >> n; long long s = "
               "0; for (int i = 0; i < n; i++) { long long a, b; cin >> a >> b; s += side(a, b); } "
               "cout << s; }"),
       "O(n)"},
      {"near miss: a call with a default argument left out is the function itself",
       PROGRAM("int depth(int v, int d = 0) { return v == 0 ? d : depth(v - 1); }\n"
               "int main() { int n; cin >> n; cout << depth(n); }"),
       "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A walk that hands its own vertex down as the parent and skips the neighbour equal to its
// parent enters each vertex of a tree once, whatever container holds the neighbours.
TEST(ShapesTest, TreeWalksRefusingTheWayBack) {
  const Case kCases[] = {
      {"edges chained through head and next arrays",
       PROGRAM("const int N = 200005; int head[N], nxt[2 * N], to[2 * N], cnt, sub[N];\n"
               "void walk(int u, int from) { sub[u] = 1; for (int e = head[u]; e; e = nxt[e]) { "
               "if (to[e] == from) continue; walk(to[e], u); sub[u] += sub[to[e]]; } }\n"
               "int main() { int n; cin >> n; for (int i = 1; i < n; i++) { int a, b; cin >> a "
               ">> b; to[++cnt] = b; nxt[cnt] = head[a]; head[a] = cnt; to[++cnt] = a; nxt[cnt] "
               "= head[b]; head[b] = cnt; } walk(1, 0); }"),
       "O(n)"},
      {"an ordered map of lists read with at (log n a lookup)",
       PROGRAM("map<int, vector<int>> kids;\nlong long total;\n"
               "void go(int v, int up, int d) { total += d; for (int w : kids.at(v)) if (w != "
               "up) go(w, v, d + 1); }\n"
               "int main() { int n; cin >> n; for (int i = 1; i < n; i++) { int a, b; cin >> a >> "
               "b; kids[a].push_back(b); kids[b].push_back(a); } go(1, 0, 0); }"),
       "O(n * log n)"},
      {"an unordered map of lists, the parent first",
       PROGRAM("unordered_map<int, vector<int>> g;\nint best;\n"
               "int height(int par, int at) { int h = 0; for (int nb : g[at]) if (nb != par) h = "
               "max(h, 1 + height(at, nb)); return h; }\n"
               "int main() { int n; cin >> n; for (int i = 1; i < n; i++) { int a, b; cin >> a >> "
               "b; g[a].push_back(b); g[b].push_back(a); } cout << height(0, 1); }"),
       "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Inserting or erasing a fixed distance from a vector's end moves only the entries after it.
TEST(ShapesTest, ChangesNearTheEndOfAVector) {
  const Case kCases[] = {
      {"erase the second last",
       PROGRAM("int main() { int n; cin >> n; vector<int> v; for (int i = 0; i < n; i++) { "
               "v.push_back(i); if (v.size() > 2) v.erase(v.end() - 2); } }"),
       "O(n)"},
      {"erase through prev of the end",
       PROGRAM("int main() { int n; cin >> n; vector<int> v(n); for (int i = 0; i < n; i++) "
               "v.erase(std::prev(v.end())); }"),
       "O(n)"},
      {"insert at the end and erase the last two",
       PROGRAM("int main() { int n; cin >> n; vector<int> v; for (int i = 0; i < n; i++) { "
               "v.insert(v.end(), i); v.insert(v.end(), -i); v.erase(v.end() - 2, v.end()); } }"),
       "O(n)"},
      {"near miss: inserting a whole range at the end copies it",
       PROGRAM("int main() { int n; cin >> n; vector<int> a(n), all; for (int i = 0; i < n; "
               "i++) all.insert(all.end(), a.begin(), a.end()); }"),
       "O(n^2)"},
      {"near miss: erasing the front moves every entry",
       PROGRAM("int main() { int n; cin >> n; vector<int> v(n); for (int i = 0; i < n; i++) "
               "v.erase(v.begin()); }"),
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A branch that ends by leaving the function runs to its end at most once per call, whatever
// loops enclose it.
TEST(ShapesTest, BranchesThatLeaveWhenDone) {
  const Case kCases[] = {
      {"print the answer and return from main",
       PROGRAM("int main() { int n; cin >> n; vector<int> a(n); for (int& x : a) cin >> x;\n"
               "  for (int i = 0; i < n; i++) if (a[i] == 0) { for (int j = 0; j < n; j++) cout "
               "<< a[j]; return 0; } }"),
       "O(n)"},
      {"exit from a helper's while loop",
       PROGRAM("int n; vector<int> p;\n"
               "void scan() { int i = 0; while (i < n) { if (p[i] < 0) { for (int k = i; k < n; "
               "k++) cout << p[k]; exit(0); } i++; } }\n"
               "int main() { cin >> n; p.resize(n); for (int& x : p) cin >> x; scan(); }"),
       "O(n)"},
      {"a value returned after a search",
       PROGRAM("int n; vector<int> a;\n"
               "int firstRepeat() { for (int i = 0; i < n; i++) for (int j = 0; j < i; j++) if "
               "(a[i] == a[j]) { int c = 0; for (int k = 0; k < n; k++) c += a[k] == a[i]; "
               "return c; } return 0; }\n"
               "int main() { cin >> n; a.resize(n); for (int& x : a) cin >> x; cout << "
               "firstRepeat(); }"),
       "O(n^2)"},
      {"near miss: a lambda's return ends one pass only",
       PROGRAM("int main() { int n; cin >> n; vector<int> a(n); for (int& x : a) cin >> x;\n"
               "  for (int i = 0; i < n; i++) { auto c = [&](int v) { if (v > 0) { int s = 0; "
               "for (int j = 0; j < n; j++) s += a[j] == v; return s; } return 0; }; cout << "
               "c(a[i]); } }"),
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Rows of a nested container sorted in a loop over the rows share the entries: all the rows
// together hold what was pushed, however many slots the container has.
TEST(ShapesTest, RowsSortedInALoopShareTheEntries) {
  const Case kCases[] = {
      {"an array of vectors by popcount",
       PROGRAM("int n; vector<int> byBits[40];\nint main() { cin >> n; for (int m = 0; m < (1 << "
               "n); m++) byBits[__builtin_popcount(m)].push_back(m);\n  for (int c = 0; c <= n; "
               "c++) sort(byBits[c].begin(), byBits[c].end()); }"),
       "O(2^n * n)"},
      {"a vector of vectors by remainder",
       PROGRAM("int main() { int n, k; cin >> n >> k; vector<vector<long long>> rem(k);\n  for "
               "(int i = 0; i < n; i++) { long long x; cin >> x; rem[i % k].push_back(x); }\n  "
               "for (int r = 0; r < k; r++) sort(rem[r].begin(), rem[r].end(), greater<long "
               "long>()); }"),
       "O(n * log n + k)"},
      {"an array of vectors reversed row by row",
       PROGRAM("vector<int> g[200005];\nint main() { int n, m; cin >> n >> m; for (int i = 0; i "
               "< m; i++) { int a, b; cin >> a >> b; g[a].push_back(b); }\n  for (int v = 1; v <= "
               "n; v++) reverse(g[v].begin(), g[v].end()); }"),
       "O(m + n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A memo table of a power-of-two capacity keyed by masks of the n items holds the subsets the
// recursion reaches: 2^n entries, in time and in space.
TEST(ShapesTest, MemoTablesOfSubsets) {
  const Case kCases[] = {
      {"a literal shift, bits tested with 1LL",
       PROGRAM("int n; long long w[20], best[1 << 20];\nlong long go(long long s) { if (s == 0) "
               "return 0; long long& r = best[s]; if (r) return r; r = LLONG_MAX; for (int i = 0; "
               "i < n; i++) if (s & (1LL << i)) r = min(r, w[i] + go(s ^ (1LL << i))); return r; "
               "}\nint main() { cin >> n; for (int i = 0; i < n; i++) cin >> w[i]; cout << go((1 "
               "<< n) - 1); }"),
       "O(2^n * n)"},
      {"a named capacity, bits set with 1 <<",
       PROGRAM("const int FULL = 1 << 18; int n, c[18][18]; int memo[FULL];\nint f(int used) { "
               "int k = __builtin_popcount(used); if (k == n) return 0; if (memo[used] >= 0) "
               "return memo[used]; int b = INT_MAX; for (int j = 0; j < n; j++) if (!(used >> j "
               "& 1)) b = min(b, c[k][j] + f(used | 1 << j)); return memo[used] = b; }\nint main() "
               "{ cin >> n; for (int i = 0; i < n; i++) for (int j = 0; j < n; j++) cin >> "
               "c[i][j]; memset(memo, -1, sizeof memo); cout << f(0); }"),
       "O(2^n * n + FULL)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
  const Case kSpaces[] = {
      {"a literal shift holds the subsets", kCases[0].program, "O(2^n)"},
      {"a named capacity holds its own extent", kCases[1].program, "O(n^2 + FULL)"},
      {"near miss: a power-of-two table keyed by a value is its capacity",
       PROGRAM("int n; long long f[1 << 20];\nlong long g(int x) { if (x < 2) return x; if "
               "(f[x]) return f[x]; return f[x] = g(x - 1) + g(x - 2); }\nint main() { cin >> n; "
               "cout << g(n); }"),
       "O(n)"},
  };
  for (const Case& c : kSpaces) EXPECT_EQ(spaceOf(c.program), c.want) << c.name;
}

// The library's calls on one element of an array of containers or one row of a table cost
// what that element holds: a set's insert log n, a convolution of two rows their lengths.
TEST(ShapesTest, CallsOnOneElementOfATable) {
  const Case kCases[] = {
      {"an array of ordered sets",
       PROGRAM("set<int> bag[100005];\nint main() { int n; cin >> n; for (int i = 0; i < n; i++) "
               "{ int x; cin >> x; bag[x % 100].insert(i); } }"),
       "O(n * log n)"},
      {"an array of hashed sets",
       PROGRAM("unordered_set<long long> seen[1005];\nint main() { int n; cin >> n; for (int i = "
               "0; i < n; i++) { long long a; cin >> a; seen[a % 1000].insert(a); "
               "seen[(a + 1) % 1000].erase(a); } }"),
       "O(n)"},
      {"a convolution of two rows of a table",
       "#include <bits/stdc++.h>\n#include <atcoder/convolution>\nusing namespace std;\nusing "
       "namespace atcoder;\nint main() { int n; cin >> n; vector<vector<long long>> poly(n, "
       "vector<long long>(n, 1)); long long s = 0;\n  for (int i = 0; i < n; i++) { auto r = "
       "convolution(poly[i], poly[(i + 1) % n]); s += r[0]; } }",
       "O(n^2 * log n)"},
      {"an array of vectors still appends at the end",
       PROGRAM("vector<int> rows[100005];\nint main() { int n; cin >> n; for (int i = 0; i < n; "
               "i++) rows[i % 7].push_back(i); }"),
       "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// What the program keeps, as opposed to what it prints or what its key type bounds.
TEST(ShapesTest, SpaceOfAnswersAlphabetsAndWords) {
  const Case kCases[] = {
      {"a hash map keyed by a character",
       PROGRAM("int main() { int n; cin >> n; unordered_map<char, int> seen; for (int i = 0; i < "
               "n; i++) { char c; cin >> c; seen[c]++; } cout << seen.size(); }"),
       "O(1)"},
      {"an ordered set of characters",
       PROGRAM("int main() { string s; cin >> s; set<char> kinds; for (char c : s) "
               "kinds.insert(c); cout << kinds.size(); }"),
       "O(|s|)"},
      {"near miss: a map keyed by an int holds the items",
       PROGRAM("int main() { int n; cin >> n; map<int, int> seen; for (int i = 0; i < n; i++) { "
               "int c; cin >> c; seen[c]++; } cout << seen.size(); }"),
       "O(n)"},
      {"an answer printed as it is walked",
       PROGRAM("vector<long long> squares(int n) { vector<long long> out; for (int i = 0; i < n; "
               "i++) out.push_back(1LL * i * i); return out; }\nint main() { int n; cin >> n; for "
               "(long long v : squares(n)) cout << v << ' '; }"),
       "O(1)"},
      {"an answer of a member function called through a temporary",
       PROGRAM("struct Gen { vector<string> words(int n) { vector<string> res; string w(n, 'a'); "
               "for (int i = 0; i < n; i++) { w[i] = 'b'; res.push_back(w); } return res; } };\n"
               "int main() { int n; cin >> n; for (auto& w : Gen().words(n)) printf(\"%s\\n\", "
               "w.c_str()); }"),
       "O(n)"},
      {"near miss: an answer kept and searched is storage",
       PROGRAM("vector<int> evens(int n) { vector<int> out; for (int i = 0; i < n; i += 2) "
               "out.push_back(i); return out; }\nint main() { int n, q; cin >> n >> q; "
               "vector<int> e = evens(n); while (q--) { int x; cin >> x; cout << "
               "binary_search(e.begin(), e.end(), x); } }"),
       "O(n)"},
      {"a word read with its length in every test",
       PROGRAM("int main() { int t; cin >> t; while (t--) { int len; string w; cin >> len >> w; "
               "int z = 0; for (int i = 0; i < len; i++) z += w[i] == '0'; cout << z; } }"),
       "O(len)"},
      {"rows of a grid read as strings",
       PROGRAM("int main() { int h, w; cin >> h >> w; vector<string> rows(h); for (auto& r : "
               "rows) cin >> r; int c = 0; for (int i = 0; i < h; i++) for (int j = 0; j < w; "
               "j++) c += rows[i][j] == '#'; cout << c; }"),
       "O(h * w)"},
      {"near miss: a word never walked by a length is one item at a time",
       PROGRAM("int main() { int t; cin >> t; while (t--) { string w; cin >> w; cout << "
               "w.front(); } }"),
       "O(1)"},
  };
  for (const Case& c : kCases) EXPECT_EQ(spaceOf(c.program), c.want) << c.name;
}

// A constant that sizes a table indexed by characters counts letters; a container built in a
// call's arguments takes room for the call.
TEST(ShapesTest, AlphabetsAndTemporaries) {
  const Case kTimes[] = {
      {"a byte table indexed by a cast character",
       PROGRAM("const int BYTES = 256;\nint main() { int n; cin >> n; vector<long long> "
               "hits(BYTES); for (int i = 0; i < n; i++) { char c; cin >> c; hits[(unsigned "
               "char)c]++; } for (int b = 0; b < BYTES; b++) cout << hits[b]; }"),
       "O(n)"},
      {"a defined alphabet indexed by letters of a string",
       PROGRAM("#define ALPHA 128\nint seen[ALPHA];\nint main() { string s; cin >> s; for "
               "(size_t i = 0; i < s.size(); i++) seen[s[i]] = 1; int k = 0; for (int c = 0; c < "
               "ALPHA; c++) k += seen[c]; cout << k; }"),
       "O(|s|)"},
      {"near miss: a table of the same size indexed by values read",
       PROGRAM("const int CAP = 200;\nint main() { int n; cin >> n; vector<int> cnt(CAP); for "
               "(int i = 0; i < n; i++) { int x; cin >> x; cnt[x]++; } for (int v = 0; v < CAP; "
               "v++) cout << cnt[v]; }"),
       "O(CAP + n)"},
  };
  expectTimes(std::begin(kTimes), std::end(kTimes));
  const Case kSpaces[] = {
      {"the byte table is constant", kTimes[0].program, "O(1)"},
      {"a board built in the call",
       PROGRAM("int fill(int r, int n, vector<vector<int>> b) { if (r == n) return 1; "
               "b[r][r] = 1; return fill(r + 1, n, b); }\nint main() { int n; cin >> n; cout << "
               "fill(0, n, vector<vector<int>>(n, vector<int>(n))); }"),
       "O(n^2)"},
      {"a row of marks built in the call",
       PROGRAM("long long count(const vector<char>& used, int m) { return m + used.size(); }\nint "
               "main() { int m; cin >> m; cout << count(vector<char>(m, 0), m); }"),
       "O(m)"},
  };
  for (const Case& c : kSpaces) EXPECT_EQ(spaceOf(c.program), c.want) << c.name;
}

// A halving build whose node keeps its children's lists merged holds every entry once per
// level: n log n to build and to keep. A node keeping one value of its children does not.
TEST(ShapesTest, NodesKeepingTheirChildrenMerged) {
  const Case kCases[] = {
      {"std::merge into the parent through back_inserter",
       PROGRAM("vector<vector<int>> node; vector<int> v;\nvoid make(int x, int lo, int hi) { if "
               "(hi - lo == 1) { node[x] = {v[lo]}; return; } int mid = (lo + hi) / 2; make(2 * "
               "x, lo, mid); make(2 * x + 1, mid, hi); merge(node[2 * x].begin(), node[2 * "
               "x].end(), node[2 * x + 1].begin(), node[2 * x + 1].end(), "
               "back_inserter(node[x])); }\nint main() { int n; cin >> n; v.resize(n); for (int& "
               "e : v) cin >> e; node.resize(4 * n); make(1, 0, n); }"),
       "O(n * log n)"},
      {"a copy of the left child and an append of the right, children by shifts",
       PROGRAM(
           "vector<long long> tr[1 << 19]; long long a[200005];\nvoid up(int p, int l, int "
           "r) { if (l == r) { tr[p].push_back(a[l]); return; } int m = (l + r) >> 1; up(p << "
           "1, l, m); up(p << 1 | 1, m + 1, r); tr[p] = tr[p << 1]; tr[p].insert(tr[p].end(), "
           "tr[p << 1 | 1].begin(), tr[p << 1 | 1].end());"
           "}\nint main() { int n; cin >> n; for (int i = 1; i <= n; i++) cin >> a[i]; up(1, 1, "
           "n); }"),
       "O(n * log n)"},
      {"near miss: a sum tree keeps one value per node",
       PROGRAM("long long s[800005]; int w[200005];\nvoid raise(int k, int l, int r) { if (l == r) "
               "{ s[k] = w[l]; return; } int m = (l + r) / 2; raise(2 * k, l, m); raise(2 * k + 1, "
               "m + 1, r); s[k] = s[2 * k] + s[2 * k + 1]; }\nint main() { int n; cin >> n; for "
               "(int i = 0; i < n; i++) cin >> w[i]; raise(1, 0, n - 1); }"),
       "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
  EXPECT_EQ(spaceOf(kCases[0].program), "O(n * log n)") << kCases[0].name;
  EXPECT_EQ(spaceOf(kCases[2].program), "O(|s| + n)") << kCases[2].name;
}

// A bitset is built from the value of its bits; the template says how many there are.
TEST(ShapesTest, BitsetsBuiltFromAValue) {
  const Case kCases[] = {
      {"a bitset of a mask in a loop over the masks",
       PROGRAM("int main() { int m; cin >> m; long long s = 0; for (int i = 0; i < (1 << m); "
               "i++) { bitset<32> b(i); s += b.count(); } cout << s; }"),
       "O(2^m)"},
      {"a bitset of a value read",
       PROGRAM("int main() { int n; cin >> n; int best = 0; for (int i = 0; i < n; i++) { "
               "unsigned long long x; cin >> x; std::bitset<64> bits(x); best = max(best, "
               "(int)bits.count()); } cout << best; }"),
       "O(n)"},
      {"near miss: a vector built from a count costs the count",
       PROGRAM("int main() { int n; cin >> n; long long s = 0; for (int i = 0; i < n; i++) { "
               "vector<int> v(i); s += v.size(); } cout << s; }"),
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A list an activation fills with one entry per neighbour is as long as the neighbour's row:
// its walks cost the row's share, whatever loop walks it.
TEST(ShapesTest, ListsFilledOncePerNeighbour) {
  const Case kCases[] = {
      {"children kept, then walked by index",
       PROGRAM(
           "int n, k; vector<int> adj[200005]; long long dp[200005][55];\nvoid go(int u, int "
           "p) { vector<int> kids; for (int v : adj[u]) if (v != p) { go(v, u); "
           "kids.push_back(v); } for (int i = 0; i < (int)kids.size(); i++) for (int j = 0; j < "
           "k; j++) dp[u][j + 1] += dp[kids[i]][j]; }\nint main() { cin >> n >> k; for (int i "
           "= 1; i < n; i++) { int a, b; cin >> a >> b; adj[a].push_back(b); "
           "adj[b].push_back(a); } go(1, 0); }"),
       "O(k * n)"},
      {"values of the children walked by range in a lambda",
       PROGRAM("int main() { int n; cin >> n; vector<vector<int>> g(n); for (int i = 1; i < n; "
               "i++) { int p; cin >> p; g[p].push_back(i); } vector<long long> f(n);\n  auto dfs "
               "= [&](auto self, int v) -> void { vector<long long> got; for (int c : g[v]) { "
               "self(self, c); got.emplace_back(f[c]); } for (long "
               "long x : got) f[v] += x; f[v]++; };\n  dfs(dfs, 0); }"),
       "O(n)"},
      {"near miss: a list kept across activations grows to all the vertices",
       PROGRAM("int n; vector<int> adj[200005]; vector<int> seen; long long tot;\nvoid go(int u, "
               "int p) { for (int v : adj[u]) if (v != p) { seen.push_back(v); go(v, u); } for "
               "(int x : seen) tot += x; }\nint main() { cin >> n; for (int i = 1; i < n; i++) { "
               "int a, b; cin >> a >> b; adj[a].push_back(b); adj[b].push_back(a); } go(1, 0); }"),
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

}  // namespace
}  // namespace quorbel
