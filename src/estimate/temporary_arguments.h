// Containers built as temporaries in a call's arguments, which live as long as the call:
//   place(n, 0, vector<string>(n, string(n, '.')))     an n x n board for the whole search
//   solve(vector<int>(m, -1))                           m entries
// They take room no declaration shows.
#pragma once

#include <vector>

#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {

// One row per argument of a call of one of the program's functions that constructs a library
// container in place, with the entries it is built with (a count times the size of the value it
// repeats); arguments of a constant size leave none.
std::vector<Contribution> temporaryArguments(const Model& model);

}  // namespace quorbel
