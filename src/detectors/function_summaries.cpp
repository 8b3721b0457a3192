// Summarizes helpers such as
//   int sumOf(const vector<int>& p) { int s = 0; for (int x : p) s += x; return s; }   O(p)
//   void byPairs(vector<int>& p) { for (int x : p) sumOf(p); }                      O(p^2)
//   void prepare(vector<int>& v) { sort(v.begin(), v.end()); }                      O(n log n)
//   int find(int x) { return parent[x] == x ? x : parent[x] = find(parent[x]); }   O(alpha(n))
// and charges the calls made inside loops:
//   for (int i = 0; i < q; i++) sumOf(a);   with vector<int> a(m):  O(m * q), "with p -> m"
//   for (auto [u, v] : edges) find(u);                              O(edges * alpha(n))
//   for (...) { sort(...); lower_bound(...); pq.push(x); st.insert(x); }
// Other recursive helpers have no usable summary; calls to them are left to the recursion
// detector and noted once.
#include "detectors/function_summaries.h"

#include <algorithm>
#include <utility>

#include "analysis/notation.h"
#include "detectors/library_calls.h"
#include "detectors/recursion.h"
#include "syntax/bound_symbols.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

constexpr const char* kHelperReason = "helper function";

bool hasEnclosingLoop(const SyntaxNodeInfo& node) { return node.innermostLoop != nullptr; }

std::string lineOf(const SyntaxNodeInfo& node) { return std::to_string(node.startLine); }

// ---- Definitions and call graph ----

struct Definition {
  const SyntaxNodeInfo* node = nullptr;
  std::vector<std::string> parameters;
  std::vector<const SyntaxNodeInfo*> calls;  // call nodes inside, in node order
  std::vector<const SyntaxNodeInfo*> work;   // loop and call nodes inside, in node order
};
using Definitions = std::map<std::string, Definition>;

bool byStartByte(const SyntaxNodeInfo& a, const SyntaxNodeInfo& b) {
  return a.startByte < b.startByte;
}

// Fills the loop and call nodes lying inside the definition's byte span. Pre-order lists nodes
// by start byte, so the span is found by binary search instead of a scan of every node for
// every helper.
void collectWorkNodes(const std::vector<SyntaxNodeInfo>& nodes, bool sortedByStart,
                      Definition& definition) {
  const SyntaxNodeInfo& outer = *definition.node;
  auto first = nodes.begin();
  if (sortedByStart) {
    SyntaxNodeInfo probe;
    probe.startByte = outer.startByte;
    first = std::lower_bound(nodes.begin(), nodes.end(), probe, byStartByte);
  }
  for (auto it = first; it != nodes.end(); ++it) {
    if (sortedByStart && it->startByte > outer.endByte) break;
    if (it->startByte < outer.startByte || it->endByte > outer.endByte) continue;
    const bool loop = isLoopNodeType(it->type);
    const bool call = it->type == "call_expression";
    if (loop || call) definition.work.push_back(&*it);
    if (call) definition.calls.push_back(&*it);
  }
}

Definitions collectDefinitions(const std::vector<SyntaxNodeInfo>& nodes) {
  Definitions definitions;
  for (const SyntaxNodeInfo& node : nodes) {
    if (node.type != "function_definition") continue;
    const std::string name = functionNameFromDefinition(node.text);
    if (name.empty()) continue;
    // Overloads collapse: the last definition of a name is the one summarized.
    definitions[name] = Definition{&node, parameterNamesFromDefinition(node.text, name), {}, {}};
  }
  const bool sorted = std::is_sorted(nodes.begin(), nodes.end(), byStartByte);
  for (auto& [name, definition] : definitions) collectWorkNodes(nodes, sorted, definition);
  return definitions;
}

CallGraph buildCallGraph(const Definitions& definitions) {
  CallGraph graph;
  for (const auto& [name, definition] : definitions) {
    for (const SyntaxNodeInfo* call : definition.calls) {
      const std::string callee = callName(*call);
      if (definitions.count(callee) > 0) graph[name].insert(callee);
    }
  }
  return graph;
}

std::set<std::string> cyclicNames(const CallGraph& graph) {
  std::set<std::string> cyclic;
  for (const auto& [name, callees] : graph) {
    std::set<std::string> visited;
    if (reachesFunction(name, name, graph, visited)) cyclic.insert(name);
  }
  return cyclic;
}

