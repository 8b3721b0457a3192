// Bitmask bounds written as powers of two: `mask < (1 << n)`, `mask < 1LL << n`,
// `mask < pow(2, n)`, and tables sized `1 << n`.
#pragma once

#include <string>
#include <string_view>

namespace quorbel {

enum class BitShiftForm {
  kComparison,  // a loop condition: the bound side of the comparison is searched
  kExpression,  // a container dimension: the whole text is searched
};

// True when the bound is 1 << x, 1LL << x or pow(2, x) for an identifier x; then `display`
// gets x de-aliased for display ("n/2") and `symbol` its linear symbol ("n"). On false the
// outputs are untouched. Reads gContext.
bool conditionBitShiftBound(std::string_view text, std::string& display, std::string& symbol,
                            BitShiftForm form = BitShiftForm::kComparison);

}  // namespace quorbel
