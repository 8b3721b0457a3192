// Loops priced by how often each entry moves over the whole run, not by the sizes they walk:
//   if (a.size() < b.size()) swap(a, b); for (x : b) a.insert(x);      small to large
//   if (box[x].size() <= box[y].size()) { for (v : box[x]) box[y].insert(v); } else { ... }
//   if (sz(g[u]) < sz(g[v])) swap(u, v); for (x : g[v]) g[u].push_back(x);
// An entry only moves into a container at least twice the size of its old one: log n moves
// each, n log n in all.
//   for (i = 1; i <= n; i++) for (k : at[i]) at[i + k].push_back(k);    self-feeding buckets
// Each value k steps through the buckets of its multiples: n / k pushes, n log n in all.
#pragma once

#include <string>
#include <vector>

#include "model/loops.h"

namespace quorbel {

// REQUIRES: loop is a for_range_loop. True when the container it walks is the smaller of two
// compared by size: walked in the branch where the comparison makes it the smaller, or after a
// swap under the comparison, whatever the containers or their indices are called.
bool walksSmallerSide(const Node& loop);

// REQUIRES: loop is a for_range_loop. True when it walks a row of a nested container indexed
// by the enclosing loop's variable and pushes each entry it reads into a later row of the same
// container, at a position the entry steps: at[i + k], at[next[k]] with next[k] += k.
bool feedsOwnBuckets(const Node& loop, const EnclosingLoop& outer);

}  // namespace quorbel
