#include "estimate/space_cost.h"

#include <algorithm>

#include "model/magnitude.h"

namespace quorbel {
namespace {

std::string describeStructure(const Symbol& symbol) {
  if (symbol.kind == ContainerKind::kArray)
    return symbol.nestedContainer ? "Array of lists " + symbol.name : "Array " + symbol.name;
  if (symbol.kind == ContainerKind::kString) return "String " + symbol.name;
  if (symbol.nestedContainer) return "Nested container " + symbol.name;
  if (!symbol.dimensions.empty()) return "Container allocation " + symbol.name;
  return "Container growth " + symbol.name;
}

}  // namespace

SpaceEstimate estimateSpace(const Model& model, const TimeEstimate& time) {
  SpaceEstimate estimate;
  for (const auto& [name, symbol] : model.symbols) {
    // A parameter's entries belong to its caller's container; constants are no storage.
    if (symbol.kind == ContainerKind::kScalar || symbol.isParameter || symbol.isConstant) continue;
    Cost size = simplifyCost(containerSize(model, name));
    // A helper's local sized by its argument's rows (int k = a.size()): the rows of what
    // the program holds, its own first size, since the call that would say is not at hand.
    for (const std::string& placeholder : sizesOf(size))
      if (placeholder.find("#rows") != std::string::npos)
        size = simplifyCost(substituteSize(size, placeholder, primarySize(model)));
    if (size.terms.empty()) continue;
    // A word read inside a loop holds one item at a time, of a length the program never names.
    if (symbol.kind == ContainerKind::kString && symbol.declaredInLoop && symbol.sizeName.empty())
      continue;
    estimate.contributions.push_back({symbol.line, describeStructure(symbol), size});
    estimate.total = addCosts(estimate.total, size);
  }
  for (const Contribution& allocation : time.heapAllocations) {
    estimate.contributions.push_back(allocation);
    estimate.total = addCosts(estimate.total, allocation.cost);
  }
  for (const Contribution& depth : time.recursionDepths) {
    if (isConstantCost(depth.cost)) continue;
    estimate.contributions.push_back(depth);
    estimate.total = addCosts(estimate.total, depth.cost);
  }
  estimate.total = simplifyCost(estimate.total);
  std::stable_sort(estimate.contributions.begin(), estimate.contributions.end(),
                   [](const Contribution& a, const Contribution& b) { return a.line < b.line; });
  return estimate;
}

}  // namespace quorbel
