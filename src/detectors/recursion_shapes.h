// The shapes of one directly recursive function that need more than a single pattern:
// permutation backtracking and the branching term with its base and work per call.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "analysis/term.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// A function definition that calls itself.
struct RecursiveFunction {
  std::string name;
  const SyntaxNodeInfo* definition = nullptr;
  std::span<const SyntaxNodeInfo> body;      // the nodes inside the definition, in order
  std::vector<const SyntaxNodeInfo*> calls;  // the self-calls, in node order
  std::vector<std::string> parameters;
};

// True when a used/visited array or a swap marks the choices and a self-call made inside a
// loop passes the first parameter plus one.
bool isPermutationBacktracking(const RecursiveFunction& function);

// "O(b^n)" or "O(b^n * work)" (rank 260) where b is 2, 3, ..., "k" or "n"; a constant term
// when the function has no base (one call, outside every loop). Reads gContext.
Term branchingRecursionTerm(const RecursiveFunction& function);

}  // namespace quorbel
