// The size of the container a program's own function hands back: `vector<int> build(s)` that
// returns a local sized |s| gives a container of |s| entries where it is called.
#pragma once

#include <vector>

#include "cost/cost.h"
#include "model/model.h"

namespace quorbel {

// The shape of a nested argument: its rows (its size()) and the length of one row.
struct RowShape {
  Cost rows;
  Cost rowLength;
};

// The entries of the container `function` returns, its parameters replaced by `arguments` (the
// argument sizes in order, a left-out one by its default's) and a nested parameter's rows and
// row length by `shapes`, which may be shorter (then the sizes stand for the rows). O(1) when
// the function returns a scalar, or a container whose size is named by nothing the caller knows.
Cost returnedSize(const Model& model, const Function& function, const std::vector<Cost>& arguments,
                  const std::vector<RowShape>& shapes = {});

}  // namespace quorbel
