#include "estimate/space_cost.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "estimate/answer_containers.h"
#include "estimate/indexed_words.h"
#include "estimate/library_costs.h"
#include "estimate/memo_tables.h"
#include "estimate/temporary_arguments.h"
#include "model/entry_points.h"
#include "model/inputs.h"
#include "model/magnitude.h"
#include "model/nodes_of_type.h"
#include "model/program_index.h"
#include "model/types.h"

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

// The calls of `function` from outside its own body: a recursive call's arguments are made of
// the parameters they would replace.
std::vector<Node> outsideCallsOf(const Model& model, const Function& function) {
  std::vector<Node> calls;
  const uint32_t start = ts_node_start_byte(function.definition.raw);
  const uint32_t end = ts_node_end_byte(function.definition.raw);
  std::vector<Node> spelled = callsSpelled(model, function.name);
  // Solution().answer(n), obj.build(v): a member function nobody calls by name alone is called
  // through an object
  if (spelled.empty() && !function.isLambda)
    for (const Node& n : descendantsOfType(model.root, {"call_expression"})) {
      const Node callee = n.field("function");
      if (callee.type() == "field_expression" && callee.field("field").text() == function.name)
        spelled.push_back(n);
    }
  for (const Node& n : spelled) {
    const uint32_t at = ts_node_start_byte(n.raw);
    if (at < start || at >= end) calls.push_back(n);
  }
  return calls;
}

bool mentionsParameters(const Function& function, const Cost& size) {
  for (const std::string& name : sizesOf(size))
    for (const std::string& parameter : function.parameters)
      if (!parameter.empty() && (name == parameter || name == "|" + parameter + "|" ||
                                 name.rfind(parameter + "#", 0) == 0))
        return true;
  return false;
}

// True when `function` is named anywhere outside its own definition: called, passed, stored.
bool namedOutside(const Model& model, const Function& function) {
  const uint32_t start = ts_node_start_byte(function.definition.raw);
  const uint32_t end = ts_node_end_byte(function.definition.raw);
  for (const Node& n : identifiersSpelled(model, function.name)) {
    const uint32_t at = ts_node_start_byte(n.raw);
    if (at < start || at >= end) return true;
  }
  return false;
}

// Each helper's calls from outside its body and whether it is named there, found once per
// estimate: the space of every local of a helper asks them.
struct CallSites {
  std::map<const Function*, std::vector<Node>> calls;
  std::map<const Function*, bool> named;
  std::optional<bool> readsInput_;

  const std::vector<Node>& callsOf(const Model& model, const Function& function) {
    auto known = calls.find(&function);
    if (known == calls.end())
      known = calls.emplace(&function, outsideCallsOf(model, function)).first;
    return known->second;
  }

  bool touchesInput(const Model& model) {
    if (!readsInput_) readsInput_ = quorbel::touchesInput(model);
    return *readsInput_;
  }

  bool namedOutsideOf(const Model& model, const Function& function) {
    auto known = named.find(&function);
    if (known == named.end()) known = named.emplace(&function, namedOutside(model, function)).first;
    return known->second;
  }
};