// ---- Summaries of one helper ----

FunctionSummary recursiveSummary(const std::string& name, const Definition& definition) {
  FunctionSummary summary;
  summary.parameters = definition.parameters;
  if (dsuPathCompressionShape(definition.node->text, name, definition.parameters)) {
    const Term alpha = customTerm("O(alpha(n))", "DSU path compression", 18);
    summary.cost = alpha;
    summary.localCost = alpha;
    summary.propagatedCost = alpha;
    summary.notes = {"DSU path-compressed find costs amortized O(alpha(n))"};
    summary.summarized = true;
    return summary;
  }
  summary.recursive = true;
  summary.skipReason = "recursive/cyclic helper summary skipped";
  return summary;
}

// functionAncestorTermForCall for every node of one helper, with the product through each
// loop remembered: a nest d loops deep then costs d multiplications, not d per loop in it.
// The products are built in the same order, so they are the same terms.
using LoopProducts = std::map<const LoopFrame*, Term>;

Term ancestorProduct(const LoopFrame* innermost, const std::vector<std::string>& parameters,
                     LoopProducts& products) {
  std::vector<const LoopFrame*> pending;  // innermost first
  Term product = constantTerm("");
  for (const LoopFrame* loop = innermost; loop != nullptr; loop = loop->parent) {
    const auto found = products.find(loop);
    if (found != products.end()) {
      product = found->second;
      break;
    }
    pending.push_back(loop);
  }
  for (auto loop = pending.rbegin(); loop != pending.rend(); ++loop) {
    const LoopInfo info = classifyLoop(**loop);
    if (info.recognized)
      product = multiplyTerms(product, functionLoopFactor(info, (*loop)->text, parameters));
    products[*loop] = product;
  }
  return product;
}

// The helper's own loops and library calls; calls to other helpers are chained later.
LocalFunctionWork localWork(const Definition& definition, const Definitions& definitions,
                            const Context& context) {
  LocalFunctionWork work;
  const std::vector<std::string>& parameters = definition.parameters;
  LoopProducts products;
  for (const SyntaxNodeInfo* node : definition.work) {
    if (isLoopNodeType(node->type)) {
      const LoopInfo info = classifyLoop(*node);
      if (!info.recognized) continue;
      const Term product = multiplyTerms(ancestorProduct(node->innermostLoop, parameters, products),
                                         functionLoopFactor(info, node->text, parameters));
      work.cost = maxTerm(work.cost, product);
      work.notes.push_back(info.signal + " at line " + lineOf(*node) + " costs " +
                           formatTerm(product));
      continue;
    }
    const std::string callee = callName(*node);
    if (definitions.count(callee) > 0) continue;
    LibraryCharge charge;
    if (!libraryChargeInHelperBody(*node, context, charge)) continue;
    const Term outer = hasEnclosingLoop(*node)
                           ? ancestorProduct(node->innermostLoop, parameters, products)
                           : constantTerm(kHelperReason);
    const Term product = multiplyTerms(outer, charge.term);
    work.cost = maxTerm(work.cost, product);
    work.notes.push_back("builtin call " + callee + " at line " + lineOf(*node) + " costs " +
                         formatTerm(product));
  }
  return work;
}

// ---- Chaining ----

struct ChainState {
  const std::map<std::string, LocalFunctionWork>& localWorks;
  const Context& context;
  std::map<std::string, FunctionSummary>& summaries;
  // Neither the loops around a call nor its arguments change between passes.
  std::map<std::pair<const Definition*, const SyntaxNodeInfo*>, Term> outerTerms;
  std::map<const SyntaxNodeInfo*, std::map<std::string, std::string>> substitutions;
};

const Term& outerTermFor(const Definition& definition, const SyntaxNodeInfo& call,
                         ChainState& state) {
  const auto key = std::make_pair(&definition, &call);
  auto found = state.outerTerms.find(key);
  if (found == state.outerTerms.end()) {
    Term outer = hasEnclosingLoop(call) ? functionAncestorTermForCall(call, definition.parameters)
                                        : constantTerm(kHelperReason);
    found = state.outerTerms.emplace(key, std::move(outer)).first;
  }
  return found->second;
}

