// Limits that named constants give the sizes of an estimate:
//   const int maxN = 2e5 + 5;   a size named maxN is 200005
//   int a[maxN];  for (int i = 1; i <= n; i++) cin >> a[i];   n is at most 200005, since a
//                 larger n would index past the array
#pragma once

#include <string>
#include <vector>

#include "model/source_facts.h"

namespace quorbel {

struct ConstantLimit {
  std::string name;
  double value = 0;
  std::string source;  // "constant maxN = 200005 on line 3"
};

// One limit per size in `sizes` that the constants bound; the smallest array wins when
// several are indexed up to the same size.
std::vector<ConstantLimit> readConstantLimits(const SourceFacts& facts,
                                              const std::vector<std::string>& sizes);

}  // namespace quorbel
