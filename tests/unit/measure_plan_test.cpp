// Input plans on the shapes real solutions read in: reader functions on unlocked characters,
// reads through .at(), records built by constructors, a row width read before the row count;
// the most a size may grow inside the fixed arrays it indexes; which of an estimate's sizes the
// runs grew; sizes written whole in the JSON; the plan shape tried after a crash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>

#include "measure/compile_retry.h"
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
      {"a for loop that reads in its condition until the input ends",
       "int main(){ for (int n, k; cin >> n >> k;) { vector<int> a(n); for (int i = 0; i < n;"
       " i++) cin >> a[i]; cout << a[k % n]; } }",
       "until-end(n:size k:pos1(n) n*(a:value))"},
      {"a for loop reading by scanf in its condition",
       "int main(){ long s = 0; for (int x; scanf(\"%d\", &x) == 1;) s += x; printf(\"%ld\", "
       "s); }",
       "until-end(x:value)"},
      {"an extraction operator of the program's own point type",
       "struct Pt { long long x, y; }; istream& operator>>(istream& in, Pt& p) { return in >> "
       "p.x >> p.y; } int main(){ int n; cin >> n; vector<Pt> ps(n); for (int i = 0; i < n; "
       "i++) cin >> ps[i]; long long s = 0; for (auto& p : ps) s += p.x * p.y; }",
       "n:size n*(x:value y:value)"},
      {"a friend operator in the record, read into an array of records",
       "struct Edge { int from, to, cost; friend istream &operator >> (istream &is, Edge &e) {"
       " is >> e.from >> e.to >> e.cost; return is; } }; Edge es[200005]; int main(){ int m;"
       " cin >> m; for (int i = 0; i < m; i++) cin >> es[i]; long t = 0; for (int i = 0; i < m;"
       " i++) t += es[i].cost; }",
       "m:size m*(from:value to:value cost:value)"},
      {"an operator for another type leaves plain reads alone",
       "struct Q { int a, b; }; istream& operator>>(istream& in, Q& q) { return in >> q.a >> "
       "q.b; } int main(){ int n; cin >> n; vector<int> v(n); for (int i = 0; i < n; i++) cin "
       ">> v[i]; long s = 0; for (int x : v) s += x; }",
       "n:size n*(v:value)"},
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

// A size the program computes from sizes it reads (n = s.size(), k = n + m) grows with them;
// one computed from constants alone, or a capacity, does not.
TEST(GrownSizes, AComputedSizeGrowsWithWhatItIsComputedFrom) {
  struct Case {
    const char* name;
    const char* code;
    std::vector<std::string> estimate;
    std::vector<std::map<std::string, double>> runs;
    std::vector<std::string> want;
  };
  const Case kCases[] = {
      {"a string's length kept in a name",
       "int main(){ string s; cin >> s; int n = s.size(); for (int i = 0; i < n; i++) "
       "cout << s[i]; }",
       {"n"},
       {{{"s", 8}}, {{"s", 64}}},
       {}},
      {"a length by strlen",
       "char t[100005]; int main(){ scanf(\"%s\", t); int len = strlen(t); long c = 0;"
       " for (int i = 0; i < len; i++) c += t[i]; }",
       {"len"},
       {{{"t", 8}}, {{"t", 512}}},
       {}},
      {"a sum of two sizes read",
       "int main(){ int a, b; cin >> a >> b; int total = a + b; vector<int> v(total);"
       " for (int i = 0; i < total; i++) v[i] = i; }",
       {"total"},
       {{{"a", 8}, {"b", 8}}, {{"a", 32}, {"b", 32}}},
       {}},
      {"the largest of entries read as positions",
       "int main(){ int n; cin >> n; vector<int> a(n); for (int i = 0; i < n; i++) cin >> a[i];"
       " int mx = 0; for (int i = 0; i < n; i++) mx = max(mx, a[i]); vector<int> cnt(mx + 1);"
       " for (int i = 0; i < n; i++) cnt[a[i]]++; for (int v = 0; v <= mx; v++) cout << cnt[v];"
       " }",
       {"mx"},
       {{{"n", 8}}, {{"n", 64}}},
       {}},
      {"the largest of plain values does not follow the size",
       "int main(){ int n; cin >> n; long long best = 0; vector<long long> w(n);"
       " for (int i = 0; i < n; i++) { cin >> w[i]; best = max(best, w[i]); }"
       " for (long long v = 1; v <= best; v++) cout << v; }",
       {"best"},
       {{{"n", 8}}, {{"n", 64}}},
       {"best"}},
      {"a capacity stays held",
       "const int MX = 1 << 20; int sieve[MX]; int main(){ int n; cin >> n;"
       " for (int i = 2; i < MX; i++) sieve[i] = i; for (int i = 0; i < n; i++) cout << i; }",
       {"n", "MX"},
       {{{"n", 8}}, {{"n", 64}}},
       {"MX"}},
      {"a size read and held is not rescued by a computed one",
       "int main(){ int n, m; cin >> n >> m; int w = n * m; for (int i = 0; i < w; i++) "
       "cout << i; }",
       {"m", "w"},
       {{{"n", 8}, {"m", 5}}, {{"n", 64}, {"m", 5}}},
       {"m"}},
  };
  for (const Case& c : kCases) {
    const Model model = buildModel(c.code);
    const InputPlan plan = deriveInputPlan(model);
    EXPECT_EQ(sizesNotGrown(c.estimate, c.runs, derivedSizeSources(model, plan, c.estimate)),
              c.want)
        << c.name;
  }
}

