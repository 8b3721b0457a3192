// Arrays filled through a counter bumped where it indexes, as C-style code keeps lists:
//   while (n) d[cnt++] = n % 10, n /= 10;            d holds as many digits as the loop runs
//   for (j < m) if (near) adj[i][deg[i]++] = j;       each row holds at most m entries
// The index runs as far as the statement runs since the counter was last set.
#pragma once

#include <optional>
#include <vector>

#include "cost/cost.h"
#include "model/loops.h"

namespace quorbel {

// How far the index `index` reaches when it is a counter bumped in place (c++, ++c, cnt[u]++):
// the product of the passes of the loops in `frames` (outermost first) inside the innermost one
// that sets the counter again, leaving out the loops whose variable picks the counter's slot.
// Nothing when `index` bumps no counter.
std::optional<Cost> counterIndexReach(const Node& index, const std::vector<EnclosingLoop>& frames);

}  // namespace quorbel
