// What standard-library calls cost, by what the standard guarantees for the container type:
// sort n log n; lower_bound log n; set, map and priority_queue operations log n; unordered
// containers O(1) on average; linear algorithms and string searches linear in their range.
#pragma once

#include <string>

#include "cost/cost.h"
#include "model/magnitude.h"
#include "model/model.h"

namespace quorbel {

struct LibraryCost {
  bool known = false;  // the call is a library call this table prices
  Cost cost;
  std::string what;  // "sort", "set insert", ...
};

// The cost of one call, or {known = false} for a call the table does not know.
LibraryCost libraryCallCost(const Model& model, const Node& call,
                            const std::vector<LoopVariable>& loops);
// The cost of `m[key]` on an ordered map (log of its size), O(1) otherwise.
Cost subscriptCost(const Model& model, const Node& subscript);
// map<char, int>, set<bool>: a tree or table keyed by a type of at most 256 values.
bool keyedBySmallType(const Symbol& symbol);

}  // namespace quorbel
