// Library calls made outside every loop:
//   sort(a.begin(), a.end());     -> "STL sort", O(n * log n)
//   st.lower_bound(x);            -> "Binary-search STL helper" and, with `set<int> st;`,
//                                    "Ordered container operation", both O(log n)
//   pq.push(x);                   -> nothing: heap operations count only inside loops
//   find(parent[x]);              -> nothing when the program defines its own find
// and the unknown-call check over calls inside loops:
//   for (...) { solve(i); }       -> unknown unless solve has a summary
//   for (...) { (*fp)(i); }       -> unknown: no name can be read
#include "detectors/builtins.h"

#include <set>

#include "analysis/notation.h"
#include "detectors/library_calls.h"

namespace quorbel {
namespace {

// The names of the functions this source defines.
std::set<std::string> definedFunctionNames(const std::vector<SyntaxNodeInfo>& nodes) {
  std::set<std::string> names;
  for (const SyntaxNodeInfo& node : nodes) {
    if (node.type != "function_definition") continue;
    std::string name = functionNameFromDefinition(node.text);
    if (!name.empty()) names.insert(std::move(name));
  }
  return names;
}

// A call to the program's own `find` or `count` (a union-find root, a counter) is its own
// code, not the library algorithm of that name; `std::find` and member calls on declared
// containers still count.
bool callsOwnFunction(const LibraryCharge& charge, const SyntaxNodeInfo& call,
                      const std::string& name, const std::set<std::string>& definedNames) {
  if (call.text.starts_with("std::")) return false;
  const LibraryCallMatch match = libraryCallRow(charge.kind).match;
  const bool freeRow =
      match == LibraryCallMatch::kFreeName || match == LibraryCallMatch::kFreeNameWithoutDot;
  return freeRow && definedNames.count(name) > 0;
}

}  // namespace

uint32_t analyzeBuiltins(const std::vector<SyntaxNodeInfo>& nodes, const Context& context,
                         Analysis& result, DetectionResult& detection) {
  const std::set<std::string> definedNames = definedFunctionNames(nodes);
  uint32_t count = 0;
  for (const SyntaxNodeInfo& node : nodes) {
    if (node.type != "call_expression" || node.loopDepth > 0) continue;
    const std::string name = callName(node);
    for (const LibraryCharge& charge : libraryChargesOutsideLoops(node, context)) {
      if (callsOwnFunction(charge, node, name, definedNames)) continue;
      const int line = static_cast<int>(node.startLine);
      detection.terms.push_back(charge.term);
      addSignal(result.signals, line, charge.signal, charge.term);
      addRow(result.breakdown, line, charge.signal, charge.term);
      ++count;
    }
  }
  return count;
}

bool containsUnknownCallInsideLoop(const std::vector<SyntaxNodeInfo>& nodes,
                                   const std::map<std::string, FunctionSummary>& summaries) {
  for (const SyntaxNodeInfo& node : nodes) {
    if (node.type != "call_expression" || node.loopDepth == 0) continue;
    const std::string name = callName(node);
    if (name.empty()) return true;
    const auto summary = summaries.find(name);
    if (summary == summaries.end()) {
      if (!isKnownCallName(name)) return true;
      continue;
    }
    // A recursive or cyclic helper was skipped, so its calls are not really costed.
    if (!summary->second.summarized && !summary->second.skipReason.empty()) return true;
  }
  return false;
}

}  // namespace quorbel
