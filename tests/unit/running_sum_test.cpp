// A running sum is the sum repeated addCosts builds, term for term and constant for constant,
// whether it stays under its cap of terms or is simplified and trimmed on every addition.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cost/cost.h"

namespace quorbel {
namespace {

// What the walks add to a program's sum: sizes of their own, products, logarithms, constants
// that repeat a term already there, exponentials that absorb a polynomial, amortised costs
// with negative exponents, and nothing at all.
std::vector<Cost> partsOfManyEntries(int entries) {
  std::vector<Cost> parts;
  for (int k = 0; k < entries; ++k) {
    const Cost own = sizeCost("n" + std::to_string(k % 37));
    const Cost shared = sizeCost(k % 2 ? "m" : "q");
    switch (k % 8) {
      case 0:
        parts.push_back(own);
        break;
      case 1:
        parts.push_back(multiplyCosts(own, logCost(own)));
        break;
      case 2:
        parts.push_back(multiplyCosts(shared, repeatedCost(k)));
        break;
      case 3:
        parts.push_back(addCosts(multiplyCosts(own, shared), constantCost()));
        break;
      case 4:
        parts.push_back(divideCosts(shared, multiplyCosts(own, own)));
        break;
      case 5:
        parts.push_back(multiplyCosts(powerOfTwoCost(own), own));
        break;
      case 6:
        parts.push_back(Cost{});
        break;
      default:
        parts.push_back(multiplyCosts(sqrtCost(own), logLogCost(shared)));
        break;
    }
  }
  return parts;
}

bool sameTerms(const Cost& a, const Cost& b) {
  if (a.terms.size() != b.terms.size()) return false;
  for (size_t i = 0; i < a.terms.size(); ++i)
    if (!(a.terms[i] == b.terms[i]) || a.terms[i].constant != b.terms[i].constant) return false;
  return true;
}

TEST(RunningSumTest, AddsAsRepeatedAdditionDoes) {
  // Under the cap, at it, just past it, and far past it, where every addition simplifies.
  for (int entries : {0, 1, 5, 24, 25, 30, 60, 300}) {
    const std::vector<Cost> parts = partsOfManyEntries(entries);
    Cost added;
    RunningSum running;
    for (size_t k = 0; k < parts.size(); ++k) {
      added = addCosts(added, parts[k]);
      addToSum(running, parts[k]);
      ASSERT_TRUE(sameTerms(running.total, added))
          << entries << " entries, after " << k + 1 << ": " << formatCost(running.total)
          << " against " << formatCost(added);
    }
    EXPECT_EQ(formatCost(simplifyCost(running.total)), formatCost(simplifyCost(added)));
  }
}

TEST(RunningSumTest, SimplifiesAsTheWholeSumDoes) {
  // A term the newcomer bounds goes, a settled term bounding the newcomer stays alone, and a
  // newcomer of a settled term's growth only raises its constant.
  const Cost n = sizeCost("n");
  std::vector<Cost> parts = partsOfManyEntries(40);
  parts.push_back(multiplyCosts(n, n));
  parts.push_back(n);
  parts.push_back(multiplyCosts(sizeCost("n3"), repeatedCost(1e6)));
  Cost added;
  RunningSum running;
  for (const Cost& part : parts) {
    added = addCosts(added, part);
    addToSum(running, part);
  }
  EXPECT_TRUE(sameTerms(running.total, added)) << formatCost(running.total);
  EXPECT_EQ(running.settled, running.total.terms.size());
}

}  // namespace
}  // namespace quorbel
