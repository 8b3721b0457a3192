// The room a memo table takes when its extent is a capacity written as a constant expression:
//   int dp[1 << 16];  go(mask | 1 << i) with i < n        2^n entries reached, not 65536
//   long long memo[64][64];  f(i + 1, j) with i, j < n     n^2
// The entries a memoised recursion fills are its reachable states, in the program's sizes.
// A tree whose nodes keep their children's entries merged holds every entry once per level.
#pragma once

#include <map>
#include <set>
#include <string>

#include "cost/cost.h"
#include "model/model.h"

namespace quorbel {

// Per memo table of a memoised recursive function: the states the recursion reaches, when
// they grow with the program's sizes.
std::map<std::string, Cost> memoStatesByTable(const Model& model);

// The tables a halving recursion fills by merging each node's children (merge sort trees).
std::set<std::string> mergedTables(const Model& model);

}  // namespace quorbel