// The cost of one call to a summarized helper, in the caller's symbols when it can be.
Term calleeCostAt(const FunctionSummary& callee, const SyntaxNodeInfo& call, ChainState& state) {
  if (!callee.substitutable) return callee.cost;
  auto found = state.substitutions.find(&call);
  if (found == state.substitutions.end()) {
    // A parameter renamed to itself changes nothing; dropping it spares the lookups in every
    // pass over a chain of helpers that hand their parameter on.
    std::map<std::string, std::string> renames = substitutionsForCall(callee, call, state.context);
    std::erase_if(renames, [](const auto& rename) { return rename.first == rename.second; });
    found = state.substitutions.emplace(&call, std::move(renames)).first;
  }
  return substituteTermSymbols(callee.cost, found->second);
}

// One visit of a helper in a chaining pass: folds in the summarized cost of every helper it
// calls. Returns whether its cost changed.
bool chainDefinition(const std::string& name, const Definition& definition, ChainState& state) {
  std::map<std::string, FunctionSummary>& summaries = state.summaries;
  const auto local = state.localWorks.find(name);
  const auto existing = summaries.find(name);
  Term current = constantTerm(kHelperReason);
  std::vector<std::string> notes;
  // The helper's own summary is taken apart while its calls are folded in (it never calls
  // itself: it is not cyclic) and put back below.
  if (existing != summaries.end()) {
    current = std::move(existing->second.cost);
    notes = std::move(existing->second.notes);
  } else if (local != state.localWorks.end()) {
    notes = local->second.notes;
  }
  std::string currentText = formatTerm(current);

  bool changed = false;
  for (const SyntaxNodeInfo* call : definition.calls) {
    const std::string callee = callName(*call);
    const auto found = summaries.find(callee);
    if (found == summaries.end() || !found->second.summarized) continue;
    const FunctionSummary& summary = found->second;
    const Term calleeCost = calleeCostAt(summary, *call, state);
    Term product = multiplyTerms(outerTermFor(definition, *call, state), calleeCost);
    // The larger of the two keeps `current` unless the product ranks strictly higher.
    if (rankTerm(product) <= rankTerm(current)) continue;
    std::string productText = formatTerm(product);
    if (productText == currentText) continue;
    current = std::move(product);
    currentText = std::move(productText);
    std::string note = "calls " + callee + " at line " + lineOf(*call) + " with summarized cost " +
                       formatTerm(calleeCost);
    if (!summary.notes.empty()) note += " because " + summary.notes.front();
    if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(note);
    changed = true;
  }
  if (isConstant(current) && existing == summaries.end()) return changed;

  FunctionSummary& summary = summaries[name];
  summary.localCost =
      local != state.localWorks.end() ? local->second.cost : constantTerm(kHelperReason);
  summary.propagatedCost = current;
  summary.cost = std::move(current);
  summary.parameters = definition.parameters;
  summary.notes = std::move(notes);
  summary.summarized = true;
  summary.substitutable = true;
  return changed;
}

// Passes over the non-cyclic helpers in name order until one changes nothing, at most one
// pass per definition. A helper is visited again only when its own last visit changed its
// cost or a helper it calls has changed since: otherwise the visit would repeat the previous
// one exactly. So each pass walks a worklist of the helpers it can change: a change marks the
// callers that come later in name order for this pass (they would see it in this pass) and
// the earlier ones, and the helper itself, for the next.
void chainSummaries(const Definitions& definitions, const CallGraph& graph,
                    const std::set<std::string>& cyclic, ChainState& state) {
  std::map<std::string, std::vector<std::string>> callers;
  for (const auto& [caller, callees] : graph) {
    if (cyclic.count(caller) > 0) continue;
    for (const std::string& callee : callees) callers[callee].push_back(caller);
  }
  std::set<std::string> pending;
  for (const auto& [name, definition] : definitions)
    if (cyclic.count(name) == 0) pending.insert(name);

  for (size_t pass = 0; !pending.empty(); ++pass) {
    std::set<std::string> nextPass;
    // Inserting into a std::set keeps `it` valid, and later names are still reached.
    for (auto it = pending.begin(); it != pending.end(); ++it) {
      const std::string& name = *it;
      if (!chainDefinition(name, definitions.at(name), state)) continue;
      nextPass.insert(name);
      const auto found = callers.find(name);
      if (found == callers.end()) continue;
      for (const std::string& caller : found->second)
        (caller > name ? pending : nextPass).insert(caller);
    }
    if (pass + 1 >= definitions.size()) break;
    pending = std::move(nextPass);
  }
}

