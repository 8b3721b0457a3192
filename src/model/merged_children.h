// Halving recursions whose node keeps what its two children keep, merged:
//   build(2 * x, l, m); build(2 * x + 1, m, r);
//   merge(t[2 * x].begin(), t[2 * x].end(), t[2 * x + 1].begin(), .., back_inserter(t[x]));
//   t[v] = t[v << 1]; t[v].insert(t[v].end(), t[v << 1 | 1].begin(), ..);
// Each level of the tree holds every value once: building it moves and stores n log n.
#pragma once

#include <string>
#include <vector>

#include "model/model.h"

namespace quorbel {

// The table of lists (a nested container) whose entry at a child index (2 * x, 2 * x + 1,
// x << 1 | 1 of a parameter x) the function passes to a library call or assigns from, when the
// calls recurse on those children; empty otherwise, and for a table of single values (a sum
// tree's t[x] = t[2 * x] + t[2 * x + 1]).
std::string childRowsMerged(const Model& model, const Function& function,
                            const std::vector<Node>& calls);

}  // namespace quorbel
