#include "estimate/internal_sizes.h"

#include <algorithm>
#include <string>

namespace quorbel {

NamedSizes nameInternalSizes(const Cost& cost) {
  NamedSizes named{cost, {}};
  for (const std::string& size : sizesOf(cost)) {
    const size_t mark = size.find('#');
    if (mark == std::string::npos) continue;
    std::string owner = size.substr(0, mark);
    if (owner.empty()) continue;
    if (owner.front() != '|') owner = "|" + owner + "|";
    named.cost = substituteSize(named.cost, size, sizeCost(owner));
    if (std::find(named.renamed.begin(), named.renamed.end(), owner) == named.renamed.end())
      named.renamed.push_back(owner);
  }
  if (!named.renamed.empty()) named.cost = simplifyCost(named.cost);
  return named;
}

}  // namespace quorbel
