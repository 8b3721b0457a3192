// Measured growth: the input plan a program's reads give, the ranges its comments state, the
// inputs written from the plan, the fit on synthetic timings, and the runs' honest failures.
#include "measure/measure.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>

#include "cli/measure_command.h"
#include "measure/generate_input.h"
#include "measure/growth_fit.h"
#include "measure/input_roles.h"
#include "measure/measure_json.h"
#include "runner/runner_box.h"
#include "runner/runner_config.h"
#include "server/measure_route.h"
#include "server/routes.h"
#include "storage/analysis_store.h"
#include "test_support.h"

namespace quorbel {
namespace {

std::string planOf(const std::string& code) {
  return describePlan(deriveInputPlan(buildModel(code)));
}

std::vector<double> numbersOf(const std::string& text) {
  std::vector<double> numbers;
  std::istringstream in(text);
  for (double x; in >> x;) numbers.push_back(x);
  return numbers;
}

// ---- Plan derivation ----

TEST(InputPlan, ReadsInOrderWithTheLoopsAroundThem) {
  struct Case {
    const char* name;
    const char* code;
    const char* want;
  };
  const Case kCases[] = {
      {"n numbers after n",
       "int main(){int n; cin >> n; vector<long long> a(n); for (int i = 0; i < n; i++) cin >> "
       "a[i];"
       " long long s = 0; for (auto x : a) s += x; cout << s; }",
       "n:size n*(a:value)"},
      {"range-for over a sized vector",
       "int main(){int n; cin >> n; vector<int> a(n); for (auto& x : a) cin >> x; }",
       "n:size |a|*(a:value)"},
      {"scanf with its conversions",
       "int main(){int n; scanf(\"%d\", &n); double d[100]; for (int i = 1; i <= n; ++i) "
       "scanf(\"%lf\", &d[i]); }",
       "n:size n*(d:real)"},
      {"edges after n and m, decremented: 1-based positions",
       "vector<int> adj[200005]; int main(){int n, m; cin >> n >> m; for (int i = 0; i < m; i++) {"
       " int u, v; cin >> u >> v; u--; v--; adj[u].push_back(v); adj[v].push_back(u);}"
       " for (int i = 0; i < n; i++) cout << adj[i].size(); }",
       "n:size m:size m*(u:pos1(n) v:pos1(n))"},
      {"indices of a vector of exactly n slots are 0-based",
       "int main(){int n, q; cin >> n >> q; vector<int> a(n); while (q--) { int k; cin >> k; "
       "a[k]++; } }",
       "n:size q:size q*(k:pos0(n))"},
      {"a position stated far past every size is a value",
       "// 1 <= k <= 50, 0 <= n <= 10^18\nint main(){long k, n; cin >> k >> n; vector<long> "
       "a(k); for (int i = 0; i < k; i++) cin >> a[i]; if (n < k) { cout << a[n]; return 0; }"
       " long s = 0, e = n - k; while (e > 0) { s += e & 1; e /= 2; } cout << s; }",
       "k:size n:value k*(a:value)"},
      {"a position stated within the sizes stays one",
       "// 1 <= k <= 50, 0 <= n <= 50\nint main(){long k, n; cin >> k >> n; vector<long> "
       "a(k); for (int i = 0; i < k; i++) cin >> a[i]; if (n < k) { cout << a[n]; return 0; }"
       " long s = 0, e = n - k; while (e > 0) { s += e & 1; e /= 2; } cout << s; }",
       "k:size n:pos0(k) k*(a:value)"},
      {"a test count around blocks that read their own size",
       "void solve(){int n; cin >> n; vector<int> a(n); for (auto& x : a) cin >> x; }"
       " int main(){int t; cin >> t; while (t--) solve(); }",
       "t:tests t*(n:size |a|*(a:value))"},
      {"query type chooses the read",
       "int a[100005]; int main(){int n, q; cin >> n >> q; for (int i = 1; i <= n; i++) cin >> "
       "a[i];"
       " while (q--) { int type; cin >> type;"
       " if (type == 1) { int l, r; cin >> l >> r; for (int i = l; i <= r; i++) a[i]++; }"
       " else { int x; cin >> x; cout << a[x]; } } }",
       "n:size q:size n*(a:value) q*(type:choice if(l:pos1(n) r:pos1(n) | x:pos1(n)))"},
      {"a word is its own size",
       "int main(){string s; cin >> s; int c = 0; for (char ch : s) c += ch == 'a'; cout << c; }",
       "s:word(s)"},
      {"grid rows of m letters",
       "int main(){int n, m; cin >> n >> m; vector<string> g(n); for (auto& row : g) cin >> row;"
       " int c = 0; for (int i = 0; i < n; i++) for (int j = 0; j < m; j++) c += g[i][j] == '#'; }",
       "n:size m:size |g|*(g:word(m))"},
      {"values until the input ends",
       "int main(){long long x, s = 0; while (cin >> x) s += x; cout << s; }",
       "until-end(x:value)"},
      {"a reader function hands back one value",
       "int read(){int x = 0; char c = getchar(); while (c >= '0') { x = x * 10 + c - '0'; c = "
       "getchar(); } return x; }"
       " int main(){int n = read(); for (int i = 0; i < n; i++) { int v = read(); } }",
       "n:size n*(v:value)"},
      {"an assignment that feeds no count makes no size",
       "int main(){int n; cin >> n; unordered_map<long long, int> t; int best = 0;"
       " for (int i = 0; i < n; i++) { long long id; cin >> id; int now = ++t[id]; best = "
       "max(best, now); } }",
       "n:size n*(id:value)"},
      {"a count assigned from a size",
       "int main(){int n; cin >> n; int m = n - 1; for (int i = 0; i < m; i++) { int w; cin >> w; "
       "} }",
       "n:size m*(w:value)"},
      {"no input at all", "int main(){ int s = 0; for (int i = 0; i < 10; i++) s += i; }", ""},
      {"a member function indexes its parameter; the call subtracts one",
       "struct T { vector<vector<int>> ch; void add(int p, int c) { ch[p].push_back(c); } };"
       " int main(){int n; cin >> n; T t; for (int i = 1; i < n; i++) { int b; cin >> b;"
       " t.add(b - 1, i); } }",
       "n:size n*(b:pos1(n))"},
      {"records of m edges after n and m: vertices of either base, the weight a value",
       "int main(){int n, m; cin >> n >> m; vector<int> d(n + 1); vector<array<int, 3>> e;"
       " for (int i = 0; i < m; i++) { int u, v, w; cin >> u >> v >> w; e.push_back({u, v, w}); } "
       "}",
       "n:size m:size m*(u:pos(n) v:pos(n) w:value)"},
      {"a program that reads only numbers grows them",
       "long long f(int n){ return n < 2 ? n : f(n - 1) + f(n - 2); }"
       " int main(){int n, k; cin >> n >> k; cout << f(n) % k; }",
       "n:size k:size"},
      {"names declared beside the loop's counter bound nothing",
       "vector<int> g[200005]; int main(){int n; cin >> n;"
       " for (int i = 1, a, b; i < n; i++) { cin >> a >> b; g[a].push_back(b); } }",
       "n:size n*(a:pos1(n) b:pos1(n))"},
      {"n pairs after n are plain values, even kept as records",
       "int main(){int n; cin >> n; vector<pair<int, int>> p;"
       " for (int i = 0; i < n; i++) { int a, b; cin >> a >> b; p.push_back({a, b}); } }",
       "n:size n*(a:value b:value)"},
      {"read into fields, taken down by one",
       "struct E { int a, b, c; }; int main(){int n, m; cin >> n >> m; vector<int> d(n);"
       " vector<E> es(m);"
       " for (auto& e : es) { cin >> e.a >> e.b >> e.c; e.a--; e.b--; } }",
       "n:size m:size |es|*(a:pos1(n) b:pos1(n) c:value)"},
      {"a query that reads nothing more leaves the pass early",
       "int main(){int n, q; cin >> n >> q; vector<int> p(n);"
       " for (int i = 0; i < q; i++) { char op; cin >> op; if (op == '?') { cout << 1; continue; }"
       " int u, v; cin >> u >> v; p[u] = v; } }",
       "n:size q:size q*(op:choice if( | u:pos0(n) v:value))"},
      {"a nested vector's rows are sized by the second count",
       "int main(){int h, w; cin >> h >> w; vector<string> c(h); for (int i = 0; i < h; i++) cin "
       ">> c[i]; vector<vector<long long>> d(h, vector<long long>(w, 0)); cout << d[h - 1][w - "
       "1]; }",
       "h:size w:size h*(c:word(w))"},
  };
  for (const Case& c : kCases) EXPECT_EQ(planOf(c.code), c.want) << c.name;
}

// ---- Stated ranges ----

TEST(InputPlan, RangesStatedInComments) {
  struct Case {
    const char* name;
    const char* comment;
    std::vector<std::string> want;  // "name low high"
  };
  const Case kCases[] = {
      {"chains with powers",
       "// 1 <= n <= 2*10^5, -10^9 <= a_i <= 10^9",
       {"n 1 200000", "a -1000000000 1000000000"}},
      {"a list shares its bounds", "// 1 <= u, v <= 10^5", {"u 1 100000", "v 1 100000"}},
      {"a bound that is a name", "// 1 <= u, v <= n", {"u 1 0 n", "v 1 0 n"}},
      {"a chain through a name", "// 1 <= k <= n <= 5*10^5", {"k 1 0 n", "n 0 500000"}},
      {"upper bound only", "/* |s| <= 10^6 */", {"s 0 1000000"}},
      {"unicode signs", "// 1 ≤ N ≤ 3000, 1 ≤ A[i] ≤ 1e9", {"N 1 3000", "A 1 1000000000"}},
      {"a word after the underscore is part of the name",
       "// 1 <= cow_num <= 20, 0 <= x_12, y_{j} <= 5",
       {"cow_num 1 20", "x 0 5", "y 0 5"}},
      {"not a comment", "const char* s = \"1 <= n <= 5\";", {}},
  };
  for (const Case& c : kCases) {
    std::vector<std::string> got;
    for (const StatedRange& r : readStatedRanges(c.comment)) {
      std::ostringstream row;
      row << r.name << ' ' << std::fixed;
      row.precision(0);
      row << r.low << ' ' << r.high << (r.highName.empty() ? "" : " " + r.highName);
      got.push_back(row.str());
    }
    EXPECT_EQ(got, c.want) << c.name;
  }
}

// ---- Generated inputs ----

TEST(GenerateInput, ValuesStayInTheirRangesAndSizesGrow) {
  const std::string code =
      "// 1 <= n <= 2*10^5, 5 <= a_i <= 9\n"
      "int main(){int n; cin >> n; vector<int> a(n); for (auto& x : a) cin >> x; }";
  const Model model = buildModel(code);
  const InputPlan plan = deriveInputPlan(model);
  GenerateOptions options;
  options.size = 1000;
  const GeneratedInput input = generateInput(plan, model, options);
  const std::vector<double> numbers = numbersOf(input.text);
  ASSERT_EQ(numbers.size(), 1001u);
  EXPECT_EQ(numbers[0], 1000);
  std::set<double> seen(numbers.begin() + 1, numbers.end());
  EXPECT_EQ(*seen.begin(), 5);
  EXPECT_EQ(*seen.rbegin(), 9);
  EXPECT_FALSE(input.atLimit);
  // Past the stated limit the size stops at it.
  options.size = 1 << 20;
  const GeneratedInput capped = generateInput(plan, model, options);
  EXPECT_EQ(numbersOf(capped.text)[0], 200000);
  EXPECT_TRUE(capped.atLimit);
}

TEST(GenerateInput, EdgesFormATreeAndPositionsStayInBounds) {
  const std::string code =
      "vector<int> g[200005]; int main(){int n; cin >> n; for (int i = 1; i < n; i++) {"
      " int u, v; cin >> u >> v; g[u].push_back(v); g[v].push_back(u);} }";
  const Model model = buildModel(code);
  const InputPlan plan = deriveInputPlan(model);
  GenerateOptions options;
  options.size = 500;
  const GeneratedInput input = generateInput(plan, model, options);
  EXPECT_EQ(input.shapeUsed, "tree (n - 1 edges)");
  const std::vector<double> numbers = numbersOf(input.text);
  ASSERT_EQ(numbers.size(), 1 + 2 * 499u);
  // Union-find over the edges: a tree on 500 vertices joins them all without a cycle.
  std::vector<int> parent(501);
  for (int i = 0; i <= 500; ++i) parent[i] = i;
  std::function<int(int)> find = [&](int x) {
    return parent[x] == x ? x : parent[x] = find(parent[x]);
  };
  int joins = 0;
  for (size_t i = 1; i + 1 < numbers.size(); i += 2) {
    const int u = static_cast<int>(numbers[i]), v = static_cast<int>(numbers[i + 1]);
    ASSERT_GE(std::min(u, v), 1);
    ASSERT_LE(std::max(u, v), 500);
    if (find(u) != find(v)) {
      parent[find(u)] = find(v);
      ++joins;
    }
  }
  EXPECT_EQ(joins, 499);
}

// Pairs of positions come out ordered (a range a..b a function takes, edges of a DAG); a value
// counted into an array of 4 stays within 1..3 whatever the size.
TEST(GenerateInput, PairsAreOrderedAndFixedArraysBoundTheirPositions) {
  struct Row {
    const char* name;
    const char* code;
    size_t first;  // where the pairs or values start in the numbers, after the sizes
    size_t stride;
    double low, high;  // every value, and for pairs every second one is not below the first
  };
  const Row kRows[] = {
      {"query ranges",
       "int sp[200005]; int query(int a, int b){ return sp[a] + sp[b]; } int main(){int n, q; "
       "cin >> n >> q; for (int i = 1; i <= n; i++) cin >> sp[i]; for (int i = 0; i < q; i++) {"
       " int a, b; cin >> a >> b; cout << query(a, b); } }",
       2 + 300, 2, 1, 300},
      {"edges of a DAG",
       "vector<int> out[200005]; int main(){int n, m; cin >> n >> m; for (int i = 0; i < m; i++)"
       " { int u, v; cin >> u >> v; out[u].push_back(v); } }",
       2, 2, 1, 300},
      {"counts of 1..3",
       "int main(){int n; cin >> n; int cnt[4] = {0, 0, 0, 0};"
       " for (int i = 0; i < n; i++) { int x; cin >> x; cnt[x]++; } cout << cnt[1]; }",
       1, 1, 1, 3},
  };
  for (const Row& row : kRows) {
    const Model model = buildModel(row.code);
    GenerateOptions options;
    options.size = 300;
    const std::vector<double> numbers =
        numbersOf(generateInput(deriveInputPlan(model), model, options).text);
    ASSERT_GT(numbers.size(), row.first + 10) << row.name;
    for (size_t i = row.first; i < numbers.size(); ++i) {
      EXPECT_GE(numbers[i], row.low) << row.name << " at " << i;
      EXPECT_LE(numbers[i], row.high) << row.name << " at " << i;
      if (row.stride == 2 && (i - row.first) % 2 == 1)
        EXPECT_LE(numbers[i - 1], numbers[i]) << row.name << " at " << i;
    }
  }
}

TEST(GenerateInput, TestCountHeldAtOneUnlessItGrowsAndVaryHoldsTheOthers) {
  const std::string code =
      "int main(){int t; cin >> t; while (t--) { int n, m; cin >> n >> m;"
      " for (int i = 0; i < n; i++) { int x; cin >> x; } for (int j = 0; j < m; j++) { int y; cin "
      ">> y; } } }";
  const Model model = buildModel(code);
  const InputPlan plan = deriveInputPlan(model);
  EXPECT_EQ(plan.sizes, (std::vector<std::string>{"t", "n", "m"}));
  GenerateOptions options;
  options.size = 64;
  EXPECT_EQ(numbersOf(generateInput(plan, model, options).text).size(), 1u + 2 + 64 + 64);
  // A count the estimate multiplies by grows too, and every test is as large as the sizes.
  options.growingCounts = {"t"};
  const GeneratedInput tests = generateInput(plan, model, options);
  EXPECT_EQ(tests.sizes, (std::map<std::string, double>{{"t", 64}, {"n", 64}, {"m", 64}}));
  EXPECT_EQ(numbersOf(tests.text).size(), 1u + 64 * (2 + 64 + 64));
  options.growingCounts.clear();
  options.vary = "m";
  options.heldSize = 10;
  const GeneratedInput varied = generateInput(plan, model, options);
  EXPECT_EQ(varied.sizes.at("n"), 10);
  EXPECT_EQ(varied.sizes.at("m"), 64);
  EXPECT_EQ(varied.sizes.at("t"), 1);
  options.maxBytes = 50;
  EXPECT_FALSE(generateInput(plan, model, options).complete);
}

// Every growing size takes the same value up to the least cap among them: a stated limit, or
// past the limits an array a loop over the size fills; a size bounded by a name stays within it.
TEST(GenerateInput, SizesGrowTogetherUpToTheLeastCap) {
  struct Row {
    const char* name;
    const char* code;
    double size;
    bool pastLimits;
    const char* vary;
    std::map<std::string, double> want;
    bool atLimit;
  };
  const char* kTable =
      "// 1 <= n <= 100, 1 <= W <= 10^5\nint main(){int n, W; cin >> n >> W; for (int i = 0; i "
      "< n; i++) { int w; cin >> w; } long s = 0; for (int c = 0; c < W; c++) s += c; }";
  const char* kArray =
      "int a[105]; int main(){int n, x; cin >> n >> x; for (int i = 0; i < n; i++) cin >> a[i];"
      " long s = 0; for (int c = 0; c < x; c++) s += c; }";
  const char* kNamed =
      "// 1 <= k <= n <= 10^5\nint main(){int n, k; cin >> n >> k; for (int i = 0; i < n; i++) {"
      " int x; cin >> x; } long s = 0; for (int j = 0; j < k; j++) s += j; }";
  const Row kRows[] = {
      {"below the limits", kTable, 64, false, "", {{"n", 64}, {"W", 64}}, false},
      {"the least limit holds both", kTable, 1000, false, "", {{"n", 100}, {"W", 100}}, true},
      {"past the limits", kTable, 1000, true, "", {{"n", 1000}, {"W", 1000}}, false},
      {"varied alone", kTable, 1000, false, "W", {{"n", 100}, {"W", 1000}}, false},
      // for (i = 0; i < n; i++) a[i] of a[105]: i reaches n - 1 <= 104, so n <= 105.
      {"an array holds both", kArray, 1000, true, "", {{"n", 105}, {"x", 105}}, true},
      {"a name bounds a held size", kNamed, 50, false, "n", {{"n", 50}, {"k", 50}}, false},
  };
  for (const Row& row : kRows) {
    const Model model = buildModel(row.code);
    GenerateOptions options;
    options.size = row.size;
    options.ignoreLimits = row.pastLimits;
    options.vary = row.vary;
    options.heldSize = 100;
    const GeneratedInput input = generateInput(deriveInputPlan(model), model, options);
    EXPECT_EQ(input.sizes, row.want) << row.name;
    EXPECT_EQ(input.atLimit, row.atLimit) << row.name;
  }
}

// ---- The fit ----

std::vector<TimedPoint> synthetic(const std::function<double(double)>& f, double scale,
                                  double noise, double from, double to, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> jitter(1 - noise, 1 + noise);
  std::vector<TimedPoint> points;
  for (double n = from; n <= to; n *= 2)
    points.push_back({n, 0.004 + scale * f(n) * jitter(random)});
  return points;
}

TEST(GrowthFit, FindsTheClassOfSyntheticTimesWithNoise) {
  struct Case {
    const char* name;
    std::function<double(double)> f;
    double scale, from, to;
  };
  const Case kCases[] = {
      {"n", [](double n) { return n; }, 1e-8, 1024, 1 << 24},
      {"n log n", [](double n) { return n * std::log2(n); }, 1e-8, 1024, 1 << 22},
      {"n sqrt n", [](double n) { return n * std::sqrt(n); }, 1e-8, 256, 1 << 16},
      {"n^2", [](double n) { return n * n; }, 1e-9, 256, 32768},
      {"n^2 log n", [](double n) { return n * n * std::log2(n); }, 1e-9, 512, 16384},
      {"n^3", [](double n) { return n * n * n; }, 1e-9, 64, 2048},
      {"sqrt n", [](double n) { return std::sqrt(n); }, 1e-6, 1e6, 1e12},
  };
  for (const Case& c : kCases) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
      const GrowthFit fit = fitGrowth(synthetic(c.f, c.scale, 0.05, c.from, c.to, seed), 0.004, {});
      EXPECT_TRUE(fit.decided) << c.name << " " << fit.undecided;
      EXPECT_EQ(fit.measured, c.name) << "seed " << seed;
      EXPECT_GT(fit.confidence, 0) << c.name;
    }
  }
  // 2^n over consecutive sizes, and a class only the estimate names.
  std::vector<TimedPoint> exponential;
  for (double n = 10; n <= 22; n += 1)
    exponential.push_back({n, 0.001 + 1e-7 * std::pow(2, n) * n * n});
  const GrowthCandidate named{"2^n * n^2", [](double n) { return std::pow(2, n) * n * n; }};
  EXPECT_EQ(fitGrowth(exponential, 0.001, {}).undecided, "no class explains the times well");
  EXPECT_EQ(fitGrowth(exponential, 0.001, {named}).measured, "2^n * n^2");
}

