#include "cost/cost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace quorbel {
namespace {

// Factors with a total exponent this large only come from runaway programs; capping them keeps
// every product finite and every notation short.
constexpr int kMaxExponent = 64;
constexpr size_t kMaxTerms = 24;
constexpr double kMaxConstant = 1e18;

auto growthKey(const Growth& g) {
  return std::make_tuple(g.factorial, g.sizedExponential, g.expBase, g.power, g.logs, g.logLogs,
                         g.alphas);
}

bool isZero(const Growth& g) { return growthKey(g) == growthKey(Growth{}); }

Growth multiplyGrowth(const Growth& a, const Growth& b) {
  Growth g;
  g.factorial = a.factorial || b.factorial;
  g.sizedExponential = a.sizedExponential || b.sizedExponential;
  g.expBase = std::min(a.expBase * b.expBase, 1e6);
  g.power = std::clamp(a.power + b.power, -kMaxExponent * kWholePower, kMaxExponent * kWholePower);
  g.alphas = std::clamp(a.alphas + b.alphas, -kMaxExponent, kMaxExponent);
  g.logs = std::clamp(a.logs + b.logs, -kMaxExponent, kMaxExponent);
  g.logLogs = std::clamp(a.logLogs + b.logLogs, -kMaxExponent, kMaxExponent);
  return g;
}

Growth inverseGrowth(const Growth& g) {
  Growth inverse;
  inverse.expBase = g.expBase > 0 ? 1 / g.expBase : 1;
  inverse.power = -g.power;
  inverse.alphas = -g.alphas;
  inverse.logs = -g.logs;
  inverse.logLogs = -g.logLogs;
  return inverse;  // a factorial never divides out
}

Monomial multiplyMonomials(const Monomial& a, const Monomial& b) {
  Monomial product = a;
  product.constant = std::min(a.constant * b.constant, kMaxConstant);
  for (const auto& [size, growth] : b.sizes) {
    Growth merged = multiplyGrowth(product.sizes[size], growth);
    if (isZero(merged))
      product.sizes.erase(size);
    else
      product.sizes[size] = merged;
  }
  return product;
}

Growth clampGrowth(Growth growth) {
  growth.expBase = std::max(growth.expBase, 1.0);
  growth.power = std::max(growth.power, 0);
  growth.alphas = std::max(growth.alphas, 0);
  // n! * n is (n + 1)!: a factorial absorbs the polynomial factors of its own size.
  if (growth.factorial || growth.sizedExponential) growth.power = growth.logs = 0;
  growth.logs = std::max(growth.logs, 0);
  growth.logLogs = std::max(growth.logLogs, 0);
  if (std::abs(growth.expBase - 1) < 1e-9) growth.expBase = 1;
  return growth;
}

Monomial clampNegative(const Monomial& term) {
  Monomial clamped;
  clamped.constant = std::max(1.0, term.constant);
  for (const auto& [size, growth] : term.sizes)
    if (const Growth kept = clampGrowth(growth); !isZero(kept)) clamped.sizes[size] = kept;
  // k^n * k is k^(n + 1): the exponential absorbs the polynomial factors of its base and
  // exponent, as n! absorbs those of n.
  for (const auto& [size, growth] : term.sizes) {
    if (!growth.sizedExponential) continue;
    const size_t caret = size.find('^');
    for (const std::string& part : {size.substr(0, caret), size.substr(caret + 1)}) {
      auto found = clamped.sizes.find(part);
      if (found == clamped.sizes.end()) continue;
      found->second.power = found->second.logs = 0;
      if (isZero(found->second)) clamped.sizes.erase(found);
    }
  }
  return clamped;
}

Growth growthIn(const Monomial& term, const std::string& size) {
  auto found = term.sizes.find(size);
  return found == term.sizes.end() ? Growth{} : found->second;
}

// True when `a` grows no faster than `b` in every size. Both products keep their sizes in order,
// so the sizes of either are visited in one merged pass.
bool boundedBy(const Monomial& a, const Monomial& b) {
  auto mineAt = a.sizes.begin();
  auto theirsAt = b.sizes.begin();
  while (mineAt != a.sizes.end() || theirsAt != b.sizes.end()) {
    const bool inMine =
        mineAt != a.sizes.end() && (theirsAt == b.sizes.end() || mineAt->first <= theirsAt->first);
    const bool inTheirs =
        theirsAt != b.sizes.end() && (mineAt == a.sizes.end() || theirsAt->first <= mineAt->first);
    const std::string& name = inMine ? mineAt->first : theirsAt->first;
    const Growth mine = inMine ? mineAt->second : Growth{};
    const Growth theirs = inTheirs ? theirsAt->second : Growth{};
    if (inMine) ++mineAt;
    if (inTheirs) ++theirsAt;
    if (growthKey(mine) <= growthKey(theirs)) continue;
    // k^n bounds every polynomial in k and in n.
    const bool polynomial = !mine.factorial && !mine.sizedExponential && mine.expBase <= 1;
    bool absorbed = false;
    for (const auto& [key, growth] : b.sizes)
      if (growth.sizedExponential && polynomial &&
          (key.rfind(name + "^", 0) == 0 ||
           (key.size() > name.size() &&
            key.compare(key.size() - name.size() - 1, std::string::npos, "^" + name) == 0)))
        absorbed = true;
    if (!absorbed) return false;
  }
  return true;
}

Growth collapsed(const Monomial& term) {
  Growth all;
  for (const auto& entry : term.sizes) all = multiplyGrowth(all, entry.second);
  return all;
}

std::string formatBase(double base) {
  const double rounded = std::round(base);
  if (std::abs(base - rounded) < 1e-6) return std::to_string(static_cast<long long>(rounded));
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3g", base);
  return buffer;
}

std::string formatExponential(const std::string& size, double base) {
  const double squared = base * base;
  if (std::abs(base - std::round(base)) > 1e-6 && std::abs(squared - std::round(squared)) < 1e-6)
    return formatBase(squared) + "^(" + size + "/2)";
  return formatBase(base) + "^" + size;
}

// "sqrt n", "cuberoot n", "(cuberoot n)^2", "root4 n" for a power below one.
std::string rootName(const std::string& size, int units) {
  for (int degree = 2; degree <= 7; ++degree)
    if (kWholePower % degree == 0 && units % (kWholePower / degree) == 0) {
      const int times = units / (kWholePower / degree);
      const std::string root = degree == 2   ? "sqrt " + size
                               : degree == 3 ? "cuberoot " + size
                                             : "root" + std::to_string(degree) + " " + size;
      return times == 1 ? root : "(" + root + ")^" + std::to_string(times);
    }
  return size + "^(" + std::to_string(units) + "/" + std::to_string(kWholePower) + ")";
}

std::string withExponent(const std::string& base, int exponent) {
  return exponent == 1 ? base : base + "^" + std::to_string(exponent);
}

Monomial commonFactor(const std::vector<Monomial>& terms) {
  Monomial common = terms.front();
  for (const Monomial& term : terms) {
    Monomial next;
    for (const auto& [size, growth] : common.sizes) {
      const Growth other = growthIn(term, size);
      if (growth.factorial || other.factorial || growth.expBase != 1 || other.expBase != 1 ||
          growth.sizedExponential || other.sizedExponential)
        continue;
      Growth shared;
      shared.power = std::min(growth.power, other.power) / kWholePower * kWholePower;
      shared.logs = std::min(growth.logs, other.logs);
      shared.logLogs = std::min(growth.logLogs, other.logLogs);
      if (!isZero(shared)) next.sizes[size] = shared;
    }
    common = next;
  }
  return common;
}

Monomial divideMonomial(const Monomial& term, const Monomial& by) {
  Monomial inverse;
  inverse.constant = 1 / by.constant;
  for (const auto& [size, growth] : by.sizes) inverse.sizes[size] = inverseGrowth(growth);
  return multiplyMonomials(term, inverse);
}

std::string formatSum(const std::vector<Monomial>& terms) {
  std::string text;
  for (const Monomial& term : terms) text += (text.empty() ? "" : " + ") + formatMonomial(term);
  return text;
}

bool onlyLogs(const Monomial& term) {
  for (const auto& entry : term.sizes)
    if (entry.second.power != 0) return false;
  return true;
}

// Adds the sizes of one product in the order formatMonomial writes its factors.
void addShownSizes(const Monomial& term, std::vector<std::string>& names) {
  const auto add = [&names](const std::string& name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  };
  for (int group = 0; group < 4; ++group)
    for (const auto& [size, g] : term.sizes) {
      const bool shown = group == 0   ? g.factorial || g.sizedExponential || g.expBase > 1 + 1e-9
                         : group == 1 ? g.power >= kWholePower
                         : group == 2 ? g.power > 0 && g.power % kWholePower != 0
                                      : g.logs > 0 || g.logLogs > 0 || g.alphas > 0;
      if (!shown) continue;
      const size_t caret = size.find('^');
      if (g.sizedExponential && caret != std::string::npos) {
        add(size.substr(0, caret));
        add(size.substr(caret + 1));
      } else {
        add(size);
      }
    }
}

}  // namespace

