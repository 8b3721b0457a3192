// Recognises a power of two of a named exponent as a bound:
//   mask < (1 << n)     mask < 1LL << n     mask < pow(2, n)     (1 << n) > mask
// and, in expression form, a dimension such as `1 << k`.
#include "detectors/power_of_two.h"

#include "syntax/bound_symbols.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

// The exponent named by `1 << x`, `(1LL << x)` or `pow(2, x)`; empty when none.
bool powerOfTwoExponent(std::string_view bound, std::string& name) {
  const std::string& id = identifierRegexPattern();
  RegexMatch match;
  if (searchRegex(
          bound,
          "\\(\\s*1\\s*(?:LL)?\\s*<<\\s*(" + id + ")\\s*\\)|1\\s*(?:LL)?\\s*<<\\s*(" + id + ")",
          match)) {
    name = match.matched[1] ? match.groups[1] : (match.matched[2] ? match.groups[2] : "");
    return true;
  }
  if (searchRegex(bound, "(?:std::)?pow(?:l|f)?\\s*\\(\\s*2\\s*,\\s*(" + id + ")\\s*\\)", match)) {
    name = match.matched[1] ? match.groups[1] : "";
    return true;
  }
  return false;
}

}  // namespace

bool conditionBitShiftBound(std::string_view text, std::string& display, std::string& symbol,
                            BitShiftForm form) {
  std::string bound;
  if (form == BitShiftForm::kComparison) {
    Comparison comparison = splitComparisonOutsideShifts(text);
    if (!comparison.found) return false;
    bound = (comparison.op == ">" || comparison.op == ">=") ? comparison.left : comparison.right;
  } else {
    bound = std::string(text);
  }
  std::string name;
  if (!powerOfTwoExponent(bound, name)) return false;
  std::string normalized = normalizeBoundSymbol(name);
  symbol = resolveAliasLinearSymbol(normalized);
  display = resolveAliasDisplay(normalized);
  return true;
}

}  // namespace quorbel
