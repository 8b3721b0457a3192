// Assumptions read off the loops that carry an estimate's largest term: a loop nested in others
// (or in a function called from a loop or recursing) whose trip count the walk took from its
// range where the code may share its moves between passes. The count is a sound but possibly
// loose bound, so the answer is medium rather than high.
#pragma once

#include <vector>

#include "cost/cost.h"
#include "estimate/assumption.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {

// For the time cost `time` of `model`, with the contributions that built it, one medium time
// assumption per loop that carries the largest term while its count was taken from a range
// another part of the code shares out:
//  - it walks a container's entries, each pass taken to see every entry the run adds;
//  - it reads as many items as a count read on each pass around it;
//  - a while loop whose condition reads the data: each pass taken to move across the whole
//    range, though the passes may share it;
//  - it, or a loop of its nest, tests a counter its body moves while its update moves another;
//  - it, or a loop of its nest, steps by or divides its bound by a value that is not a constant;
//  - it walks a list kept under a condition and its passes hold the largest term (a traversal
//    from every root kept).
// Beside them, where the answer grows faster than n log n: a memo whose states, in its own
// parameters, grow as fast as the whole answer (every combination of its arguments' ranges); a
// vector's erase or insert carrying the largest term (charged the whole vector); a queue loop
// relaxing a table whose second index the edges move (states counted as vertices); a recursion
// through two functions calling each other. And whatever the answer: a logarithmic loop whose
// base is not a constant, and a union-find priced alpha(n) with no sizes merged nor ties ranked.
std::vector<Assumption> assumeFromNests(const Model& model, const Cost& time,
                                        const std::vector<Contribution>& contributions);

}  // namespace quorbel
