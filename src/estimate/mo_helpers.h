// Mo's order through a helper: for (auto& q : qs) move(q.l, q.r); with qs sorted in blocks and
// the helper stepping pointers kept over the run (while (curL > l) add(--curL)) towards its
// arguments. The pointers walk (n + q) * sqrt n over all the queries, whichever function moves
// them.
#pragma once

#include <string>
#include <vector>

#include "cost/cost.h"
#include "model/loops.h"
#include "model/model.h"

namespace quorbel {

// The parameters of `callee` that a while loop steps a name declared outside it towards, by one:
// l of while (L > l) with L++ or --L inside; empty when there is none.
std::vector<std::string> pointerTargets(const Model& model, const Function& callee);

// The pointers' walk over all the passes of `frame`, spread over its passes, when `frame` walks a
// container sorted in blocks (Mo's order); empty otherwise.
Cost moWalkPerPass(const Model& model, const EnclosingLoop& frame, const Node& call);

}  // namespace quorbel
