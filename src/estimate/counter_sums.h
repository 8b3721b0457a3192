// Calls made once per value of a counter: for (k = 1; k <= n; k++) f(k) where f's cost falls as
// k grows (a walk over the multiples of k, a loop to n / k). The calls together cost the sum
// over k, which for X / k is X log n, the harmonic sum, not n times the cost at either end.
#pragma once

#include <string>
#include <vector>

#include "cost/cost.h"
#include "model/loops.h"
#include "model/model.h"

namespace quorbel {

// True when `argument` is the counter of one of `frames` that counts by one through a range with
// a constant end (for (k = 1; k <= n; k++), for (int d = 2; d < m; ++d), for (k = n; k >= 1;
// k--)), so that a cost of X / k summed over the loop's passes is harmonic.
bool countsUpByOne(const Model& model, const Node& argument,
                   const std::vector<EnclosingLoop>& frames);

// `cost` in a parameter `size` that takes each value of such a counter in turn: size^-1 becomes
// size^-1 * log size, so that the counter's range R in its place gives log R / R per call and
// the loop's R passes multiply it back to log R; size^-c with c > 1 converges, and becomes
// size^-1. Calls made only for the divisors of some X (if (X % k == 0) f(k)) sum X / k over
// those divisors, sigma(X): log log in place of log. Terms without a negative power of `size`
// are left as they are.
Cost summedOverCounter(const Cost& cost, const std::string& size, bool divisorsOnly);

// `cost` with every negative power of `size` dropped: X / k with k an argument known only by an
// upper bound of its value (a counter from an unknown start, an entry of a container) is bounded
// by X, not divided down by that bound.
Cost withoutReciprocal(const Cost& cost, const std::string& size);

// `cost` with the negative powers of `size` taken at `least`, the smallest value the argument
// takes (the start of a counter counting up): X / k <= X / start, whatever k reaches.
Cost reciprocalAtLeast(const Cost& cost, const std::string& size, const Cost& least);

// The start of the counter of `frames` that `argument` names when that counter counts up by
// one, else null.
Node counterStart(const Node& argument, const std::vector<EnclosingLoop>& frames);

// True when `argument` reads a counter of `frames` or an entry of a container: its magnitude
// bounds its value from above only.
bool boundedAboveOnly(const Node& argument, const std::vector<EnclosingLoop>& frames);

// True when `call` sits under a test, inside the loop `frame`, that the loop's counter divides
// something: if (n % k == 0), if (!(n % k)).
bool calledForDivisors(const Node& call, const EnclosingLoop& frame);

}  // namespace quorbel
