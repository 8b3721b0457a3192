// Sizes the walks name for their own bookkeeping (a parameter's rows or edges when the call
// that would tell them is not at hand, slots written apart from pushes) never reach a notation:
// each is written as the container it belongs to, |x|, and the report says so.
#pragma once

#include <vector>

#include "cost/cost.h"
#include "estimate/assumption.h"

namespace quorbel {

struct NamedSizes {
  Cost cost;
  std::vector<std::string> renamed;  // the containers whose inner sizes became |x|
};

// `cost` with every internal size (g#rows, g#edges, a#slots) written |g| or |a|.
NamedSizes nameInternalSizes(const Cost& cost);

}  // namespace quorbel
