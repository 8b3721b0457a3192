// Summarized costs of user-defined helper functions, chained through helper-to-helper calls
// and charged at the call sites inside loops.
#pragma once

#include <string>
#include <vector>

#include "analysis/term.h"

namespace quorbel {

struct FunctionSummary {
  Term cost;            // one call, in the function's own parameter names (and "n")
  Term localCost;       // its own loops and library calls, without the helpers it calls
  Term propagatedCost;  // after helper-to-helper chaining
  std::vector<std::string> parameters;  // in declaration order
  std::vector<std::string> notes;       // the first line is quoted at call sites
  bool summarized = false;              // `cost` may be charged at call sites
  bool substitutable = false;           // parameter names in `cost` may be replaced
  bool recursive = false;               // recursive or on a call cycle, no usable summary
  std::string skipReason;  // "recursive/cyclic helper summary skipped" when `recursive`
};

struct LocalFunctionWork {
  Term cost = constantTerm("helper function");
  std::vector<std::string> notes;
};

}  // namespace quorbel