// ---- Construction ----

Cost constantCost() { return {}; }

Cost repeatedCost(double times) {
  Monomial once;
  once.constant = std::clamp(times, 1.0, kMaxConstant);
  return {{once}};
}

Cost sizeCost(const std::string& size) {
  if (size.empty()) return {};
  Monomial term;
  term.sizes[size].power = kWholePower;
  return {{term}};
}

Cost logCost(const Cost& of) {
  Cost result;
  for (const Monomial& term : simplifyCost(of).terms) {
    for (const auto& [size, growth] : term.sizes) {
      Monomial factor;
      if (growth.factorial) {
        factor.sizes[size].power = kWholePower;
        factor.sizes[size].logs = 1;
      } else if (growth.expBase > 1 || growth.sizedExponential) {
        factor.sizes[size].power = kWholePower;
      } else if (growth.power > 0) {
        factor.sizes[size].logs = 1;
      } else if (growth.logs > 0) {
        factor.sizes[size].logLogs = 1;
      } else {
        continue;
      }
      result = addCosts(result, {{factor}});
    }
  }
  return result;
}

Cost logLogCost(const Cost& of) {
  Cost result;
  for (const Monomial& term : logCost(of).terms)
    for (const auto& [size, growth] : term.sizes) {
      Monomial factor;
      if (growth.logs > 0) factor.sizes[size].logLogs = 1;
      if (!factor.sizes.empty()) result = addCosts(result, {{factor}});
    }
  return result;
}

