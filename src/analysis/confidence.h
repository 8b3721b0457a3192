// How sure an analysis is, from what its estimates assumed.
#pragma once

#include <vector>

#include "analysis/result.h"

namespace quorbel {

// Per dimension, the weakest level among its assumptions ("low" below "medium"), "high" when
// it has none.
Confidence rateConfidence(const std::vector<Assumption>& assumptions);

// Sorts by line (those of no line last), drops repeats of the same dimension and text, and
// keeps for each the weaker level.
std::vector<Assumption> orderAssumptions(std::vector<Assumption> assumptions);

}  // namespace quorbel
