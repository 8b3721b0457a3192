#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "constraints/constraint_estimates.h"
#include "test_support.h"

namespace quorbel {
namespace {

// ---- compactNumber ----

TEST(ConstraintsTest, CompactNumberAtItsBoundaries) {
  const testing::Case<long double, const char*> kCases[] = {
      {"infinity", std::numeric_limits<long double>::infinity(), "huge"},
      {"not a number", std::numeric_limits<long double>::quiet_NaN(), "huge"},
      {"just below one", 0.999L, "< 1"},
      {"one", 1, "1"},
      {"rounds below the K range", 999.4L, "999"},
      {"rounds after the range test", 999.6L, "1000"},
      {"first K", 1000, "1.00K"},
      {"two decimals below ten", 9990, "9.99K"},
      {"ten thousand", 1e4L, "10.0K"},
      {"one decimal rounds up", 99999, "100.0K"},
      {"hundred K is whole", 1e5L, "100K"},
      {"whole rounds down", 999499, "999K"},
      {"whole rounds up within K", 999600, "1000K"},
      {"first M", 1e6L, "1.00M"},
      {"first B", 1e9L, "1.00B"},
      {"first T", 1e12L, "1.00T"},
      {"last T", 9.9949e14L, "999T"},
      {"first scientific", 1e15L, "1e15"},
      {"fractional mantissa", 2.5e15L, "2.5e15"},
      {"mantissa near an integer", 1.04e15L, "1e15"},
      {"mantissa just off an integer", 1.06e15L, "1.1e15"},
      {"mantissa below the carry", 9.94e15L, "9.9e15"},
      {"mantissa carries to the next power", 9.96e15L, "1e16"},
  };
  for (const auto& c : kCases) EXPECT_EQ(compactNumber(c.in), c.want) << c.name;
}

// ---- Rows from the time cost ----

// Largest n by hand, every size set to n, within 10^8 operations: n log2 n at 4,523,000 is
// 10^8; 60 n at 1,666,666 is 10^8; 2 n log2 n (Dijkstra's sum) halves that budget;
// 2^26 < 10^8 < 2^27; 11! < 10^8 < 12!.
TEST(ConstraintsTest, RowsHoldTheLargestEqualSize) {
  const Cost n = sizeCost("n"), m = sizeCost("m");
  const Cost logN = logCost(n);
  const testing::Case<Cost, const char*> kCases[] = {
      {"linear", n, "n ~100M"},
      {"60 passes over n count 60 times", multiplyCosts(repeatedCost(60), n), "n ~1.67M"},
      {"n log n", multiplyCosts(n, logN), "n ~4.52M"},
      {"square", multiplyCosts(n, n), "n ~10.0K"},
      {"two passes share the budget", addCosts(n, m), "n ~50.0M, m ~50.0M"},
      {"heap graph",
       multiplyCosts(addCosts(sizeCost("vertices"), sizeCost("edges")),
                     logCost(sizeCost("vertices"))),
       "vertices ~2.36M, edges ~2.36M"},
      {"exponential", powerOfTwoCost(n), "n ~26"},
      {"factorial", factorialCost(n), "n ~11"},
      {"square root", sqrtCost(n), "n ~1e16"},
      {"logarithm", logN, "n beyond 1e18"},
      {"constant", constantCost(), "input not bound by Big-O"},
  };
  for (const auto& c : kCases) {
    std::string rows;
    for (const ConstraintEstimate& row : estimateConstraints(c.in)) {
      rows += (rows.empty() ? "" : ", ") + row.variable + " " + row.maxValue;
      EXPECT_NE(row.assumption.find("Super rough"), std::string::npos) << c.name;
    }
    EXPECT_EQ(rows, c.want) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
