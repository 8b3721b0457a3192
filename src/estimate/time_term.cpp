#include "estimate/time_term.h"

namespace quorbel {
namespace {

bool isPolynomial(const Monomial& term) {
  for (const auto& entry : term.sizes)
    if (entry.second.factorial || entry.second.expBase > 1 || entry.second.sizedExponential ||
        entry.second.alphas > 0)
      return false;
  return true;
}

int rankOf(const Monomial& term) {
  int rank = 0;
  for (const auto& entry : term.sizes) {
    const Growth& g = entry.second;
    if (g.factorial) rank += 300;
    if (g.expBase > 1) rank += 200;
    rank += 20 * g.power / kWholePower + 5 * g.logs + 4 * g.logLogs;
  }
  return rank;
}

}  // namespace

Term termFromCost(const Cost& cost, const std::string& pattern) {
  const Cost simple = simplifyCost(cost);
  if (simple.terms.empty())
    return constantTerm(pattern.empty() ? "No repeated work detected" : pattern);
  const Monomial top = dominantTerm(simple);
  if (simple.terms.size() == 1 && isPolynomial(top)) {
    Term term = constantTerm(pattern);
    for (const auto& [size, g] : top.sizes) {
      for (int k = 0; k < g.power / kWholePower; ++k) term.linear.push_back(size);
      if (g.power % kWholePower)
        term.roots.push_back({size, kWholePower / (g.power % kWholePower)});
      for (int k = 0; k < g.logs; ++k) term.logs.push_back(size);
      for (int k = 0; k < g.logLogs; ++k) term.logLogs.push_back(size);
    }
    return term;
  }
  std::string reason = simple.terms.size() > 1 ? "Independent passes"
                       : pattern.empty()       ? "Amortised bound"
                                               : pattern;
  for (const auto& entry : top.sizes) {
    if (entry.second.factorial)
      reason = "Factorial";
    else if ((entry.second.expBase > 1 || entry.second.sizedExponential) && reason != "Factorial")
      reason = "Exponential";
  }
  return customTerm(formatCost(simple), reason, rankOf(top));
}

}  // namespace quorbel
