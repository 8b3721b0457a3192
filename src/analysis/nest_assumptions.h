// Assumptions read off the loops that carry an estimate's largest term: a loop nested in others
// (or in a function called from a loop) whose trip count the walk took from its range where the
// code may share its moves between passes. The count is a sound but possibly loose bound, so the
// answer is medium rather than high.
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
//  - a while loop whose condition reads the data: each pass taken to move across the whole
//    range, though the passes may share it;
//  - it, or a loop of its nest, tests a counter its body moves while its update moves another;
//  - it, or a loop of its nest, steps by or divides its bound by a value that is not a constant;
// and, whatever the answer, a logarithmic loop that divides its counter by a value that is not
// a constant (a base that varies). Beside them, a memo whose states, in its own parameters, grow
// as fast as the whole answer (their count is every combination of its arguments' ranges), and
// a vector's erase or insert in a loop that carries the largest term (charged the whole vector).
std::vector<Assumption> assumeFromNests(const Model& model, const Cost& time,
                                        const std::vector<Contribution>& contributions);

}  // namespace quorbel
