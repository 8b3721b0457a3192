#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/notation.h"
#include "analysis/pipeline.h"
#include "detectors/construction_costs.h"
#include "syntax/context.h"

namespace quorbel {
namespace {

// ---- dimensionExpressionTerm ----

TEST(DimensionExpressionTest, ConstantLinearOrPowerOfTwo) {
  struct Case {
    const char* name;
    const char* expression;
    const char* cost;
    int rank;
  };
  const Case cases[] = {
      {"empty", "   ", "O(1)", 0},
      {"number", "100", "O(1)", 0},
      {"plus one", " n + 1 ", "O(n)", 20},
      {"first useful symbol", "m + n", "O(m)", 20},
      {"size call without a context", "v.size()", "O(n)", 20},
      {"shift", "1 << k", "O(2^k)", 220},
      {"parenthesised long shift", "(1LL << n)", "O(2^n)", 220},
      {"power of two", "pow(2, n)", "O(2^n)", 220},
      {"shifting two is not a power of two", "2 << k", "O(k)", 20},
      {"exponent notation is not constant", "1e5", "O(e5)", 20},
  };
  for (const Case& c : cases) {
    const Term term = dimensionExpressionTerm(c.expression, "container construction");
    EXPECT_EQ(formatTerm(term), c.cost) << c.name;
    EXPECT_EQ(rankTerm(term), c.rank) << c.name;
    EXPECT_EQ(term.reason, "container construction") << c.name;
  }
}

TEST(DimensionExpressionTest, AliasShowsInThePowerAndResolvesInTheLinearSymbol) {
  Context context;
  context.aliases["half"] = {"n", 2};
  ActiveContext active(&context);
  EXPECT_EQ(formatTerm(dimensionExpressionTerm("1 << half", "x")), "O(2^n/2)");
  EXPECT_EQ(formatTerm(dimensionExpressionTerm("half", "x")), "O(n)");
}

// ---- analyzeConstructionCosts, one line at a time ----

TEST(ConstructionCostsTest, NestedVectorDeclarations) {
  struct Case {
    const char* name;
    const char* line;
    const char* cost;  // empty: no row
  };
  const Case cases[] = {
      {"table of n by m", "vector<vector<int>> dp(n + 1, vector<int>(m + 1, 0));", "O(m * n)"},
      {"rows only", "vector<vector<int>> g(n);", "O(n)"},
      {"no arguments", "vector<vector<int>> g;", ""},
      {"one level", "vector<int> a(n);", ""},
      {"power-of-two rows absorb the inner size", "vector<vector<int>> dp(1 << k, vector<int>(k));",
       "O(2^k)"},
      {"constant rows", "vector<vector<int>> t(100, vector<int>(n));", ""},
      {"constant inner size", "vector<vector<int>> g(n, vector<int>(26));", "O(n)"},
      {"fill value that is not a vector", "vector<vector<int>> g(n, row);", "O(n)"},
      {"spaced", "  vector< vector<long long> > cost (n, vector<long long>(m, INF)) ;", "O(m * n)"},
      {"qualified inner vector is not nested", "std::vector<std::vector<int>> g(n);", ""},
      {"two declarators", "vector<vector<int>> g(n), h(m);", ""},
      {"text after the declaration", "vector<vector<int>> g(n) + 1;", ""},
      {"unbalanced parenthesis", "vector<vector<int>> g(n;", ""},
      {"carriage return before the line end", "vector<vector<int>> g(n);\r", "O(n)"},
      {"word that only contains vector", "myvector<vector<int>> g(n);", ""},
  };
  for (const Case& c : cases) {
    Analysis analysis;
    DetectionResult detection;
    const uint32_t added = analyzeConstructionCosts(c.line, analysis, detection);
    if (std::string(c.cost).empty()) {
      EXPECT_EQ(added, 0u) << c.name;
      EXPECT_TRUE(analysis.breakdown.empty()) << c.name;
      continue;
    }
    ASSERT_EQ(added, 1u) << c.name;
    ASSERT_EQ(analysis.breakdown.size(), 1u) << c.name;
    EXPECT_EQ(analysis.breakdown[0].signal, "Container construction") << c.name;
    EXPECT_EQ(analysis.breakdown[0].cost, c.cost) << c.name;
    EXPECT_EQ(analysis.breakdown[0].line, "1") << c.name;
    ASSERT_EQ(detection.terms.size(), 1u) << c.name;
    ASSERT_EQ(analysis.signals.size(), 1u) << c.name;
  }
}

TEST(ConstructionCostsTest, RowsCarryTheirLineNumbers) {
  Analysis analysis;
  DetectionResult detection;
  const std::string code =
      "int main() {\n"
      "  vector<vector<int>> g(n);\n"
      "  vector<int> a(n);\n"
      "\n"
      "  vector<vector<char>> grid(h, vector<char>(w));\n"
      "}";
  EXPECT_EQ(analyzeConstructionCosts(code, analysis, detection), 2u);
  ASSERT_EQ(analysis.breakdown.size(), 2u);
  EXPECT_EQ(analysis.breakdown[0].line, "2");
  EXPECT_EQ(analysis.breakdown[1].line, "5");
  EXPECT_EQ(analysis.breakdown[1].cost, "O(h * w)");
  EXPECT_EQ(analysis.signals[1], "Line 5: Container construction contributes O(h * w).");
  EXPECT_EQ(detection.terms[1].reason, "container construction nested container construction");
}

// ---- Whole programs ----

TEST(ConstructionCostsTest, WholePrograms) {
  struct Case {
    const char* name;
    const char* code;
    std::vector<std::string> rows;  // "line cost" of each construction row
    const char* notation;
  };
  const Case cases[] = {
      {"dp table of n by m",
       "#include <bits/stdc++.h>\nusing namespace std;\nint main() {\n  int n, m;\n"
       "  cin >> n >> m;\n  vector<vector<int>> dp(n + 1, vector<int>(m + 1, 0));\n"
       "  cout << dp[n][m];\n}\n",
       {"6 O(m * n)"},
       "O(m * n)"},
      {"adjacency rows",
       "int main() {\n  int n;\n  cin >> n;\n  vector<vector<int>> g(n);\n}\n",
       {"4 O(n)"},
       "O(n)"},
      {"flat or unsized containers",
       "int main() {\n  vector<vector<int>> g;\n  vector<int> a(n);\n}\n",
       {},
       "O(1)"},
      {"bitmask table",
       "int main() {\n  int k = 0;\n  vector<vector<int>> dp(1 << k, vector<int>(k));\n}\n",
       {"3 O(2^k)"},
       "O(2^k)"},
  };
  for (const Case& c : cases) {
    const Analysis analysis = analyze(c.code);
    std::vector<std::string> rows;
    for (const Row& row : analysis.breakdown) {
      if (row.signal == "Container construction") rows.push_back(row.line + " " + row.cost);
    }
    EXPECT_EQ(rows, c.rows) << c.name;
    EXPECT_EQ(analysis.notation, c.notation) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