// Exact linear times: the estimate's class is chosen only when the repetitions' spread says
// the times cannot tell it from n (n log n is a log factor off: within a band of 0.1, not of
// 0.02); a class half a power or more away never is, whatever the spread.
TEST(GrowthFit, TheEstimateStandsWhereTheTimesCannotTellItApart) {
  const auto linear = [](double n) { return n; };
  const std::vector<TimedPoint> points = synthetic(linear, 1e-7, 0, 1024, 1 << 20, 1);
  struct Row {
    const char* preferred;
    double spread;
    const char* measured;
    const char* closest;
  };
  const Row kRows[] = {
      {"", 0, "n", ""},      {"n log n", 1.0, "n log n", "n"}, {"n", 1.0, "n", ""},
      {"n^2", 1.0, "n", ""}, {"sqrt n", 1.0, "n", ""},
  };
  for (const Row& row : kRows) {
    const GrowthFit fit = fitGrowth(points, 0.004, {}, 0.002, {row.preferred, row.spread});
    EXPECT_EQ(fit.measured, row.measured) << row.preferred << " " << row.spread;
    EXPECT_EQ(fit.closest, row.closest) << row.preferred << " " << row.spread;
    EXPECT_TRUE(explainsAsWell(fit, "n")) << row.preferred;
  }
}

