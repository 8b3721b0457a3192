// Scalar members a constructor's initialiser list sets from its parameters:
//   UnionFind(int n) : N(n), count(n) { for (int i = 0; i < N; i++) ... }
// A cost written in the member is the cost in what the member was given.
#pragma once

#include "cost/cost.h"
#include "model/model.h"

namespace quorbel {

// `cost` with every scalar member that `function`'s initialiser list sets from one expression
// replaced by that expression's size (N by n of N(n)); `cost` itself when there is none.
Cost bindInitialisedMembers(const Model& model, const Function& function, const Cost& cost);

}  // namespace quorbel
