// How each value a program reads is used afterwards, which decides how to generate it:
//   for (i = 0; i < n; i++) ...      n bounds a loop: a size
//   while (t--) { cin >> n; ... }    t counts blocks that read sizes: a test count
//   adj[u].push_back(v); a[x - 1]    u, v, x index containers: positions (1-based for x)
//   if (type == 1) ...               type is one of the literals it is compared with
//   sum += x;                        x is a value, in the range a comment states or a wide one
#pragma once

#include <string>
#include <vector>

#include "measure/input_plan.h"

namespace quorbel {

// A range a constraints comment gives: "1 <= a_i <= 10^9" names a_i; "|s| <= 10^6" names s.
struct StatedRange {
  std::string name;  // without _i, [i] or bars
  double low = 0;
  double high = 0;
  bool hasLow = false;
  std::string highName;  // 1 <= k <= n: bounded by the size n, high unset
};

// The ranges stated in the comments of `source`, in order of appearance.
std::vector<StatedRange> readStatedRanges(std::string_view source);

// Fills role, range, governing size and literals of every value of `plan`, and plan.sizes.
void assignRoles(const Model& model, InputPlan& plan);

}  // namespace quorbel
