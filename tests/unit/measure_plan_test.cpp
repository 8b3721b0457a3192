// Input plans on the shapes real solutions read in: reader functions on unlocked characters,
// reads through .at(), records built by constructors, a row width read before the row count;
// the most a size may grow inside the fixed arrays it indexes; which of an estimate's sizes the
// runs grew; sizes written whole in the JSON; the plan shape tried after a crash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>

#include "measure/generate_input.h"
#include "measure/grown_sizes.h"
#include "measure/growth_fit.h"
#include "measure/input_plan.h"
#include "measure/measure.h"
#include "measure/measure_json.h"
#include "measure/primes.h"
#include "measure/size_extents.h"
#include "test_support.h"

namespace quorbel {
namespace {

std::string planOf(const std::string& code) {
  return describePlan(deriveInputPlan(buildModel(code)));
}

// ---- Plans ----

TEST(InputPlanShapes, ReadsAsRealSolutionsWriteThem) {
  struct Case {
    const char* name;
    const char* code;
    const char* want;
  };
  const Case kCases[] = {
      {"a reader on getc_unlocked, its value scaled as it is stored",
       "int x[505], y[505]; int next(){ int r = 0, c = getc_unlocked(stdin);"
       " while (c >= '0') { r = r * 10 + c - '0'; c = getc_unlocked(stdin); } return r; }"
       " int main(){ int n = next(); for (int i = 0; i < n; i++) x[i] = 2 * next(), y[i] = "
       "next() + 1; }",
       "n:size n*(x:value y:value)"},
      {"a declaration takes a reader's value shifted",
       "int rd(){ int v; scanf(\"%d\", &v); return v; }"
       " int main(){ int n = rd() - 1; long s = 0; for (int i = 0; i < n; i++) s += rd(); }",
       "n:size n*(s:value)"},
      {"reads through .at() land in the container",
       "int main(){ int h, w; cin >> h >> w; vector<vector<int>> g(h, vector<int>(w));"
       " for (int i = 0; i < h; i++) for (int j = 0; j < w; j++) cin >> g.at(i).at(j); }",
       "h:size w:size h*(w*(g:value))"},
      {"a record built by a pair alias: its first two are vertices",
       "typedef pair<int, int> ii; int par[100005]; int root(int v){ return par[v] == v ? v : "
       "par[v] = root(par[v]); }"
       " typedef pair<int, ii> P; int main(){ int n, m; cin >> n >> m; vector<P> e(m);"
       " for (int i = 0; i < m; i++) { int a, b, c; cin >> a >> b >> c; e[i] = P(c, ii(a, b)); "
       "} }",
       "n:size m:size m*(a:pos(n) b:pos(n) c:value)"},
      {"a record built by make_tuple",
       "int main(){ int n, m; cin >> n >> m; vector<tuple<int, int, int>> e;"
       " for (int i = 0; i < m; i++) { int u, v, w; cin >> u >> v >> w; e.push_back(make_tuple(u, "
       "v, w)); } vector<int> d(n); }",
       "n:size m:size m*(u:pos(n) v:pos(n) w:value)"},
      {"a record a container builds in place",
       "int main(){ int n, m; cin >> n >> m; vector<tuple<int, int, int>> e;"
       " for (int i = 0; i < m; i++) { int p, q, r; cin >> p >> q >> r; e.emplace_back(p, q, r); "
       "} }",
       "n:size m:size m*(p:pos(n) q:pos(n) r:value)"},
      {"n pairs after n stay values without a record of their own",
       "int main(){ int n; cin >> n; long s = 0; for (int i = 0; i < n; i++) { int a, b; cin >> "
       "a >> b; s += make_pair(a, b).first; } }",
       "n:size n*(a:value b:value)"},
      {"a row width read before the row count is a size, the rows' length",
       "char g[820][821]; int main(){ int w, h; scanf(\"%d %d\", &w, &h);"
       " for (int i = 0; i < h; i++) scanf(\"%s\", g[i]); }",
       "w:size h:size h*(g:word(w))"},
      {"a counter of the same name declared by a loop bounds nothing read",
       "int main(){ int n; cin >> n; vector<vector<int>> g(n);"
       " for (int i = 1; i < n; i++) { int u, v; cin >> u >> v; g[u - 1].push_back(v - 1); "
       "g[v - 1].push_back(u - 1); }"
       " for (int u = 0; u < n; u++) cout << g[u].size(); }",
       "n:size n*(u:pos1(n) v:pos1(n))"},
      {"a string walked to a size read before it",
       "int main(){ int n; string s; cin >> n >> s; int c = 0; for (int i = 0; i < n; i++) c += "
       "s[i] == 'a'; cout << c; }",
       "n:size s:word(n)"},
      {"two strings, each walked to its own size",
       "int main(){ int N, M; string S, T; cin >> N >> M >> S >> T; long x = 0;"
       " for (int i = 1; i <= N; i++) x += S[i - 1]; for (int j = 0; M > j; j++) x -= T[j]; }",
       "N:size M:size S:word(N) T:word(M)"},
      {"a character array read one cell in",
       "char s[200005]; int main(){ int n; scanf(\"%d %s\", &n, s + 1); int c = 0;"
       " for (int i = 1; i <= n; i++) c += s[i] == s[1]; printf(\"%d\", c); }",
       "n:size s:word(n)"},
      {"a string walked to its own length is its own size",
       "int main(){ string s; cin >> s; int c = 0; for (int i = 0; i < (int)s.size(); i++) c += "
       "s[i] == 'a'; cout << c; }",
       "s:word(s)"},
      {"a file stream the program opens",
       "int main(){ ifstream fin(\"cow.in\"); ofstream fout(\"cow.out\"); int n; fin >> n;"
       " long s = 0; for (int i = 0; i < n; i++) { int x; fin >> x; s += x; } fout << s; }",
       "n:size n*(x:value)"},
      {"a stream handed in by reference",
       "void load(istream& in, vector<int>& a){ int n; in >> n; a.resize(n); for (auto& x : a) in "
       ">> x; }"
       " int main(){ vector<int> a; load(cin, a); }",
       "n:size |a|*(a:value)"},
      {"a string stream parses text already read: no input of its own",
       "int main(){ string line; getline(cin, line); istringstream ss(line); int x, s = 0;"
       " while (ss >> x) s += x; cout << s; }",
       "line:line(line)"},
      {"a member function of the program's class, called on an object",
       "struct G { void solve() { cout << 0; } };"
       " class S { public: void solve() { int n; cin >> n; for (int i = 0; i < n; i++) { int "
       "x; cin >> x; } } };"
       " int main(){ S s; s.solve(); }",
       "n:size n*(x:value)"},
      {"through a temporary and a pointer",
       "struct R { void go() { int q; cin >> q; while (q--) { int k; cin >> k; } } };"
       " struct P { void go() { int m; cin >> m; } };"
       " int main(){ R().go(); P* p = new P(); p->go(); }",
       "q:size q*(k:value) m:size"},
  };
  for (const Case& c : kCases) EXPECT_EQ(planOf(c.code), c.want) << c.name;
}

TEST(InputPlanShapes, LinesEndedByACarriageReturnAlone) {
  struct Case {
    const char* code;
    const char* want;
  };
  const Case kCases[] = {
      {"#include <cstdio>\r#define ll long long\rint main(){ int n; scanf(\"%d\", &n); }",
       "#include <cstdio>\n#define ll long long\nint main(){ int n; scanf(\"%d\", &n); }"},
      {"a\r\nb\r", "a\r\nb\n"},  // Windows line ends stay as they are
      {"\r\r\n", "\n\r\n"},
      {"", ""},
  };
  for (const Case& c : kCases) EXPECT_EQ(withLineFeeds(c.code), c.want) << c.code;
  // Read as one line, the #include would swallow main; the analysis ends lines there too.
  EXPECT_EQ(planOf(kCases[0].code), "n:size");
  EXPECT_EQ(planOf(withLineFeeds(kCases[0].code)), "n:size");
}

// ---- Array extents ----

TEST(SizeExtents, ASizeStaysInsideTheFixedArraysItIndexes) {
  struct Case {
    const char* name;
    const char* code;
    std::map<std::string, double> want;
  };
  const Case kCases[] = {
      // i runs to n and a holds a[0..1004]: n <= 1004.
      {"1-based fill of a literal extent",
       "int a[1005]; int main(){ int n; cin >> n; for (int i = 1; i <= n; i++) cin >> a[i]; }",
       {{"n", 1004}}},
      // i runs to n - 1 <= 1004: n <= 1005.
      {"0-based fill through a named constant",
       "const int MAXN = 1005; long long a[MAXN]; int main(){ int n; cin >> n;"
       " for (int i = 0; i < n; ++i) cin >> a[i]; }",
       {{"n", 1005}}},
      // The bound written first: n > i is i < n.
      {"the bound on the left, a define",
       "#define LIM 2000\nint c[LIM]; int main(){ int n; cin >> n; for (int i = 0; n > i; i++) "
       "cin >> c[i]; }",
       {{"n", 2000}}},
      // d[i][j + 1]: i <= n - 1 <= 504 and j + 1 <= m <= 504.
      {"two dimensions, the inner shifted",
       "int d[505][505]; int main(){ int n, m; cin >> n >> m; for (int i = 0; i < n; i++)"
       " for (int j = 0; j < m; j++) cin >> d[i][j + 1]; }",
       {{"n", 505}, {"m", 504}}},
      // h rows of g[0..819]; a row's letters and its terminator in 821 cells: w <= 820.
      {"words into the rows of a character grid",
       "char g[820][821]; int main(){ int w, h; scanf(\"%d %d\", &w, &h);"
       " for (int i = 0; i < h; i++) scanf(\"%s\", g[i]); }",
       {{"h", 820}, {"w", 820}}},
      // s + 1 skips a cell, the terminator takes one: 1003 letters.
      {"a word read one cell in",
       "char s[1005]; int main(){ scanf(\"%s\", s + 1); int n = strlen(s + 1); cout << n; }",
       {{"s", 1003}}},
      {"a vector sized by n has no fixed extent",
       "int main(){ int n; cin >> n; vector<int> a(n); for (int i = 0; i < n; i++) cin >> a[i]; "
       "}",
       {}},
      {"an index that is not the counter bounds nothing",
       "int cnt[26]; int main(){ int n; cin >> n; string s; cin >> s; for (int i = 0; i < n; i++)"
       " cnt[s[i] - 'a']++; }",
       {}},
  };
  for (const Case& c : kCases) {
    const Model model = buildModel(c.code);
    EXPECT_EQ(arrayExtentCaps(deriveInputPlan(model), model), c.want) << c.name;
  }
}

TEST(SizeExtents, GeneratedSizesNeverPassAnArrayOrAStatedLimit) {
  struct Case {
    const char* name;
    const char* code;
    std::map<std::string, double> want;  // at size 4096, limits not ignored
  };
  const Case kCases[] = {
      {"an array's extent holds the size",
       "const int MAXN = 1005; int a[MAXN]; int main(){ int n; cin >> n; for (int i = 1; i <= "
       "n; i++) cin >> a[i]; }",
       {{"n", 1004}}},
      // M <= 10 stops both: sizes grow together up to the least cap.
      {"a stated limit holds the size",
       "// 1 <= N <= 10^5, 1 <= M <= 10\nint main(){ int N, M; cin >> N >> M; for (int i = 0; i "
       "< N; i++) for (int j = 0; j < M; j++) { int x; cin >> x; } }",
       {{"N", 10}, {"M", 10}}},
      {"the lesser of a comment and an array",
       "// 1 <= n <= 5000\nint a[3001]; int main(){ int n; cin >> n; for (int i = 1; i <= n; "
       "i++) cin >> a[i]; }",
       {{"n", 3000}}},
  };
  for (const Case& c : kCases) {
    const Model model = buildModel(c.code);
    GenerateOptions options;
    options.size = 4096;
    const GeneratedInput input = generateInput(deriveInputPlan(model), model, options);
    EXPECT_EQ(input.sizes, c.want) << c.name;
  }
}

// ---- Values within the sizes ----

TEST(GenerateInput, TheRetryShapeDrawsValuesWithinTheLeastSize) {
  const std::string code =
      "int main(){ int n; cin >> n; vector<int> c(n + 1); for (int i = 0; i < n; i++) {"
      " int x; cin >> x; assert(x <= n); c.at(x)++; } }";
  const Model model = buildModel(code);
  const InputPlan plan = deriveInputPlan(model);
  ASSERT_EQ(describePlan(plan), "n:size n*(x:value)");
  for (const bool within : {false, true}) {
    GenerateOptions options;
    options.size = 50;
    options.valuesWithinSizes = within;
    std::istringstream in(generateInput(plan, model, options).text);
    double n = 0, x = 0, most = 0;
    in >> n;
    while (in >> x) most = std::max(most, x);
    EXPECT_EQ(n, 50);
    // 50 draws in [1, 10^9] all below 51 have odds near 10^-350.
    EXPECT_EQ(most <= 50, within) << most;
  }
}

TEST(GenerateInput, AValueTheEstimateNamesGrowsWithTheSizes) {
  const std::string code =
      "int main(){ int t; cin >> t; long long s = 0; for (int i = 0; i < t; i++) { long long a, "
      "b; cin >> a >> b; s += __gcd(a, b); } cout << s; }";
  const Model model = buildModel(code);
  const InputPlan plan = deriveInputPlan(model);
  ASSERT_EQ(describePlan(plan), "t:size t*(a:value b:value)");
  GenerateOptions options;
  options.size = 64;
  options.grownValues = {"a"};
  const GeneratedInput input = generateInput(plan, model, options);
  // a is drawn within the size and reported as one; b keeps its wide range.
  EXPECT_EQ(input.sizes, (std::map<std::string, double>{{"t", 64}, {"a", 64}}));
  std::istringstream in(input.text);
  double t = 0, a = 0, b = 0, mostA = 0, mostB = 0;
  in >> t;
  while (in >> a >> b) {
    mostA = std::max(mostA, a);
    mostB = std::max(mostB, b);
  }
  EXPECT_LE(mostA, 64);
  EXPECT_GT(mostB, 64);
  // Varying t alone holds a at its wide range.
  options.vary = "t";
  EXPECT_EQ(generateInput(plan, model, options).sizes.count("a"), 0u);
}

TEST(GenerateInput, TheRetryShapeMakesATreeOfPairsTheProgramAlsoLoopsBetween) {
  const std::string code =
      "int main(){ int n; cin >> n; vector<vector<int>> g(n + 1); for (int i = 1; i < n; i++) {"
      " int u, v; cin >> u >> v; g[u].push_back(v); g[v].push_back(u); }"
      " int u = 1, v = n; while (u != v) u++; cout << u; }";
  const Model model = buildModel(code);
  const InputPlan plan = deriveInputPlan(model);
  for (const bool trees : {false, true}) {
    GenerateOptions options;
    options.size = 64;
    options.pairsFormTrees = trees;
    const GeneratedInput input = generateInput(plan, model, options);
    EXPECT_EQ(input.shapeUsed, trees ? "tree (n - 1 edges)" : "") << trees;
    if (!trees) continue;
    // n - 1 edges joining 64 vertices without a cycle: every union joins two parts.
    std::istringstream in(input.text);
    int n = 0;
    in >> n;
    std::vector<int> part(n + 1);
    for (int i = 0; i <= n; ++i) part[i] = i;
    const std::function<int(int)> find = [&](int x) {
      return part[x] == x ? x : part[x] = find(part[x]);
    };
    int joins = 0;
    for (int a, b; in >> a >> b;) {
      ASSERT_GE(a, 1);
      ASSERT_LE(b, n);
      if (find(a) != find(b)) ++joins;
      part[find(a)] = find(b);
    }
    EXPECT_EQ(joins, n - 1);
  }
}

TEST(GenerateInput, TheLastRetryShapeWritesWordsOfDigits) {
  struct Case {
    const char* name;
    const char* code;
    double size;
    const char* shape;  // what the text must look like: 'd' a digit, 'D' a digit but 0, ' ' a space
  };
  const Case kCases[] = {
      {"a number too long for any type",
       "int main(){ string a; cin >> a; long s = 0; for (char c : a) s += c - '0'; cout << s; }", 6,
       "Dddddd"},
      {"two bounds of a digit DP",
       "int main(){ string lo, hi; cin >> lo >> hi; cout << stoi(lo.substr(0, 2)) + "
       "hi.size(); }",
       3, "Ddd Ddd"},
      {"a count, then a number of that many digits",
       "int main(){ int n; string s; cin >> n >> s; long x = 0; for (int i = 0; i < n; i++) x = "
       "x * 10 + s[i] - '0'; cout << x; }",
       4, "D Dddd"},
  };
  for (const Case& c : kCases) {
    const Model model = buildModel(c.code);
    GenerateOptions options;
    options.size = c.size;
    options.wordsOfDigits = true;
    std::string text = generateInput(deriveInputPlan(model), model, options).text;
    for (char& ch : text)
      if (ch == '\n') ch = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    // The count is written as a number (4, not the prime 3: the program reads more than
    // numbers), the words as digits.
    std::string shape;
    for (size_t i = 0; i < text.size(); ++i) {
      const bool first = i == 0 || text[i - 1] == ' ';
      shape += text[i] == ' ' ? ' ' : (first && text[i] != '0' ? 'D' : 'd');
    }
    EXPECT_EQ(shape, c.shape) << c.name << ": " << text;
  }
}

TEST(GenerateInput, CasesUntilTheEndThatSizeThemselvesAreOneCase) {
  struct Case {
    const char* name;
    const char* code;
    std::map<std::string, double> want;  // at size 64
    size_t lines;                        // lines of the input
  };
  const Case kCases[] = {
      // One case: n and m, then 64 edges, the first on the line of n and m.
      {"a graph per case",
       "int main(){ int n, m; while (cin >> n >> m) { vector<vector<int>> g(n + 1);"
       " for (int i = 0; i < m; i++) { int u, v; cin >> u >> v; g[u].push_back(v); } } }",
       {{"n", 64}, {"m", 64}},
       64},
      {"a list per case",
       "int main(){ int n; while (scanf(\"%d\", &n) == 1) { long s = 0; for (int i = 0; i < n; "
       "i++) { int x; scanf(\"%d\", &x); s += x; } printf(\"%ld\\n\", s); } }",
       {{"n", 64}},
       64},
      // Values alone until the end: 64 of them, one a line.
      {"values until the end",
       "int main(){ long x, s = 0; while (cin >> x) s += x; cout << s; }",
       {},
       64},
  };
  for (const Case& c : kCases) {
    const Model model = buildModel(c.code);
    GenerateOptions options;
    options.size = 64;
    const GeneratedInput input = generateInput(deriveInputPlan(model), model, options);
    EXPECT_EQ(input.sizes, c.want) << c.name;
    EXPECT_EQ(static_cast<size_t>(std::count(input.text.begin(), input.text.end(), '\n')), c.lines)
        << c.name << ": " << input.text.substr(0, 80);
  }
}

// ---- Numbers read alone ----

TEST(Primes, TheLargestPrimeAtMostAValue) {
  struct Case {
    uint64_t value;
    uint64_t want;
  };
  // 2^16 - 15, 2^20 - 3, 2^31 - 1 and 10^18 - 11 are the largest primes below those powers.
  const Case kCases[] = {{0, 0},
                         {1, 1},
                         {2, 2},
                         {8, 7},
                         {16, 13},
                         {65536, 65521},
                         {1048576, 1048573},
                         {2147483648ULL, 2147483647ULL},
                         {1000000000000000000ULL, 999999999999999989ULL}};
  for (const Case& c : kCases) EXPECT_EQ(largestPrimeAtMost(c.value), c.want) << c.value;
  // Strong pseudoprimes to small bases and a Carmichael number are composite.
  for (const uint64_t composite : {561ULL, 2047ULL, 3215031751ULL, 3825123056546413051ULL})
    EXPECT_FALSE(isPrime(composite)) << composite;
}

TEST(GenerateInput, ANumberReadAloneIsWrittenAsAPrime) {
  struct Case {
    const char* name;
    const char* code;
    double size;
    std::map<std::string, double> want;
  };
  const Case kCases[] = {
      {"trial division",
       "int main(){ long long n; cin >> n; int f = 0; for (long long d = 2; d * d <= n; d++)"
       " while (n % d == 0) { n /= d; f++; } cout << f; }",
       1048576,
       {{"n", 1048573}}},
      {"two numbers alone",
       "int main(){ long long a, b; cin >> a >> b; cout << a % b; }",
       16,
       {{"a", 13}, {"b", 13}}},
      // A size that counts items is the count, whatever its primality.
      {"a count of items",
       "int main(){ int n; cin >> n; long s = 0; for (int i = 0; i < n; i++) { int x; cin >> x; "
       "s += x; } }",
       16,
       {{"n", 16}}},
  };
  for (const Case& c : kCases) {
    const Model model = buildModel(c.code);
    GenerateOptions options;
    options.size = c.size;
    EXPECT_EQ(generateInput(deriveInputPlan(model), model, options).sizes, c.want) << c.name;
  }
}

// ---- The fit over a long start-up ----

TEST(GrowthFit, WorkGrowingAboveALongStartUpIsFitted) {
  struct Case {
    const char* name;
    double startUp;                      // seconds before the first read, every size
    std::function<double(double)> work;  // seconds above it at size n
    const char* want;                    // the class, or why undecided
  };
  const Case kCases[] = {
      // 0.2 s of tables, then 10^-7 s a step: 3.3 ms to 52 ms over 32768..524288.
      {"linear over a table of factorials", 0.2, [](double n) { return 1e-7 * n; }, "n"},
      // 0.3 s of a sieve, then 10 ms to 2.7 s of pairs.
      {"quadratic over a sieve", 0.3, [](double n) { return 1e-11 * n * n; }, "n^2"},
      {"quadratic over a short start-up", 0.001, [](double n) { return 1e-12 * n * n; }, "n^2"},
      // 3 ms to 3.6 ms above start-up: the work barely moves.
      {"flat above start-up", 0.2, [](double n) { return 0.003 + 1e-9 * n; },
       "the times grow too little over the sizes that ran"},
  };
  for (const Case& c : kCases) {
    std::vector<TimedPoint> points;
    for (double n = 32768; n <= 524288; n *= 2) points.push_back({n, c.startUp + c.work(n)});
    const GrowthFit fit = fitGrowth(points, c.startUp, {});
    EXPECT_EQ(fit.decided ? fit.measured : fit.undecided, c.want) << c.name;
  }
}

// ---- Sizes the runs grew ----

TEST(GrownSizes, AnAgreementNeedsEverySizeToGrow) {
  using Runs = std::vector<std::map<std::string, double>>;
  struct Case {
    const char* name;
    std::vector<std::string> estimate;
    Runs runs;
    std::vector<std::string> want;
  };
  const Case kCases[] = {
      {"both grew", {"n", "m"}, {{{"n", 8}, {"m", 8}}, {{"n", 16}, {"m", 16}}}, {}},
      {"m held at its limit", {"n", "m"}, {{{"n", 8}, {"m", 10}}, {{"n", 16}, {"m", 10}}}, {"m"}},
      {"a capacity no run reads", {"N", "maxn"}, {{{"N", 8}}, {{"N", 64}}}, {"maxn"}},
      {"a string's length by its bars", {"|s|"}, {{{"s", 8}}, {{"s", 32}}}, {}},
      {"a length by its method",
       {"a.size()", "k"},
       {{{"a", 8}, {"k", 3}}, {{"a", 9}, {"k", 3}}},
       {"k"}},
      {"a single run grows nothing", {"n"}, {{{"n", 8}}}, {"n"}},
      {"no runs", {"n"}, {}, {"n"}},
  };
  for (const Case& c : kCases) EXPECT_EQ(sizesNotGrown(c.estimate, c.runs), c.want) << c.name;
}

// ---- JSON ----

TEST(MeasureJson, SizesAreWrittenWhole) {
  Measurement m;
  m.status = "measured";
  for (const double size : {1048576.0, 2097152.0, 8.0}) {
    SizeRun run;
    run.size = size;
    run.sizes = {{"n", size}, {"q", size - 1}};
    run.seconds = {0.5};
    run.best = 0.5;
    m.runs.push_back(run);
  }
  m.plan = "n:size q:size";
  m.notGrown = {"maxn"};
  const std::string json = renderMeasurementJson(m, false);
  for (const char* want :
       {"\"size\":1048576,", "\"n\":1048576,", "\"q\":1048575}", "\"size\":2097152,",
        "\"q\":2097151}", "\"size\":8,", "\"plan\":\"n:size q:size\"", "\"notGrown\":[\"maxn\"]}"})
    EXPECT_NE(json.find(want), std::string::npos) << want << " in " << json;
  EXPECT_EQ(json.find("e+"), std::string::npos) << json;
  EXPECT_EQ(json.find("1048580"), std::string::npos) << json;
  // The new keys come after the ones clients already read.
  EXPECT_LT(json.find("\"notes\""), json.find("\"plan\""));
}

// ---- The next plan shape ----

TEST(Measure, ACrashAtASmallSizeTriesTheNextPlanShape) {
  const std::string base =
      std::filesystem::temp_directory_path() / ("measure-shape-" + std::to_string(getpid()));
  std::filesystem::create_directories(base);
  testing::ScopedEnv tmpdir("TMPDIR", base);
  // x is checked against n, which the plan does not read as indexing: values of 10^9 abort.
  const std::string code =
      "#include <bits/stdc++.h>\nint main(){ int n; std::cin >> n; std::vector<long long> c(n + "
      "1);\n for (int i = 0; i < n; i++) { int x; std::cin >> x; if (x < 1 || x > n) "
      "std::abort(); c[i] += x; }\n long long s = 0; for (int i = 0; i < n; i++) for "
      "(int j = 0; j < 50; j++) s += c[i] ^ j; std::cout << s; }\n";
  MeasureOptions options;
  options.budgetSeconds = 0.2;
  options.totalSeconds = 20;
  const Measurement m = measureProgram(code, options);
  EXPECT_NE(m.status, "runtime_error") << m.message;
  ASSERT_FALSE(m.notes.empty());
  EXPECT_NE(m.notes.front().find("values drawn within the sizes"), std::string::npos)
      << m.notes.front();
  ASSERT_FALSE(m.runs.empty());
  EXPECT_GT(m.runs.back().sizes.at("n"), 8);
  std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace quorbel
