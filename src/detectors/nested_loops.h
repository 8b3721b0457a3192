// The loop detector: every loop's cost with the loops around it taken into account.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "analysis/result.h"
#include "syntax/context.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// Charges every loop node not in `skipLoopStarts` (start bytes of loops the DP detector has
// charged): one term, row and signal per loop, plus the while-loop fallback note. Returns the
// number of loops charged. REQUIRES: gContext designates `context`.
int analyzeLoops(const std::vector<SyntaxNodeInfo>& nodes, const Context& context,
                 const std::set<uint32_t>& skipLoopStarts, Analysis& result,
                 DetectionResult& detection);

}  // namespace quorbel
