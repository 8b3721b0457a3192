// Rows of a container of rows, in the spellings real code walks them:
//   g[u].out.size(), nodes[v].kids.begin()     a container member of an array's element
//   p->subs, it->children                      the same member reached through a pointer
//   for (k = g[u].size() - 1; k >= 0; --k)     a row walked down from its end
// Each such row is one vertex's share of what all the rows received, as adj[u] is.
#pragma once

#include <vector>

#include "model/loops.h"

namespace quorbel {

// X.m of X.m.size(), X.m.begin(), X.m.end() or X.m itself, where X is an element (a[i], p->,
// (*it).) and m a container member of the element's type that receives entries over the run:
// one row of a table spread over the elements. Null for anything else (this->v, obj.v).
Node memberRow(const Model& model, const Node& expression);
// The share of one member row per pass: what all the rows received, spread over the passes of
// the enclosing loop that walks the element's index, else over the program's main size.
Cost memberRowShare(const Model& model, const Node& row, const std::vector<EnclosingLoop>& frames);
// w[i] of w[i].size(), w[i].length(), w[i].begin() or w[i] itself, where w holds strings
// (vector<string>, string w[N]): one string of all it holds, whose lengths add up to |w|.
Node stringRow(const Model& model, const Node& expression);
// The share of one string row per pass: |w| spread over the passes of the enclosing loop that
// walks the row's index; all of |w| for a row picked otherwise (w[x] with x read).
Cost stringRowShare(const Model& model, const Node& row, const std::vector<EnclosingLoop>& frames);
// g[u] of a start `g[u].size() - 1`, `(int)p->kids.size() - 1` or `g[u].size()`: the row a
// loop counting down walks from its end; null otherwise.
Node rowWalkedDown(const Model& model, const Node& start);
// The row (a nested container's g[u] or a member row) the loop walks in any direction: a
// range-for over it, a counter up to its size or down from it, an iterator from begin to end.
Node walkedRowOf(const Model& model, const Node& loop);

}  // namespace quorbel