// Times a log factor steeper than the estimate (caches filling up) keep the estimate's class;
// flatter ones, or steeper by more, do not. Times that never leave the noise up to a size keep
// a class whose work there would hide in the noise too: log n up to 2^50 is 50 steps, sqrt n
// is 3.3 * 10^7 (33 ms at 1 ns a step, above 2 ms).
TEST(GrowthFit, TheEstimateStandsAgainstCachesAndBelowTheNoise) {
  const auto linear = [](double n) { return n; };
  const auto nLogN = [](double n) { return n * std::log2(n); };
  const auto square = [](double n) { return n * n; };
  const auto flat = [](double) { return 0.0; };
  struct Row {
    const char* name;
    std::function<double(double)> f;
    double scale, from, to;
    const char* preferred;
    const char* measured;
    const char* closest;
  };
  const Row kRows[] = {
      {"a log steeper", nLogN, 1e-8, 1 << 14, 1 << 18, "n", "n", "n log n"},
      {"a log steeper, squares", [](double n) { return n * n * std::log2(n); }, 1e-9, 1 << 9,
       1 << 13, "n^2", "n^2", "n^2 log n"},
      {"a log flatter", linear, 1e-7, 1 << 10, 1 << 20, "n log n", "n", ""},
      {"a power steeper", square, 1e-9, 1 << 8, 1 << 14, "n", "n^2", ""},
      // A random-access pass whose working set outgrows the caches: n^1.4 over 2^13..2^18.
      {"a sqrt steeper", [](double n) { return std::pow(n, 1.4); }, 1e-9, 1 << 13, 1 << 18, "n",
       "n", "n sqrt n"},
      {"more than a sqrt steeper", square, 1e-9, 1 << 8, 1 << 14, "n sqrt n", "n^2", ""},
      {"below the noise, log", flat, 0, 8, std::pow(2.0, 50), "log n", "log n", "1"},
      {"below the noise, sqrt", flat, 0, 8, std::pow(2.0, 50), "sqrt n", "1", ""},
      {"below the noise, linear up to 4096", flat, 0, 8, 4096, "n", "n", "1"},
      {"below the noise, no estimate", flat, 0, 8, std::pow(2.0, 50), "", "1", ""},
  };
  for (const Row& row : kRows) {
    const GrowthFit fit = fitGrowth(synthetic(row.f, row.scale, 0, row.from, row.to, 1), 0.004, {},
                                    0.002, {row.preferred, 0});
    EXPECT_TRUE(fit.decided) << row.name << ": " << fit.undecided;
    EXPECT_EQ(fit.measured, row.measured) << row.name;
    EXPECT_EQ(fit.closest, row.closest) << row.name;
    EXPECT_TRUE(explainsAsWell(fit, row.measured)) << row.name;
  }
}

