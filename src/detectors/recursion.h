// Directly recursive functions, one breakdown row each, whose cost describes the whole
// recursion: graph DFS, union-find path compression, permutation backtracking, branching
// recursion (2^n, 3^n, k^n, n^n, times the work per call), divide and conquer, halving and
// linear recursion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"
#include "syntax/context.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// One row, signal and term per function definition that calls itself. Returns the number
// of recursive functions found.
uint32_t analyzeRecursion(std::string_view code, const Context& context,
                          const std::vector<SyntaxNodeInfo>& nodes, Analysis& result,
                          DetectionResult& detection);

// True for a union-find find with the root test `parent[x] == x` and the compression
// `parent[x] = find(parent[x])`, x being the first parameter.
bool dsuPathCompressionShape(std::string_view definition, const std::string& functionName,
                             const std::vector<std::string>& parameters);

// The name the depth parameter is compared with (`depth == n`, `n == depth`); empty when
// none or when `depth` is empty.
std::string recursionLimitForDepth(std::string_view definition, const std::string& depth);

}  // namespace quorbel