// ---- Charging calls inside loops ----

// An amortized union-find cost is not a polynomial factor; the loop count is written in
// front of it ("O(edges * alpha(n))") and ranks just above the loop alone.
Term chargedTerm(const Term& product, const Term& term) {
  if (term.kind == "custom" && term.notation.find("alpha(") != std::string::npos &&
      !isConstant(product))
    return customTerm("O(" + innerTermNotation(product) + " * " + innerTermNotation(term) + ")",
                      term.reason, rankTerm(product) + 4);
  return multiplyTerms(product, term);
}

std::string substitutionList(const std::map<std::string, std::string>& substitutions) {
  std::string list;
  for (const auto& [parameter, symbol] : substitutions) {
    if (parameter.empty() || symbol.empty() || symbol == parameter) continue;
    if (!list.empty()) list += ", ";
    list += parameter + " -> " + symbol;
  }
  return list;
}

bool insideAnyLoop(const SyntaxNodeInfo& call, const std::vector<const SyntaxNodeInfo*>& loops) {
  for (const SyntaxNodeInfo* loop : loops)
    if (call.startByte >= loop->startByte && call.endByte <= loop->endByte) return true;
  return false;
}

}  // namespace

// ---- Entry points ----

std::map<std::string, FunctionSummary> buildFunctionSummaries(
    const std::vector<SyntaxNodeInfo>& nodes, const Context& context) {
  std::map<std::string, FunctionSummary> summaries;
  const Definitions definitions = collectDefinitions(nodes);
  const CallGraph graph = buildCallGraph(definitions);
  const std::set<std::string> cyclic = cyclicNames(graph);

  for (const std::string& name : cyclic)
    summaries[name] = recursiveSummary(name, definitions.at(name));

  std::map<std::string, LocalFunctionWork> localWorks;
  for (const auto& [name, definition] : definitions) {
    if (cyclic.count(name) > 0) continue;
    LocalFunctionWork work = localWork(definition, definitions, context);
    if (!isConstant(work.cost)) {
      FunctionSummary summary;
      summary.cost = work.cost;
      summary.localCost = work.cost;
      summary.propagatedCost = constantTerm(kHelperReason);
      summary.parameters = definition.parameters;
      summary.notes = work.notes;
      summary.summarized = true;
      summary.substitutable = true;
      summaries[name] = summary;
    }
    localWorks[name] = std::move(work);
  }

  ChainState state{localWorks, context, summaries, {}, {}};
  chainSummaries(definitions, graph, cyclic, state);
  return summaries;
}

bool reachesFunction(const std::string& current, const std::string& target,
                     const CallGraph& callGraph, std::set<std::string>& visited) {
  // Depth-first with an explicit stack: a chain of thousands of helpers must not exhaust the
  // call stack. The visiting order is that of the plain recursive search.
  using Callees = std::set<std::string>;
  struct Frame {
    const Callees* callees;
    Callees::const_iterator next;
  };
  std::vector<Frame> stack;
  auto enter = [&](const std::string& name) {
    const auto entry = callGraph.find(name);
    if (entry != callGraph.end() && !entry->second.empty())
      stack.push_back({&entry->second, entry->second.begin()});
  };
  if (!visited.insert(current).second) return false;
  enter(current);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.callees->end()) {
      stack.pop_back();
      continue;
    }
    const std::string& callee = *frame.next++;
    if (callee == target) return true;
    if (visited.insert(callee).second) enter(callee);
  }
  return false;
}

Term functionLoopFactor(const LoopInfo& info, std::string_view loopText,
                        const std::vector<std::string>& parameters) {
  const std::string_view header = loopText.substr(0, loopText.find('{'));
  const size_t colon = header.find(':');
  const bool mentionsSize = header.find("size") != std::string_view::npos;
  for (const std::string& parameter : parameters) {
    if (parameter.empty()) continue;
    const bool rangeOver = colon != std::string_view::npos &&
                           containsIdentifierToken(header.substr(colon + 1), parameter);
    const bool sizeOf = mentionsSize && containsIdentifierToken(header, parameter);
    if (rangeOver || sizeOf) return substituteTermSymbols(info.term, {{"n", parameter}});
  }
  return info.term;
}

