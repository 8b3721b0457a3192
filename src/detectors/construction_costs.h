// The cost of building nested vectors, read line by line from the raw source:
// vector<vector<int>> dp(n + 1, vector<int>(m + 1, 0)) costs n * m.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/result.h"
#include "analysis/term.h"

namespace quorbel {

// Adds a "Container construction" row for every line declaring a vector<vector<...>> whose
// first dimension is not constant. Returns the number of rows added.
uint32_t analyzeConstructionCosts(std::string_view code, Analysis& result,
                                  DetectionResult& detection);

// The cost of one dimension expression: constant for empty or constant text, "O(2^k)" (rank
// 220) for a power of two such as `1 << k`, otherwise linear in its bound symbol.
Term dimensionExpressionTerm(std::string_view expression, const std::string& reason);

}  // namespace quorbel
