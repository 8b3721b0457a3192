// The auxiliary-space estimate from the same model: every container, array and recursion stack,
// sized in the program's names and summed, dominated terms dropped. Element types do not change
// the class; a structure bounded by a small literal is constant.
#pragma once

#include <vector>

#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {

struct SpaceEstimate {
  Cost total;
  std::vector<Contribution> contributions;  // one per structure that is not constant
  // Where the walk fell back instead of deriving a size (dimension "space").
  std::vector<Assumption> assumptions;
};

// REQUIRES: `time` is estimateTime(model), which sized the containers.
SpaceEstimate estimateSpace(const Model& model, const TimeEstimate& time);

}  // namespace quorbel