Term functionAncestorTermForCall(const SyntaxNodeInfo& node,
                                 const std::vector<std::string>& parameters) {
  Term result = constantTerm("");
  for (const LoopFrame* loop : enclosingLoops(node)) {
    const LoopInfo info = classifyLoop(*loop);
    if (info.recognized)
      result = multiplyTerms(result, functionLoopFactor(info, loop->text, parameters));
  }
  return result;
}

std::map<std::string, std::string> substitutionsForCall(const FunctionSummary& summary,
                                                        const SyntaxNodeInfo& call,
                                                        const Context& context) {
  std::map<std::string, std::string> result;
  const std::vector<std::string> arguments = callArguments(call.text);
  const size_t count = std::min(arguments.size(), summary.parameters.size());
  for (size_t i = 0; i < count; ++i) {
    const std::string argument = trim(arguments[i]);
    if (argument.empty() || isConstantBoundExpression(argument)) continue;
    std::string symbol;
    std::string identifier;
    if (singleBoundIdentifier(argument, identifier)) {
      const auto size = context.containerSizes.find(identifier);
      const auto assigned = context.assignments.find(identifier);
      if (size != context.containerSizes.end())
        symbol = size->second;
      else if (assigned != context.assignments.end())
        symbol = symbolFromBoundExpression(assigned->second);
      else
        symbol = resolveAliasLinearSymbol(normalizeBoundSymbol(identifier));
    } else {
      symbol = symbolFromBoundExpression(argument);
    }
    if (!symbol.empty()) result[summary.parameters[i]] = symbol;
  }
  return result;
}

uint32_t analyzeLoopBodyOperations(const std::vector<SyntaxNodeInfo>& nodes, const Context& context,
                                   const std::map<std::string, FunctionSummary>& summaries,
                                   const std::set<uint32_t>& dpLoopStarts, Analysis& result,
                                   DetectionResult& detection) {
  std::vector<const SyntaxNodeInfo*> dpLoops;
  if (!dpLoopStarts.empty()) {
    for (const SyntaxNodeInfo& node : nodes)
      if (isLoopNodeType(node.type) && dpLoopStarts.count(node.startByte) > 0)
        dpLoops.push_back(&node);
  }
  uint32_t count = 0;
  std::set<std::string> reportedRecursive;

  for (const SyntaxNodeInfo& call : nodes) {
    if (call.type != "call_expression" || !hasEnclosingLoop(call)) continue;
    const Term product = productForAncestors(call);
    const std::string name = callName(call);
    const int line = static_cast<int>(call.startLine);
    auto charge = [&](const std::string& signal, const Term& term) {
      const Term charged = chargedTerm(product, term);
      detection.terms.push_back(charged);
      addSignal(result.signals, line, signal, charged);
      addRow(result.breakdown, line, signal, charged);
      ++count;
    };
    auto chargeLibrary = [&](LibraryCallKind kind) {
      LibraryCharge library;
      if (libraryChargeInsideLoop(kind, call, context, library))
        charge(library.signal, library.term);
    };

    chargeLibrary(LibraryCallKind::kSort);
    chargeLibrary(LibraryCallKind::kBinarySearch);
    const auto found = summaries.find(name);
    if (found != summaries.end() && found->second.summarized) {
      const FunctionSummary& summary = found->second;
      const std::map<std::string, std::string> substitutions =
          substitutionsForCall(summary, call, context);
      const Term calleeCost =
          summary.substitutable ? substituteTermSymbols(summary.cost, substitutions) : summary.cost;
      std::string signal =
          "Helper " + name + (insideAnyLoop(call, dpLoops) ? " inside DP transition" : " call");
      if (!summary.notes.empty()) signal += " uses summary: " + summary.notes.front();
      const std::string list = substitutionList(substitutions);
      if (!list.empty()) signal += " with " + list;
      charge(signal, calleeCost);
    } else if (found != summaries.end() && found->second.recursive &&
               reportedRecursive.insert(name).second) {
      result.notes.push_back("Recursive or cyclic helper " + name +
                             " was not substituted at call sites.");
    }
    chargeLibrary(LibraryCallKind::kHeapOperation);
    chargeLibrary(LibraryCallKind::kOrderedContainer);
  }
  return count;
}

}  // namespace quorbel
