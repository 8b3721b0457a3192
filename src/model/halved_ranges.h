// Meet in the middle calls one function on each half of the items: gen(0, n / 2) and
// gen(n / 2, n). The magnitude of n / 2 is n, which is right for a polynomial but not under an
// exponent, where 2^(n/2) is the square root of 2^n. This tells, per parameter of a call,
// whether the range the callee counts from its partner parameter up to it is half a size.
#pragma once

#include <vector>

#include "model/model.h"

namespace quorbel {

// n / 2, n >> 1, or a name declared as one (half = n / 2, rest = n - half): half of a size.
bool isHalfOf(const Model& model, const Node& expression);

// Per parameter of `callee`: true when the call hands it half a size as the range the callee
// counts. A parameter the body compares with another one, or with a variable started at another
// one (pos == stop, for (i = lo; i < hi; ..)), counts the distance between their arguments:
// (0, n / 2) and (n / 2, n) are halves, (0, n) is not. A parameter compared with none counts
// its own argument.
std::vector<bool> halvedRanges(const Model& model, const Function& callee,
                               const std::vector<Node>& arguments);

}  // namespace quorbel
