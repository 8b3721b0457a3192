// Library calls made outside every loop, and the check behind the note about calls inside
// loops that the analyzer does not recognise.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "analysis/result.h"
#include "detectors/function_summary.h"
#include "syntax/context.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// Charges every call node outside all loops that matches rows of the library-call table
// (one row, signal and term per matching row); a free call to a function the source defines
// itself is not a library call. Returns the number of rows added.
uint32_t analyzeBuiltins(const std::vector<SyntaxNodeInfo>& nodes, const Context& context,
                         Analysis& result, DetectionResult& detection);

// True when some call inside a loop has no name, is neither a known library name nor a
// summarized helper, or is a recursive/cyclic helper whose summary was skipped.
bool containsUnknownCallInsideLoop(const std::vector<SyntaxNodeInfo>& nodes,
                                   const std::map<std::string, FunctionSummary>& summaries);

}  // namespace quorbel
