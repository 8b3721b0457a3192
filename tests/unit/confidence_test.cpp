#include "analysis/confidence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/pipeline.h"

namespace quorbel {
namespace {

struct RatingRow {
  std::vector<Assumption> assumptions;
  std::string time, space;
};

TEST(ConfidenceTest, EachDimensionTakesItsWeakestAssumption) {
  const std::vector<RatingRow> rows = {
      {{}, "high", "high"},
      {{{3, "time", "a", "medium"}}, "medium", "high"},
      {{{3, "space", "a", "low"}}, "high", "low"},
      {{{3, "time", "a", "medium"}, {9, "time", "b", "low"}}, "low", "high"},
      {{{9, "time", "b", "low"}, {3, "time", "a", "medium"}}, "low", "high"},
      {{{1, "time", "a", "medium"}, {2, "space", "b", "medium"}}, "medium", "medium"},
  };
  for (const RatingRow& row : rows) {
    const Confidence confidence = rateConfidence(row.assumptions);
    EXPECT_EQ(confidence.time, row.time);
    EXPECT_EQ(confidence.space, row.space);
  }
}

TEST(ConfidenceTest, AssumptionsAreOrderedByLineAndRepeatsKeepTheWeakerLevel) {
  const std::vector<Assumption> ordered = orderAssumptions({
      {0, "time", "whole program", "medium"},
      {12, "time", "loop", "medium"},
      {4, "space", "table", "low"},
      {12, "time", "loop", "low"},
      {12, "space", "loop", "medium"},
  });
  ASSERT_EQ(ordered.size(), 4u);
  EXPECT_EQ(ordered[0].line, 4);
  EXPECT_EQ(ordered[1].text, "loop");
  EXPECT_EQ(ordered[1].level, "low");
  EXPECT_EQ(ordered[2].dimension, "space");
  EXPECT_EQ(ordered[3].line, 0);
}

struct ProgramRow {
  const char* code;
  const char* time;
  const char* space;
};

TEST(ConfidenceTest, ProgramsThatHideOrAssumeAreNotHigh) {
  const std::vector<ProgramRow> rows = {
      // Everything derived: a loop over n read from input.
      {"#include <iostream>\nint main(){int n;std::cin>>n;long s=0;for(int i=0;i<n;i++)s+=i;"
       "std::cout<<s;}",
       "high", "high"},
      // A syntax error hides what follows it.
      {"int main(){int n; for(int i=0;i<n;i++) { @@@ }\n}", "low", "low"},
  };
  for (const ProgramRow& row : rows) {
    const Analysis analysis = analyze(row.code);
    EXPECT_EQ(analysis.confidence.time, row.time) << row.code;
    EXPECT_EQ(analysis.confidence.space, row.space) << row.code;
  }
}

struct ShapeRow {
  const char* name;
  const char* code;
  const char* level;     // time confidence
  const char* sentence;  // found in the first time assumption; empty when there is none
};

void expectShapes(const std::vector<ShapeRow>& rows) {
  for (const ShapeRow& row : rows) {
    const Analysis analysis = analyze(row.code);
    EXPECT_EQ(analysis.confidence.time, row.level) << row.name;
    if (!*row.sentence) continue;
    ASSERT_FALSE(analysis.assumptions.empty()) << row.name;
    EXPECT_NE(analysis.assumptions[0].text.find(row.sentence), std::string::npos) << row.name;
  }
}

// A capacity the code sweeps and a recursion that branches are derived from the code: the
// other reading is stated beside them without weakening the answer.
TEST(ConfidenceTest, ShapesDerivedFromTheCodeAreStatedAtHigh) {
  const std::vector<ShapeRow> rows = {
      {"a capacity swept for every item", R"cpp(#include <bits/stdc++.h>
                                                using namespace std;
                                                const int MAXV = 100005;
                                                int seen[MAXV];
                                                int main() {
                                                  int n;
                                                  cin >> n;
                                                  long long total = 0;
                                                  for (int i = 0; i < n; i++) {
                                                    int x;
                                                    cin >> x;
                                                    for (int v = 0; v < MAXV; v++) seen[v] = 0;
                                                    seen[x] = 1;
                                                    total += x;
                                                  }
                                                  cout << total;
                                                }
       )cpp",
       "high", "the capacity MAXV is swept"},
      {"branching recursion", R"cpp(#include <bits/stdc++.h>
                                    using namespace std;
                                    int n;
                                    vector<int> w;
                                    long long best(int i, long long load) {
                                      if (i == n) return load;
                                      return max(best(i + 1, load), best(i + 1, load + w[i]));
                                    }
                                    int main() {
                                      cin >> n;
                                      w.resize(n);
                                      for (auto& x : w) cin >> x;
                                      cout << best(0, 0);
                                    }
       )cpp",
       "high", "every call was taken to branch"},
      {"a sort of what was read", R"cpp(#include <bits/stdc++.h>
                                        using namespace std;
                                        int main() {
                                          int n;
                                          cin >> n;
                                          vector<int> a(n);
                                          for (auto& x : a) cin >> x;
                                          sort(a.begin(), a.end());
                                          cout << a[0];
                                        }
       )cpp",
       "high", ""},
  };
  expectShapes(rows);
}

