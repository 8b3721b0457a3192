#include "estimate/notation.h"

#include <set>
#include <utility>

#include "base/text.h"

namespace quorbel {
namespace {

// Strips an "O(" ... ")" wrapper when the text has one.
std::string innerOf(const std::string& notation) {
  if (notation.size() >= 4 && notation.compare(0, 2, "O(") == 0 && notation.back() == ')')
    return notation.substr(2, notation.size() - 3);
  return notation;
}

struct FactorCounts {
  size_t linear, distinctLinear, roots, logs, logLogs;
};

FactorCounts countFactors(const Term& term) {
  std::set<std::string> distinct(term.linear.begin(), term.linear.end());
  return {term.linear.size(), distinct.size(), term.roots.size(), term.logs.size(),
          term.logLogs.size()};
}

std::string rootLabel(int degree) {
  if (degree == 2) return "Square root";
  if (degree == 3) return "Cube root";
  return "Root";
}

std::string rootPattern(int degree) {
  if (degree == 2) return "Square-root loop";
  if (degree == 3) return "Cube-root loop";
  return "Root-bounded loop";
}

bool mentions(const std::string& loweredReason, const char* keyword) {
  return loweredReason.find(keyword) != std::string::npos;
}

}  // namespace

std::string labelFor(const Term& term) {
  if (term.kind == "custom") return term.reason;
  if (term.kind == "exp") return "Exponential";
  if (isConstant(term)) return "Constant";
  if (mentions(lowerCopy(term.reason), "sieve")) return "Sieve";

  const FactorCounts c = countFactors(term);
  if (c.linear == 0 && c.roots == 1 && c.logs == 0 && c.logLogs == 0)
    return rootLabel(term.roots.front().degree);
  if (c.linear == 0 && c.logs == 0 && c.logLogs >= 1) return "Log-logarithmic";
  if (c.linear == 0 && c.logs >= 1) return "Logarithmic";
  if (c.linear == 1 && c.roots == 0 && c.logs == 0 && c.logLogs == 0) return "Linear";
  if (c.linear == 1 && c.roots == 0 && c.logs == 1 && c.logLogs == 0) return "Linearithmic";
  const bool onlyLinear = c.roots == 0 && c.logs == 0 && c.logLogs == 0;
  if (c.linear == 2 && onlyLinear) return c.distinctLinear == 1 ? "Quadratic" : "Product";
  if (c.linear >= 3 || c.linear == 2) {
    if (c.distinctLinear >= 2) return "Product";
    return c.linear >= 3 ? "Polynomial" : "Mixed";
  }
  return "Mixed";
}

std::string patternFor(const Term& term) {
  if (term.kind == "custom") return term.reason;
  if (term.kind == "exp") return "Branching recursion";

  const std::string reason = lowerCopy(term.reason);
  if (mentions(reason, "sieve")) return "Sieve of Eratosthenes";
  if (mentions(reason, "harmonic")) return "Harmonic nested loop";
  if (mentions(reason, "summed logarithmic")) return "Summed logarithmic loop";
  if (mentions(reason, "summed log-log")) return "Summed log-log loop";
  if (mentions(reason, "summed root")) return "Summed root-dependent loop";
  if (mentions(reason, "dependent step")) return "Dependent-step nested loop";

  const FactorCounts c = countFactors(term);
  if (c.linear >= 2)
    return c.distinctLinear < 2 ? "Brute force or DP table" : "DP table or multi-parameter loop";
  if (c.linear == 1 && c.roots == 0 && c.logs == 1 && c.logLogs == 0)
    return mentions(reason, "binary search") ? "Binary search with linear check"
                                             : "Sort, heap, or divide-and-conquer";
  if (c.linear == 1 && c.roots == 0 && c.logs == 0 && c.logLogs == 0) return "Single pass";
  if (c.roots == 1) return rootPattern(term.roots.front().degree);
  if (c.roots >= 2) return "Root-bounded loop";
  if (c.logs >= 1) return "Binary search";
  if (c.logLogs >= 1) return "Self-power growth loop";
  return "Straight-line work";
}

}  // namespace quorbel
