// How far each size may grow before the program writes past a fixed array it indexes:
//   int a[1005]; for (int i = 1; i <= n; i++) cin >> a[i];        n <= 1004
//   char g[820][821]; for (i = 0; i < h; i++) scanf("%s", g[i]);  h <= 819, a row's length <= 820
//   int d[MAXN][MAXM]; for (i..n) for (j..m) d[i][j + 1] = ...    n <= MAXN - 1, m <= MAXM - 2
//   char s[MAX]; scanf("%s", s + 1);                                |s| <= MAX - 2
#pragma once

#include <map>
#include <set>
#include <string>

#include "measure/input_plan.h"

namespace quorbel {

// For each size of `plan` that indexes a fixed array (through a counted loop over it, or as the
// length of a word read into it), the largest value that stays inside the array. Sizes that
// index no fixed array are absent.
std::map<std::string, double> arrayExtentCaps(const InputPlan& plan, const Model& model);

// For each name the program subscripts with a counted loop's counter (for (i = 0; i < n; i++)
// s[i]), the names that bound such loops: {"s": {"n"}}. A string read whole and walked to n is
// n letters long.
std::map<std::string, std::set<std::string>> indexingBounds(const Model& model);

}  // namespace quorbel
