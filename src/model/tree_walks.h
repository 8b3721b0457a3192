// Recursive walks of a tree that refuse the way back, whatever holds the adjacency:
//   for (int v : g[u]) if (v != p) dfs(v, u);                          nested vectors
//   for (int e = head[u]; e; e = nxt[e]) { if (to[e] == fa) continue; dfs(to[e], u); }
//   for (auto& [v, w] : adj.at(u)) if (v != from) go(v, u, d + w);    a map of lists
// The call hands its own vertex down as the parent and the loop skips the neighbour equal to
// the parent it was handed: on a tree every vertex is entered once.
#pragma once

#include <string>

#include "model/model.h"

namespace quorbel {

// True when `call` (a recursive call of `function` inside `loop`) passes one of the function's
// parameters unchanged in the place of another parameter, and `loop` compares what the call
// passes in the first parameter's place with that other parameter.
bool skipsParent(const Function& function, const Node& call, const Node& loop);

// The container `loop` reads at the function's own vertex (head of head[u], g of g.at(u) or
// g[u]) to find the neighbours; empty when there is none.
std::string neighboursHolder(const Function& function, const Node& loop);

}  // namespace quorbel