// Counted steps (blocks at a nanosecond each) carry no timer floor and no cache allowance: a
// count a log or a square root steeper than the estimate is the class, where the same points as
// times would let the estimate stand; a count of a few thousand steps over start-up decides; an
// estimate one log factor above the count stands.
TEST(GrowthFit, CountedStepsDecideWithoutCachesOrTimerFloor) {
  struct Row {
    const char* name;
    std::function<double(double)> f;
    double perStep, from, to;
    double startUp;  // seconds every point carries before its work
    const char* preferred;
    const char* counted;  // the class fitted to the points as counted steps
    const char* timed;    // the class fitted to the same points as times; "" undecided
  };
  const auto nLogN = [](double n) { return n * std::log2(n); };
  const auto linear = [](double n) { return n; };
  const auto square = [](double n) { return n * n; };
  const Row kRows[] = {
      {"a log steeper", nLogN, 1e-8, 1 << 14, 1 << 18, 0.004, "n", "n log n", "n"},
      {"the estimate's own", nLogN, 1e-8, 1 << 10, 1 << 20, 1e-4, "n log n", "n log n", "n log n"},
      // A log factor the generated input does not bring out stands; a power never does. As
      // times of at most 10 ms against a 2 ms floor, a log factor is within the noise too.
      {"a log below the estimate", linear, 1e-8, 1 << 10, 1 << 20, 1e-4, "n log n", "n log n",
       "n log n"},
      {"a log below, squares", square, 1e-9, 1 << 8, 1 << 14, 1e-4, "n^2 log n", "n^2 log n",
       "n^2"},
      {"a power below the estimate", linear, 1e-8, 1 << 10, 1 << 20, 1e-4, "n^2", "n", "n"},
      // 30 steps a pair: 1.2 * 10^5 steps (0.12 ms) at the largest size, 64, under a timer's
      // floor; several thousand steps above start-up from 16 on.
      {"few steps, squares", [](double n) { return 30 * n * n; }, 1e-9, 8, 96, 1e-4, "", "n^2", ""},
  };
  for (const Row& row : kRows) {
    std::vector<TimedPoint> points;
    for (double n = row.from; n <= row.to; n = n < 64 ? n + 8 : n * 2)
      points.push_back({n, row.startUp + row.perStep * row.f(n)});
    FitHints counted{row.preferred, 0};
    counted.counted = true;
    const GrowthFit byCount = fitGrowth(points, row.startUp, {}, 2e-6, counted);
    EXPECT_TRUE(byCount.decided) << row.name << ": " << byCount.undecided;
    EXPECT_EQ(byCount.measured, row.counted) << row.name;
    const GrowthFit byTime = fitGrowth(points, row.startUp, {}, 0.002, {row.preferred, 0});
    EXPECT_EQ(byTime.decided ? byTime.measured : std::string(), row.timed) << row.name;
  }
}

