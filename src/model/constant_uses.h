// What a program does with each name it uses, read from the places the name stands: a constant
// that only takes a remainder (x % MOD) or marks a missing value (dist[v] = INF, d == INF) is
// not an input limit, whatever its value; one that counts the levels of a doubling table
// (up[N][LOG], j < LOG with 1 << j) stands for the logarithm of a size.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "model/tree.h"

namespace quorbel {

struct NameUses {
  bool size = false;      // an array extent, a loop bound, a shift count, a container's length
  bool modulus = false;   // the right side of % or %=
  bool sentinel = false;  // assigned, stored or compared as it is
  bool levels = false;    // bounds a loop that shifts by its counter: j < LOG with 1 << j
  bool subsets = false;   // the exponent of an extent: dp[1 << K], bitset<1 << K>
  // Given a value after its declaration: assigned, stepped, read into (cin >> x), its address
  // taken, or passed as it stands to a call that may take it by reference.
  bool written = false;
  std::vector<Node> besideExtents;  // the other extents of the arrays it is an extent of
};

// Every identifier's uses under `root`, by name.
std::map<std::string, NameUses> readNameUses(const Node& root);

}  // namespace quorbel
