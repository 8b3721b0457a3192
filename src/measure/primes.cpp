#include "measure/primes.h"

namespace quorbel {
namespace {

uint64_t multiplyModulo(uint64_t a, uint64_t b, uint64_t m) {
  return static_cast<uint64_t>(static_cast<unsigned __int128>(a) * b % m);
}

uint64_t powerModulo(uint64_t base, uint64_t exponent, uint64_t m) {
  uint64_t result = 1 % m;
  for (base %= m; exponent > 0; exponent >>= 1) {
    if (exponent & 1) result = multiplyModulo(result, base, m);
    base = multiplyModulo(base, base, m);
  }
  return result;
}

}  // namespace

bool isPrime(uint64_t value) {
  if (value < 2) return false;
  constexpr uint64_t kBases[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37};
  for (uint64_t p : kBases)
    if (value % p == 0) return value == p;
  uint64_t odd = value - 1;
  int twos = 0;
  for (; odd % 2 == 0; odd /= 2) ++twos;
  for (uint64_t base : kBases) {
    uint64_t x = powerModulo(base, odd, value);
    if (x == 1 || x == value - 1) continue;
    bool composite = true;
    for (int i = 1; i < twos && composite; ++i) {
      x = multiplyModulo(x, x, value);
      composite = x != value - 1;
    }
    if (composite) return false;
  }
  return true;
}

uint64_t largestPrimeAtMost(uint64_t value) {
  if (value < 2) return value;
  // Gaps between primes below 2^64 are under 1600: the loop is short.
  for (uint64_t candidate = value; candidate >= 2; --candidate)
    if (isPrime(candidate)) return candidate;
  return value;
}

}  // namespace quorbel