Cost sqrtCost(const Cost& of) { return rootCost(of, 2); }

Cost rootCost(const Cost& of, int degree) {
  degree = std::clamp(degree, 2, 7);
  Cost result;
  for (Monomial term : simplifyCost(of).terms) {
    for (auto& [size, growth] : term.sizes)
      if (growth.power > 0) growth.power = std::max(1, growth.power / degree);
    result.terms.push_back(term);
  }
  return result;
}

Cost alphaCost(const Cost& of) {
  Cost result;
  for (const std::string& size : sizesOf(simplifyCost(of))) {
    Monomial term;
    term.sizes[size].alphas = 1;
    result = addCosts(result, {{term}});
  }
  return result;
}

Cost sizedExponentialCost(const Cost& base, const Cost& exponent) {
  const std::vector<std::string> bases = sizesOf(simplifyCost(base));
  const std::vector<std::string> exponents = sizesOf(simplifyCost(exponent));
  if (bases.empty()) return exponentialCost(exponent, 2);
  if (exponents.empty()) return base;
  Monomial term;
  term.sizes[bases.front() + "^" + exponents.front()].sizedExponential = true;
  return {{term}};
}

Cost exponentialCost(const Cost& exponent, double base) {
  const Cost simple = simplifyCost(exponent);
  if (simple.terms.empty()) return {};
  Monomial term;
  for (const auto& [size, growth] : dominantTerm(simple).sizes) {
    Growth& g = term.sizes[size];
    if (growth.power >= kWholePower || growth.expBase > 1 || growth.factorial) {
      g.expBase = base;
    } else {
      g.power = kWholePower;  // 2^(log n) is n
    }
  }
  return {{term}};
}

