// A cost evaluated at the problem's limits: every size set to its value, logarithms base 2 and
// at least one step, alpha at most 4. Values are carried as base-10 logarithms, so that 2^n at
// n = 10^18 stays finite.
//   n * log n at n = 2*10^5: 5.28 (about 3.5 million)      2^n * n at n = 20: 7.32
#pragma once

#include <map>
#include <string>

#include "cost/cost.h"

namespace quorbel {

// The base-10 logarithm of one product, its constant factor included (NaN when `values` lacks one
// of its sizes, -infinity when it is zero) and of a sum of products.
double log10OfTerm(const Monomial& term, const std::map<std::string, double>& values);
double log10OfCost(const Cost& cost, const std::map<std::string, double>& values);
// The cost with every size set to the same n (the growth chart's reading).
double log10AtEqualSizes(const Cost& cost, double n);
// The largest whole n from 1 to 10^18 at which log10AtEqualSizes stays within `log10Budget`:
// 0 when n = 1 already exceeds it, 10^18 when every n fits. The cost must not shrink as n grows.
double largestEqualSize(const Cost& cost, double log10Budget);

}  // namespace quorbel
