// The names an entry point gives its inputs' sizes. A method nobody in the file calls (a
// LeetCode solution) is priced in its parameters' names, but where it keeps a container's size
// in a local (`int n = nums.size();`) the reader thinks in that local: the estimate says
// O(n^2), not O(nums^2). Functions the program calls keep their parameters' names, which each
// call replaces by its arguments.
#pragma once

#include <map>
#include <string>

#include "estimate/space_cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {

// In a program without main, for each parameter container of a function it never calls, the local
// scalar declared from its size or length, as in `int n = nums.size();` or `int m =
// (int)s.length();`.
std::map<std::string, std::string> findEntrySizeNames(const Model& model);

// Renames those sizes (`nums` and `|nums|`) in every cost of both estimates, except where the
// local's name already stands for a size of its own.
void nameEntrySizes(const Model& model, TimeEstimate& time, SpaceEstimate& space);

}  // namespace quorbel