// ---- Letters ----

// A string whose letters the program compares with two or more characters is written in those
// characters; one compared with a single character, or not at all, in lowercase letters.
TEST(GenerateInput, WordsAreWrittenInTheLettersTheProgramTellsApart) {
  struct Case {
    const char* name;
    const char* code;
    std::string letters;  // every character the input's words may hold
  };
  const Case kCases[] = {
      {"DNA compared letter by letter",
       "char s[200005]; int cnt[4][200005]; int main(){ int n; scanf(\"%d %s\", &n, s);"
       " for (int i = 0; i < n; i++) { int k = s[i] == 'A' ? 0 : s[i] == 'C' ? 1 :"
       " s[i] == 'G' ? 2 : 3; cnt[k][i + 1]++; } }",
       "ACG"},
      {"moves through a switch",
       "int main(){ string path; cin >> path; int x = 0, y = 0; for (char c : path) {} "
       "for (size_t i = 0; i < path.size(); i++) switch (path[i]) { case 'L': x--; break;"
       " case 'R': x++; break; case 'U': y++; break; case 'D': y--; break; } }",
       "DLRU"},
      {"a grid's rows of walls and floor",
       "char g[1005][1005]; int main(){ int h, w; cin >> h >> w; for (int i = 0; i < h; i++)"
       " cin >> g[i]; int c = 0; for (int i = 0; i < h; i++) for (int j = 0; j < w; j++)"
       " if (g[i][j] == '#' || g[i][j] == '.') c += g[i][j] != '#'; }",
       "#."},
      {"compared with one character only",
       "int main(){ string s; cin >> s; int c = 0; for (size_t i = 0; i < s.size(); i++)"
       " c += s[i] == 'a'; }",
       "abcdefghijklmnopqrstuvwxyz"},
  };
  for (const Case& c : kCases) {
    const Model model = buildModel(c.code);
    const InputPlan plan = deriveInputPlan(model);
    GenerateOptions options;
    options.size = 200;
    const std::string text = generateInput(plan, model, options).text;
    std::string words;
    std::istringstream in(text);
    for (std::string token; in >> token;)
      if (!std::isdigit(static_cast<unsigned char>(token[0]))) words += token;
    ASSERT_FALSE(words.empty()) << c.name << ": " << describePlan(plan);
    for (char letter : words)
      EXPECT_NE(c.letters.find(letter), std::string::npos) << c.name << ": " << letter;
    // 200 letters drawn from the alphabet: each of a few letters appears.
    if (c.letters.size() <= 4)
      for (char letter : c.letters)
        EXPECT_NE(words.find(letter), std::string::npos) << c.name << ": " << letter;
  }
}

// ---- A steeper estimate against the largest sizes ----

