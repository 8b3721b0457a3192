// The size of the container a program's own function hands back: `vector<int> build(s)` that
// returns a local sized |s| gives a container of |s| entries where it is called.
#pragma once

#include <vector>

#include "cost/cost.h"
#include "model/model.h"

namespace quorbel {

// The entries of the container `function` returns, its parameters replaced by `arguments` (the
// argument sizes in order, a left-out one by its default's). O(1) when the function returns a
// scalar, or a container whose size is named by nothing the caller knows.
Cost returnedSize(const Model& model, const Function& function, const std::vector<Cost>& arguments);

}  // namespace quorbel
