// The library-call table as data:
//   sort(a.begin(), a.end());          n log n  "STL sort" / "Sort inside loop"
//   partial_sort(...)                  n log n  "Partial sort"
//   count(...), accumulate(...), ...   n        "Linear STL pass"
//   find(first, last, x)               n        "Linear find"
//   lower_bound(...), st.lower_bound() log n    "Binary-search STL helper"
//   pq.push(x), pq.pop()               log n    inside loops only
//   st.insert(x), mp.find(k), ...      log n    "Ordered container operation"
#include "detectors/library_calls.h"

#include <algorithm>
#include <array>

namespace quorbel {
namespace {

std::vector<LibraryCallRow> buildTable() {
  return {
      {LibraryCallKind::kSort,
       LibraryCallMatch::kFreeName,
       {"sort", "stable_sort"},
       LibraryTermShape::kLinearithmic,
       "sort",
       "sort",
       "STL sort",
       "Sort inside loop",
       true},
      {LibraryCallKind::kPartialSort,
       LibraryCallMatch::kFreeName,
       {"partial_sort"},
       LibraryTermShape::kLinearithmic,
       "partial sort",
       "partial sort",
       "Partial sort",
       "",
       true},
      {LibraryCallKind::kLinearPass,
       LibraryCallMatch::kFreeName,
       {"nth_element", "count", "accumulate", "min_element", "max_element"},
       LibraryTermShape::kLinear,
       "linear STL pass",
       "linear STL pass",
       "Linear STL pass",
       "",
       true},
      {LibraryCallKind::kLinearFind,
       LibraryCallMatch::kFreeNameWithoutDot,
       {"find"},
       LibraryTermShape::kLinear,
       "linear find",
       "linear find",
       "Linear find",
       "",
       true},
      {LibraryCallKind::kBinarySearch,
       LibraryCallMatch::kFreeName,
       {"lower_bound", "upper_bound", "binary_search", "equal_range"},
       LibraryTermShape::kLogarithmic,
       "binary-search STL helper",
       "binary-search helper",
       "Binary-search STL helper",
       "Binary-search helper inside loop",
       true},
      {LibraryCallKind::kHeapOperation,
       LibraryCallMatch::kHeapMember,
       {"push", "pop"},
       LibraryTermShape::kLogarithmic,
       "heap operation",
       "heap operation",
       "",
       "Priority queue operation inside loop",
       true},
      {LibraryCallKind::kOrderedContainer,
       LibraryCallMatch::kOrderedMember,
       {"insert", "erase", "find", "lower_bound", "upper_bound"},
       LibraryTermShape::kLogarithmic,
       "ordered container operation",
       "ordered container operation",
       "Ordered container operation",
       "Ordered container operation inside loop",
       true},
  };
}

Term termOfShape(LibraryTermShape shape, const std::string& reason) {
  switch (shape) {
    case LibraryTermShape::kLinear:
      return linearTerm(reason, "n");
    case LibraryTermShape::kLinearithmic:
      return linearithmicTerm(reason, "n");
    case LibraryTermShape::kLogarithmic:
      return logTerm(reason, "n");
  }
  return constantTerm(reason);
}

bool listed(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

const std::vector<LibraryCallRow>& libraryCallTable() {
  static const std::vector<LibraryCallRow> table = buildTable();
  return table;
}

const LibraryCallRow& libraryCallRow(LibraryCallKind kind) {
  for (const LibraryCallRow& row : libraryCallTable()) {
    if (row.kind == kind) return row;
  }
  return libraryCallTable().front();  // every kind has a row; never reached
}

bool matchesLibraryCall(const LibraryCallRow& row, const SyntaxNodeInfo& call,
                        const Context& context) {
  switch (row.match) {
    case LibraryCallMatch::kFreeName:
      return listed(row.names, callName(call));
    case LibraryCallMatch::kFreeNameWithoutDot:
      // Any '.' in the call text disqualifies it: `s.find(x)` is a member find.
      return call.text.find('.') == std::string_view::npos && listed(row.names, callName(call));
    case LibraryCallMatch::kHeapMember:
    case LibraryCallMatch::kOrderedMember: {
      std::string owner;
      std::string member;
      if (!memberCall(call.text, owner, member) || !listed(row.names, member)) return false;
      const std::set<std::string>& owners = row.match == LibraryCallMatch::kHeapMember
                                                ? context.priorityQueues
                                                : context.logContainers;
      return owners.count(owner) > 0;
    }
  }
  return false;
}

std::vector<LibraryCharge> libraryChargesOutsideLoops(const SyntaxNodeInfo& call,
                                                      const Context& context) {
  std::vector<LibraryCharge> charges;
  for (const LibraryCallRow& row : libraryCallTable()) {
    if (row.signalOutsideLoop.empty() || !matchesLibraryCall(row, call, context)) continue;
    charges.push_back({row.kind, row.signalOutsideLoop, termOfShape(row.shape, row.reason)});
  }
  return charges;
}

bool libraryChargeInsideLoop(LibraryCallKind kind, const SyntaxNodeInfo& call,
                             const Context& context, LibraryCharge& charge) {
  const LibraryCallRow& row = libraryCallRow(kind);
  if (row.signalInsideLoop.empty() || !matchesLibraryCall(row, call, context)) return false;
  charge = {row.kind, row.signalInsideLoop, termOfShape(row.shape, row.reasonInsideLoop)};
  return true;
}

bool libraryChargeInHelperBody(const SyntaxNodeInfo& call, const Context& context,
                               LibraryCharge& charge) {
  for (const LibraryCallRow& row : libraryCallTable()) {
    if (!row.helperBody || !matchesLibraryCall(row, call, context)) continue;
    // Helper bodies have no row of their own; the term carries the outside-loop reason.
    charge = {row.kind, row.signalOutsideLoop, termOfShape(row.shape, row.reason)};
    return true;
  }
  return false;
}

bool isKnownCallName(std::string_view name) {
  static const std::array<std::string_view, 30> kKnown = {
      "if",          "for",          "while",       "switch",      "return",      "sort",
      "stable_sort", "partial_sort", "nth_element", "lower_bound", "upper_bound", "binary_search",
      "equal_range", "min",          "max",         "abs",         "push_back",   "emplace_back",
      "size",        "empty",        "front",       "back",        "top",         "pop",
      "push",        "insert",       "erase",       "find",        "begin",       "end"};
  return std::find(kKnown.begin(), kKnown.end(), name) != kKnown.end();
}

}  // namespace quorbel