// Work a count does not see shows as times steeper than it by more than caches make of a pass.
TEST(GrowthFit, GrowsFasterByMoreThanASqrt) {
  const GrowthCandidate cubeOverLog{"n^3 / log n",
                                    [](double n) { return n * n * n / std::log2(n); }};
  struct Row {
    const char* steeper;
    const char* flatter;
    double from, to;
    bool want;
  };
  const Row kRows[] = {
      {"n^2", "n", 1e3, 1e6, true},           {"n^2", "n log n", 1e3, 1e6, true},
      {"n sqrt n", "n", 1e3, 1e6, false},     {"n log n", "n", 8, 1e6, false},
      {"n", "n^2", 1e3, 1e6, false},          {"n^2 log n", "n^2", 1e2, 1e4, false},
      {"n^3 / log n", "n^2", 1e2, 1e4, true}, {"no such class", "n", 1e3, 1e6, false},
      {"n^2", "n", 1e6, 1e3, false},
  };
  for (const Row& row : kRows)
    EXPECT_EQ(growsFasterByMoreThanASqrt(row.steeper, row.flatter, row.from, row.to, {cubeOverLog}),
              row.want)
        << row.steeper << " over " << row.flatter;
}

TEST(GrowthFit, SaysWhenThePointsDoNotDecide) {
  const auto linear = [](double n) { return n; };
  // Two sizes only.
  EXPECT_EQ(fitGrowth(synthetic(linear, 1e-6, 0, 1e5, 2e5, 1), 0.004, {}).undecided,
            "only 2 sizes ran long enough to time");
  // Times within the start-up's noise over a narrow range, and up to 2048 (a run stopped
  // early): too narrow to call it constant.
  for (const double largest : {64.0, 2048.0}) {
    const GrowthFit small = fitGrowth(synthetic(linear, 1e-9, 0, 8, largest, 1), 0.004, {});
    EXPECT_FALSE(small.decided) << largest;
    EXPECT_EQ(small.undecided, "the times are too small to tell") << largest;
  }
  // ... and over a wide range: the program does not grow.
  EXPECT_EQ(fitGrowth(synthetic(linear, 1e-12, 0, 8, 1 << 20, 1), 0.004, {}).measured, "1");
  // Times that jump around by factors of three.
  std::vector<TimedPoint> noisy;
  std::mt19937 random(5);
  for (double n = 1024; n <= (1 << 20); n *= 2)
    noisy.push_back({n, 0.01 * std::pow(3.0, std::uniform_int_distribution<int>(0, 4)(random))});
  EXPECT_EQ(fitGrowth(noisy, 0, {}).undecided, "no class explains the times well");
}

