#include "analysis/term.h"

#include <gtest/gtest.h>

#include "analysis/notation.h"

namespace quorbel {
namespace {

Term product(std::initializer_list<Term> factors) {
  Term result = constantTerm("");
  for (const Term& factor : factors) result = multiplyTerms(result, factor);
  return result;
}

TEST(TermTest, RootDegreeBelowTwoIsStoredAsSquareRoot) {
  EXPECT_EQ(rootTerm("r", "n", 0).roots.front().degree, 2);
  EXPECT_EQ(rootTerm("r", "n", 1).roots.front().degree, 2);
  EXPECT_EQ(rootTerm("r", "n", 3).roots.front().degree, 3);
}

TEST(TermTest, RanksFollowTheFactorWeights) {
  struct Case {
    const char* name;
    Term term;
    int want;
  };
  const Case cases[] = {
      {"constant", constantTerm("x"), 0},
      {"log", logTerm("x", "n"), 5},
      {"sqrt", sqrtTerm("x", "n"), 10},
      {"cube root counts as any root", rootTerm("x", "n", 3), 10},
      {"linear", linearTerm("x", "n"), 20},
      {"n log n", linearithmicTerm("x", "n"), 25},
      {"n^2 log n", product({linearTerm("", "n"), linearithmicTerm("", "n")}), 45},
      {"log log", logLogTerm("x", "n"), 4},
      {"exponential", exponentialTerm("x"), 200},
      {"custom uses its own rank", customTerm("O(3^n)", "x", 240), 240},
  };
  for (const Case& c : cases) EXPECT_EQ(rankTerm(c.term), c.want) << c.name;
}

TEST(TermTest, ConstantOnlyForFactorlessPolynomials) {
  EXPECT_TRUE(isConstant(constantTerm("x")));
  EXPECT_FALSE(isConstant(exponentialTerm("x")));
  EXPECT_FALSE(isConstant(customTerm("O(1)", "x", 0)));
  EXPECT_FALSE(isConstant(logLogTerm("x", "n")));
}

TEST(TermTest, MaxKeepsTheFirstOnTies) {
  Term square = product({linearTerm("", "n"), linearTerm("", "n")});
  Term rectangle = product({linearTerm("", "n"), linearTerm("", "m")});
  EXPECT_EQ(maxTerm(square, rectangle), square);
  EXPECT_EQ(maxTerm(rectangle, square), rectangle);
  EXPECT_EQ(maxTerm(linearTerm("", "n"), square), square);
}

TEST(TermTest, MultiplyRules) {
  Term custom = customTerm("O(n!)", "Permutation", 260);
  EXPECT_EQ(multiplyTerms(exponentialTerm("e"), custom), custom) << "custom rule comes first";
  EXPECT_EQ(multiplyTerms(custom, exponentialTerm("e")), custom);
  Term low = customTerm("O(alpha(n))", "DSU", 18);
  EXPECT_EQ(multiplyTerms(low, linearTerm("x", "n")), linearTerm("x", "n"))
      << "a higher-ranked plain term wins over a low custom one";
  Term other = customTerm("O(3^n)", "other", 260);
  EXPECT_EQ(multiplyTerms(custom, other), custom) << "equal custom ranks keep the first";
  EXPECT_EQ(multiplyTerms(linearTerm("a", "n"), exponentialTerm("e")).kind, "exp");

  Term joined = multiplyTerms(linearTerm(" outer", "n"), logTerm("inner ", "m"));
  EXPECT_EQ(joined.linear, std::vector<std::string>{"n"});
  EXPECT_EQ(joined.logs, std::vector<std::string>{"m"});
  EXPECT_EQ(joined.reason, "outer inner");
  EXPECT_EQ(multiplyTerms(constantTerm(""), linearTerm("loop", "n")).reason, "loop");
}

TEST(TermTest, SummarizeKeepsTheTopRankedDistinctTerms) {
  EXPECT_EQ(formatTerm(summarizeTerms({})), "O(1)");
  Term constant = summarizeTerms({constantTerm("a"), constantTerm("b")});
  EXPECT_TRUE(isConstant(constant));
  EXPECT_EQ(constant.reason, "");

  Term nlogn = linearithmicTerm("sort", "n");
  EXPECT_EQ(summarizeTerms({linearTerm("a", "n"), nlogn, linearTerm("b", "n")}), nlogn);

  Term first = linearTerm("first", "n");
  EXPECT_EQ(summarizeTerms({first, linearTerm("second", "n")}), first)
      << "the same notation twice is one part, not a sum";

  Term sum = summarizeTerms({linearTerm("", "n"), linearTerm("", "m"), linearTerm("", "n")});
  EXPECT_EQ(sum.kind, "custom");
  EXPECT_EQ(sum.notation, "O(n + m)");
  EXPECT_EQ(sum.reason, "Independent passes");
  EXPECT_EQ(sum.rank, 20);
}

}  // namespace
}  // namespace quorbel
