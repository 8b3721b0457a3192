#include "estimate/notation.h"

#include <gtest/gtest.h>

namespace quorbel {
namespace {

Term product(std::initializer_list<Term> factors, const std::string& reason = "") {
  Term result = constantTerm("");
  // Poly factors only: the product gathers every factor list.
  for (const Term& factor : factors) {
    result.linear.insert(result.linear.end(), factor.linear.begin(), factor.linear.end());
    result.roots.insert(result.roots.end(), factor.roots.begin(), factor.roots.end());
    result.logs.insert(result.logs.end(), factor.logs.begin(), factor.logs.end());
    result.logLogs.insert(result.logLogs.end(), factor.logLogs.begin(), factor.logLogs.end());
  }
  result.reason = reason;
  return result;
}

TEST(NotationTest, LabelsAndPatterns) {
  struct Case {
    const char* name;
    Term term;
    const char* label;
    const char* pattern;
  };
  Term n = linearTerm("", "n");
  const Case cases[] = {
      {"constant", constantTerm(""), "Constant", "Straight-line work"},
      {"custom uses its reason twice", customTerm("O(n!)", "Permutation", 260), "Permutation",
       "Permutation"},
      {"exponential", exponentialTerm(""), "Exponential", "Branching recursion"},
      {"sieve in any case", linearithmicTerm("The SIEVE loop", "n"), "Sieve",
       "Sieve of Eratosthenes"},
      {"sqrt", sqrtTerm("", "n"), "Square root", "Square-root loop"},
      {"cube root", rootTerm("", "n", 3), "Cube root", "Cube-root loop"},
      {"fifth root", rootTerm("", "n", 5), "Root", "Root-bounded loop"},
      {"log log", logLogTerm("", "n"), "Log-logarithmic", "Self-power growth loop"},
      {"sqrt times log is logarithmic", product({sqrtTerm("", "n"), logTerm("", "n")}),
       "Logarithmic", "Square-root loop"},
      {"log", logTerm("", "n"), "Logarithmic", "Binary search"},
      {"linear", n, "Linear", "Single pass"},
      {"n log n", linearithmicTerm("sort", "n"), "Linearithmic",
       "Sort, heap, or divide-and-conquer"},
      {"binary search in any case", linearithmicTerm("Binary Search check", "n"), "Linearithmic",
       "Binary search with linear check"},
      {"square", product({n, n}), "Quadratic", "Brute force or DP table"},
      {"rectangle", product({n, linearTerm("", "m")}), "Product",
       "DP table or multi-parameter loop"},
      {"n^2 log n", product({n, n, logTerm("", "n")}), "Mixed", "Brute force or DP table"},
      {"cube", product({n, n, n}), "Polynomial", "Brute force or DP table"},
      {"n^2 m", product({n, n, linearTerm("", "m")}), "Product",
       "DP table or multi-parameter loop"},
      {"n sqrt m", product({n, sqrtTerm("", "m")}), "Mixed", "Square-root loop"},
      {"n (log n)^2", product({n, logTerm("", "n"), logTerm("", "n")}), "Mixed", "Binary search"},
      {"harmonic", product({n, logTerm("", "n")}, "harmonic nested loop"), "Linearithmic",
       "Harmonic nested loop"},
      {"summed logarithmic", product({n, logTerm("", "n")}, "x summed logarithmic loop"),
       "Linearithmic", "Summed logarithmic loop"},
      {"summed log-log", product({n, logLogTerm("", "n")}, "summed log-log"), "Mixed",
       "Summed log-log loop"},
      {"summed root", product({n, sqrtTerm("", "n")}, "summed root loop"), "Mixed",
       "Summed root-dependent loop"},
      {"dependent step", product({n, logTerm("", "n")}, "dependent step"), "Linearithmic",
       "Dependent-step nested loop"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(labelFor(c.term), c.label) << c.name;
    EXPECT_EQ(patternFor(c.term), c.pattern) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
