// The time estimate: a walk over the program's functions where a sequence adds, a loop
// multiplies its trip count by its body, a call costs the callee's summary with its arguments
// substituted for its parameters, a library call costs what the standard guarantees, and a
// recursive function costs by its shape. Each loop, call and recursion that costs more than
// O(1) leaves one contribution with its line.
#pragma once

#include <string>
#include <vector>

#include "cost/cost.h"
#include "estimate/assumption.h"
#include "model/model.h"

namespace quorbel {

struct Contribution {
  int line = 0;
  std::string what;       // "for loop over i", "sort", "Memoised recursion ..."
  Cost cost;              // the work this construct does in its function, loops around it included
  std::string structure;  // in the space estimate, the symbol a row stores; empty for others
};

struct TimeEstimate {
  Cost total;
  std::vector<Contribution> contributions;
  std::string pattern;  // the construct behind the dominant term
  std::vector<std::string> notes;
  // The deepest recursion each call from outside a recursive function reaches, in the
  // caller's sizes: what its stack holds.
  std::vector<Contribution> recursionDepths;
  // new T[size] in its loops: what stays allocated.
  std::vector<Contribution> heapAllocations;
  // Where the walk fell back instead of deriving a cost (dimension "time").
  std::vector<Assumption> assumptions;
};

// The note for a loop whose trip count the model cannot derive.
extern const char* const kUncountedLoopNote;

// Also records in the model how many entries each container receives over the run.
TimeEstimate estimateTime(Model& model);

}  // namespace quorbel
