// Inner loops whose bound or step depends on the enclosing loop's iterator, charged by the
// true sum instead of the product: harmonic sums, the sieve of Eratosthenes, triangular sums,
// summed root, logarithmic and log-log loops, submask enumeration and bitmask nesting.
#pragma once

#include <string>
#include <string_view>

#include "analysis/term.h"
#include "detectors/loop_classification.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

struct ReducedNestedLoop {
  bool reduced = false;
  Term term;           // the whole contribution, enclosing loops included
  std::string signal;  // the row text
};

// The sum for `node` (a loop with `info` = its own classification) over its innermost
// enclosing loop, times the loops further out; not reduced when no rule applies.
ReducedNestedLoop reduceDependentNestedLoop(const SyntaxNodeInfo& node, const LoopInfo& info);

// ---- Term shapes ----
// a * log b, a * log log b, a * root_degree(b); each factor with the given reason.
Term symbolLogTerm(const std::string& a, const std::string& b, const std::string& reason);
Term symbolLogLogTerm(const std::string& a, const std::string& b, const std::string& reason);
Term symbolRootTerm(const std::string& a, const std::string& b, int degree,
                    const std::string& reason);
// A "poly" term that is exactly one root (degree returned), one log, or one log-log factor of
// `symbol`.
bool termIsSingleRoot(const Term& term, const std::string& symbol, int& degree);
bool termIsSingleLog(const Term& term, const std::string& symbol);
bool termIsSingleLogLog(const Term& term, const std::string& symbol);
// "sqrt n", "cuberoot n", "root4 n".
std::string rootInnerNotation(const std::string& symbol, int degree);
// The single bound identifier of an expression, normalised; false when there is not one.
bool expressionSingleSymbol(std::string_view expression, std::string& symbol);

// ---- Sieve ----
// The array an outer loop tests at its iterator: `if (isPrime[i])` gives isPrime; empty
// otherwise (`if (!composite[i])` gives nothing).
std::string primeGuardArray(std::string_view outerText, std::string_view iterator);
// Whether the inner loop clears that array at its own iterator: `isPrime[j] = false` or `= 0`.
bool marksCompositeMultiple(std::string_view innerText, std::string_view array,
                            std::string_view iterator);

}  // namespace quorbel
