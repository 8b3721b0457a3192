// Walks over the blocks of a square-root decomposition, read from the arithmetic of the bounds:
//   int bl = x / B;  for (j = x; j < (bl + 1) * B; j++)       at most B: the rest of x's block
//   for (k = B * (get(r) - 1) + 1; k <= r; k++)                at most B: r's block up to r
//   for (k = get(l) + 1; k < get(r); k++)                      at most n / B: the whole blocks
//   if (l / B == r / B) for (k = l; k <= r; k++)               at most B: one block
// whatever the names, the block size or the helper that divides by it.
#pragma once

#include <vector>

#include "cost/cost.h"
#include "model/magnitude.h"
#include "model/model.h"

namespace quorbel {

struct BlockWalk {
  bool found = false;
  Cost trips;
};

// The passes of a loop stepping by one from `start` to `bound` when the two positions are tied
// by a division by a block size: within one block (the block size) or across whole blocks
// (the distance over the block size). Not found for any other pair of bounds.
BlockWalk blockWalkOf(const Model& model, const Node& loop, const Node& start, const Node& bound,
                      bool decreasing, const std::vector<LoopVariable>& vars);

// The passes of a loop stepping by one between two ends that move together, the distance of
// the ends being positive names once a name of both cancels:
//   for (j = max(0, i - k); j < i; j++)        at most k
//   for (j = i; j <= min(n - 1, i + d); j++)   at most d
//   int lo = i - w + 1; for (j = i; j >= lo; j--)  w
// A clamp narrows the window, so the distance to either of its arguments bounds it. Not found
// when the ends share no name or what is left of their distance is not a sum of sizes.
BlockWalk windowWalkOf(const Model& model, const Node& loop, const Node& start, const Node& bound,
                       bool decreasing, const std::vector<LoopVariable>& vars,
                       const std::string& variable);

}  // namespace quorbel
