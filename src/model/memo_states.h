// The states of a memo keyed by a vertex whose adjacency the function walks:
//   int best(int v, int c) { ... for (int u : adj[v]) r = max(r, best(u, c)); return dp[c][v] = r;
//   }
// Along v the states are the vertices the adjacency holds, as the walk's share of the edges is
// told in them, whatever capacity the table was declared with (dp[26][MAXN]).
#pragma once

#include <optional>
#include <string>

#include "model/model.h"

namespace quorbel {

// The memo's states with the extent `memo` is indexed along by the walked row's vertex replaced
// by the adjacency's vertex count; nothing when the row's index is no parameter or no subscript
// of `memo` uses it.
std::optional<Cost> memoStatesOverVertices(const Model& model, const Function& function,
                                           const std::string& memo, const Node& adjacencyLoop);

}  // namespace quorbel