// Times within the repetitions' spread of a steeper class by their error (the a + c * f fit
// bends n^2 towards n log n through its start-up share) still do not keep that class when
// they grow more slowly over the largest sizes than it does; times that bear it out do.
TEST(GrowthFit, ASteeperEstimateStandsOnlyWhereTheLargestSizesBearItOut) {
  const auto power = [](double k) { return [k](double n) { return std::pow(n, k); }; };
  const auto nLogN = [](double n) { return n * std::log2(n); };
  struct Row {
    const char* name;
    std::function<double(double)> f;
    double scale;
    const char* preferred;
    bool stands;
  };
  const Row kRows[] = {
      {"n log n times, n^2 estimate", nLogN, 2e-8, "n^2", false},
      {"n^1.3 times, n^2 estimate", power(1.3), 1e-7, "n^2", false},
      {"n^1.1 times, n sqrt n estimate", power(1.1), 1e-7, "n sqrt n", false},
      {"n^2 times, n^2 estimate", power(2), 1e-10, "n^2", true},
      {"n^1.85 times, n^2 estimate (a flatter start)", power(1.85), 1e-10, "n^2", true},
      {"n log n times, n log n estimate", nLogN, 2e-8, "n log n", true},
  };
  for (const Row& row : kRows) {
    std::vector<TimedPoint> points;
    // 4 ms of start-up and an alternating 5% jitter.
    int k = 0;
    for (double n = 4096; n <= 131072; n *= 2, ++k)
      points.push_back({n, 0.004 + row.scale * row.f(n) * (k % 2 ? 1.05 : 0.96)});
    const GrowthFit fit = fitGrowth(points, 0.004, {}, 0.002, {row.preferred, 1.0});
    ASSERT_TRUE(fit.decided) << row.name << ": " << fit.undecided;
    EXPECT_EQ(fit.measured == row.preferred, row.stands)
        << row.name << ": " << fit.measured << " " << fit.ranking[0].name << " "
        << fit.ranking[0].error << " " << fit.ranking[1].name << " " << fit.ranking[1].error;
    EXPECT_EQ(explainsAsWell(fit, row.preferred), row.stands) << row.name;
  }
  // Times measured on a machine running five builds at once (repetitions spread 50%): work
  // that grows as n log n or n log^2 n, where the estimate said n^2.
  struct Measured {
    const char* name;
    double baseline;
    std::vector<TimedPoint> points;
  };
  const Measured kMeasured[] = {
      {"queries over a tree, n log n",
       0.004,
       {{8, 0.00362},
        {32, 0.00365},
        {128, 0.00395},
        {512, 0.00351},
        {2048, 0.00412},
        {8192, 0.00688},
        {16384, 0.011},
        {32768, 0.02212},
        {65536, 0.03974},
        {101009, 0.07931}}},
      {"a decomposition, n log^2 n",
       0,
       {{2048, 0},
        {4096, 0.00169},
        {5792, 0.00193},
        {8192, 0.00451},
        {11585, 0.00809},
        {16384, 0.01183},
        {32768, 0.03624},
        {65536, 0.08397}}},
  };
  for (const Measured& row : kMeasured) {
    const GrowthFit fit = fitGrowth(row.points, row.baseline, {}, 0.002, {"n^2", 0.5});
    ASSERT_TRUE(fit.decided) << row.name << ": " << fit.undecided;
    EXPECT_NE(fit.measured, "n^2") << row.name;
    EXPECT_FALSE(explainsAsWell(fit, "n^2")) << row.name;
  }
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
    run.blocks = 4 * size + 123456789;
    m.runs.push_back(run);
  }
  m.plan = "n:size q:size";
  m.notGrown = {"maxn"};
  m.measuredBy = "blocks";
  const std::string json = renderMeasurementJson(m, false);
  for (const char* want :
       {"\"size\":1048576,", "\"n\":1048576,", "\"q\":1048575}", "\"size\":2097152,",
        "\"q\":2097151}", "\"size\":8,", "\"plan\":\"n:size q:size\"", "\"notGrown\":[\"maxn\"],",
        "\"blocks\":127651093}", "\"blocks\":131845397}", "\"measuredBy\":\"blocks\"}"})
    EXPECT_NE(json.find(want), std::string::npos) << want << " in " << json;
  EXPECT_EQ(json.find("e+"), std::string::npos) << json;
  EXPECT_EQ(json.find("1048580"), std::string::npos) << json;
  // The new keys come after the ones clients already read.
  EXPECT_LT(json.find("\"notes\""), json.find("\"plan\""));
  EXPECT_LT(json.find("\"notGrown\""), json.find("\"measuredBy\""));
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

