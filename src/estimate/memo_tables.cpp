#include "estimate/memo_tables.h"

#include "model/recursion.h"

namespace quorbel {

std::map<std::string, Cost> memoStatesByTable(const Model& model) {
  std::map<std::string, Cost> states;
  for (const auto& [name, function] : model.functions) {
    if (function.body.null()) continue;
    const RecursionFacts facts = recursionFactsOf(model, function);
    if (facts.shape != RecursionShape::kMemoised || facts.table.empty()) continue;
    const Cost reached = simplifyCost(facts.states);
    if (isConstantCost(reached)) continue;
    // a state counted by a parameter's own name tells no size of the program
    bool named = true;
    for (const std::string& size : sizesOf(reached))
      for (const std::string& parameter : function.parameters)
        named = named && size != parameter && size != "|" + parameter + "|";
    if (!named) continue;
    Cost& known = states[facts.table];
    known = simplifyCost(addCosts(known, reached));
  }
  return states;
}

std::set<std::string> mergedTables(const Model& model) {
  std::set<std::string> tables;
  for (const auto& [name, function] : model.functions) {
    if (function.body.null()) continue;
    const RecursionFacts facts = recursionFactsOf(model, function);
    if (facts.shape == RecursionShape::kHalving && !facts.mergedTable.empty())
      tables.insert(facts.mergedTable);
  }
  return tables;
}

}  // namespace quorbel