// A nest that carries the answer's largest term while one of its loops was priced by a range
// the code may share out between passes: the bound holds but may be loose, so medium. The same
// nests with plain counters stay high.
TEST(ConfidenceTest, NestsPricedByARangeTheCodeMayShareAreMedium) {
  const std::string head = "#include <bits/stdc++.h>\nusing namespace std;\n";
  const std::string readA = "int n; cin >> n; vector<int> a(n); for (auto& x : a) cin >> x;\n";
  const std::vector<std::pair<std::string, ShapeRow>> rows = {
      {"int main() {" + readA +
           "int q; cin >> q; vector<int> heavy;\n"
           "for (int i = 0; i < n; i++) if (a[i] * a[i] > n) heavy.push_back(i);\n"
           "long long t = 0; while (q--) { int x; cin >> x;\n"
           "for (int j = 0; j < (int)heavy.size(); j++) t += heavy[j] ^ x; }\ncout << t; }",
       {"a filtered list walked per query", "", "medium", "every entry heavy receives"}},
      {"int main() {" + readA +
           "int m; cin >> m; set<int> marked;\n"
           "for (int i = 0; i < n; i++) if (a[i] == 1) marked.insert(i);\n"
           "long long s = 0; for (int k = 0; k < m; k++) { int x; cin >> x;\n"
           "for (int v : marked) s += v * x; }\ncout << s; }",
       {"a marked set walked per item", "", "medium", "every entry marked receives"}},
      {"int main() { string s; cin >> s; int n = s.size(); vector<int> z(n);\n"
       "for (int i = 1; i < n; i++) { int len = 0;\n"
       "while (i + len < n && s[len] == s[i + len]) len++;\nz[i] = len; }\ncout << z[n - 1]; }",
       {"a match extended while the letters agree", "", "medium", "stops on what it reads"}},
      {"vector<int> a; bool fits(int i, int j) { return a[i] <= a[j]; }\n"
       "int main() { int n; cin >> n; a.resize(n); for (auto& x : a) cin >> x;\n"
       "long long run = 0; for (int i = 0; i < n; i++) { int j = i;\n"
       "while (j + 1 < n && fits(j, j + 1)) j++;\nrun += j - i; }\ncout << run; }",
       {"a run extended while a helper agrees", "", "medium", "stops on what it reads"}},
      {"int n; long long ways(int step) { long long r = 0;\n"
       "for (int i = 1; i <= n / step; i++) r += i;\nreturn r; }\n"
       "int main() { cin >> n; vector<int> d(n); for (auto& x : d) cin >> x; long long s = 0;\n"
       "for (int k = 0; k < n; k++) s += ways(d[k]);\ncout << s; }",
       {"a bound divided by an entry the caller reads", "", "medium", "divides by step"}},
      // for k = 1..n the calls sum to n log n, derived: nothing is assumed
      {"int n; long long ways(int step) { long long r = 0;\n"
       "for (int i = 1; i <= n / step; i++) r += i;\nreturn r; }\n"
       "int main() { cin >> n; long long s = 0; for (int k = 1; k <= n; k++) s += ways(k);\n"
       "cout << s; }",
       {"a bound divided by the caller's counter, summed", "", "high", ""}},
      {"int main() {" + readA +
           "long long best = 0;\n"
           "for (int width = 1, done = 0; done < n; width *= 2) {\n"
           "for (int i = 0; i < n; i++) best = max(best, 1LL * a[i] * width);\ndone += width; }\n"
           "cout << best; }",
       {"a counter moved in the body", "", "medium", "tests done, which its body moves"}},
      {"int main() {" + readA +
           "for (int i = 0; i < n; i++) { int at = a.size() - 1;\n"
           "if (!a.empty()) a.erase(a.begin() + at); }\ncout << a.size(); }",
       {"an erase in a loop", "", "medium", "the erase at line"}},
      {"int digits(long long x, long long base) { int s = 0;\n"
       "while (x > 0) { s += x % base; x /= base; }\nreturn s; }\n"
       "int main() { long long n; cin >> n; int best = 0;\n"
       "for (long long b = 2; b * b <= n; b++) best = max(best, digits(n, b));\ncout << best; }",
       {"a logarithm whose base is the caller's counter", "", "medium", "divides by base"}},
      {"int n; vector<long long> w; long long memo[505][505]; bool done[505][505];\n"
       "long long best(int l, int r) { if (l >= r) return 0; if (done[l][r]) return memo[l][r];\n"
       "long long out = LLONG_MAX;\n"
       "for (int k = l; k < r; k++) out = min(out, best(l, k) + best(k + 1, r) + w[r] - w[l]);\n"
       "done[l][r] = true; return memo[l][r] = out; }\n"
       "int main() { cin >> n; w.resize(n); for (auto& x : w) cin >> x; cout << best(0, n - 1); }",
       {"a memo over intervals", "", "medium", "the states of the memo"}},
      {"int main() {" + readA +
           "long long s = 0;\n"
           "for (int d = 1; d <= n; d++) { int step = a[d - 1] + 1;\n"
           "for (int i = 0; i < n; i += step) s += a[i]; }\ncout << s; }",
       {"a stride read from the data", "", "medium", "steps by or divides by step"}},
      {"int main() {" + readA +
           "int q; cin >> q; deque<int> odd;\n"
           "for (int x : a) if (x % 2) odd.push_back(x);\n"
           "long long s = 0; while (q--) { int y; cin >> y; for (int v : odd) s += v < y; }\n"
           "cout << s; }",
       {"a filtered queue walked per query", "", "medium", "every entry odd receives"}},
      {"int n; vector<int> up; vector<vector<int>> kids; long long total = 0;\n"
       "void walk(int v, int d) { total += d; for (int c : kids[v]) walk(c, d + 1); }\n"
       "int main() { cin >> n; up.resize(n); kids.resize(n); vector<int> tops;\n"
       "for (int i = 0; i < n; i++) { cin >> up[i];\n"
       "if (up[i] < 0) tops.push_back(i); else kids[up[i]].push_back(i); }\n"
       "for (int t : tops) walk(t, 0);\ncout << total; }",
       {"a walk from every root kept", "", "medium", "walks every entry tops receives"}},
      {"int main() { int n; cin >> n; vector<vector<int>> adj(n); vector<int> deg(n);\n"
       "for (int i = 0; i < n; i++) { int k; cin >> k; deg[i] = k;\n"
       "for (int j = 0; j < k; j++) { int x; cin >> x; adj[i].push_back(x); } }\n"
       "long long s = 0; for (int i = 0; i < n; i++) s += deg[i] * (long long)adj[i].size();\n"
       "cout << s; }",
       // each vertex's k items are read as a group: summed over the vertices, derived
       {"a count read per item bounding its reads", "", "high", ""}},
      {"int main() { int n, m, cap; cin >> n >> m >> cap; vector<vector<pair<int, int>>> g(n);\n"
       "for (int i = 0; i < m; i++) { int u, v, w; cin >> u >> v >> w; g[u].push_back({v, w}); }\n"
       "vector<vector<long long>> best(n, vector<long long>(cap + 1, LLONG_MAX));\n"
       "priority_queue<tuple<long long, int, int>> pq; best[0][0] = 0; pq.push({0, 0, 0});\n"
       "while (!pq.empty()) { auto [d, u, used] = pq.top(); pq.pop();\n"
       "for (auto [v, w] : g[u]) if (used + w <= cap && best[v][used + w] > d + 1) {\n"
       "best[v][used + w] = d + 1; pq.push({d + 1, v, used + w}); } }\n"
       "cout << best[n - 1][cap]; }",
       {"a search over vertex and budget", "", "medium", "relaxes a table of more than one"}},
      {"int n; vector<vector<int>> adj; vector<bool> gone; vector<int> sz;\n"
       "int count(int v, int p) { sz[v] = 1;\n"
       "for (int u : adj[v]) if (u != p && !gone[u]) sz[v] += count(u, v); return sz[v]; }\n"
       "void pick(int v, int p, int whole);\n"
       "void take(int v) { gone[v] = true;\n"
       "for (int u : adj[v]) if (!gone[u]) { count(u, v); pick(u, v, sz[u]); } }\n"
       "void pick(int v, int p, int whole) { for (int u : adj[v])\n"
       "if (u != p && !gone[u] && sz[u] * 2 > whole) return pick(u, v, whole); take(v); }\n"
       "int main() { cin >> n; adj.resize(n); gone.assign(n, false); sz.assign(n, 0);\n"
       "for (int i = 1; i < n; i++) { int a, b; cin >> a >> b; adj[a].push_back(b);\n"
       "adj[b].push_back(a); }\ncount(0, -1); pick(0, -1, n); cout << sz[0]; }",
       {"two functions splitting a tree between them", "", "medium", "call each other"}},
      // A rank raised on every union counts unions: log n per find by path compression alone,
      // derived, with nothing assumed.
      {"int p[200005], lvl[200005];\n"
       "int root(int x) { return p[x] == x ? x : p[x] = root(p[x]); }\n"
       "void join(int a, int b) { a = root(a); b = root(b); if (a == b) return;\n"
       "if (lvl[a] < lvl[b]) swap(a, b); p[b] = a; lvl[a]++; }\n"
       "int main() { int n, q; cin >> n >> q; for (int i = 0; i < n; i++) p[i] = i;\n"
       "while (q--) { int a, b; cin >> a >> b; join(a, b); }\ncout << root(0); }",
       {"a rank raised on every union", "", "high", ""}},
      // Plain counters: the nest is what it says.
      {"int main() {" + readA +
           "long long s = 0;\n"
           "for (int i = 0; i < n; i++) for (int j = 0; j < n; j++) s += a[i] * a[j];\ncout << s; "
           "}",
       {"a square of reads", "", "high", ""}},
      {"int main() { int n; cin >> n; long long s = 0;\n"
       "for (int i = 0; i < n; i++) { int j = i; while (j < n) { s += j; j++; } }\ncout << s; }",
       {"a while with a counter only", "", "high", ""}},
      {"int main() {" + readA +
           "sort(a.begin(), a.end()); int i = 0;\n"
           "while (i < n && a[i] < 0) i++;\ncout << i; }",
       {"a while on the data outside any nest", "", "high", ""}},
      {"int main() { int t; cin >> t; while (t--) {" + readA +
           "int pairs = 0;\n"
           "for (int i = 0; i < n; i++) for (int j = i + 1; j < n; j++) pairs += a[i] < a[j];\n"
           "cout << pairs << '\\n'; } }",
       {"tests whose sizes are read and summed", "", "high", "tests are summed"}},
      {"int p[200005], lvl[200005];\n"
       "int root(int x) { return p[x] == x ? x : p[x] = root(p[x]); }\n"
       "void join(int a, int b) { a = root(a); b = root(b); if (a == b) return;\n"
       "if (lvl[a] < lvl[b]) swap(a, b); p[b] = a; lvl[a] += lvl[b]; }\n"
       "int main() { int n, q; cin >> n >> q; for (int i = 0; i < n; i++) p[i] = i;\n"
       "while (q--) { int a, b; cin >> a >> b; join(a, b); }\ncout << root(0); }",
       {"sizes merged", "", "high", ""}},
  };
  std::vector<ShapeRow> shapes;
  for (const auto& [code, row] : rows)
    shapes.push_back({row.name, nullptr, row.level, row.sentence});
  std::vector<std::string> programs;
  for (const auto& [code, row] : rows) programs.push_back(head + code);
  for (size_t i = 0; i < shapes.size(); i++) shapes[i].code = programs[i].c_str();
  expectShapes(shapes);
}

}  // namespace
}  // namespace quorbel
