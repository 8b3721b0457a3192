// The bridge from a Cost to the term the report's label, pattern and limit rows are built on.
#pragma once

#include <string>

#include "cost/cost.h"
#include "estimate/term.h"

namespace quorbel {

// A single polynomial product becomes a poly term (reason `pattern`); sums, exponentials and
// factorials become custom terms carrying the formatted notation.
Term termFromCost(const Cost& cost, const std::string& pattern);

}  // namespace quorbel
