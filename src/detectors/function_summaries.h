// Summarized costs of user-defined helpers (their loops and library calls, chained through the
// helpers they call, in their own parameter names) and the charging of calls made inside loops:
// helpers with their arguments' symbols substituted, sorts, binary searches, heap and ordered
// container operations.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"
#include "analysis/term.h"
#include "detectors/function_summary.h"
#include "detectors/loop_classification.h"
#include "syntax/context.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

using CallGraph = std::map<std::string, std::set<std::string>>;

// One summary per helper with a non-constant cost and per recursive or cyclic helper (a
// path-compressed union-find find is summarized as O(alpha(n)), the others are marked
// `recursive`). Same-name definitions collapse to the last one. REQUIRES: gContext designates
// `context`.
std::map<std::string, FunctionSummary> buildFunctionSummaries(
    const std::vector<SyntaxNodeInfo>& nodes, const Context& context);

// True when `target` is reachable from `current` through at least one call. Every name
// visited is recorded in `visited` (owned by the caller), so cycles end the search.
bool reachesFunction(const std::string& current, const std::string& target,
                     const CallGraph& callGraph, std::set<std::string>& visited);

// The loop's term with the placeholder n renamed to the first parameter the loop runs over
// (a range-for over it, or a header naming it with "size"); unchanged when none does.
Term functionLoopFactor(const LoopInfo& info, std::string_view loopText,
                        const std::vector<std::string>& parameters);
// The product of functionLoopFactor over the recognised loops enclosing `node`, outermost
// first; the constant term with an empty reason outside loops.
Term functionAncestorTermForCall(const SyntaxNodeInfo& node,
                                 const std::vector<std::string>& parameters);
// Parameter name -> symbol of the call's argument in the same position (a container's size
// symbol, a variable's first assigned bound, or the bound symbol of the expression). Literal
// constants and empty arguments give no entry.
std::map<std::string, std::string> substitutionsForCall(const FunctionSummary& summary,
                                                        const SyntaxNodeInfo& call,
                                                        const Context& context);

// Charges every call made inside a loop that is an in-loop sort, binary search, summarized
// helper, priority-queue or ordered-container operation, times the enclosing loops' cost (one
// term, row and signal each); notes recursive helpers once. `dpLoopStarts` marks the loops of
// DP transitions. Returns the number of rows added. REQUIRES: gContext designates `context`.
uint32_t analyzeLoopBodyOperations(const std::vector<SyntaxNodeInfo>& nodes, const Context& context,
                                   const std::map<std::string, FunctionSummary>& summaries,
                                   const std::set<uint32_t>& dpLoopStarts, Analysis& result,
                                   DetectionResult& detection);

}  // namespace quorbel