TEST(GrowthFit, ClassOfTheStaticEstimate) {
  const Cost n = sizeCost("n"), m = sizeCost("m");
  const testing::Case<Cost, const char*> kCases[] = {
      {"linear", n, "n"},
      {"product of sizes", multiplyCosts(n, m), "n^2"},
      {"sum keeps its largest part", multiplyCosts(addCosts(n, m), logCost(n)), "n log n"},
      {"square root", multiplyCosts(n, sqrtCost(n)), "n sqrt n"},
      {"constant", constantCost(), "1"},
      {"exponential with a factor", multiplyCosts(powerOfTwoCost(n), multiplyCosts(n, n)),
       "2^n * n^2"},
  };
  for (const auto& c : kCases) EXPECT_EQ(growthClassOf(c.in), c.want) << c.name;
}

// ---- Runs in the box ----

int runDirectories() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(tempBaseDirectory()))
    count += entry.path().filename().string().starts_with("quorbel-run-") ? 1 : 0;
  return count;
}

TEST(Measure, FailuresStopWithWhatHappenedAndLeaveNothing) {
  struct Case {
    const char* name;
    const char* code;
    const char* status;
    const char* message;
  };
  const Case kCases[] = {
      {"compile error", "int main(){int n; cin >> n; for (int i = 0; i < n; i++) x++; }",
       "compile_error", "The program does not compile"},
      // The excerpt quotes the user's third line at its own number, not the line of the
      // text the measurement puts before the program.
      {"compile error quoted",
       "#include <iostream>\nint main() {\n  int n; std::cin >> n; for (int i = 0; i < n; i++) "
       "n += missingName;\n}\n",
       "compile_error",
       "main.cpp:3:58: error: 'missingName' was not declared in this scope\n"
       "    3 |   int n; std::cin >> n; for (int i = 0; i < n; i++) n += missingName;"},
      {"crash at the smallest size",
       "#include <iostream>\nint main(){int n; std::cin >> n; int* p = nullptr; for (int i = 0; i "
       "< n; i++) *p = i; }",
       "runtime_error", "at size"},
      {"reads more than the plan gives",
       "#include <iostream>\nint main(){int n; std::cin >> n; int x; for (int i = 0; i < n; i++) "
       "std::cin >> x;"
       " std::istream* in = &std::cin; *in >> x >> x; std::cout << x; }",
       "wrong_input", "read past the end of the generated input at size"},
      {"no input", "int main(){ return 0; }", "no_input", "reads no input"},
  };
  // A directory of its own, so that runs elsewhere on the machine do not count.
  const std::string base =
      std::filesystem::temp_directory_path() / ("measure-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(base);
  testing::ScopedEnv tmpdir("TMPDIR", base);
  for (const Case& c : kCases) {
    MeasureOptions options;
    options.budgetSeconds = 0.2;
    const Measurement m = measureProgram(c.code, options);
    EXPECT_EQ(m.status, c.status) << c.name << ": " << m.message;
    EXPECT_NE(m.message.find(c.message), std::string::npos) << c.name << ": " << m.message;
    EXPECT_FALSE(m.fit.decided) << c.name;
  }
  EXPECT_EQ(runDirectories(), 0);
  std::filesystem::remove_all(base);
}

// freopen("in.txt", "r", stdin) leaves the generated input where it was, and the output goes
// nowhere still: the program reads every size.
TEST(Measure, AProgramThatOpensItsOwnFilesReadsTheGeneratedInput) {
  const char* kCodes[] = {
      "#include <cstdio>\n#include <iostream>\nint main(){ std::freopen(\"in.txt\", \"r\", "
      "stdin); freopen(\"out.txt\", \"w\", stdout); long n, s = 0; std::cin >> n;"
      " for (long i = 0; i < n; i++) { long x; std::cin >> x; s += x; } std::cout << s; }",
      // A file stream, qualified or not, opened at once or later.
      "#include <bits/stdc++.h>\nusing namespace std;\nint main(){ ifstream fin(\"cow.in\");"
      " ofstream fout(\"cow.out\"); long n, s = 0; fin >> n; for (long i = 0; i < n; i++)"
      " { long x; fin >> x; s += x; } fout << s; }",
      "#include <fstream>\nint main(){ std::ifstream in; in.open(std::string(\"a.in\"));"
      " if (!in.is_open()) return 1; long n, s = 0; in >> n; for (long i = 0; i < n; i++)"
      " { long x; in >> x; s += x; } in.close(); return s == -1; }",
  };
  for (const char* code : kCodes) {
    MeasureOptions options;
    options.budgetSeconds = 0.05;
    options.totalSeconds = 3;
    const Measurement m = measureProgram(code, options);
    EXPECT_TRUE(m.status == "measured" || m.status == "undecided") << m.message;
    EXPECT_GE(m.runs.size(), 3u) << m.message;
  }
}

// Runs of a millisecond are timed to the microsecond, and the blocks each run executed decide
// the class: a pass over the values, a pass per value over a prefix, and a library move per value
// that the count does not see, where the times' class stands.
TEST(Measure, CountsTheProgramsStepsAndTimesShortRuns) {
  struct Case {
    const char* name;
    const char* code;
    const char* measured;
    const char* by;
  };
  const Case kCases[] = {
      {"one pass",
       "#include <iostream>\nint main(){ long n, s = 0; std::cin >> n;"
       " for (long i = 0; i < n; i++) { long x; std::cin >> x; s ^= x * i; } std::cout << s; }",
       "n", "blocks"},
      {"a prefix per value",
       "#include <iostream>\n#include <vector>\nint main(){ int n; std::cin >> n;"
       " std::vector<long> v(n); for (auto& x : v) std::cin >> x; long s = 0;"
       " for (int i = 0; i < n; i++) for (int j = 0; j <= i; j++) s += v[j] ^ i;"
       " std::cout << s; }",
       "n^2", "blocks"},
      // The string's own code is compiled into the library: 16 letters moved per letter held.
      {"a library move per value",
       "#include <iostream>\n#include <string>\nint main(){ int n; std::cin >> n; std::string t;"
       " for (int i = 0; i < n; i++) { int x; std::cin >> x; t.insert(0, 16, char('a' + (x & 7)));"
       " } std::cout << t.size() << t[n / 2]; }",
       "n^2", "time"},
  };
  for (const Case& c : kCases) {
    MeasureOptions options;
    options.budgetSeconds = 0.1;
    options.totalSeconds = 20;
    const Measurement m = measureProgram(c.code, options);
    EXPECT_EQ(m.status, "measured") << c.name << ": " << m.message;
    EXPECT_EQ(m.fit.measured, c.measured) << c.name << ": " << m.message;
    EXPECT_EQ(m.measuredBy, c.by) << c.name;
    for (const SizeRun& run : m.runs) {
      EXPECT_GT(run.best, 0) << c.name << " at " << run.size;
      EXPECT_GT(run.blocks, 0) << c.name << " at " << run.size;
    }
  }
}

// Processes still running the program built under `base` (its executable lives there).
int programsRunningFrom(const std::string& base) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::error_code error;
    const std::string exe = std::filesystem::read_symlink(entry.path() / "exe", error).string();
    count += !error && exe.starts_with(base) ? 1 : 0;
  }
  return count;
}

