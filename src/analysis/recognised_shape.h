// Names what the cost model recognised in a program, from the constructs behind the estimate,
// for the pattern beside the label: "Dijkstra with a binary heap" rather than "Independent
// passes", "Bitmask DP over subsets" rather than the innermost loop's name.
#pragma once

#include <string>
#include <vector>

#include "analysis/result.h"

namespace quorbel {

// The recognised shape of a program whose time estimate is `notation` and whose breakdown is
// `rows` (each row's signal is the construct the model found, its cost what it contributes);
// empty when no shape below applies:
//   heap pushes or pops with an adjacency-list walk or a queue-driven loop: Dijkstra
//   an adjacency-list walk driven by a queue, without a heap: a graph traversal
//   a loop whose passes number 2^k, with work inside each: bitmask DP over subsets
//   a halving recursion called from a loop: a segment-tree-style query per pass
std::string recognisedShape(const std::string& notation, const std::vector<Row>& rows);

}  // namespace quorbel
