#include "cost/cost_values.h"

#include <algorithm>
#include <cmath>

namespace quorbel {
namespace {

double log10Sum(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return NAN;
  if (a == -INFINITY) return b;
  if (b == -INFINITY) return a;
  if (a == INFINITY || b == INFINITY) return INFINITY;
  const double top = std::max(a, b);
  return top + std::log10(std::pow(10.0, a - top) + std::pow(10.0, b - top));
}

double log10Factorial(double a) {
  if (a == INFINITY) return a;
  const double value = std::pow(10.0, a);
  if (!std::isfinite(value)) return INFINITY;
  return std::lgamma(value + 1) / std::log(10.0);
}

// A logarithm counts halvings: at least one step.
double log10Log(double a) {
  if (a == INFINITY) return a;
  const double bits = a == -INFINITY ? 0 : a / std::log10(2.0);
  return std::log10(std::max(1.0, bits));
}

// The inverse Ackermann function is at most 4 for any input that fits in memory.
double log10Alpha(double a) {
  const double value = a > 10 ? INFINITY : std::pow(10.0, a);
  return std::log10(value < 4 ? 1 : value < 16 ? 2 : value < 65536 ? 3 : 4);
}

bool lookUp(const std::map<std::string, double>& values, const std::string& name, double& log10) {
  const auto found = values.find(name);
  if (found == values.end()) return false;
  log10 = found->second > 0 ? std::log10(found->second) : -INFINITY;
  return true;
}

// The term's log10 with each size's log10 given by `lookUp(name, log10)`, false when unknown.
template <typename LookUp>
double log10OfTermWith(const Monomial& term, const LookUp& lookUp) {
  double total = 0;
  bool zero = false;
  for (const auto& [size, g] : term.sizes) {
    double value = 0;
    if (g.sizedExponential) {
      // k^n: n times log k.
      const size_t caret = size.find('^');
      double base = 0;
      if (caret == std::string::npos || !lookUp(size.substr(0, caret), base) ||
          !lookUp(size.substr(caret + 1), value))
        return NAN;
      zero = zero || base == -INFINITY;
      if (value != -INFINITY && !zero) total += std::pow(10.0, value) * base;
      continue;
    }
    if (!lookUp(size, value)) return NAN;
    if (g.factorial) total += log10Factorial(value);
    if (g.expBase > 1 && value != -INFINITY) total += std::pow(10.0, value) * std::log10(g.expBase);
    if (g.power != 0) {
      zero = zero || value == -INFINITY;
      if (!zero) total += value * g.power / kWholePower;
    }
    total += g.logs * log10Log(value) + g.logLogs * log10Log(log10Log(value)) +
             g.alphas * log10Alpha(value);
  }
  return zero ? -INFINITY : total + std::log10(std::max(term.constant, 1e-18));
}

template <typename LookUp>
double log10OfCostWith(const Cost& cost, const LookUp& lookUp) {
  if (cost.terms.empty()) return 0;
  double total = -INFINITY;
  for (const Monomial& term : cost.terms) total = log10Sum(total, log10OfTermWith(term, lookUp));
  return total;
}

}  // namespace

double log10OfTerm(const Monomial& term, const std::map<std::string, double>& values) {
  return log10OfTermWith(term, [&values](const std::string& name, double& log10) {
    return lookUp(values, name, log10);
  });
}

double log10OfCost(const Cost& cost, const std::map<std::string, double>& values) {
  return log10OfCostWith(cost, [&values](const std::string& name, double& log10) {
    return lookUp(values, name, log10);
  });
}

namespace {

// Every size the cost names, each at n.
std::map<std::string, double> equalSizes(const Cost& cost, double n) {
  std::map<std::string, double> values;
  for (const Monomial& term : cost.terms)
    for (const auto& entry : term.sizes) {
      const size_t caret = entry.first.find('^');
      if (entry.second.sizedExponential && caret != std::string::npos) {
        values[entry.first.substr(0, caret)] = n;
        values[entry.first.substr(caret + 1)] = n;
      }
      values[entry.first] = n;
    }
  return values;
}

}  // namespace

double log10AtEqualSizes(const Cost& cost, double n) {
  return log10OfCost(cost, equalSizes(cost, n));
}

double largestEqualSize(const Cost& cost, double log10Budget) {
  constexpr double kLargest = 1e18;
  // Every size the cost names is n: each lookup is log10 n, with no table to search.
  const auto fits = [&](double n) {
    const double log10 = n > 0 ? std::log10(n) : -INFINITY;
    const auto atN = [log10](const std::string&, double& value) {
      value = log10;
      return true;
    };
    return log10OfCostWith(cost, atN) <= log10Budget + 1e-9;
  };
  if (fits(kLargest)) return kLargest;
  if (!fits(1)) return 0;
  double lo = 1, hi = kLargest;
  for (int step = 0; step < 200 && hi - lo > 1; ++step) {
    const double mid = std::floor(lo + (hi - lo) / 2);
    (fits(mid) ? lo : hi) = mid;
  }
  return lo;
}

}  // namespace quorbel
