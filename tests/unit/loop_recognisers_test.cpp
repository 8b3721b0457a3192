#include "detectors/loop_recognisers.h"

#include <gtest/gtest.h>

#include <string>

#include "detectors/power_of_two.h"
#include "syntax/context.h"

namespace quorbel {
namespace {

TEST(LoopRecognisersTest, HeaderPieces) {
  const char* loop = "for (int i = 0; i < n; i++) { x++; }";
  EXPECT_EQ(forInitializer(loop), "int i = 0");
  EXPECT_EQ(forCondition(loop), " i < n");
  EXPECT_EQ(forUpdate(loop), " i++");
  EXPECT_EQ(forCondition("for(;;) {}"), "");
  EXPECT_EQ(whileCondition("while (f(a) && b) { g(); }"), "f(a) && b");
  EXPECT_EQ(whileCondition("while (a"), "while (a");
}

TEST(LoopRecognisersTest, Iterators) {
  EXPECT_EQ(forIterator("int i = 0"), "i");
  EXPECT_EQ(forIterator("i"), "");
  EXPECT_EQ(loopIteratorFromHeader("", "2 * k < n + m"), "k");
  EXPECT_EQ(loopIteratorFromHeader("", "a + b < n"), "n") << "left side has two names";
  EXPECT_EQ(forInitializerExpression("int i = n - 1", "i"), "n - 1");
  EXPECT_EQ(forInitializerExpression("int j = 0", "i"), "");
}

TEST(LoopRecognisersTest, DecrementingWhileSymbol) {
  struct Case {
    const char* text;
    const char* want;  // nullptr: false
  };
  const Case cases[] = {
      {"while (t--) solve();", "t"}, {"while (--k) {}", "k"},         {"while ( q -- ) {}", "q"},
      {"while (x) {}", nullptr},     {"while (t-- > 0) {}", nullptr}, {"while (--) {}", nullptr},
      {"while (-- 5) {}", nullptr},
  };
  for (const Case& c : cases) {
    std::string symbol;
    EXPECT_EQ(decrementingWhileSymbol(c.text, symbol), c.want != nullptr) << c.text;
    if (c.want != nullptr) {
      EXPECT_EQ(symbol, c.want) << c.text;
    }
  }
}

TEST(LoopRecognisersTest, WhileBodyUnconditionallyHalves) {
  struct Case {
    const char* text;
    bool want;
  };
  const Case cases[] = {
      {"while (k--) { k /= 2; }", true},      {"while (k--) { x++; k >>= 1; }", true},
      {"while (k--) { k = k / 3; }", true},   {"while (k--) { if (odd) k /= 2; }", false},
      {"while (k--) { { k /= 2; } }", false}, {"while (k--) { for (;;) {} k /= 2; }", false},
      {"while (k--) { kk /= 2; }", false},    {"while (k--) k /= 2;", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(whileBodyUnconditionallyHalves(c.text, "k"), c.want) << c.text;
  EXPECT_FALSE(whileBodyUnconditionallyHalves("while (k--) { k /= 2; }", ""));
}

TEST(LoopRecognisersTest, UpdateShapes) {
  EXPECT_TRUE(multiplicativeUpdate("i *= 2"));
  EXPECT_TRUE(multiplicativeUpdate("i /= 20"));
  EXPECT_FALSE(multiplicativeUpdate("i /= 10")) << "a factor must start with 2 to 9";
  EXPECT_TRUE(multiplicativeUpdate("i = j * 3"));
  EXPECT_FALSE(multiplicativeUpdate("i += 2"));

  EXPECT_TRUE(lowbitUpdate("i += i & -i", "i"));
  EXPECT_TRUE(lowbitUpdate("i = i + (i & -i)", "i"));
  EXPECT_FALSE(lowbitUpdate("j += j & -j", "i"));

  EXPECT_TRUE(selfPowerUpdate("x *= x"));
  EXPECT_TRUE(selfPowerUpdate("x = x * x"));
  EXPECT_FALSE(selfPowerUpdate("x *= 2"));
  EXPECT_FALSE(selfPowerUpdate("x = y * y"));
}

TEST(LoopRecognisersTest, RootShapes) {
  std::string iterator;
  int degree = 0;
  EXPECT_TRUE(poweredIteratorExpression("i * i", iterator, degree));
  EXPECT_EQ(iterator, "i");
  EXPECT_EQ(degree, 2);
  EXPECT_TRUE(poweredIteratorExpression("(long long)i * i * i", iterator, degree));
  EXPECT_EQ(degree, 3);
  EXPECT_FALSE(poweredIteratorExpression("i * j", iterator, degree));
  EXPECT_FALSE(poweredIteratorExpression("i + i", iterator, degree)) << "no product";

  EXPECT_TRUE(powIteratorExpression("std::pow(i, 2)", iterator, degree));
  EXPECT_EQ(iterator, "i");
  EXPECT_EQ(degree, 2);
  EXPECT_FALSE(powIteratorExpression("pow(i, 1)", iterator, degree));
  EXPECT_FALSE(powIteratorExpression("pow(i, 99999999999)", iterator, degree))
      << "an exponent past int is no root";

  std::string root;
  EXPECT_TRUE(divisionByIteratorBound("i", "n / i", iterator, root));
  EXPECT_EQ(root, "n");
  EXPECT_FALSE(divisionByIteratorBound("i + j", "n / i", iterator, root));
  Context context;
  context.aliases["half"] = AliasInfo{"m", 2};
  ActiveContext active(&context);
  EXPECT_TRUE(divisionByIteratorBound("i", "half / i", iterator, root));
  EXPECT_EQ(root, "m");
}

TEST(PowerOfTwoTest, ComparisonForm) {
  struct Case {
    const char* text;
    bool want;
  };
  const Case cases[] = {
      {"mask < (1 << n)", true},   {"mask < (1LL << n)", true},   {"mask < pow(2, n)", true},
      {"(1 << n) > mask", true},   {"mask < (1 << n) - 1", true}, {"mask <= n", false},
      {"mask < (1 << 20)", false}, {"mask < (2 << n)", false},    {"(1 << n) < mask", false},
  };
  for (const Case& c : cases) {
    std::string display = "unchanged", symbol = "unchanged";
    EXPECT_EQ(conditionBitShiftBound(c.text, display, symbol), c.want) << c.text;
    EXPECT_EQ(symbol, c.want ? "n" : "unchanged") << c.text;
    EXPECT_EQ(display, c.want ? "n" : "unchanged") << c.text;
  }
}

TEST(PowerOfTwoTest, ExpressionFormAndAliases) {
  std::string display, symbol;
  EXPECT_TRUE(conditionBitShiftBound("1 << k", display, symbol, BitShiftForm::kExpression));
  EXPECT_EQ(symbol, "k");
  EXPECT_FALSE(conditionBitShiftBound("1 << 20", display, symbol, BitShiftForm::kExpression));
  EXPECT_FALSE(conditionBitShiftBound("1 << k", display, symbol)) << "no comparison";
  EXPECT_TRUE(conditionBitShiftBound("1 << len", display, symbol, BitShiftForm::kExpression));
  EXPECT_EQ(symbol, "n") << "normalised";

  Context context;
  context.aliases["half"] = AliasInfo{"n", 2};
  ActiveContext active(&context);
  EXPECT_TRUE(conditionBitShiftBound("mask < (1 << half)", display, symbol));
  EXPECT_EQ(symbol, "n");
  EXPECT_EQ(display, "n/2");
}

}  // namespace
}  // namespace quorbel
