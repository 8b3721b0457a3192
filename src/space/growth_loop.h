// The loop that bounds how often a push or an allocation runs.
#pragma once

#include <string>
#include <unordered_map>

#include "analysis/term.h"
#include "syntax/syntax_reader.h"

namespace quorbel::space {

struct LoopGrowth {
  bool found = false;                                // a loop header was understood
  std::string variable;                              // the loop variable, normalised, or empty
  std::string bound;                                 // the single bound symbol, or empty
  Term term = constantTerm("Unknown growth bound");  // iterations of that loop
};

// What each loop of one syntax result gives by itself, remembered so that a loop holding many
// pushes is read once, not once per push.
struct LoopGrowthCache {
  std::unordered_map<const LoopFrame*, LoopGrowth> byLoop;
};

// The innermost enclosing loop with a non-constant bound: a range-for over a single name is
// bounded by that name ("n" over anything else), a counted for loop by the dimension of its own
// condition's bound. While loops and constant bounds are passed over; nothing found gives the
// constant term "Unknown growth bound".
LoopGrowth nearestGrowthLoop(const SyntaxNodeInfo& node, LoopGrowthCache& cache);

}  // namespace quorbel::space