// A program that leaves a child behind at every run, stopped by its caller before compiling,
// before the first size and between sizes: each measurement says it was stopped, and no directory
// or process outlives it.
TEST(Measure, ACancelledMeasurementStopsAndLeavesNothing) {
  const char* kForks =
      "#include <iostream>\n#include <unistd.h>\nint main(){ long n; std::cin >> n;\n"
      "if (fork() == 0) { close(0); close(1); close(2); setsid(); for (;;) pause(); }\n"
      "long s = 0; for (long i = 0; i < n; i++) s += i % 7; std::cout << s; }";
  struct Row {
    int pollsBeforeStop;  // how many times the caller says "go on" before "stop"
    size_t mostSizes;     // sizes that may have run by then
  };
  const Row kRows[] = {{0, 0}, {1, 0}, {2, 0}, {4, 2}};
  // Outside the box, where the program's path is the host's: the weaker of the two ways to run.
  testing::ScopedEnv noBox("QUORBEL_RUNNER_BWRAP", "/nonexistent/bwrap");
  testing::ScopedEnv unboxed("QUORBEL_RUNNER_ALLOW_UNBOXED", "1");
  testing::ScopedTmpDir tmpdir;
  for (const Row& row : kRows) {
    int polls = 0;
    MeasureOptions options;
    options.budgetSeconds = 0.2;
    options.cancelled = [&polls, &row] { return polls++ >= row.pollsBeforeStop; };
    const Measurement m = measureProgram(kForks, options);
    EXPECT_EQ(m.status, "cancelled") << row.pollsBeforeStop << ": " << m.message;
    EXPECT_EQ(m.message, "The measurement was stopped.");
    EXPECT_LE(m.runs.size(), row.mostSizes) << row.pollsBeforeStop;
    EXPECT_EQ(runDirectories(), 0) << row.pollsBeforeStop;
    EXPECT_EQ(programsRunningFrom(tmpdir.path()), 0) << row.pollsBeforeStop;
  }
}