// vector<bool> mark(limit + 1) in sieve(int limit): a helper's local holds what each call asks
// for, its parameters replaced by the arguments; the largest call counts. A call made from
// another helper with that helper's parameters is followed to its own callers.
Cost sizedByCalls(const Model& model, const Function& function, const Cost& size, int depth,
                  CallSites& sites) {
  if (depth > 4) return size;
  if (!mentionsParameters(function, size)) {
    // A lambda's local sized by the enclosing function's parameter (auto copy = cnt): that
    // function's callers tell it.
    const Function* around =
        function.isLambda ? functionAround(model, function.definition) : nullptr;
    return around && around != &function ? sizedByCalls(model, *around, size, depth + 1, sites)
                                         : size;
  }
  const std::vector<Node>& calls = sites.callsOf(model, function);
  // A helper nobody names is never run: its locals take no room. A program without main
  // starts in the functions nothing calls (a judge's solution class), whose locals do.
  if (calls.empty()) {
    const bool entry = !model.functions.count("main") && !function.isLambda &&
                       findEntryFunctions(model).count(function.name);
    return function.name != "main" && !entry && !sites.namedOutsideOf(model, function) ? Cost{}
                                                                                       : size;
  }
  Cost total;
  for (const Node& call : calls) {
    Cost one = size;
    const Node arguments = call.field("arguments");
    const Function* caller = functionAround(model, call);
    // A program that reads nothing passes example data: the callee's storage stands in its
    // own parameters, as its time does.
    const bool example = caller && caller->name == "main" && !sites.touchesInput(model);
    for (size_t i = 0; i < function.parameters.size(); ++i) {
      const std::string& parameter = function.parameters[i];
      Node argument = arguments.child(static_cast<uint32_t>(i));
      if (argument.null() && i < function.defaults.size()) argument = function.defaults[i];
      if (parameter.empty() || argument.null()) continue;
      const std::string name = containerName(argument);
      const Symbol* passed = findSymbolAt(model, name, argument);
      const Cost value =
          passed && passed->kind != ContainerKind::kScalar && argument.type() == "identifier"
              ? containerSize(model, name, argument)
              : magnitudeOf(model, argument, {});
      if (example && isConstantCost(value) && !evaluateConstant(model, argument)) {
        const bool container = i < function.parameterTypes.size() &&
                               kindOfType(function.parameterTypes[i]) != ContainerKind::kScalar;
        if (container) one = substituteSize(one, parameter, sizeCost("|" + parameter + "|"));
        continue;
      }
      one = substituteSize(substituteSize(one, parameter, value), "|" + parameter + "|", value);
      if (passed) one = substituteSize(one, parameter + "#row", rowLength(model, *passed));
      // g.size() of a nested parameter: the rows of the container passed.
      if (passed && passed->nestedContainer && !passed->isParameter)
        one = substituteSize(one, parameter + "#rows", vertexCount(model, passed->name));
    }
    if (caller && caller != &function) one = sizedByCalls(model, *caller, one, depth + 1, sites);
    total = addCosts(total, one);
  }
  return simplifyCost(total);
}

// The innermost function (not a lambda) whose definition spans `line`.
const Function* functionAtLine(const Model& model, int line) {
  const Function* found = nullptr;
  uint32_t narrowest = UINT32_MAX;
  for (const auto& [name, function] : model.functions) {
    if (function.definition.null() || function.isLambda) continue;
    const uint32_t first = ts_node_start_point(function.definition.raw).row + 1;
    const uint32_t last = ts_node_end_point(function.definition.raw).row + 1;
    if (static_cast<uint32_t>(line) < first || static_cast<uint32_t>(line) > last) continue;
    if (last - first < narrowest) {
      narrowest = last - first;
      found = &function;
    }
  }
  return found;
}

Cost sizedByCalls(const Model& model, const Symbol& symbol, const Cost& size, CallSites& sites) {
  auto found = model.functions.find(symbol.scope);
  if (found == model.functions.end() || found->second.definition.null()) return size;
  return sizedByCalls(model, found->second, size, 0, sites);
}

}  // namespace

