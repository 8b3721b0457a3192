// Turns the time cost into rough input limits by the same evaluation as the verdict and the
// growth chart (cost/cost_values.h): O(n log n) gives n ~4.52M, O(n + m) n and m ~50.0M each.
#include "constraints/constraint_estimates.h"

#include <cmath>
#include <iomanip>
#include <sstream>

#include "cost/cost_values.h"

namespace quorbel {
namespace {

constexpr double kLog10Budget = 8;

std::string fixedText(long double value, int decimals) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(decimals) << value;
  return out.str();
}

std::string roundedText(long double value) { return fixedText(std::floor(value + 0.5L), 0); }

std::string roughAssumption(const std::string& text) {
  return text +
         " Super rough: counts the passes of loops with a constant count, but not the cost of "
         "each operation, memory, input/output, recursion overhead, or hidden helper work.";
}

}  // namespace

std::vector<ConstraintEstimate> estimateConstraints(const Cost& time) {
  const std::vector<std::string> sizes = sizesInOrderShown(time);
  if (sizes.empty()) {
    return {{"input", "not bound by Big-O",
             roughAssumption("No repeated work was detected, so constraints depend on memory "
                             "and parsing/input costs.")}};
  }
  const double largest = largestEqualSize(time, kLog10Budget);
  const std::string value = largest >= 1e18 ? "beyond 1e18" : "~" + compactNumber(largest);
  const std::string assumption = roughAssumption(
      sizes.size() == 1
          ? "The largest value whose estimated cost stays within about 100M operations (1 "
            "second)."
          : "With every size at the same value, as the growth chart draws it: the largest that "
            "stays within about 100M operations (1 second).");
  std::vector<ConstraintEstimate> rows;
  for (const std::string& size : sizes) rows.push_back({size, value, assumption});
  return rows;
}

std::string compactNumber(long double value) {
  if (!std::isfinite(value)) return "huge";
  if (value < 1) return "< 1";
  if (value >= 1e15L) {
    long double mantissa = value;
    int exponent = 0;
    while (mantissa >= 10) {
      mantissa /= 10;
      ++exponent;
    }
    // 9.96e15 would print as "10.0e15"; it is 1e16.
    if (mantissa >= 9.95L) {
      mantissa = 1;
      ++exponent;
    }
    const bool fractional = mantissa < 9.95L && std::fabs(mantissa - std::round(mantissa)) > 0.05L;
    return fixedText(mantissa, fractional ? 1 : 0) + "e" + std::to_string(exponent);
  }
  struct Scale {
    long double divisor;
    const char* suffix;
  };
  static constexpr Scale kScales[] = {{1e12L, "T"}, {1e9L, "B"}, {1e6L, "M"}, {1e3L, "K"}};
  for (const Scale& scale : kScales) {
    if (value < scale.divisor) continue;
    const long double quotient = value / scale.divisor;
    if (quotient >= 100) return roundedText(quotient) + scale.suffix;
    return fixedText(quotient, quotient >= 10 ? 1 : 2) + scale.suffix;
  }
  return roundedText(value);
}

}  // namespace quorbel