TEST(Measure, CommandLineAndJson) {
  std::ostringstream out, err;
  EXPECT_EQ(runMeasureCli({"measure"}, out, err, false), 2);
  EXPECT_EQ(runMeasureCli({"measure", "a.cpp", "--budget", "0"}, out, err, false), 2);
  EXPECT_EQ(runMeasureCli({"measure", "a.cpp", "--shape"}, out, err, false), 2);
  EXPECT_EQ(runMeasureCli({"measure", "/nonexistent/a.cpp"}, out, err, false), 1);
  Measurement m;
  m.status = "measured";
  m.fit.decided = true;
  m.fit.measured = "n log n";
  m.estimate = "O(n * log n)";
  m.agrees = true;
  m.runs.push_back({16, {{"n", 16}}, {0.5, 0.25}, 0.25, 40});
  const std::string json = renderMeasurementJson(m, false);
  EXPECT_EQ(json.rfind("{\"status\":\"measured\",\"message\":\"\",\"measured\":\"O(n log n)\","
                       "\"estimate\":\"O(n * log n)\",\"estimateClass\":\"\",\"agrees\":true,",
                       0),
            0u)
      << json;
  EXPECT_NE(json.find("\"points\":[{\"size\":16,\"sizes\":{\"n\":16},\"seconds\":[0.5,0.25],"
                      "\"best\":0.25,\"inputBytes\":40,\"blocks\":0}]"),
            std::string::npos)
      << json;
}

}  // namespace
}  // namespace quorbel

namespace quorbel {
namespace {

TEST(MeasureApi, RefusesClearly) {
  AnalysisStore store("/nonexistent-dir/measure-test.db");
  auto post = [&](const std::string& body, const std::string& method = "POST") {
    Request request;
    request.method = method;
    request.path = "/api/measure";
    request.body = body;
    request.headers["content-type"] = "application/json";
    return routeRequest(request, store);
  };
  {
    testing::ScopedEnv off("QUORBEL_ENABLE_BACKEND_RUN", "0");
    const Response refused = post("{\"code\":\"int main(){}\"}");
    EXPECT_EQ(refused.status, 503);
    EXPECT_NE(refused.body.find("\"status\":\"refused\""), std::string::npos) << refused.body;
    EXPECT_NE(refused.body.find("the C++ runner is not enabled"), std::string::npos)
        << refused.body;
  }
  {
    testing::ScopedEnv secret("QUORBEL_RUNNER_REQUIRE_SHARED_SECRET", "1");
    testing::ScopedEnv value("QUORBEL_RUNNER_SHARED_SECRET", "s3cret");
    EXPECT_EQ(post("{\"code\":\"int main(){}\"}").status, 401);
  }
  const testing::Case<const char*, const char*> kBad[] = {
      {"not JSON", "code=1", "Expected a JSON body with a code field."},
      {"code not a string", "{\"code\":5}", "Expected a JSON body with a code field."},
      {"budget zero", "{\"code\":\"x\",\"budgetSeconds\":0}", "budgetSeconds must be"},
      {"budget above the runner's", "{\"code\":\"x\",\"budgetSeconds\":2}",
       "budgetSeconds must be"},
      {"unknown shape", "{\"code\":\"int main(){int n; std::cin >> n;}\",\"shape\":\"star\"}",
       "Unknown shape"},
      {"empty code", "{\"code\":\"\"}", "non-empty code"},
  };
  for (const auto& c : kBad) {
    const Response response = post(c.in);
    EXPECT_EQ(response.status, 400) << c.name;
    EXPECT_NE(response.body.find(c.want), std::string::npos) << c.name << ": " << response.body;
  }
  EXPECT_EQ(post("{}", "PUT").status, 405);
}

// A client that hung up before the answer: the measurement stops before its first run.
TEST(MeasureApi, StopsWhenTheClientHasGone) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  close(ends[1]);
  Request request;
  request.method = "POST";
  request.path = "/api/measure";
  request.body = "{\"code\":\"#include <iostream>\\nint main(){int n; std::cin >> n;}\"}";
  request.headers["content-type"] = "application/json";
  const Response response = routeMeasureApi(request, ends[0]);
  close(ends[0]);
  EXPECT_NE(response.body.find("\"status\":\"cancelled\""), std::string::npos) << response.body;
  EXPECT_NE(response.body.find("\"points\":[]"), std::string::npos) << response.body;
}

}  // namespace
}  // namespace quorbel
