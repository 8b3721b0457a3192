// Primes for generated numbers: a number read alone and grown as the size (cin >> n; factor
// n) costs most where it is prime, since trial division then runs to its square root.
#pragma once

#include <cstdint>

namespace quorbel {

// Whether `value` is prime; exact for every 64-bit value (Miller-Rabin on the first twelve
// primes as bases).
bool isPrime(uint64_t value);

// The largest prime at most `value`; `value` itself below 2.
uint64_t largestPrimeAtMost(uint64_t value);

}  // namespace quorbel
