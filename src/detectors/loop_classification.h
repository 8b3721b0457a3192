// What one loop costs by itself, from its node type and text: an ordered list of textual
// recognisers for while/do loops and for loops, the first that fires deciding.
// The recognisers themselves are in loop_recognisers.h; the for-header model in loop_model.h;
// the sums of dependent nested loops in dependent_loops.h.
#pragma once

#include <string>
#include <string_view>

#include "analysis/term.h"
#include "detectors/loop_recognisers.h"
#include "detectors/power_of_two.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

struct LoopInfo {
  bool recognized = false;
  Term term;
  std::string signal;
  std::string note;        // only the while-loop fallback has one
  bool amortized = false;  // iterations paid for by an enclosing loop
};

// REQUIRES: `type` is a loop node type. Reads gContext. Classifies from scratch every call.
LoopInfo classifyLoopNode(std::string_view type, std::string_view text);
// The same answer as classifyLoopNode, remembered per loop start for the analysis in progress
// (gContext's analysisId), so each loop is classified once; not remembered without a context
// or with a hand-built one (analysisId 0).
LoopInfo classifyLoop(const LoopFrame& loop);
// REQUIRES: `loopNode` is a loop node.
LoopInfo classifyLoop(const SyntaxNodeInfo& loopNode);

// The product of the classifications of the loops enclosing `node`, outermost first; the
// constant term with an empty reason outside any loop. Remembered per loop like classifyLoop.
Term productForAncestors(const SyntaxNodeInfo& node);
// The same product over the first `count` enclosing loops only (constant for 0).
Term productForAncestorPrefix(const SyntaxNodeInfo& node, size_t count);

}  // namespace quorbel
