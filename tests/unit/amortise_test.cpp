// Loops priced by what moves: indices that halve or double wherever the step is written,
// pointers that only move one way across the passes of a loop, containers drained of what was
// pushed, multiples loops by whether their steps are primes, and the honest bound of a loop
// whose count is not derived. Each case is a short program of our own with the answer derived
// by hand; near-misses keep the rules from firing where the guarantee is absent.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& program) {
  Model model = buildModel(program);
  return formatCost(estimateTime(model).total);
}

std::string program(const std::string& globals, const std::string& mainBody) {
  return "#include <bits/stdc++.h>\nusing namespace std;\n" + globals +
         "\nint main() {\n  int n, q;\n  cin >> n >> q;\n" + mainBody + "\n}\n";
}

struct Case {
  const char* name;
  const char* globals;
  const char* body;
  const char* want;
};

void expectTimes(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c)
    EXPECT_EQ(timeOf(program(c->globals, c->body)), c->want) << c->name;
}

// A heap laid out in an array: its sift loops move the index to a parent or a child, log n
// levels, however the step is written.
TEST(AmortiseTest, SiftLoopsHalveOrDoubleTheirIndex) {
  const Case kCases[] = {
      {"halved in a copy kept by the header",
       "vector<int> w(1);\nvoid lift(int i) { for (int p = i / 2; i > 1 && w[p] < w[i]; i = p, p = "
       "i / 2) swap(w[p], w[i]); }",
       "for (int k = 0; k < n; k++) { w.push_back(k); lift(w.size() - 1); }", "O(n * log n)"},
      {"a child chosen in the condition",
       "vector<int> w(1);\nint last() { return (int)w.size() - 1; }\nvoid sink(int i) { int c; "
       "while ((c = i << 1) <= last()) { if (c < last() && w[c + 1] > w[c]) c++; if (w[i] >= "
       "w[c]) break; swap(w[i], w[c]); i = c; } }",
       "for (int k = 0; k < n; k++) w.push_back(k); for (int k = 0; k < n; k++) sink(1);",
       "O(n * log n)"},
      {"a parent through a helper",
       "vector<long long> pq;\nint up(int x) { return (x - 1) >> 1; }\nvoid add(long long v) { "
       "pq.push_back(v); int at = pq.size() - 1; while (at && pq[up(at)] < pq[at]) { "
       "swap(pq[up(at)], pq[at]); at = up(at); } }",
       "for (int k = 0; k < n; k++) add(k);", "O(n * log n)"},
      {"a child through a helper choosing between two",
       "vector<int> hp;\nint pick(int x) { int a = 2 * x + 1, b = a + 1; return b < (int)hp.size() "
       "&& hp[b] < hp[a] ? b : a; }\nvoid fall(int x) { while (2 * x + 1 < (int)hp.size()) { int "
       "c = pick(x); if (hp[x] <= hp[c]) break; swap(hp[x], hp[c]); x = c; } }",
       "for (int k = 0; k < n; k++) hp.push_back(k); for (int k = 0; k < q; k++) fall(0);",
       "O(q * log n + n)"},
      {"a value divided by a literal through a copy: its own bits", "",
       "long long x = q, y; while (x % 10 == 0) { y = x / 10; x = y; }", "O(log q)"},
      {"a step by one is not a sift",
       "vector<int> w;\nvoid walk(int i) { int c; while ((c = i + "
       "1) < (int)w.size()) i = c; }",
       "for (int k = 0; k < n; k++) w.push_back(k); walk(0);", "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A loop that runs while a helper reports entries left and pops one each pass drains what was
// pushed.
TEST(AmortiseTest, DrainsThroughASizeHelper) {
  const Case kCases[] = {
      {"size minus one", "vector<int> d(1);\nint left() { return (int)d.size() - 1; }",
       "for (int k = 0; k < n; k++) d.push_back(k); while (left()) d.pop_back();", "O(n)"},
      {"compared with zero", "deque<int> d;\nint count() { return d.size(); }",
       "for (int k = 0; k < q; k++) d.push_back(k); while (count() > 0) d.pop_front();", "O(q)"},
      {"a stack", "stack<int> s;\nbool any() { return !s.empty(); }",
       "for (int k = 0; k < n; k++) s.push(k); while (any()) s.pop();", "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A pointer moved down along a table from where it is, in a branch or after a full match,
// still only falls as far as the passes raised it.
TEST(AmortiseTest, PointersMovedFromWhereTheyAreStayAmortised) {
  const Case kCases[] = {
      {"failure link after a full match", "",
       "string t, p; cin >> t >> p; int m = p.size(); vector<int> f(m); int k = 0; for (int i = 0; "
       "i < (int)t.size(); i++) { while (k > 0 && t[i] != p[k]) k = f[k - 1]; if (t[i] == p[k]) "
       "k++; if (k == m) k = f[k - 1]; }",
       "O(m + |t|)"},
      {"moved in another branch", "",
       "vector<int> nx(n), a(n); int j = 0; for (int i = 0; i < n; i++) { while (j > 0 && a[i] != "
       "a[j]) j = nx[j]; if (a[i] == a[j]) j++; else if (j == 0) j = nx[j]; }",
       "O(n)"},
      {"a fresh start each pass is not amortised", "",
       "vector<int> nx(n), a(n); int j = 0; for (int i = 0; i < n; i++) { j = i; while (j > 0 && "
       "a[i] != a[j]) j = nx[j]; }",
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Multiples loops: a sieve when the steps are primes (a flag the loop marks is tested first, or
// a list filled under that test is walked), harmonic for every step, wherever they start.
TEST(AmortiseTest, MultiplesByWhetherTheStepsArePrimes) {
  const Case kCases[] = {
      {"guarded by the flag it marks, from the square", "",
       "vector<bool> comp(n + 1); for (int i = 2; i <= n; i++) if (!comp[i]) for (long long j = "
       "1LL * i * i; j <= n; j += i) comp[j] = true;",
       "O(n * log log n)"},
      {"continue before the loop, from the step", "",
       "vector<int> lp(n + 1); for (int i = 2; i <= n; i++) { if (lp[i]) continue; for (int j = "
       "i; j <= n; j += i) if (!lp[j]) lp[j] = i; }",
       "O(n * log log n)"},
      {"a bitset's test and set", "bitset<1000001> mark;",
       "for (int i = 2; i <= n; i++) { if (mark.test(i)) continue; for (int j = 2 * i; j <= n; j "
       "+= i) mark.set(j); }",
       "O(n * log log n)"},
      {"a list of primes walked", "",
       "vector<char> bad(n + 1); vector<int> ps; for (int i = 2; i <= n; i++) if (!bad[i]) { "
       "ps.push_back(i); for (int j = 2 * i; j <= n; j += i) bad[j] = 1; } vector<int> cnt(n + "
       "1); for (int p : ps) for (int j = p; j <= n; j += p) cnt[j]++;",
       "O(n * log log n)"},
      {"every step from twice the step", "",
       "vector<int> c(n + 1); for (int d = 1; d <= n; d++) for (int j = 2 * d; j <= n; j += d) "
       "c[j]++;",
       "O(n * log n)"},
      {"every step from the square", "",
       "vector<int> c(n + 1); for (int d = 1; d * d <= n; d++) for (int j = d * d; j <= n; j += "
       "d) c[j]++;",
       "O(n * log n)"},
      {"a flag nothing marks is a filter, not primality", "",
       "vector<int> a(n + 1), c(n + 1); for (int i = 1; i <= n; i++) cin >> a[i]; for (int d = 1; "
       "d <= n; d++) if (a[d]) for (int j = d; j <= n; j += d) c[j] += a[d];",
       "O(n * log n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A walk over a list of primes bounded by a product with the outer variable: a linear sieve
// when it stops at the smallest prime factor (each number marked once), else the primes up to
// N / i for every i, N log log N in all; and an offset doubled until a test of something else.
TEST(AmortiseTest, ProductBoundedWalksAndDoubledOffsets) {
  const Case kCases[] = {
      {"linear sieve, the product as an exit", "",
       "vector<int> lp(n + 1), pr; for (int i = 2; i <= n; i++) { if (!lp[i]) { lp[i] = i; "
       "pr.push_back(i); } for (int j = 0; j < (int)pr.size(); j++) { if ((long long)i * pr[j] > "
       "n) break; lp[i * pr[j]] = pr[j]; if (i % pr[j] == 0) break; } }",
       "O(n)"},
      {"linear sieve, the smallest factor in the test", "",
       "vector<int> lp(n + 1), pr; for (int i = 2; i <= n; i++) { if (lp[i] == 0) { lp[i] = i; "
       "pr.push_back(i); } for (int j = 0; j < (int)pr.size() && pr[j] <= lp[i] && i * pr[j] <= "
       "n; j++) lp[i * pr[j]] = pr[j]; }",
       "O(n)"},
      {"primes up to n / i for every i", "",
       "vector<char> cp(n + 1); vector<int> ps, c(n + 1); for (int i = 2; i <= n; i++) { if "
       "(!cp[i]) ps.push_back(i); for (int j = 0; j < (int)ps.size(); j++) { if (i * ps[j] > n) "
       "break; cp[i * ps[j]] = 1; if (i % ps[j] == 0) break; } } for (int i = 1; i <= n; i++) for "
       "(int j = 0; j < (int)ps.size(); j++) { if (i * ps[j] <= n) c[i * ps[j]]++; else break; }",
       "O(n * log log n)"},
      {"a product of two entries is no such bound", "",
       "vector<int> x(n); int best = 0; for (int i = 0; i < n; i++) for (int j = i + 1; j < n; "
       "j++) { if ((x[i] - x[j]) * (x[i] - x[j]) > q) break; best++; }",
       "O(n^2)"},
      {"an offset doubled until the ranks are distinct", "",
       "vector<int> rk(n), tmp(n); for (int gap = 1; tmp[n - 1] != n - 1; gap *= 2) { for (int i "
       "= 0; i < n; i++) tmp[i] = rk[i] + (i + gap < n ? rk[i + gap] : 0); }",
       "O(n * log n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Entries that only move into a container at least twice the size of their old one move log n
// times each, n log n in all over the run; entries that feed later buckets of their own list
// step n / k times each.
TEST(AmortiseTest, EntriesMovedByTheirOwnSteps) {
  const Case kCases[] = {
      {"smaller side by branch", "",
       "vector<multiset<int>> s(n); for (int i = 0; i < n; i++) s[i].insert(i); for (int k = 0; "
       "k < q; k++) { int a, b; cin >> a >> b; if (s[b].size() >= s[a].size()) { for (int v : "
       "s[a]) s[b].insert(v); s[a].clear(); } else { for (int v : s[b]) s[a].insert(v); "
       "s[b].clear(); "
       "} }",
       "O(n * log^2 n + q)"},
      {"indices swapped, a list appended", "",
       "vector<vector<int>> g(n); vector<int> who(n); for (int i = 0; i < n; i++) "
       "g[i].push_back(i); "
       "for (int k = 0; k < q; k++) { int u, v; cin >> u >> v; if ((int)g[u].size() < "
       "(int)g[v].size()) swap(u, v); for (int x : g[v]) { who[x] = u; g[u].push_back(x); } "
       "g[v].clear(); }",
       "O(n * log n + q)"},
      {"pointers swapped in a recursion",
       "vector<vector<int>> ch; vector<int> col;\n"
       "set<int>* up(int v) { set<int>* mine = new set<int>{col[v]}; for (int c : ch[v]) { "
       "set<int>* kid = up(c); if (mine->size() < kid->size()) swap(mine, kid); for (int x : "
       "*kid) mine->insert(x); delete kid; } return mine; }",
       "ch.resize(n); col.resize(n); for (int v = 1; v < n; v++) { int p; cin >> p; "
       "ch[p].push_back(v); } delete up(0);",
       "O(n * log^2 n)"},
      {"a size comparison that does not choose the walked side", "",
       "vector<int> a(n), b(n), c(n); long long t = 0; for (int k = 0; k < q; k++) { if (a.size() "
       "< b.size()) swap(a, b); for (int x : c) t += x; }",
       "O(n * q)"},
      {"buckets fed at the entry's next multiple", "",
       "vector<vector<int>> at(n + 1); vector<int> nx(n + 1); for (int k = 1; k <= n; k++) { nx[k] "
       "= k; at[k].push_back(k); } for (int i = 1; i <= n; i++) for (int k : at[i]) { nx[k] += k; "
       "if (nx[k] <= n) at[nx[k]].push_back(k); }",
       "O(n * log n)"},
      {"buckets fed at the position plus the entry", "",
       "vector<vector<int>> b(n + 1); for (int k = 1; k <= n; k++) b[k].push_back(k); for (int i = "
       "1; i <= n; i++) for (int d : b[i]) if (i + d <= n) b[i + d].push_back(d);",
       "O(n * log n)"},
      {"buckets fed elsewhere are a plain list", "",
       "vector<vector<int>> b(n + 1); for (int k = 1; k <= n; k++) b[k].push_back(k); for (int i = "
       "1; i <= n; i++) for (int d : b[i]) if (d + 1 <= n) b[d + 1].push_back(i);",
       "O(n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// Submasks of a mask made from the outer mask, over all masks: 3^n in all.
TEST(AmortiseTest, SubmasksOfMasksTiedToTheOuterMask) {
  const Case kCases[] = {
      {"the outer mask itself", "",
       "for (int m = 0; m < (1 << n); m++) for (int s = m; s; s = (s - 1) & m) {}", "O(3^n)"},
      {"its complement", "",
       "int full = (1 << n) - 1; for (int m = 0; m < (1 << n); m++) for (int s = full ^ m; s > 0; "
       "s = (s - 1) & (full ^ m)) {}",
       "O(3^n)"},
      {"a mask built bit by bit and cut by the outer one", "",
       "vector<int> need(n); for (int m = 0; m < (1 << n); m++) { int avail = 0; for (int j = 0; j "
       "< n; j++) if ((m & need[j]) == need[j]) avail |= 1 << j; avail &= ~m; for (int s = avail; "
       "s; s = (s - 1) & avail) {} }",
       "O(3^n)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A walk that resumes for each step where the last walk for that step stopped passes each
// stored multiple once; a check made only on a lookup hit that ends the search runs once.
TEST(AmortiseTest, WalksAndChecksChargedOnce) {
  const Case kCases[] = {
      {"a membership walk from a start kept per step", "",
       "set<int> s; map<int, int> last; for (int i = 0; i < n; i++) { int x; cin >> x; "
       "s.insert(x); } for (int k = 0; k < n; k++) { int x; cin >> x; int v = last.count(x) ? "
       "last[x] : x; while (s.count(v)) v += x; last[x] = v; }",
       "O(n * log^2 n)"},
      {"a membership walk from scratch each time", "",
       "unordered_set<int> s; for (int i = 0; i < n; i++) { int x; cin >> x; s.insert(x); } for "
       "(int k = 0; k < q; k++) { int x, v; cin >> x; v = x; while (s.count(v)) v += x; }",
       "O(n * q)"},
      {"a check after a hashed hit that returns", "",
       "string t; cin >> t; int m = t.size(); unordered_map<long long, int> at; long long h = 0; "
       "for (int i = 0; i + q <= m; i++) { h = h * 31 + t[i]; auto it = at.find(h); if (it != "
       "at.end() && t.substr(it->second, q) == t.substr(i, q)) { cout << i; return 0; } at[h] = i; "
       "}",
       "O(m)"},
      {"a check after a count that breaks", "",
       "vector<int> a(n); map<int, int> seen; int found = -1; for (int i = 0; i + q <= n; i++) { "
       "if (seen.count(a[i]) && equal(a.begin() + seen[a[i]], a.begin() + seen[a[i]] + q, "
       "a.begin() + i)) { found = i; break; } seen[a[i]] = i; }",
       "O(n * log n + q)"},
      {"a check that does not leave runs every pass", "",
       "vector<int> a(n); map<int, int> seen; int hits = 0; for (int i = 0; i + q <= n; i++) { if "
       "(seen.count(a[i]) && equal(a.begin(), a.begin() + q, a.begin() + i)) hits++; seen[a[i]] "
       "= i; }",
       "O(n * (q + log n))"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

// A loop no rule counts is bounded by what it moves or reads, and the estimate says which size
// it took and how far the bound reaches.
TEST(AmortiseTest, FallbackBoundsByWhatMoves) {
  const struct {
    const char* name;
    const char* globals;
    const char* body;
    const char* want;
    const char* bound;  // a piece of the assumption's sentence
    const char* level;
  } kCases[] = {
      {"a pointer kept across the passes", "",
       "vector<int> a(n); int l = 0; for (int r = 0; r < n; r++) { while (a[r] - a[l] > q) l++; }",
       "O(n)", "bounded by |a| (l indexes a) over all passes of the enclosing loop", "medium"},
      {"a deque's front popped", "",
       "deque<int> d; for (int i = 0; i < n; i++) { d.push_back(i); while (d.front() < i - q) "
       "d.pop_front(); }",
       "O(n)", "it removes entries of d", "medium"},
      {"a parent chain without a test", "",
       "vector<int> up(n); for (int i = 0; i < q; i++) { int x; cin >> x; for (int v = x;; v = "
       "up[v]) if (v == 0) break; }",
       "O(n * q)", "bounded by |up| (v indexes up)", "medium"},
      {"an extension pushing a frontier", "",
       "vector<int> a(n), z(n); for (int i = 1, lo = 0, hi = 0; i < n; i++) { if (i < hi) z[i] = "
       "min(hi - i, z[i - lo]); while (i + z[i] < n && a[z[i]] == a[i + z[i]]) z[i]++; if (i + "
       "z[i] > hi) lo = i, hi = i + z[i]; }",
       "O(n)", "extends a frontier kept across the passes", "medium"},
      {"an extension from scratch each pass", "",
       "vector<int> a(n), w(n); for (int i = 0; i < n; i++) { w[i] = 0; while (i + w[i] < n && "
       "a[w[i]] == a[i + w[i]]) w[i]++; }",
       "O(n^2)", "bounded by n", "medium"},
      {"a global stack counter lowered from where it was left",
       "int st[200005], top = 0;\nvoid unwind(int v) { while (top > 0 && st[top - 1] != v) "
       "top--; }",
       "for (int i = 0; i < n; i++) st[top++] = i; for (int i = 0; i < q; i++) { int v; cin >> v; "
       "unwind(v); }",
       "O(n + q)", "", ""},
      {"a global window end moved both ways is not kept",
       "vector<int> a; int lo = 0;\nvoid moveTo(int x) { while (lo < x) lo++; while (lo > x) lo--; "
       "}",
       "a.resize(n); for (int i = 0; i < q; i++) { int x; cin >> x; moveTo(x); }", "O(q * x + n)",
       "", ""},
      {"an exponent tested on the right", "",
       "int k = 0; while (n > (1 << k)) ++k; for (int i = 0; i < k; i++) {}", "O(log n)",
       "k is a shift amount", "medium"},
      {"the characters of one value",
       "int readInt() { int x = 0; char c = getchar(); while (c < '0' || c > '9') c = getchar(); "
       "while (c >= '0' && c <= '9') { x = x * 10 + c - '0'; c = getchar(); } return x; }",
       "int k = readInt(); for (int i = 0; i < k; i++) readInt();", "O(k)",
       "one token's characters", "medium"},
      {"a nested loop's counter is no pointer of the outer one", "",
       "vector<int> v(n); while (v[0] != 0) { for (int k = 0; k < n; k++) v[k] /= 2; }", "O(n^2)",
       "the first size the program reads stands for it", "low"},
      {"nothing named: the first size stands in", "",
       "long long t = 1; while (true) { t = t * 3 % 1000003; if (t == 1) break; }", "O(n)",
       "the first size the program reads stands for it", "low"},
  };
  for (const auto& c : kCases) {
    Model model = buildModel(program(c.globals, c.body));
    const TimeEstimate estimate = estimateTime(model);
    EXPECT_EQ(formatCost(estimate.total), c.want) << c.name;
    bool said = *c.bound == '\0';
    for (const Assumption& a : estimate.assumptions)
      said = said || (a.text.find(c.bound) != std::string::npos && a.level == c.level);
    EXPECT_TRUE(said) << c.name;
  }
}

// The bound a fallback takes, kind by kind, each in three spellings of its own; the sentence
// names the size and what the loop moves.
TEST(AmortiseTest, FallbackBoundKindsInThreeSpellings) {
  const struct {
    const char* name;
    const char* globals;
    const char* body;
    const char* want;
    const char* bound;
  } kCases[] = {
      // a container the loop pops, kept across the passes of the loop that fills it
      {"back popped while larger", "",
       "vector<int> st; for (int i = 0; i < n; i++) { while (st.back() > i % q) st.pop_back(); "
       "st.push_back(i); }",
       "O(n)", "it removes entries of st"},
      {"a queue's front popped", "",
       "queue<int> w; for (int i = 0; i < n; i++) { w.push(i); while (w.front() + q < i) w.pop(); "
       "}",
       "O(n)", "it removes entries of w"},
      {"a set's smallest erased", "",
       "set<int> s; for (int i = 0; i < n; i++) { s.insert(i); while (*s.begin() < i - q) "
       "s.erase(s.begin()); }",
       "O(n * log n)", "it removes entries of s"},
      // a pointer by the array it indexes
      {"a pointer while its entry is small", "",
       "vector<long long> a(n); int p = 0; for (int i = 0; i < q; i++) { long long x; cin >> x; "
       "while (a[p] < x) p++; }",
       "O(n + q)", "p indexes a"},
      {"a pointer down a sorted array", "",
       "vector<int> b(n); int p = n - 1; for (int i = 0; i < q; i++) { int x; cin >> x; while "
       "(b[p] > x) --p; }",
       "O(n + q)", "p indexes b"},
      {"a record's field", "struct E { int w, u, v; };",
       "vector<E> es(n); int p = 0; for (int i = 0; i < q; i++) { int k; cin >> k; while "
       "(es[p].w <= k) p += 1; }",
       "O(n + q)", "p indexes es"},
      // a shift amount by log of its bound
      {"a shift on the right", "", "int b = 0; while (n > (1 << b)) b++;", "O(log n)",
       "b is a shift amount"},
      {"a wide shift on the right", "", "int b = 0; while ((long long)q >= (1LL << b)) ++b;",
       "O(log q)", "b is a shift amount"},
      {"a bit tested in a literal mask", "", "int m = 0x3f0, b = 0; while (m & (1 << b)) b++;",
       "O(1)", "the bits of a word"},
      // a value divided each round
      {"divided while divisible, kept across the outer loop", "",
       "long long x = n; for (int p = 2; p <= 50; p++) while (!(x % p)) x /= p;", "O(log n)",
       "x is divided each round"},
      {"divided by a read base while a multiple", "",
       "long long x = q; int d; cin >> d; while (!(x % d)) x = x / d;", "O(log q)",
       "x is divided each round"},
      {"divided by a read factor, counted", "",
       "long long x = n; int f, e = 0; cin >> f; while (!(x % f)) x /= f, e++;", "O(log n)",
       "x is divided each round"},
  };
  for (const auto& c : kCases) {
    Model model = buildModel(program(c.globals, c.body));
    const TimeEstimate estimate = estimateTime(model);
    EXPECT_EQ(formatCost(estimate.total), c.want) << c.name;
    bool said = false;
    for (const Assumption& a : estimate.assumptions)
      said = said || a.text.find(c.bound) != std::string::npos;
    EXPECT_TRUE(said) << c.name;
  }
}

// A climb that leaves a whole chain for the parent of its head, in three spellings.
TEST(AmortiseTest, ChainClimbsAreLogarithmic) {
  const Case kCases[] = {
      {"heads compared",
       "vector<int> top, up, depth;\n"
       "int climb(int a, int b) { int s = 0; while (top[a] != top[b]) { if (depth[top[a]] < "
       "depth[top[b]]) swap(a, b); s++; a = up[top[a]]; } return s; }",
       "top.resize(n); up.resize(n); depth.resize(n); for (int i = 0; i < q; i++) { int a, b; "
       "cin >> a >> b; climb(a, b); }",
       "O(q * log n + n)"},
      {"heads through a helper",
       "vector<int> hd, par;\nint chain(int v) { return hd[v]; }\n"
       "int up2(int a, int b) { while (chain(a) != chain(b)) { if (a < b) swap(a, b); a = "
       "par[hd[a]]; } return a; }",
       "hd.resize(n); par.resize(n); for (int i = 0; i < q; i++) up2(i % n, 0);",
       "O(q * log n + n)"},
      {"a parent table walked one step is no climb",
       "vector<int> par;\n"
       "int root(int a) { while (par[a] != a) a = par[a]; return a; }",
       "par.resize(n); for (int i = 0; i < q; i++) root(i % n);", "O(n * q)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

}  // namespace
}  // namespace quorbel

namespace quorbel {
namespace {

// A Fenwick tree's step written through a helper of one return statement moves the index by
// its lowest bit as the step written out does: log n rounds.
TEST(AmortiseTest, LowestBitStepsThroughAHelper) {
  const Case kCases[] = {
      {"added and taken away",
       "int bit[200005];\nint lowbit(int x) { return x & -x; }\n"
       "void add(int i, int v) { while (i < 200005) { bit[i] += v; i += lowbit(i); } }\n"
       "int sum(int i) { int s = 0; while (i) { s += bit[i]; i -= lowbit(i); } return s; }",
       "for (int k = 1; k <= n; k++) add(k, 1); for (int k = 0; k < q; k++) cout << sum(k);",
       "O(n * log n + q * log q)"},
      {"in a for loop's update, spelled out",
       "long long fw[100005];\nint lsb(int v) { return v & (-v); }\n"
       "void bump(int p, long long d) { for (; p <= 100000; p = p + lsb(p)) fw[p] += d; }",
       "for (int k = 1; k <= n; k++) bump(k, k);", "O(n * log n)"},
      {"near miss: the lowest bit of a fixed value is a fixed step",
       "const int LIM = 200005;\nint cnt[LIM];\nint lowbit(int x) { return x & -x; }\n"
       "void mark(int i) { for (; i < LIM; i += lowbit(4)) cnt[i]++; }",
       "for (int k = 0; k < q; k++) mark(k);", "O(LIM * q)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

}  // namespace
}  // namespace quorbel
