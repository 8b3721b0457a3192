// Indices kept inside a size by a check made before they are used, wherever the check is written:
//   if (nx < 0 || nx >= H || ny < 0 || ny >= W) continue;   g[nx][ny] = ..
//   if (0 <= y && y < cols && !seen[x][y]) { .. }
//   bool inside(int r, int c) { return r >= 0 && r < n && c >= 0 && c < m; }
//   if (!inside(a, b)) continue;                              a helper checks them
// A cell reached through such an index lies below that size along its extent, so a table with
// literal extents (char g[1005][1005]) holds the sizes its indices are checked against.
#pragma once

#include "model/model.h"

namespace quorbel {

// The expression the identifier `index` is compared with in `scope` (other than a literal or
// an expression of the index itself), or in a helper that `scope` calls with the index as an
// argument, where the helper compares its parameter with a name of the program. Null when the
// index is checked against nothing but literals.
Node checkedBoundOf(const Model& model, const Node& index, const Node& scope);

}  // namespace quorbel