Cost powerOfTwoCost(const Cost& exponent) { return exponentialCost(exponent, 2); }

Cost factorialCost(const Cost& of) {
  Cost result;
  const Cost simple = simplifyCost(of);
  if (simple.terms.empty()) return {};
  Monomial term;
  for (const auto& entry : dominantTerm(simple).sizes) term.sizes[entry.first].factorial = true;
  return {{term}};
}

// ---- Algebra ----

// Whether simplifying would leave the cost without terms: no product has a size that grows
// once negative exponents are clamped. Asked of nearly every cost the walks build, so it
// builds nothing.
bool isConstantCost(const Cost& cost) {
  for (const Monomial& term : cost.terms)
    for (const auto& entry : term.sizes)
      if (!isZero(clampGrowth(entry.second))) return false;
  return true;
}

namespace {

// Keeps the fastest-growing terms of a runaway sum, dropping the first smallest each time.
void trimToCap(Cost& sum) {
  while (sum.terms.size() > kMaxTerms) {
    auto smallest = std::min_element(
        sum.terms.begin(), sum.terms.end(),
        [](const Monomial& x, const Monomial& y) { return compareGrowth(x, y) < 0; });
    sum.terms.erase(smallest);
  }
}

// Adds `b`'s products into `sum`, then trims a runaway sum to its fastest-growing terms.
void addInto(Cost& sum, const Cost& b) {
  for (const Monomial& term : b.terms) {
    const auto same = std::find(sum.terms.begin(), sum.terms.end(), term);
    if (same == sum.terms.end())
      sum.terms.push_back(term);
    else
      same->constant = std::max(same->constant, term.constant);
  }
  if (sum.terms.size() > kMaxTerms) sum = simplifyCost(sum);
  trimToCap(sum);
}

}  // namespace

Cost addCosts(const Cost& a, const Cost& b) {
  Cost sum = a;
  addInto(sum, b);
  return sum;
}

Cost addCosts(Cost&& a, const Cost& b) {
  addInto(a, b);
  return std::move(a);
}

Cost multiplyCosts(const Cost& a, const Cost& b) {
  // O(1) multiplies as the one empty product.
  static const std::vector<Monomial> kOne{Monomial{}};
  const std::vector<Monomial>& left = a.terms.empty() ? kOne : a.terms;
  const std::vector<Monomial>& right = b.terms.empty() ? kOne : b.terms;
  Cost product;
  Cost one{{Monomial{}}};
  for (const Monomial& x : left)
    for (const Monomial& y : right) {
      one.terms.front() = multiplyMonomials(x, y);
      addInto(product, one);
    }
  return product;
}

Cost divideCosts(const Cost& total, const Cost& trips) {
  const Cost simple = simplifyCost(trips);
  if (simple.terms.empty()) return total;
  const Monomial by = dominantTerm(simple);
  Cost result;
  for (const Monomial& term : total.terms) {
    result.terms.push_back(divideMonomial(term, by));
  }
  return result;
}

