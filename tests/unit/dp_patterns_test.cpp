#include "detectors/dp_patterns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "syntax/context.h"

namespace quorbel {
namespace {

const char* const kDpSignals[] = {
    "Recognized 1D DP table fill",
    "Recognized 2D DP table fill",
    "Recognized rolling DP transition",
    "Interval DP transition",
    "Bitmask DP transition",
};

std::vector<Row> dpRows(const Analysis& analysis) {
  std::vector<Row> rows;
  for (const Row& row : analysis.breakdown)
    for (const char* signal : kDpSignals)
      if (row.signal == signal) rows.push_back(row);
  return rows;
}

bool hasRowOnLine(const Analysis& analysis, const std::string& line, const std::string& signal) {
  for (const Row& row : analysis.breakdown)
    if (row.line == line && row.signal == signal) return true;
  return false;
}

// ---- Whole programs ----

struct ProgramCase {
  const char* name;
  const char* code;
  const char* line;  // of the DP row; empty when no DP row is expected
  const char* signal;
  const char* cost;
  const char* notation;  // of the whole program
};

const ProgramCase kPrograms[] = {
    {"1D fill",
     "int main() {\n  int n;\n  vector<long long> dp(n + 1);\n"
     "  for (int i = 2; i <= n; i++) dp[i] = dp[i - 1] + dp[i - 2];\n}\n",
     "4", "Recognized 1D DP table fill", "O(n)", "O(n)"},
    {"2D fill on the inner loop only",
     "int main() {\n  int n, m;\n  vector<vector<int>> dp(n + 1, vector<int>(m + 1, 0));\n"
     "  for (int i = 1; i <= n; i++)\n"
     "    for (int j = 1; j <= m; j++) dp[i][j] = dp[i - 1][j] + dp[i][j - 1];\n}\n",
     "5", "Recognized 2D DP table fill", "O(m * n)", "O(m * n)"},
    {"rolling knapsack",
     "int main() {\n  int n, W;\n  vector<int> wt(n), val(n);\n  vector<int> dp(W + 1, 0);\n"
     "  for (int i = 0; i < n; i++)\n"
     "    for (int w = W; w >= wt[i]; w--) dp[w] = max(dp[w], dp[w - wt[i]] + val[i]);\n}\n",
     "6", "Recognized rolling DP transition", "O(W * n)", "O(W * n)"},
    {"a plain name whose write reads the table back",
     "int main() {\n  int n;\n  vector<long long> f(n + 1);\n"
     "  for (int i = 1; i <= n; i++) f[i] = f[i - 1] * 2 % 1000000007;\n}\n",
     "4", "Recognized 1D DP table fill", "O(n)", "O(n)"},
    {"a plain name with two index groups in a nested loop",
     "int main() {\n  int n, m;\n  int g[105][105];\n  for (int i = 0; i < n; i++)\n"
     "    for (int j = 0; j < m; j++) g[i][j] = i * j;\n}\n",
     "5", "Recognized 2D DP table fill", "O(m * n)", "O(m * n)"},
    {"a plain name written once per index is no table",
     "int main() {\n  int n;\n  vector<long long> res(n);\n"
     "  for (int i = 0; i < n; i++) res[i] = 1LL * i * i;\n}\n",
     "", "", "", "O(n)"},
    {"a plain name with two index groups outside nested loops is no table",
     "int main() {\n  int n;\n  int grid[105][105];\n"
     "  for (int i = 0; i < n; i++) grid[i][0] = 1;\n}\n",
     "", "", "", "O(n)"},
    {"interval DP is cubic in its most frequent symbol",
     "int main() {\n  int n;\n  cin >> n;\n  vector<int> a(n);\n"
     "  for (int i = 0; i < n; i++) cin >> a[i];\n"
     "  vector<vector<long long>> dp(n, vector<long long>(n, 0));\n"
     "  for (int len = 2; len <= n; len++) {\n    for (int i = 0; i + len - 1 < n; i++) {\n"
     "      int j = i + len - 1;\n      dp[i][j] = LLONG_MAX;\n"
     "      for (int k = i; k < j; k++) {\n"
     "        dp[i][j] = min(dp[i][j], dp[i][k] + dp[k + 1][j] + a[i] * a[j]);\n      }\n    }\n"
     "  }\n  cout << dp[0][n - 1];\n}\n",
     "11", "Interval DP transition", "O(n^3)", "O(n^3)"},
    {"a mask loop writing its own table",
     "int main() {\n  int n;\n  vector<int> dp(1 << n);\n"
     "  for (int mask = 1; mask < (1 << n); mask++) dp[mask] = dp[mask & (mask - 1)] + 1;\n}\n",
     "4", "Bitmask DP transition", "O(2^n)", "O(2^n)"},
    {"a comparison with the table is no write",
     "int main() {\n  int n, x, hits = 0;\n  vector<int> dp(n);\n  for (int i = 0; i < n; i++) cin "
     ">> dp[i];\n"
     "  for (int i = 0; i < n; i++) if (dp[i] <= x) hits++;\n}\n",
     "", "", "", "O(n)"},
};

TEST(DpPatternsTest, WholePrograms) {
  for (const ProgramCase& c : kPrograms) {
    const Analysis analysis = analyze(c.code);
    const std::vector<Row> rows = dpRows(analysis);
    if (std::string(c.line).empty()) {
      EXPECT_TRUE(rows.empty()) << c.name << ": " << rows.front().signal;
    } else {
      ASSERT_EQ(rows.size(), 1u) << c.name;
      EXPECT_EQ(rows[0].line, c.line) << c.name;
      EXPECT_EQ(rows[0].signal, c.signal) << c.name;
      EXPECT_EQ(rows[0].cost, c.cost) << c.name;
      // The loop detector skips the charged loop instead of counting it a second time.
      EXPECT_FALSE(hasRowOnLine(analysis, c.line, "Counted loop")) << c.name;
    }
    EXPECT_EQ(analysis.notation, c.notation) << c.name;
  }
}

// ---- The detector itself ----

struct Detected {
  DpPatternResult dp;
  Analysis analysis;
  DetectionResult detection;
};

Detected detect(const std::string& code) {
  const SyntaxReaderResult syntax = readCppSyntax(code);
  const Context context = collectContext(code);
  ActiveContext active(&context);
  Detected out;
  out.dp = analyzeDpPatterns(code, syntax.nodes, context, out.analysis, out.detection);
  return out;
}

uint32_t offsetOf(const std::string& code, const std::string& piece) {
  return static_cast<uint32_t>(code.find(piece));
}

TEST(DpPatternsTest, StartsHoldTheDpLoopAndEveryLoopAroundIt) {
  const std::string code =
      "int main() {\n  for (int t = 0; t < 3; t++) {}\n  for (int i = 1; i <= n; i++) {\n"
      "    for (int j = 1; j <= m; j++) {\n      dp[i][j] = dp[i - 1][j] + 1;\n    }\n  }\n}\n";
  const Detected out = detect(code);
  EXPECT_EQ(out.dp.count, 1u);
  const std::set<uint32_t> expected = {offsetOf(code, "for (int i"), offsetOf(code, "for (int j")};
  EXPECT_EQ(out.dp.loopStarts, expected);
  ASSERT_EQ(out.detection.terms.size(), 1u);
  ASSERT_EQ(out.analysis.breakdown.size(), 1u);
  EXPECT_EQ(out.analysis.breakdown[0].line, "4");

  const Detected constant =
      detect("int main() { for (int i = 1; i < 10; i++) dp[i] = dp[i - 1]; }");
  EXPECT_EQ(constant.dp.count, 0u) << "a constant loop is no transition";
  EXPECT_TRUE(constant.dp.loopStarts.empty());
}

TEST(DpPatternsTest, SurvivesMalformedSource) {
  for (const char* code : {"dp[", "for (;;) dp[i] = dp[", "vector<", "vector<int> dp(",
                           "for (int i = 0; i < n; i++) dp[i][j] = dp[i][j"}) {
    const Detected out = detect(code);
    EXPECT_LE(out.dp.count, 1u) << code;
  }
}

TEST(DpPatternsTest, ThousandsOfTablesAnalyseInBoundedTime) {
  std::string code = "int main() {\n";
  for (int i = 0; i < 1500; ++i) {
    const std::string table = "t" + std::to_string(i);
    code += "  for (int i = 1; i < n; i++) " + table + "[i] = " + table + "[i - 1] + 1;\n";
  }
  code += "}\n";
  const Detected out = detect(code);
  EXPECT_EQ(out.dp.count, 1500u);
  EXPECT_EQ(out.dp.loopStarts.size(), 1500u);
}

// ---- Table scanning ----

TEST(DpPatternsTest, IndexedWriteToTable) {
  struct WriteCase {
    const char* name;
    const char* text;
    bool write;
    int dims;
  };
  const WriteCase kCases[] = {
      {"plain assignment", "dp[i] = 1;", true, 1},
      {"compound assignment, two groups", "dp[i][j] += x;", true, 2},
      {"xor assignment", "dp[i] ^= x;", true, 1},
      {"the second occurrence is the write", "if (dp[i] == 0) dp[i][k] = 5;", true, 2},
      {"equality is no write", "dp[i][j] == x", false, 0},
      {"less-or-equal is no write", "dp[i] <= x", false, 0},
      {"shift assignment is no write", "dp[i] >>= 1;", false, 0},
      {"increment is no write", "dp[i]++;", false, 0},
      {"longer identifier", "mydp[i] = 1; dpx[i] = 2;", false, 0},
  };
  for (const WriteCase& c : kCases) {
    int dims = 0;
    EXPECT_EQ(indexedWriteToTable(c.text, "dp", dims), c.write) << c.name;
    if (c.write) {
      EXPECT_EQ(dims, c.dims) << c.name;
    }
  }
}

TEST(DpPatternsTest, TableReadAfterWrite) {
  struct ReadCase {
    const char* name;
    const char* text;
    bool read;
  };
  const ReadCase kCases[] = {
      {"right-hand side indexes the table", "dp[i] = dp[i - 1] + 1;", true},
      {"compound assignment reads the table", "dp[i] += x;", true},
      {"right-hand side ends at the semicolon", "dp[i] = x; y = dp[i];", false},
      {"first occurrence is a read", "x = dp[i]; dp[i] = dp[i - 1];", false},
      {"another table on the right", "dp[i] = dpx[i];", false},
      {"a comparison is not a write", "if (dp[v] == -1) { dp[v] = dp[u] + 1; }", false},
  };
  for (const ReadCase& c : kCases) EXPECT_EQ(tableReadAfterWrite(c.text, "dp"), c.read) << c.name;
}

TEST(DpPatternsTest, LooksLikeDpName) {
  for (const char* name : {"dp", "DP", "memoTable", "numWays", "bestSoFar", "optimal", "minCost"})
    EXPECT_TRUE(looksLikeDpName(name)) << name;
  for (const char* name : {"f", "g", "res", "grid", "adj", "d_p", ""})
    EXPECT_FALSE(looksLikeDpName(name)) << name;
}

TEST(DpPatternsTest, EveryPrefixOfAProgramIsAnalysed) {
  ASSERT_STREQ(kPrograms[7].signal, "Interval DP transition");
  const std::string program = kPrograms[7].code;
  for (size_t length = 0; length <= program.size(); ++length) {
    const Analysis analysis = analyze(program.substr(0, length));
    ASSERT_EQ(analysis.notation.rfind("O(", 0), 0u) << program.substr(0, length);
  }
}

}  // namespace
}  // namespace quorbel
