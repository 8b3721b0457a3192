// A list an activation fills with one entry per neighbour it walks, then walks itself:
//   vector<int> kids; for (int v : g[u]) if (v != p) { dfs(v, u); kids.push_back(v); }
//   for (int i = 0; i < (int)kids.size(); i++) ..          as long as u's row of g
// Such a list is never longer than the row it was filled from: its walks cost the row's
// share of the edges, as the walk of the row does.
#pragma once

#include <vector>

#include "model/loops.h"
#include "model/model.h"

namespace quorbel {

// The row (g[u]) of a nested container that every push into `list` is made under a range-for
// over, when `list` is a local of the function around `use` declared outside loops; null when
// there is none or a push is made elsewhere.
Node neighbourRowFilling(const Model& model, const std::string& list, const Node& use);

// for (x : kids), for (i = 0; i < kids.size(); i++) over such a list: the row's share of the
// edges, as an adjacency walk; {step = kUnknown} for any other loop.
LoopFacts neighbourListFacts(const Model& model, const Node& loop,
                             const std::vector<EnclosingLoop>& frames);

}  // namespace quorbel
