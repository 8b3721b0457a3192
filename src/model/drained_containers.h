// Loops that only take entries out of a container the program fills elsewhere:
//   while (!q.empty() && q.back() >= x) q.pop_back();        a member deque of a sliding minimum
//   while (sz >= 3 && bad(..)) { hull.erase(hull.end() - 2); sz--; }   a hull kept across calls
//   for (..) while (!pool.empty() && ..) { take(*pool.begin()); pool.erase(pool.begin()); }
// Every pass undoes one addition, and the additions are charged where they are made: over the
// whole run the loop passes at most as often as entries went in.
#pragma once

#include <string>
#include <vector>

#include "model/loops.h"

namespace quorbel {

// The container `loop` removes one entry from on every pass (pop, pop_back, pop_front, or an
// erase at an iterator taken from its ends) while adding none, when the container outlives the
// loops around it (a member, a global, a reference parameter, or a local declared before the
// outermost of `frames`) and a pass does no other work that grows (no loop, no call of a
// function that loops). Empty for any other loop.
std::string drainedAcrossPasses(const Model& model, const Node& loop,
                                const std::vector<EnclosingLoop>& frames);

}  // namespace quorbel
