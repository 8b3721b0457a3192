// The tables a recursive function guards its work with, read from what the guard returns and
// what the function stores:
//   if (dp[i][j] != -1) return dp[i][j]; ... dp[i][j] = v     a memo: each state computed once
//   if (seen[u]) return; seen[u] = 1;                         a visit mark: each entry once
//   if (!seen[r][c + 1]) f(r, c + 1);  with seen[r][c] = 1    calls guarded by the mark
//   if (up[x] < 0) return x;                                  a root test, neither of these
// and whether a union-find joins by size or rank, from the arithmetic of its union.
#pragma once

#include <string>
#include <vector>

#include "model/model.h"

namespace quorbel {

// The table an early return looks up and returns, when the function also stores into that
// table; empty otherwise.
std::string memoTableOf(const Function& function);
// The table the function marks and tests so that each entry is entered once: an early return
// on a marked entry, or every recursive call guarded by a test of it. A mark that is cleared
// again (backtracking) is not one. Empty when there is none.
std::string visitMarkOf(const Function& function, const std::vector<Node>& recursiveCalls);
// True when the program unites the roots of `parents` by size or rank: one entry added into
// another (sz[a] += sz[b]) or two entries compared, next to a store into `parents`.
bool unitesBySize(const Model& model, const std::string& parents);

}  // namespace quorbel
