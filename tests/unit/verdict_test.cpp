// The verdict at the limits: reading limit values, evaluating notations, each source of a
// limit, each verdict boundary, the bytes of each element type, and every refused value.
// Analyses are written by hand so that the expectations do not move with the estimator.
#include "verdict/verdict.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "cost/cost_values.h"
#include "regression/regression.h"
#include "test_support.h"
#include "base/limit_values.h"

namespace quorbel {
namespace {

// Costs written by hand: n, n * log n, n^2, ...
Cost size(const char* name) { return sizeCost(name); }
Cost times(const Cost& a, const Cost& b) { return multiplyCosts(a, b); }
Cost logOf(const char* name) { return logCost(sizeCost(name)); }
Cost squared(const char* name) { return times(size(name), size(name)); }

Analysis analysisOf(const Cost& time, std::vector<Contribution> spaceRows = {}) {
  Analysis analysis;
  analysis.timeCost = time;
  analysis.spaceContributions = std::move(spaceRows);
  return analysis;
}

GivenLimits sizes(std::vector<std::pair<std::string, std::string>> values) {
  GivenLimits given;
  for (auto& [name, text] : values) given.sizes.push_back({name, text, "limits." + name});
  return given;
}

// The analysis with the facts the model reads from `source`.
Verdict judged(Analysis analysis, const std::string& source, const GivenLimits& given) {
  analysis.facts = std::make_shared<const SourceFacts>(readSourceFacts(buildModel(source)));
  Verdict verdict;
  std::string error;
  EXPECT_TRUE(judgeAtLimits(analysis, given, verdict, error)) << error;
  return verdict;
}

const SizeLimit* sizeNamed(const Verdict& verdict, const std::string& name) {
  for (const SizeLimit& size : verdict.sizes)
    if (size.name == name) return &size;
  return nullptr;
}

// What the model reads for the verdict, so that the verdict never reads the program's text.
TEST(SourceFactsTest, TheModelReadsWhatTheVerdictAsks) {
  struct Case {
    const char* source;
    std::vector<std::string> measured;
    std::vector<std::string> lengths;  // "n=nums": n is the length of nums
    std::vector<std::string> indexed;  // by the first counted loop
  };
  const Case kCases[] = {
      {"int f(vector<int> nums) { int n = nums.size(); }", {"nums"}, {"n=nums"}, {}},
      {"void f(string s) { int n; n = (int)s.length(); }", {"s"}, {"n=s"}, {}},
      {"void f(string s) { int n = int(s.size()); }", {"s"}, {"n=s"}, {}},
      {"bool f(string s, int n) { return n == s.size(); }", {"s"}, {}, {}},
      {"void f(P a, vector<int> v) { a.n = v.size(); }", {"v"}, {}, {}},
      {"void f() { for (int i = 0; i < n; i++) cin >> b [ i + 1] >> a[i] >> c[j] >> d[i-1]; }",
       {},
       {},
       {"a", "b", "d"}},
      {"void f() { for (int i = 0; n > i; ++i) s += dp[ii] + e[2 * i]; }", {}, {}, {}},
  };
  for (const Case& c : kCases) {
    const SourceFacts facts = readSourceFacts(buildModel(c.source));
    EXPECT_EQ(facts.measured, c.measured) << c.source;
    std::vector<std::string> lengths;
    for (const LengthEquality& equality : facts.lengths)
      lengths.push_back(equality.size + "=" + equality.collection);
    EXPECT_EQ(lengths, c.lengths) << c.source;
    EXPECT_EQ(facts.loops.empty() ? std::vector<std::string>{} : facts.loops[0].indexed, c.indexed)
        << c.source;
  }
  const SourceFacts stated =
      readSourceFacts(buildModel("int x;\n/* 1 <= n, m <= 2*10^5\n   time limit 2 s */\n"));
  ASSERT_EQ(stated.commentLimits.sizes.size(), 2u);
  EXPECT_EQ(stated.commentLimits.sizes[1].name, "m");
  EXPECT_EQ(stated.commentLimits.sizes[1].value, 2e5);
  EXPECT_EQ(stated.commentLimits.sizes[1].line, 2);
  EXPECT_EQ(stated.commentLimits.timeLimitSeconds, 2);
  EXPECT_EQ(stated.commentLimits.timeLine, 3);
}

// Each kind of statement a comment line makes, short forms included: what a line lacks the
// words or signs for is not searched, and what it has is still read.
TEST(SourceFactsTest, CommentLinesGiveTheirLimits) {
  struct Case {
    const char* comment;
    double seconds, megabytes;
    std::vector<std::string> sizes;  // name=value, "sum " before sums over tests
    std::vector<std::string> lengths;
  };
  const Case kCases[] = {
      {"TL: 2 s, ML: 512 MB", 2, 512, {}, {}},
      {"time limit 1500 ms; memory 64 MB", 1.5, 64, {}, {}},
      {"sum of n <= 2e5", 0, 0, {"sum n=200000"}, {}},
      {"1 <= n, q <= 1000", 0, 0, {"n=1000", "q=1000"}, {}},
      {"n == nums.length", 0, 0, {}, {"n=nums"}},
      {"expect time: O(n)", 0, 0, {}, {}},
  };
  for (const Case& c : kCases) {
    CommentLimits limits;
    readCommentLimits(c.comment, 1, limits);
    EXPECT_EQ(limits.timeLimitSeconds, c.seconds) << c.comment;
    EXPECT_EQ(limits.memoryLimitMb, c.megabytes) << c.comment;
    std::vector<std::string> sizes, lengths;
    for (const CommentLimit& size : limits.sizes)
      sizes.push_back((size.sumOverTests ? "sum " : "") + size.name + "=" +
                      std::to_string(static_cast<long long>(size.value)));
    for (const LengthEquality& length : limits.lengths)
      lengths.push_back(length.size + "=" + length.collection);
    EXPECT_EQ(sizes, c.sizes) << c.comment;
    EXPECT_EQ(lengths, c.lengths) << c.comment;
  }
}

// Lengths and element sizes, evaluated once in the model: the memory verdict only multiplies.
TEST(SourceFactsTest, TheModelEvaluatesExtentsAndElementSizes) {
  struct Case {
    const char* source;
    std::string extent;   // the first extent: "=value", "scale*size+offset", "?size" or "-"
    double elementBytes;  // of the declared type; of a container's element when a container
    bool container;
    std::string shown;
  };
  const Case kCases[] = {
      {"const int N = 2e5 + 5;\nlong long a[N][3];", "=200005", 8, false, "long long a[N][3]"},
      {"#define M (1 << 10)\nbool b[M + 1];", "=1025", 1, false, "bool b[M + 1]"},
      {"void f(int n) { int c[2 * n + 3]; }", "2*n+3", 4, false, "int c[2 * n + 3]"},
      {"void f(int n) { short h[n / 2]; }", "?n", 2, false, "short h[n / 2]"},
      {"typedef long long ll;\nvector<ll> g[100];", "=100", 8, true, "vector<ll> g[100]"},
      {"map<int, long long> cnt;", "-", 16, true, "map<int, long long> cnt"},
      {"vector<vector<pair<int, int>>> dp;", "-", 24, true, "vector<vector<pair<int, int>>> dp"},
  };
  for (const Case& c : kCases) {
    const SourceFacts facts = readSourceFacts(buildModel(c.source));
    ASSERT_FALSE(facts.declarations.empty()) << c.source;
    const Declarator& d = facts.declarations.back().declarators.at(0);
    std::string extent = "-";
    if (!d.extents.empty()) {
      const Extent& e = d.extents[0];
      extent = e.known ? "=" + formatLimitValue(e.value)
               : e.affine
                   ? formatLimitValue(e.scale) + "*" + e.size + "+" + formatLimitValue(e.offset)
                   : "?" + e.size;
    }
    EXPECT_EQ(extent, c.extent) << c.source;
    EXPECT_EQ(d.stored.container, c.container) << c.source;
    EXPECT_EQ(c.container ? d.stored.listElement.bytes : d.stored.element.bytes, c.elementBytes)
        << c.source;
    EXPECT_EQ(d.shown, c.shown) << c.source;
  }
  const SourceFacts nested =
      readSourceFacts(buildModel("void f(int n) { vector<vector<long long>> dp(n, "
                                 "vector<long long>(n)); }"));
  const Declarator& dp = nested.declarations.back().declarators.at(0);
  EXPECT_TRUE(dp.builtNested);
  EXPECT_EQ(dp.stored.innermostElement.bytes, 8);
}

TEST(LimitValuesTest, FormsPeopleWrite) {
  const std::pair<const char*, double> kRead[] = {
      {"200000", 2e5},    {"2e5", 2e5},        {"2*10^5", 2e5}, {"2·10^5", 2e5},
      {"2 × 10^5", 2e5},  {"10^9", 1e9},       {"10⁵", 1e5},    {"200,000", 2e5},
      {"1'000'000", 1e6}, {"1.5*10^5", 1.5e5}, {" 7 ", 7},
  };
  for (const auto& [text, value] : kRead) {
    const ReadNumber got = readLimitNumber(text);
    EXPECT_TRUE(got.ok) << text;
    EXPECT_EQ(got.value, value) << text;
  }
  for (const char* text : {"abc", "", "2e", "10^5x", "1,5", "2*10", "-5"})
    EXPECT_FALSE(readLimitNumber(text).ok) << text;
  EXPECT_EQ(readLimitNumber("-5").value, -5);
  EXPECT_EQ(readLimitNumber("-5").problem, "is negative");
  EXPECT_EQ(readSeconds("1500 ms").value, 1.5);
  EXPECT_EQ(readSeconds("2 s").value, 2);
  EXPECT_FALSE(readSeconds("2 parsecs").ok);
  EXPECT_EQ(readMegabytes("1 GB").value, 1000);
  EXPECT_EQ(readMegabytes("256").value, 256);
}

// The texts the verdict's own cases below do not already show.
TEST(LimitValuesTest, Texts) {
  EXPECT_EQ(formatLimitValue(200005), "200005");
  EXPECT_EQ(formatLimitValue(150000), "1.5*10^5");
  EXPECT_EQ(formatLimitValue(1e9), "10^9");
  EXPECT_EQ(formatLimitValue(5005), "5005");
  EXPECT_EQ(describeCount(std::log10(262144.0)), "262,144");
  EXPECT_EQ(describeCount(3e17), "about 10^300000000000000000");
  EXPECT_EQ(describeBytes(512), "512 bytes");
}

// Operations by hand, logarithms base 2: log2(2*10^5) = 17.6096.
TEST(CostValuesTest, EvaluatesAtValues) {
  struct Case {
    const char* name;
    Cost cost;
    std::map<std::string, double> values;
    double operations;
  };
  const Case kCases[] = {
      {"(n + q) * log n",
       times(addCosts(size("n"), size("q")), logOf("n")),
       {{"n", 2e5}, {"q", 1e5}},
       3e5 * std::log2(2e5)},
      {"2^n * n", times(powerOfTwoCost(size("n")), size("n")), {{"n", 20}}, 20971520},
      {"n * log log n", times(size("n"), logLogCost(size("n"))), {{"n", 65536}}, 65536 * 4},
      {"sqrt n", sqrtCost(size("n")), {{"n", 1e6}}, 1000},
      {"n!", factorialCost(size("n")), {{"n", 10}}, 3628800},
      {"n * alpha(n)", times(size("n"), alphaCost(size("n"))), {{"n", 1e6}}, 4e6},
      {"log n at 1: one step", logOf("n"), {{"n", 1}}, 1},
      {"root4 n * m", times(rootCost(size("n"), 4), size("m")), {{"n", 1e8}, {"m", 3}}, 300},
      {"k^n", sizedExponentialCost(size("k"), size("n")), {{"k", 3}, {"n", 4}}, 81},
      {"1", constantCost(), {}, 1},
      {"60 passes over n", times(repeatedCost(60), size("n")), {{"n", 1e7}}, 6e8},
      {"of one growth the larger constant",
       addCosts(size("n"), times(repeatedCost(26), size("n"))),
       {{"n", 10}},
       260},
      {"a constant alone is O(1)", simplifyCost(repeatedCost(1e6)), {}, 1},
  };
  for (const Case& c : kCases)
    EXPECT_NEAR(std::pow(10.0, log10OfCost(c.cost, c.values)), c.operations, c.operations * 1e-9)
        << c.name;
  EXPECT_TRUE(std::isnan(log10OfCost(squared("n"), {{"m", 5}}))) << "a size without a value";
  EXPECT_EQ(log10OfCost(squared("n"), {{"n", 0}}), -INFINITY);
  // The notation drops what the count keeps.
  EXPECT_EQ(formatCost(times(repeatedCost(60), size("n"))), "O(n)");
  EXPECT_EQ(withoutConstants(times(repeatedCost(60), size("n"))).terms[0].constant, 1);
}

// Loops with a fixed number of passes count in the operations: 60 * 10^7 is 6 * 10^8, more
// than 5 times the budget of 10^8 for 1 s. Bisection over [0, 1e9] to 1e-9 takes
// ceil(log2(10^18)) = 60 steps, over [1, 1e9] to one ceil(log2(10^9 - 1)) = 30.
TEST(VerdictTest, ConstantFactorsCount) {
  struct Case {
    const char* name;
    const char* body;  // inside main, after reading n
    const char* n;
    double operations;
    const char* status;
  };
  const Case kCases[] = {
      {"60 steps", "for (int s = 0; s < 60; s++) for (int i = 0; i < n; i++) x += i;", "1e7", 6e8,
       "too slow"},
      {"bits downwards", "for (int b = 30; b >= 0; b--) for (int i = 0; i < n; i++) x ^= i >> b;",
       "1e6", 3.1e7, "fits"},
      {"step of two", "for (int i = 0; i < n; i++) for (int c = 0; c < 100; c += 2) x += c;", "1e6",
       5e7, "fits"},
      {"bisection to 1e-9",
       "double lo = 0, hi = 1e9; while (hi - lo > 1e-9) { double mid = (lo + hi) / 2; "
       "for (int i = 0; i < n; i++) x += i; if (x > 5) lo = mid; else hi = mid; }",
       "1e7", 6e8, "too slow"},
      {"integer bisection",
       "int lo = 1, hi = 1e9; while (lo <= hi) { int mid = (lo + hi) / 2; "
       "for (int i = 0; i < n; i++) x += i; if (x > mid) hi = mid - 1; else lo = mid + 1; }",
       "1e7", 3e8, "tight"},
  };
  for (const Case& c : kCases) {
    const std::string code =
        std::string(
            "#include <bits/stdc++.h>\nusing namespace std;\nint main() {\n  int n; cin >> "
            "n; long long x = 0;\n  ") +
        c.body + "\n  cout << x;\n}\n";
    Verdict verdict;
    std::string error;
    ASSERT_TRUE(judgeAtLimits(analyze(code), sizes({{"n", c.n}}), verdict, error)) << error;
    EXPECT_EQ(verdict.time.expression, "n") << c.name;
    EXPECT_NEAR(std::pow(10.0, verdict.time.log10Operations), c.operations, c.operations * 1e-9)
        << c.name;
    EXPECT_EQ(verdict.time.status, c.status) << c.name;
  }
  Verdict verdict;
  std::string error;
  judgeAtLimits(analyze("int main() { int n; cin >> n; for (int s = 0; s < 60; s++) for (int i = "
                        "0; i < n; i++) {} }"),
                sizes({{"n", "1e7"}}), verdict, error);
  EXPECT_EQ(verdict.time.evaluation, "60 * n at n = 10^7: 600 million");
  EXPECT_EQ(verdict.time.dominantTerm, "60 * n");
}

// ---- Verdicts ----

TEST(VerdictTest, TimeBoundaries) {
  struct Case {
    const char* n;
    const char* timeLimit;
    const char* status;
  };
  const Case kCases[] = {
      {"10^8", "1", "fits"},          {"100000001", "1", "tight"}, {"5*10^8", "1", "tight"},
      {"500000001", "1", "too slow"}, {"2*10^8", "2", "fits"},     {"0", "1", "fits"},
  };
  for (const Case& c : kCases) {
    GivenLimits given = sizes({{"n", c.n}});
    given.timeLimit = GivenValue{"", c.timeLimit, "timeLimitSeconds"};
    EXPECT_EQ(judged(analysisOf(size("n")), "", given).time.status, c.status) << c.n;
  }
  const Verdict slow =
      judged(analysisOf(addCosts(squared("n"), size("m"))), "", sizes({{"n", "2e5"}, {"m", "10"}}));
  EXPECT_EQ(slow.time.summary,
            "too slow: 4*10^10 operations, more than 5 times the budget of 10^8 for 1 s; the n^2 "
            "term: 4*10^10 operations");
  const Verdict sorted = judged(analysisOf(times(addCosts(size("n"), size("q")), logOf("n"))), "",
                                sizes({{"n", "2*10^5"}, {"q", "10^5"}}));
  EXPECT_EQ(sorted.time.evaluation, "(n + q) * log n at n = 2*10^5, q = 10^5: about 5.3 million");
  EXPECT_EQ(sorted.time.dominantTerm, "n * log n");

  const Verdict unknown = judged(analysisOf(times(size("n"), size("m"))), "", sizes({{"n", "10"}}));
  EXPECT_EQ(unknown.time.status, "unknown");
  EXPECT_EQ(unknown.time.summary, "no verdict for time: no limit for m");
}

TEST(VerdictTest, LimitSources) {
  struct Case {
    const char* name;
    Cost time;
    const char* source;
    const char* size;
    double value;
    const char* from;
  };
  const Case kCases[] = {
      {"constraints line", times(addCosts(size("n"), size("q")), logOf("n")),
       "// Constraints: 1 <= n <= 2*10^5, 1 <= q <= 10^5\n", "q", 1e5,
       "constraints comment on line 1"},
      {"names sharing a bound", times(size("n"), size("m")), "int x;\n// n, m <= 1e5\n", "m", 1e5,
       "constraints comment on line 2"},
      {"other case, unicode", size("n"), "// 1 ≤ N ≤ 10^6\n", "n", 1e6,
       "constraints comment on line 1: written N"},
      {"length of a string", squared("n"),
       "// |s| <= 10^6\nint main() { string s; for (int i = 0; i < s.size(); i++) {} }\n", "n", 1e6,
       "constraints comment on line 1: |s|, the length of s"},
      // clang-format off
      {"LeetCode length", squared("nums"), "// 1 <= nums.length <= 10^5\n", "nums", 1e5, "constraints comment on line 1: |nums|, the length of nums"},
      {"length of what the code calls m", squared("m"), "// 1 <= nums.length <= 2000\nint f(vector<int>& nums) { int m = nums.size(); }\n", "m", 2000, "constraints comment on line 1: |nums|, the length of nums"},
      {"size() written", size("k"), "// 1 <= s.size() <= 10^6\nvoid f() { const int k = (int)s.length(); }\n", "k", 1e6, "constraints comment on line 1: |s|, the length of s"},
      {"n == nums.length", squared("nums"), "// n == nums.length\n// 1 <= n <= 500\n", "nums", 500, "constraints comment on line 2: written n"},
      // clang-format on
      {"a string's own length", size("|s|"), "// |s| <= 10^6\n", "|s|", 1e6,
       "constraints comment on line 1: the length of s"},
      {"words", size("n"), "/* n does not exceed 3·10^5 */\n", "n", 3e5,
       "constraints comment on line 1"},
      {"constant in the notation", size("maxN"), "const int maxN = 2e5 + 5;\n", "maxN", 200005,
       "constant maxN = 200005 on line 1"},
      {"array indexed up to n", size("n"),
       "#define MAXN 100005\nint a[MAXN];\nint main() {\n  int n;\n"
       "  for (int i = 1; i <= n; i++) cin >> a[i];\n}\n",
       "n", 100005, "array a[MAXN] of 100005 on line 2, indexed up to n on line 5"},
      {"given wins", size("n"), "// n <= 10\n", "n", 7, "given"},
  };
  for (const Case& c : kCases) {
    const GivenLimits given = std::string(c.from) == "given" ? sizes({{"n", "7"}}) : GivenLimits{};
    const Verdict verdict = judged(analysisOf(c.time), c.source, given);
    const SizeLimit* size = sizeNamed(verdict, c.size);
    ASSERT_NE(size, nullptr) << c.name;
    EXPECT_TRUE(size->known) << c.name;
    EXPECT_EQ(size->value, c.value) << c.name;
    EXPECT_EQ(size->source, c.from) << c.name;
  }

  // Element values and a length the code never ties to the size are no limit of it; a length
  // given on the command line limits the collection itself, or the size set from it.
  // clang-format off
  EXPECT_FALSE(sizeNamed(judged(analysisOf(size("nums")), "// -10^4 <= nums[i] <= 10^4\n", {}), "nums")->known);
  EXPECT_FALSE(sizeNamed(judged(analysisOf(size("m")), "// 1 <= a.length <= 9\nint m = b.size();\n", {}), "m")->known);
  EXPECT_EQ(sizeNamed(judged(analysisOf(size("nums")), "", sizes({{"nums.length", "1e5"}})), "nums")->value, 1e5);
  EXPECT_EQ(sizeNamed(judged(analysisOf(size("n")), "int n = nums.size();", sizes({{"nums.size()", "7"}})), "n")->value, 7);
  // clang-format on

  const Verdict limits =
      judged(analysisOf(size("n")), "/* time limit 2 s, memory 64 MB */\n// n <= 10\n", {});
  EXPECT_EQ(limits.timeLimitSeconds, 2);
  EXPECT_EQ(limits.timeLimitSource, "constraints comment on line 1");
  EXPECT_EQ(limits.memoryLimitMb, 64);
  const Verdict defaults = judged(analysisOf(size("n")), "", {});
  EXPECT_EQ(defaults.timeLimitSeconds, 1);
  EXPECT_EQ(defaults.memoryLimitMb, 256);
  EXPECT_FALSE(defaults.sizes[0].known);

  // The sum over test cases bounds the total: t leaves the n * log n term.
  const Verdict tests =
      judged(analysisOf(times(times(size("n"), size("t")), logOf("n"))),
             "// 1 <= t <= 10^4\n// the sum of n over all test cases does not exceed 2*10^5\n", {});
  EXPECT_EQ(sizeNamed(tests, "n")->source,
            "constraints comment on line 2: sum over all test cases");
  EXPECT_EQ(tests.time.evaluation, "n * log n at n = 2*10^5: about 3.5 million");
  EXPECT_EQ(tests.time.status, "fits");
  EXPECT_EQ(tests.notes.size(), 1u);
}

// Bytes of 1000 elements by hand; the last cases are containers counted by their rows.
TEST(VerdictTest, MemoryOfElementTypes) {
  struct Case {
    const char* source;
    std::vector<Contribution> rows;
    double bytes;
  };
  const Case kCases[] = {
      {"bool a[1000];", {}, 1000},
      {"char a[1000];", {}, 1000},
      {"int a[1000];", {}, 4000},
      {"float a[1000];", {}, 4000},
      {"long long a[1000];", {}, 8000},
      {"double a[1000];", {}, 8000},
      {"int* a[1000];", {}, 8000},
      {"pair<int, int> a[1000];", {}, 8000},
      {"pair<int, long long> a[1000];", {}, 16000},
      {"#define int long long\nint a[1000];", {}, 8000},
      {"typedef long long ll;\nll a[10][100];", {}, 8000},
      {"vector<int> a[1000];", {}, 24000},
      {"vector<long long> v(n);", {{1, "Container allocation", size("n"), "v"}}, 8000},
      {"vector<vector<long long>> dp(n, vector<long long>(n));",
       {{1, "Container allocation", squared("n"), "dp"}},
       8e6},
      {"vector<vector<int>> adj(n);\nadj[u].push_back(v);",
       {{1, "Container allocation", size("n"), "adj"}, {2, "Container growth", size("n"), "adj"}},
       24000 + 16000},
      {"int dfs(int v);  // depth n, 64 bytes a frame",
       {{3, "Recursion stack of dfs", size("n")}},
       64000},
  };
  for (const Case& c : kCases) {
    const Verdict verdict = judged(analysisOf(size("n"), c.rows), c.source, sizes({{"n", "1000"}}));
    EXPECT_EQ(verdict.memory.bytes, c.bytes) << c.source;
  }
  const Verdict table = judged(analysisOf(constantCost()), "int dp[5005][5005];\n", {});
  ASSERT_EQ(table.memory.items.size(), 1u);
  EXPECT_EQ(table.memory.items[0].what, "int dp[5005][5005]");
  EXPECT_EQ(table.memory.items[0].text, "about 100 MB");

  GivenLimits oneMegabyte;
  oneMegabyte.memoryLimit = GivenValue{"", "1", "memoryLimitMb"};
  EXPECT_EQ(judged(analysisOf(constantCost()), "char a[1000000];", oneMegabyte).memory.status,
            "fits");
  EXPECT_EQ(judged(analysisOf(constantCost()), "char a[1000001];", oneMegabyte).memory.status,
            "too much");
  EXPECT_EQ(judged(analysisOf(constantCost()), "int a[m];", {}).memory.status, "fits");
}

// For every fixture, with every size at 100: each structure of the space estimate (recursion
// stacks included) is a counted item of the memory verdict on the same line, and the verdict
// counts nothing else but arrays of fixed length, which the estimate leaves out as O(1).
TEST(VerdictTest, MemoryCountsTheStructuresOfTheSpaceEstimate) {
  int stacks = 0;
  for (const TestCase& fixture : regressionCases()) {
    std::ifstream in(testing::sourceDir() + "/" + fixture.path);
    const std::string code((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Analysis analysis = analyze(code);
    Verdict verdict;
    std::string error;
    ASSERT_TRUE(judgeAtLimits(analysis, {}, verdict, error)) << fixture.name;
    GivenLimits given;
    for (const SizeLimit& size : verdict.sizes)
      given.sizes.push_back({size.name, "100", size.name});
    ASSERT_TRUE(judgeAtLimits(analysis, given, verdict, error)) << fixture.name << ": " << error;
    std::set<std::string> estimated;
    for (const Contribution& row : analysis.spaceContributions)
      if (!isConstantCost(row.cost))
        estimated.insert(row.line > 0 ? std::to_string(row.line) : "-");
    std::set<std::string> counted;
    for (const MemoryItem& item : verdict.memory.items) {
      EXPECT_TRUE(item.counted) << fixture.name << ": " << item.what << ": " << item.text;
      counted.insert(item.line);
      stacks += item.what == "recursion stack";
      if (!estimated.contains(item.line))
        EXPECT_NE(item.what.find('['), std::string::npos)
            << fixture.name << ": line " << item.line << " " << item.what;
    }
    for (const std::string& line : estimated)
      EXPECT_TRUE(counted.contains(line)) << fixture.name << ": line " << line;
  }
  EXPECT_GE(stacks, 5);
}

TEST(VerdictTest, RefusedValues) {
  struct Case {
    const char* name;
    const char* value;
    const char* error;
  };
  const Case kCases[] = {
      {"n", "abc", "limits.n: 'abc' is not a number (write it as 200000, 2e5, 2*10^5 or 10^9)"},
      {"n", "", "limits.n: '' is not a number (write it as 200000, 2e5, 2*10^5 or 10^9)"},
      {"n", "-5", "limits.n: '-5' is negative; a size is 0 or more"},
      {"n", "1e19", "limits.n: '1e19' is above 10^18"},
      {"n", "2.5", "limits.n: '2.5' is not a whole number"},
      {"k", "5", "limits.k: the estimate has no size named 'k' (its sizes: m, n)"},
      {"time", "0", "timeLimitSeconds: '0' must be more than 0 seconds"},
      {"time", "2 hours", "timeLimitSeconds: '2 hours' is not a number of seconds"},
      {"memory", "0", "memoryLimitMb: '0' must be more than 0 megabytes"},
      {"memory", "1e19", "memoryLimitMb: '1e19' is above 10^18"},
  };
  for (const Case& c : kCases) {
    GivenLimits given;
    const std::string name = c.name;
    if (name == "time") {
      given.timeLimit = GivenValue{"", c.value, "timeLimitSeconds"};
    } else if (name == "memory") {
      given.memoryLimit = GivenValue{"", c.value, "memoryLimitMb"};
    } else {
      given = sizes({{name, c.value}});
    }
    Verdict verdict;
    std::string error;
    EXPECT_FALSE(judgeAtLimits(analysisOf(times(size("n"), size("m"))), given, verdict, error))
        << c.value;
    EXPECT_EQ(error, c.error);
  }
  Verdict verdict;
  std::string error;
  EXPECT_TRUE(judgeAtLimits(analysisOf(size("n")), sizes({{"n", "1e18"}}), verdict, error));
  EXPECT_FALSE(judgeAtLimits(analysisOf(constantCost()), sizes({{"n", "5"}}), verdict, error));
  EXPECT_EQ(error, "limits.n: the estimate has no size named 'n' (it names no sizes)");
}

}  // namespace
}  // namespace quorbel
