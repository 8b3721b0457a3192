// The standard-library calls the analyzer recognises and what each costs, as one table read by
// every place that charges them: calls outside loops (builtins), calls inside loops and calls
// inside helper bodies (helper summaries). Every cost is written in the placeholder symbol "n",
// whatever the container or range the call works on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/term.h"
#include "syntax/context.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// One row of the table, in table order.
enum class LibraryCallKind {
  kSort,              // sort, stable_sort
  kPartialSort,       // partial_sort
  kLinearPass,        // nth_element, count, accumulate, min_element, max_element
  kLinearFind,        // find as a free call (no '.' in the call text)
  kBinarySearch,      // lower_bound, upper_bound, binary_search, equal_range
  kHeapOperation,     // pq.push / pq.pop on a priority queue of the context
  kOrderedContainer,  // insert, erase, find, lower_bound, upper_bound on a set or map
};

// How a row recognises a call node.
enum class LibraryCallMatch {
  kFreeName,            // `callName` is one of `names`
  kFreeNameWithoutDot,  // as kFreeName, and the call text contains no '.'
  kHeapMember,          // `memberCall` on a name of the context's priorityQueues
  kOrderedMember,       // `memberCall` on a name of the context's logContainers
};

enum class LibraryTermShape { kLinear, kLinearithmic, kLogarithmic };

struct LibraryCallRow {
  LibraryCallKind kind;
  LibraryCallMatch match;
  std::vector<std::string> names;  // free names, or member names for the member rows
  LibraryTermShape shape;
  std::string reason;             // the term's reason outside loops and in helper bodies
  std::string reasonInsideLoop;   // the term's reason when charged inside a loop
  std::string signalOutsideLoop;  // empty: not charged outside loops
  std::string signalInsideLoop;   // empty: not charged inside loops
  bool helperBody = false;        // recognised in helper bodies
};

// A recognised call: the row's signal for the place it was found and its term in "n".
struct LibraryCharge {
  LibraryCallKind kind;
  std::string signal;
  Term term;
};

// The table, in row order.
const std::vector<LibraryCallRow>& libraryCallTable();
// The row of one kind.
const LibraryCallRow& libraryCallRow(LibraryCallKind kind);
// True when the call node matches the row (names compared exactly, whole name).
bool matchesLibraryCall(const LibraryCallRow& row, const SyntaxNodeInfo& call,
                        const Context& context);

// Every row charged outside loops that the call matches, in table order (a member
// lower_bound on a set gives two charges).
std::vector<LibraryCharge> libraryChargesOutsideLoops(const SyntaxNodeInfo& call,
                                                      const Context& context);
// The in-loop charge of one row: true with `charge` filled when the call matches that row and
// the row is charged inside loops (sort, binary search, priority queue, ordered container).
bool libraryChargeInsideLoop(LibraryCallKind kind, const SyntaxNodeInfo& call,
                             const Context& context, LibraryCharge& charge);
// The first row recognised in helper bodies that the call matches; false when none does.
bool libraryChargeInHelperBody(const SyntaxNodeInfo& call, const Context& context,
                               LibraryCharge& charge);

// The 30 names the unknown-call check treats as known ("if", "sort", "push_back", "size",
// ...), compared exactly.
bool isKnownCallName(std::string_view name);

}  // namespace quorbel
