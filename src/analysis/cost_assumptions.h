// Assumptions read off an estimate's finished costs: the shapes of answer that rest on a
// convention or on a worst case the code may not reach, whichever walk produced them.
#pragma once

#include <vector>

#include "cost/cost.h"
#include "estimate/assumption.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {

// For the time cost `time` of `model`, with the contributions that built it:
//  - a test count multiplying other sizes: every test was charged its own work (medium);
//  - a capacity constant multiplying another size: the capacity is swept for every item, though
//    a program often touches only what the item needs (medium);
//  - an exponential or factorial term: every call was taken to branch, with no pruning (medium);
//  - nothing but a constant while a loop's condition names a value read or a container's size:
//    no loop was tied to what it reads (low).
std::vector<Assumption> assumeFromTimeCost(const Model& model, const Cost& time,
                                           const std::vector<Contribution>& contributions);

}  // namespace quorbel
