// The algebra of costs, free of C++ syntax: a Cost is a sum of products of factors over the
// program's named sizes (n^2, sqrt n, log n, log log n, 2^n, n!). Sums keep independent sizes
// apart (n + q) and drop a term that another term bounds over the same sizes (n + n log n is
// n log n). Exponents may go negative inside a computation, so that an amortised per-iteration
// cost (total / trips) multiplied by the trips gives the total back; formatting clamps them.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quorbel {

// Powers are kept in units of 1/420 so that every root up to the seventh is exact.
constexpr int kWholePower = 420;

// How fast one product grows in one size: (size!) * base^size * size^(power / 420) *
// log^logs size * (log log size)^logLogs * alpha(size). A size named "k^n" stands for the
// exponential k^n and carries `sizedExponential`.
struct Growth {
  bool factorial = false;
  bool sizedExponential = false;
  double expBase = 1;  // 1 when there is no exponential factor
  int power = 0;       // 420 is n, 210 sqrt n, 140 the cube root, 840 n^2
  int logs = 0;
  int logLogs = 0;
  int alphas = 0;  // inverse Ackermann: union-find with union by size

  bool operator==(const Growth&) const = default;
};

// One product of factors, keyed by size name, and the constant factor the notation drops (60
// bisection steps, 26 letters) but the count of operations keeps. Products are equal when their
// factors are: the constant never makes a second term of the same growth.
struct Monomial {
  std::map<std::string, Growth> sizes;
  double constant = 1;

  bool operator==(const Monomial& other) const { return sizes == other.sizes; }
};

// A sum of products; no terms means O(1).
struct Cost {
  std::vector<Monomial> terms;

  bool operator==(const Cost&) const = default;
};

// ---- Construction ----
Cost constantCost();
// A fixed number of repetitions: O(1), with `times` as its constant factor.
Cost repeatedCost(double times);
Cost sizeCost(const std::string& size);  // n
Cost logCost(const Cost& of);            // log of the largest sizes of `of`; O(1) for constants
Cost logLogCost(const Cost& of);
Cost sqrtCost(const Cost& of);
Cost rootCost(const Cost& of, int degree);  // the degree-th root, 2 <= degree <= 7
Cost alphaCost(const Cost& of);             // alpha(n), the inverse Ackermann function
// k^n for sizes k and n (k = n gives n^n).
Cost sizedExponentialCost(const Cost& base, const Cost& exponent);
Cost powerOfTwoCost(const Cost& exponent);  // 2^n for exponent n, O(1) for a constant exponent
Cost exponentialCost(const Cost& exponent, double base);
Cost factorialCost(const Cost& of);

// ---- Algebra ----
bool isConstantCost(const Cost& cost);
Cost addCosts(const Cost& a, const Cost& b);
Cost addCosts(Cost&& a, const Cost& b);  // adds into `a`'s storage
Cost multiplyCosts(const Cost& a, const Cost& b);
// `total` spread over `trips` iterations: total / trips, exponents allowed to go negative.
Cost divideCosts(const Cost& total, const Cost& trips);
// Replaces every occurrence of `size` by `by` (a parameter by its argument's cost).
Cost substituteSize(const Cost& cost, const std::string& size, const Cost& by);
// Takes the square root of every exponential in `size` (2^n becomes 2^(n/2)), so that what
// replaces `size` next counts only half of itself under an exponent.
Cost halveExponentials(const Cost& cost, const std::string& size);
// Drops terms another term bounds and negative leftovers; what formatting shows. Of two terms
// of one growth the larger constant stays.
Cost simplifyCost(const Cost& cost);

// A sum of many costs added one at a time, equal to the one repeated addCosts builds. A sum
// past its cap of terms is simplified on each addition; the terms that came out of the last
// simplification bound none of each other, so only what came in since is compared with all.
// A program's sum over its entries sits at the cap, for hundreds of additions.
struct RunningSum {
  Cost total;
  size_t settled = 0;  // total.terms before this index came out of a simplification
};
void addToSum(RunningSum& sum, const Cost& cost);
// The same terms with every constant factor 1.
Cost withoutConstants(Cost cost);
// Sizes named anywhere in the cost.
std::vector<std::string> sizesOf(const Cost& cost);
// The sizes in the order formatCost writes them, a sized exponential k^n giving k then n.
std::vector<std::string> sizesInOrderShown(const Cost& cost);
// Compares growth when every size is the same n: negative, zero or positive.
int compareGrowth(const Monomial& a, const Monomial& b);
// The fastest-growing term (the constant product for O(1)).
Monomial dominantTerm(const Cost& cost);

// ---- Rendering ----
// "O((n + q) * log n)", "O(2^n * n^2)", "O(n * log log n)", "O(1)".
std::string formatCost(const Cost& cost);
std::string formatMonomial(const Monomial& term);

}  // namespace quorbel
