// Multiples loops priced by what the code guarantees about the step, not by where they start:
//   for (i = 2; i <= n; i++) if (!composite[i]) for (j = i * i; j <= n; j += i)   primes only
//   for (i = 2; i <= n; i++) { if (spf[i] != i) continue; for (j = 2 * i; ...) }  primes only
//   for (int p : primes) for (j = p; j <= n; j += p)      a list filled under a primality test
//   for (d = 1; d <= n; d++) for (j = 2 * d; j <= n; j += d)    every d: the harmonic sum
// Over primes the passes sum to n log log n; over every step to n log n.
#pragma once

#include <string>

#include "model/loops.h"

namespace quorbel {

// True when the steps `outer` hands the multiples loop `loop` are primes: a test of a flag
// indexed by the step around the loop, or before it in the step's pass with a continue, or a
// walk over a container (`stepList`, or the one `outer` walks) that is filled only under such
// a test.
bool stepsOverPrimes(const Model& model, const Node& loop, const EnclosingLoop& outer,
                     const std::string& stepList = "");

// True when every push into `container` sits under a test of a flag indexed by the value
// pushed: primes.push_back(i) under if (!composite[i]) or after if (lp[i] != i) continue;.
bool filledUnderFlagTest(const Model& model, const std::string& container);

}  // namespace quorbel