SpaceEstimate estimateSpace(const Model& model, const TimeEstimate& time) {
  SpaceEstimate estimate;
  CallSites sites;
  // The table's entry per name, and each other container declared under a name the table
  // gives to another declaration (a helper's local vector<int> v beside main's v).
  std::vector<const Symbol*> held;
  for (const auto& [name, symbol] : model.symbols) held.push_back(&symbol);
  for (const auto& [name, symbol] : model.declarations) {
    const Symbol* table = findSymbol(model, name);
    if (!table || table->scopeStart != symbol.scopeStart) held.push_back(&symbol);
  }
  std::optional<std::map<std::string, Cost>> memoStates;  // read once, when a table asks
  std::optional<std::set<std::string>> merged;
  for (const Symbol* entry : held) {
    const Symbol& symbol = *entry;
    // A parameter's entries belong to its caller's container; constants are no storage.
    if (symbol.kind == ContainerKind::kScalar || symbol.isParameter || symbol.isConstant) continue;
    // the answer a helper builds and hands back to be printed is output
    if (isReturnedAnswer(model, symbol)) continue;
    // unordered_map<char, int>: never more entries than the key type has values
    if ((symbol.kind == ContainerKind::kHashed || symbol.kind == ContainerKind::kOrdered) &&
        !symbol.nestedContainer && keyedBySmallType(symbol))
      continue;
    Cost size = sizedByCalls(model, symbol, simplifyCost(containerSizeOf(model, symbol)), sites);
    // A helper's local sized by its argument's rows (int k = a.size()): the rows of what
    // the program holds, its own first size, since the call that would say is not at hand.
    for (const std::string& placeholder : sizesOf(size))
      if (placeholder.find("#rows") != std::string::npos)
        size = simplifyCost(substituteSize(size, placeholder, primarySize(model)));
    // vector<string> grid(n) read from input: n strings, each as long as a loop walks it
    if (symbol.kind == ContainerKind::kVector && symbol.holdsInput &&
        symbol.typeText.find("string") != std::string::npos) {
      const Cost length = lengthWalked(model, symbol, true);
      if (!isConstantCost(length)) size = simplifyCost(multiplyCosts(size, length));
    }
    // t[x] merging t[2x] and t[2x + 1]: every level keeps all the entries
    if (symbol.nestedContainer && !isConstantCost(size)) {
      if (!merged) merged = mergedTables(model);
      if (merged->count(symbol.name)) size = multiplyCosts(size, logCost(size));
    }
    // int dp[1 << 16] a recursion memoises into: the states it reaches
    if (isConstantCost(size) && symbol.kind == ContainerKind::kArray) {
      if (!memoStates) memoStates = memoStatesByTable(model);
      auto reached = memoStates->find(symbol.name);
      if (reached != memoStates->end()) size = reached->second;
    }
    if (size.terms.empty()) continue;
    // A word read inside a loop holds one item at a time, of a length the program never names.
    if (symbol.kind == ContainerKind::kString && symbol.declaredInLoop && symbol.sizeName.empty()) {
      // ..unless a loop over its characters names it: for (i < n) .. s[i]
      size = lengthWalked(model, symbol);
      if (isConstantCost(size)) continue;
    }
    estimate.contributions.push_back({symbol.line, describeStructure(symbol), size, symbol.name});
    estimate.total = addCosts(std::move(estimate.total), size);
  }
  for (Contribution allocation : time.heapAllocations) {
    // new int[k] or rows built in a helper hold what its callers ask for
    if (const Function* function = functionAtLine(model, allocation.line))
      allocation.cost = sizedByCalls(model, *function, allocation.cost, 0, sites);
    if (allocation.cost.terms.empty()) continue;
    estimate.contributions.push_back(allocation);
    estimate.total = addCosts(std::move(estimate.total), allocation.cost);
  }
  for (const Contribution& temporary : temporaryArguments(model)) {
    estimate.contributions.push_back(temporary);
    estimate.total = addCosts(estimate.total, temporary.cost);
  }
  for (const Contribution& depth : time.recursionDepths) {
    if (isConstantCost(depth.cost)) continue;
    estimate.contributions.push_back(depth);
    estimate.total = addCosts(std::move(estimate.total), depth.cost);
  }
  estimate.total = simplifyCost(estimate.total);
  std::stable_sort(estimate.contributions.begin(), estimate.contributions.end(),
                   [](const Contribution& a, const Contribution& b) { return a.line < b.line; });
  return estimate;
}

}  // namespace quorbel
