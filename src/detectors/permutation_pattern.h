// Enumeration of every permutation with next_permutation or prev_permutation, O(n!).
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/result.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// One "Permutation enumeration" row costing O(n!) on the first next_permutation or
// prev_permutation call, however many there are. Returns 0 or 1.
uint32_t analyzePermutationPattern(const std::vector<SyntaxNodeInfo>& nodes, Analysis& result,
                                   DetectionResult& detection);

}  // namespace quorbel
