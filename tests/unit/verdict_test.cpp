// The verdict at the limits: reading limit values, evaluating notations, each source of a
// limit, each verdict boundary, the bytes of each element type, and every refused value.
// Analyses are written by hand so that the expectations do not move with the estimator.
#include "verdict/verdict.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "verdict/limit_values.h"
#include "verdict/notation_expression.h"

namespace quorbel {
namespace {

Analysis analysisOf(const std::string& time, std::vector<Row> spaceRows = {}) {
  Analysis analysis;
  analysis.notation = time;
  analysis.space.notation = "O(1)";
  analysis.space.breakdown = std::move(spaceRows);
  return analysis;
}

GivenLimits sizes(std::vector<std::pair<std::string, std::string>> values) {
  GivenLimits given;
  for (auto& [name, text] : values) given.sizes.push_back({name, text, "limits." + name});
  return given;
}

Verdict judged(const Analysis& analysis, const std::string& source, const GivenLimits& given) {
  Verdict verdict;
  std::string error;
  EXPECT_TRUE(judgeAtLimits(analysis, source, given, verdict, error)) << error;
  return verdict;
}

const SizeLimit* sizeNamed(const Verdict& verdict, const std::string& name) {
  for (const SizeLimit& size : verdict.sizes)
    if (size.name == name) return &size;
  return nullptr;
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
TEST(NotationExpressionTest, EvaluatesAtValues) {
  struct Case {
    const char* notation;
    std::map<std::string, double> values;
    double operations;
  };
  const Case kCases[] = {
      {"O((n + q) * log n)", {{"n", 2e5}, {"q", 1e5}}, 3e5 * std::log2(2e5)},
      {"O(2^n * n)", {{"n", 20}}, 20971520},
      {"O(n * log log n)", {{"n", 65536}}, 65536 * 4},
      {"O(sqrt n)", {{"n", 1e6}}, 1000},
      {"O(n!)", {{"n", 10}}, 3628800},
      {"O(n * alpha(n))", {{"n", 1e6}}, 4e6},
      {"O(log min(a, b))", {{"a", 1024}, {"b", 1048576}}, 10},
      {"O(root4 n · m)", {{"n", 1e8}, {"m", 3}}, 300},
      {"O((sqrt n)^2)", {{"n", 49}}, 49},
      {"O(1)", {}, 1},
  };
  for (const Case& c : kCases) {
    Expression e;
    ASSERT_TRUE(parseNotation(c.notation, e)) << c.notation;
    EXPECT_NEAR(std::pow(10.0, evaluateLog10(e, c.values)), c.operations, c.operations * 1e-9)
        << c.notation;
  }
  for (const std::string& bad : std::vector<std::string>{
           "O(unknown pattern)", "O(n", "", "O()", "n^2", "O(n - 1)", "O(log)",
           "O(" + std::string(100000, '(') + "n" + std::string(100000, ')') + ")"}) {
    Expression e;
    EXPECT_FALSE(parseNotation(bad, e)) << bad.substr(0, 20);
  }
  Expression e;
  ASSERT_TRUE(parseNotation("O((n + q) * log n)", e));
  std::vector<std::string> terms;
  for (const Expression& term : expandTerms(e)) terms.push_back(renderExpression(term));
  EXPECT_EQ(terms, (std::vector<std::string>{"n * log n", "q * log n"}));
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
    EXPECT_EQ(judged(analysisOf("O(n)"), "", given).time.status, c.status) << c.n;
  }
  const Verdict slow = judged(analysisOf("O(n^2 + m)"), "", sizes({{"n", "2e5"}, {"m", "10"}}));
  EXPECT_EQ(slow.time.summary,
            "too slow: 4*10^10 operations, more than 5 times the budget of 10^8 for 1 s; the n^2 "
            "term: 4*10^10 operations");
  const Verdict sorted =
      judged(analysisOf("O((n + q) * log n)"), "", sizes({{"n", "2*10^5"}, {"q", "10^5"}}));
  EXPECT_EQ(sorted.time.evaluation, "(n + q) * log n at n = 2*10^5, q = 10^5: about 5.3 million");
  EXPECT_EQ(sorted.time.dominantTerm, "n * log n");

  const Verdict unknown = judged(analysisOf("O(n * m)"), "", sizes({{"n", "10"}}));
  EXPECT_EQ(unknown.time.status, "unknown");
  EXPECT_EQ(unknown.time.summary, "no verdict for time: no limit for m");
  EXPECT_EQ(judged(analysisOf("O(some pattern)"), "", {}).time.status, "unknown");
}

TEST(VerdictTest, LimitSources) {
  struct Case {
    const char* name;
    const char* notation;
    const char* source;
    const char* size;
    double value;
    const char* from;
  };
  const Case kCases[] = {
      {"constraints line", "O((n + q) * log n)",
       "// Constraints: 1 <= n <= 2*10^5, 1 <= q <= 10^5\n", "q", 1e5,
       "constraints comment on line 1"},
      {"names sharing a bound", "O(n * m)", "int x;\n// n, m <= 1e5\n", "m", 1e5,
       "constraints comment on line 2"},
      {"other case, unicode", "O(n)", "// 1 ≤ N ≤ 10^6\n", "n", 1e6,
       "constraints comment on line 1: written N"},
      {"length of a string", "O(n^2)",
       "// |s| <= 10^6\nint main() { string s; for (int i = 0; i < s.size(); i++) {} }\n", "n", 1e6,
       "constraints comment on line 1: |s|, the length of s"},
      // clang-format off
      {"LeetCode length", "O(nums^2)", "// 1 <= nums.length <= 10^5\n", "nums", 1e5, "constraints comment on line 1: |nums|, the length of nums"},
      {"length of what the code calls m", "O(m^2)", "// 1 <= nums.length <= 2000\nint f(vector<int>& nums) { int m = nums.size(); }\n", "m", 2000, "constraints comment on line 1: |nums|, the length of nums"},
      {"size() written", "O(k)", "// 1 <= s.size() <= 10^6\nvoid f() { const int k = (int)s.length(); }\n", "k", 1e6, "constraints comment on line 1: |s|, the length of s"},
      {"n == nums.length", "O(nums^2)", "// n == nums.length\n// 1 <= n <= 500\n", "nums", 500, "constraints comment on line 2: written n"},
      // clang-format on
      {"words", "O(n)", "/* n does not exceed 3·10^5 */\n", "n", 3e5,
       "constraints comment on line 1"},
      {"constant in the notation", "O(maxN)", "const int maxN = 2e5 + 5;\n", "maxN", 200005,
       "constant maxN = 200005 on line 1"},
      {"array indexed up to n", "O(n)",
       "#define MAXN 100005\nint a[MAXN];\nint main() {\n  int n;\n"
       "  for (int i = 1; i <= n; i++) cin >> a[i];\n}\n",
       "n", 100005, "array a[MAXN] of 100005 on line 2, indexed up to n on line 5"},
      {"given wins", "O(n)", "// n <= 10\n", "n", 7, "given"},
  };
  for (const Case& c : kCases) {
    const GivenLimits given = std::string(c.from) == "given" ? sizes({{"n", "7"}}) : GivenLimits{};
    const Verdict verdict = judged(analysisOf(c.notation), c.source, given);
    const SizeLimit* size = sizeNamed(verdict, c.size);
    ASSERT_NE(size, nullptr) << c.name;
    EXPECT_TRUE(size->known) << c.name;
    EXPECT_EQ(size->value, c.value) << c.name;
    EXPECT_EQ(size->source, c.from) << c.name;
  }

  // Element values and a length the code never ties to the size are no limit of it; a length
  // given on the command line limits the collection itself, or the size set from it.
  // clang-format off
  EXPECT_FALSE(sizeNamed(judged(analysisOf("O(nums)"), "// -10^4 <= nums[i] <= 10^4\n", {}), "nums")->known);
  EXPECT_FALSE(sizeNamed(judged(analysisOf("O(m)"), "// 1 <= a.length <= 9\nint m = b.size();\n", {}), "m")->known);
  EXPECT_EQ(sizeNamed(judged(analysisOf("O(nums)"), "", sizes({{"nums.length", "1e5"}})), "nums")->value, 1e5);
  EXPECT_EQ(sizeNamed(judged(analysisOf("O(n)"), "int n = nums.size();", sizes({{"nums.size()", "7"}})), "n")->value, 7);
  // clang-format on

  const Verdict limits =
      judged(analysisOf("O(n)"), "/* time limit 2 s, memory 64 MB */\n// n <= 10\n", {});
  EXPECT_EQ(limits.timeLimitSeconds, 2);
  EXPECT_EQ(limits.timeLimitSource, "constraints comment on line 1");
  EXPECT_EQ(limits.memoryLimitMb, 64);
  const Verdict defaults = judged(analysisOf("O(n)"), "", {});
  EXPECT_EQ(defaults.timeLimitSeconds, 1);
  EXPECT_EQ(defaults.memoryLimitMb, 256);
  EXPECT_FALSE(defaults.sizes[0].known);

  // The sum over test cases bounds the total: t leaves the n * log n term.
  const Verdict tests =
      judged(analysisOf("O(n * t * log n)"),
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
    std::vector<Row> rows;
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
      {"vector<long long> v(n);", {{"1", "Container allocation", "O(n)"}}, 8000},
      {"vector<vector<long long>> dp(n, vector<long long>(n));",
       {{"1", "Container allocation", "O(n^2)"}},
       8e6},
      {"vector<vector<int>> adj(n);\nadj[u].push_back(v);",
       {{"1", "Container allocation", "O(n)"}, {"2", "Container growth", "O(n)"}},
       24000 + 16000},
  };
  for (const Case& c : kCases) {
    const Verdict verdict = judged(analysisOf("O(n)", c.rows), c.source, sizes({{"n", "1000"}}));
    EXPECT_EQ(verdict.memory.bytes, c.bytes) << c.source;
  }
  const Verdict table = judged(analysisOf("O(1)"), "int dp[5005][5005];\n", {});
  ASSERT_EQ(table.memory.items.size(), 1u);
  EXPECT_EQ(table.memory.items[0].what, "int dp[5005][5005]");
  EXPECT_EQ(table.memory.items[0].text, "about 100 MB");

  GivenLimits oneMegabyte;
  oneMegabyte.memoryLimit = GivenValue{"", "1", "memoryLimitMb"};
  EXPECT_EQ(judged(analysisOf("O(1)"), "char a[1000000];", oneMegabyte).memory.status, "fits");
  EXPECT_EQ(judged(analysisOf("O(1)"), "char a[1000001];", oneMegabyte).memory.status, "too much");
  EXPECT_EQ(judged(analysisOf("O(1)"), "int a[m];", {}).memory.status, "fits");
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
      {"k", "5", "limits.k: the estimate has no size named 'k' (its sizes: n, m)"},
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
    EXPECT_FALSE(judgeAtLimits(analysisOf("O(n * m)"), "", given, verdict, error)) << c.value;
    EXPECT_EQ(error, c.error);
  }
  Verdict verdict;
  std::string error;
  EXPECT_TRUE(judgeAtLimits(analysisOf("O(n)"), "", sizes({{"n", "1e18"}}), verdict, error));
  EXPECT_FALSE(judgeAtLimits(analysisOf("O(1)"), "", sizes({{"n", "5"}}), verdict, error));
  EXPECT_EQ(error, "limits.n: the estimate has no size named 'n' (it names no sizes)");
}

}  // namespace
}  // namespace quorbel