Cost substituteSize(const Cost& cost, const std::string& size, const Cost& by) {
  Cost result;
  for (const Monomial& term : cost.terms) {
    auto found = term.sizes.find(size);
    if (found == term.sizes.end()) {
      result = addCosts(result, {{term}});
      continue;
    }
    Monomial rest = term;
    rest.sizes.erase(size);
    const Growth g = found->second;
    Cost replaced = {{rest}};
    if (g.power > 0)
      for (int k = 0; k < g.power / kWholePower; ++k) replaced = multiplyCosts(replaced, by);
    if (g.power > 0 && g.power % kWholePower != 0)
      replaced = multiplyCosts(replaced, rootCost(by, kWholePower / (g.power % kWholePower)));
    for (int k = 0; k < g.alphas; ++k) replaced = multiplyCosts(replaced, alphaCost(by));
    for (int k = 0; k < g.logs; ++k) replaced = multiplyCosts(replaced, logCost(by));
    for (int k = 0; k < g.logLogs; ++k) replaced = multiplyCosts(replaced, logLogCost(by));
    if (g.expBase > 1) replaced = multiplyCosts(replaced, exponentialCost(by, g.expBase));
    if (g.factorial) replaced = multiplyCosts(replaced, factorialCost(by));
    if (g.power < 0 || g.logs < 0) replaced = divideCosts(replaced, by);
    result = addCosts(result, replaced);
  }
  return result;
}

Cost halveExponentials(const Cost& cost, const std::string& size) {
  Cost result = cost;
  for (Monomial& term : result.terms) {
    auto found = term.sizes.find(size);
    if (found != term.sizes.end() && found->second.expBase > 1)
      found->second.expBase = std::sqrt(found->second.expBase);
  }
  return result;
}

namespace {

// simplifyCost of `cost` whose first `settled` terms are themselves such an answer, in its
// order (a trim of the smallest keeps that): clamping leaves them as they are, none equals
// another, and none bounds another, so they are compared only with the terms after them.
Cost simplifyAfter(const Cost& cost, size_t settled) {
  // Runs on every addition to a sum past its cap, the whole program's among them: the terms
  // are moved, never copied, since each holds a map of its sizes.
  std::vector<Monomial> clamped;
  clamped.reserve(cost.terms.size());
  for (size_t k = 0; k < cost.terms.size(); ++k) {
    if (k < settled) {
      clamped.push_back(cost.terms[k]);
      continue;
    }
    Monomial c = clampNegative(cost.terms[k]);
    if (c.sizes.empty()) continue;
    const auto same = std::find(clamped.begin(), clamped.end(), c);
    if (same == clamped.end())
      clamped.push_back(std::move(c));
    else
      same->constant = std::max(same->constant, c.constant);
  }
  std::vector<bool> dominated(clamped.size(), false);
  for (size_t i = 0; i < clamped.size(); ++i)
    for (size_t j = i < settled ? settled : 0; j < clamped.size() && !dominated[i]; ++j)
      if (i != j && boundedBy(clamped[i], clamped[j]) &&
          (!boundedBy(clamped[j], clamped[i]) || j < i))
        dominated[i] = true;
  Cost kept;
  kept.terms.reserve(clamped.size());
  for (size_t i = 0; i < clamped.size(); ++i)
    if (!dominated[i]) kept.terms.push_back(std::move(clamped[i]));
  return kept;
}

}  // namespace

Cost simplifyCost(const Cost& cost) { return simplifyAfter(cost, 0); }

void addToSum(RunningSum& sum, const Cost& cost) {
  // addInto, step for step, with the settled terms passed on.
  std::vector<Monomial>& terms = sum.total.terms;
  for (const Monomial& term : cost.terms) {
    const auto same = std::find(terms.begin(), terms.end(), term);
    if (same == terms.end())
      terms.push_back(term);
    else
      same->constant = std::max(same->constant, term.constant);
  }
  if (terms.size() <= kMaxTerms) return;
  sum.total = simplifyAfter(sum.total, sum.settled);
  trimToCap(sum.total);
  sum.settled = terms.size();
}

Cost withoutConstants(Cost cost) {
  for (Monomial& term : cost.terms) term.constant = 1;
  return cost;
}

std::vector<std::string> sizesOf(const Cost& cost) {
  std::vector<std::string> names;
  for (const Monomial& term : cost.terms)
    for (const auto& entry : term.sizes)
      if (std::find(names.begin(), names.end(), entry.first) == names.end())
        names.push_back(entry.first);
  return names;
}

