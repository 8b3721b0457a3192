// What one loop costs by itself, from its node type and text: an ordered list of textual
// recognisers for while/do loops and for loops, the first that fires deciding.
#pragma once

#include <string>
#include <string_view>

#include "analysis/term.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

struct LoopInfo {
  bool recognized = false;
  Term term;
  std::string signal;
  std::string note;        // only the while-loop fallback has one
  bool amortized = false;  // iterations paid for by an enclosing loop
};

// REQUIRES: `type` is a loop node type. Reads gContext.
LoopInfo classifyLoopNode(std::string_view type, std::string_view text);
// The product of the classifications of the loops enclosing `node`, outermost first.
Term productForAncestors(const SyntaxNodeInfo& node);

}  // namespace quorbel