// Include lines the compiler reports missing are blanked, every other line kept in its place.
TEST(CompileRetry, AMissingHeaderIsLeftOut) {
  struct Case {
    const char* name;
    const char* code;
    const char* output;
    const char* want;  // empty: nothing to leave out
  };
  const Case kCases[] = {
      {"a header in angle brackets",
       "#include <bits/stdc++.h>\n#include <dump.hpp>\nint main(){}\n",
       "main.cpp:2:10: fatal error: dump.hpp: No such file or directory\ncompilation terminated.",
       "#include <bits/stdc++.h>\n\nint main(){}\n"},
      {"a quoted header, indented directive",
       "int a;\n  #  include \"../lib/debug.h\"\nint main(){}",
       "main.cpp:2:3: fatal error: ../lib/debug.h: No such file or directory",
       "int a;\n\nint main(){}"},
      {"a missing header reported from inside another header is not the program's line",
       "#include <bits/stdc++.h>\nint main(){}\n",
       "In file included from main.cpp:1:\nfoo.h:3:10: fatal error: bar.h: No such file or "
       "directory",
       ""},
      {"an error of another kind", "int main(){ return x; }\n",
       "main.cpp:1:21: error: 'x' was not declared in this scope", ""},
      {"the line reported is no include", "int main(){}\n",
       "main.cpp:1:1: fatal error: a.h: No such file or directory", ""},
  };
  for (const Case& c : kCases) EXPECT_EQ(withoutMissingHeaders(c.code, c.output), c.want) << c.name;
}

// A program the runner's C++20 refuses for its setting is compiled as its judge would have
// compiled it: without a header only its author's machine has, in the first older standard
// that takes it. One nothing helps is a compile error with the first message.
TEST(Measure, AProgramRefusedForItsSettingCompilesAsItsJudgeDid) {
  const std::string base =
      std::filesystem::temp_directory_path() / ("measure-std-" + std::to_string(getpid()));
  std::filesystem::create_directories(base);
  testing::ScopedEnv tmpdir("TMPDIR", base);
  struct Case {
    const char* name;
    const char* code;
    const char* status;
    const char* note;  // in the note of the standard used; empty when no note is expected
  };
  const Case kCases[] = {
      {"a global array named like std::ranges",
       "#include <bits/stdc++.h>\nusing namespace std; int ranges[100005];\nint main(){ int n; "
       "cin >> n; for (int i = 0; i < n; i++) cin >> ranges[i]; sort(ranges, ranges + n); "
       "cout << ranges[0]; }\n",
       "", "gnu++17"},
      {"a queue whose container holds another type",
       "#include <bits/stdc++.h>\nusing namespace std;\nint main(){ int n; cin >> n; "
       "priority_queue<pair<int, int>, vector<pair<int, pair<int, int>>>, "
       "greater<pair<int, pair<int, int>>>> q; for (int i = 0; i < n; i++) { int x; cin >> x; "
       "q.push({x, {i, i}}); } long s = 0; while (!q.empty()) { s += q.top().first; q.pop(); } "
       "cout << s; }\n",
       "", "gnu++14"},
      {"a debug printer included unguarded",
       "#include <bits/stdc++.h>\n#include <my_local_dump.hpp>\nusing namespace std;\nint "
       "main(){ int n; cin >> n; long s = 0; for (int i = 0; i < n; i++) { int x; cin >> x; "
       "s += x; } cout << s; }\n",
       "", "left out"},
      {"a program no standard takes", "int main(){ int n; cin >> n; return n }\n", "compile_error",
       ""},
  };
  for (const Case& c : kCases) {
    MeasureOptions options;
    options.budgetSeconds = 0.05;
    options.totalSeconds = 2;
    options.repetitions = 1;
    const Measurement m = measureProgram(c.code, options);
    if (*c.status != 0) {
      EXPECT_EQ(m.status, c.status) << c.name;
      EXPECT_NE(m.message.find("expected"), std::string::npos) << c.name << ": " << m.message;
    } else {
      EXPECT_NE(m.status, "compile_error") << c.name << ": " << m.message.substr(0, 300);
      EXPECT_FALSE(m.runs.empty()) << c.name;
    }
    bool noted = false;
    for (const std::string& note : m.notes) noted = noted || note.find(c.note) != std::string::npos;
    if (*c.note != 0) EXPECT_TRUE(noted) << c.name;
    if (*c.note == 0) EXPECT_TRUE(m.notes.empty()) << c.name;
  }
  std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace quorbel