std::vector<std::string> sizesInOrderShown(const Cost& cost) {
  std::vector<Monomial> terms = simplifyCost(cost).terms;
  std::stable_sort(terms.begin(), terms.end(),
                   [](const Monomial& a, const Monomial& b) { return compareGrowth(a, b) > 0; });
  std::vector<std::string> names;
  const Monomial common = terms.size() > 1 ? commonFactor(terms) : Monomial{};
  std::vector<Monomial> rest;
  for (const Monomial& term : terms) rest.push_back(divideMonomial(term, common));
  const bool factored =
      !common.sizes.empty() &&
      std::all_of(rest.begin(), rest.end(), [](const Monomial& m) { return !m.sizes.empty(); });
  if (!factored) rest = terms;
  if (factored && !onlyLogs(common)) addShownSizes(common, names);
  for (const Monomial& term : rest) addShownSizes(term, names);
  if (factored && onlyLogs(common)) addShownSizes(common, names);
  return names;
}

int compareGrowth(const Monomial& a, const Monomial& b) {
  const auto x = growthKey(collapsed(a)), y = growthKey(collapsed(b));
  return x < y ? -1 : (y < x ? 1 : 0);
}

Monomial dominantTerm(const Cost& cost) {
  Monomial best;
  for (const Monomial& term : cost.terms)
    if (compareGrowth(term, best) > 0) best = term;
  return best;
}

// ---- Rendering ----

std::string formatMonomial(const Monomial& term) {
  std::vector<std::string> exponentials, powers, roots, logs;
  for (const auto& [size, g] : term.sizes) {
    if (g.factorial) exponentials.push_back(size + "!");
    if (g.sizedExponential) exponentials.push_back(size);
    if (g.expBase > 1 + 1e-9) exponentials.push_back(formatExponential(size, g.expBase));
    if (g.power >= kWholePower) powers.push_back(withExponent(size, g.power / kWholePower));
    if (g.power > 0 && g.power % kWholePower != 0)
      roots.push_back(rootName(size, g.power % kWholePower));
    if (g.logs == 1) logs.push_back("log " + size);
    if (g.logs > 1) logs.push_back("log^" + std::to_string(g.logs) + " " + size);
    if (g.logLogs == 1) logs.push_back("log log " + size);
    if (g.logLogs > 1) logs.push_back("(log log " + size + ")^" + std::to_string(g.logLogs));
    for (int k = 0; k < g.alphas; ++k) logs.push_back("alpha(" + size + ")");
  }
  std::string text;
  for (const auto* group : {&exponentials, &powers, &roots, &logs})
    for (const std::string& part : *group) text += (text.empty() ? "" : " * ") + part;
  return text.empty() ? "1" : text;
}

std::string formatCost(const Cost& cost) {
  std::vector<Monomial> terms = simplifyCost(cost).terms;
  if (terms.empty()) return "O(1)";
  std::stable_sort(terms.begin(), terms.end(),
                   [](const Monomial& a, const Monomial& b) { return compareGrowth(a, b) > 0; });
  if (terms.size() == 1) return "O(" + formatMonomial(terms.front()) + ")";
  const Monomial common = commonFactor(terms);
  if (!common.sizes.empty()) {
    std::vector<Monomial> rest;
    for (const Monomial& term : terms) rest.push_back(divideMonomial(term, common));
    const bool allSized =
        std::all_of(rest.begin(), rest.end(), [](const Monomial& m) { return !m.sizes.empty(); });
    if (allSized) {
      const std::string sum = "(" + formatSum(rest) + ")";
      const std::string factor = formatMonomial(common);
      return "O(" + (onlyLogs(common) ? sum + " * " + factor : factor + " * " + sum) + ")";
    }
  }
  return "O(" + formatSum(terms) + ")";
}

}  // namespace quorbel
