// Each class is fitted as time = a + c * f(size): a class that grows too slowly leaves
// residuals rising with the size, one that grows too fast leaves them falling, and `a` takes
// up start-up and fixed work (clearing a 10^6 array) that would otherwise flatten the curve.
// Residuals are relative, so that times spanning three orders of magnitude all count.
#include "measure/growth_fit.h"

#include <algorithm>
#include <cmath>

namespace quorbel {
namespace {

// Below this much time above start-up, CPU clocks and caches decide more than the program.
constexpr double kNoiseSeconds = 0.0005;
// A fit whose residuals are this large (a third of the time) is noise.
constexpr double kNoisyError = 0.3;
constexpr int kMinPoints = 3;
constexpr double kMinSpan = 4;
constexpr double kConstantSpan = 512;
// Two classes within this much error are indistinguishable on these points, whatever the
// noise; beyond it, a share of the best error and of the repetitions' spread.
constexpr double kTieError = 0.02;
constexpr double kTieShare = 0.2;
constexpr double kSpreadShare = 0.3;
// However noisy the repetitions, a band wider than this would let any class stand.
constexpr double kMostSpreadError = 0.1;
// Caches filling up make a pass over 10^4..10^6 random-access elements (a DFS over a random
// tree, a map's nodes) look a log or even a square-root factor steeper, never flatter: a
// preferred class at most that factor below the best fit stands when its error is at most
// twice the best's and this much more.
constexpr double kCacheSteepening = 0.1;
// The least time one step of work takes: times that never left the noise up to a size say
// the work there stayed below noise / this many steps.
constexpr double kLeastStepSeconds = 1e-9;

// A preferred class steeper than the best fit stands within the tie band only while the times'
// own slope over the largest sizes is at most this much below the class's: an a + c * f fit
// lets the start-up share bend n^2 towards times that grow as n log n.
constexpr double kSteeperSlopeSlack = 0.25;
// The slope is read over sizes at least this far apart, the largest timed size at the top.
constexpr double kSlopeSpan = 4;

double log2Floor(double n) { return std::max(1.0, std::log2(std::max(n, 1.0))); }

// Fits time = a + c * f(size) with a >= 0 (start-up and fixed work) and c > 0, by least
// squares on residuals relative to the time plus the timer's noise, so that a 3 ms point
// weighs less than a 300 ms one. Returns the root mean square of those residuals.
double fitError(const std::vector<TimedPoint>& points, const std::function<double(double)>& growth,
                double noise, bool constantOnly) {
  double sww = 0, swf = 0, swff = 0, swt = 0, swft = 0;
  std::vector<double> g;
  for (const TimedPoint& p : points) {
    const double f = constantOnly ? 0 : growth(p.size);
    if (!std::isfinite(f) || f < 0) return INFINITY;
    g.push_back(f);
  }
  // Scale f to the times, so that 2^n or n^3 at large sizes keeps the sums well conditioned.
  double scale = 0;
  for (double f : g) scale = std::max(scale, f);
  if (scale > 0)
    for (double& f : g) f /= scale;
  for (size_t i = 0; i < points.size(); ++i) {
    const double w = 1 / ((points[i].seconds + noise) * (points[i].seconds + noise));
    sww += w;
    swf += w * g[i];
    swff += w * g[i] * g[i];
    swt += w * points[i].seconds;
    swft += w * g[i] * points[i].seconds;
  }
  double a = 0, c = 0;
  const double det = sww * swff - swf * swf;
  if (!constantOnly && det > 1e-12 * sww * swff) {
    a = (swt * swff - swf * swft) / det;
    c = (sww * swft - swf * swt) / det;
  }
  if (constantOnly || a < 0 || !(det > 1e-12 * sww * swff)) {
    a = constantOnly ? swt / sww : 0;
    c = constantOnly || swff <= 0 ? 0 : swft / swff;
  }
  if (c < 0) {
    c = 0;
    a = swt / sww;
  }
  double sum = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const double r = (points[i].seconds - a - c * g[i]) / (points[i].seconds + noise);
    sum += r * r;
  }
  return std::sqrt(sum / static_cast<double>(points.size()));
}

// Whether `steeper` grows faster than `flatter` over from..to, by no more than the square root
// of the span: n log n or n sqrt n over n, log n over 1.
bool steeperByAtMostASqrt(const std::vector<GrowthCandidate>& candidates,
                          const std::string& steeper, const std::string& flatter, double from,
                          double to) {
  const GrowthCandidate* a = nullptr;
  const GrowthCandidate* b = nullptr;
  for (const GrowthCandidate& candidate : candidates) {
    if (candidate.name == steeper) a = &candidate;
    if (candidate.name == flatter) b = &candidate;
  }
  if (a == nullptr || b == nullptr || !a->growth || !b->growth || !(to > from)) return false;
  const double rise =
      std::log(a->growth(to) / a->growth(from)) - std::log(b->growth(to) / b->growth(from));
  return std::isfinite(rise) && rise > 1e-9 && rise <= 0.5 * std::log(to / from) + 1e-9;
}

// Whether `steeper` is `flatter` times one more log n: n log n over n, n log^2 n over n log n,
// log n over 1.
bool oneLogAbove(const std::string& steeper, const std::string& flatter) {
  if (flatter == "1") return steeper == "log n";
  if (steeper == flatter + " log n") return true;
  const size_t log = flatter.rfind(" log n");
  return log != std::string::npos && log + 6 == flatter.size() &&
         steeper == flatter.substr(0, log) + " log^2 n";
}

const GrowthCandidate* findCandidate(const std::vector<GrowthCandidate>& candidates,
                                     const std::string& name) {
  for (const GrowthCandidate& candidate : candidates)
    if (candidate.name == name && candidate.growth) return &candidate;
  return nullptr;
}

// The log-log slope of the times above start-up from the largest timed size down to the
// largest one at least kSlopeSpan below it, with that span; {0, 0} when the sizes are closer.
std::pair<double, double> topSlope(const std::vector<TimedPoint>& usable, double baseline) {
  const TimedPoint* top = nullptr;
  for (const TimedPoint& p : usable)
    if (top == nullptr || p.size > top->size) top = &p;
  const TimedPoint* low = nullptr;
  for (const TimedPoint& p : usable)
    if (p.size * kSlopeSpan <= top->size && (low == nullptr || p.size > low->size)) low = &p;
  if (low == nullptr || low->seconds <= baseline || top->seconds <= baseline) return {0, 0};
  return {std::log((top->seconds - baseline) / (low->seconds - baseline)) /
              std::log(top->size / low->size),
          top->size / low->size};
}

// Whether `name` grows faster over the top sizes than the times do by more than the slack,
// and faster than `leader`: a steeper class the times do not bear out.
bool steeperThanTheTimes(const std::vector<GrowthCandidate>& candidates, const std::string& name,
                         const std::string& leader, const std::vector<TimedPoint>& usable,
                         double baseline) {
  const GrowthCandidate* preferred = findCandidate(candidates, name);
  const GrowthCandidate* best = findCandidate(candidates, leader);
  const std::pair<double, double> measured = topSlope(usable, baseline);
  const double slope = measured.first, span = measured.second;
  if (preferred == nullptr || best == nullptr || span == 0) return false;
  double top = 0;
  for (const TimedPoint& p : usable) top = std::max(top, p.size);
  const double from = top / span;
  const auto classSlope = [&](const GrowthCandidate* c) {
    return std::log(c->growth(top) / c->growth(from)) / std::log(span);
  };
  const double wanted = classSlope(preferred);
  return std::isfinite(wanted) && wanted > classSlope(best) && wanted - slope > kSteeperSlopeSlack;
}

}  // namespace

std::vector<GrowthCandidate> standardGrowthClasses() {
  return {
      {"1", [](double) { return 1.0; }},
      {"log n", [](double n) { return log2Floor(n); }},
      {"sqrt n", [](double n) { return std::sqrt(n); }},
      {"n", [](double n) { return n; }},
      {"n log n", [](double n) { return n * log2Floor(n); }},
      {"n sqrt n", [](double n) { return n * std::sqrt(n); }},
      {"n^2", [](double n) { return n * n; }},
      {"n^2 log n", [](double n) { return n * n * log2Floor(n); }},
      {"n^3", [](double n) { return n * n * n; }},
      {"n^4", [](double n) { return n * n * n * n; }},
      {"2^n", [](double n) { return std::pow(2.0, std::min(n, 1000.0)); }},
  };
}

GrowthFit fitGrowth(const std::vector<TimedPoint>& points, double baseline,
                    const std::vector<GrowthCandidate>& extra, double noise,
                    const FitHints& hints) {
  if (!hints.counted) noise = std::max(noise, kNoiseSeconds);
  GrowthFit fit;
  fit.baseline = baseline;
  std::vector<TimedPoint> usable;
  double smallest = 0, largest = 0;
  for (const TimedPoint& p : points) {
    const double above = p.seconds - baseline;
    if (smallest == 0 || p.size < smallest) smallest = p.size;
    largest = std::max(largest, p.size);
    if (above >= noise) usable.push_back({p.size, p.seconds});
  }
  fit.usedPoints = static_cast<int>(usable.size());
  if (usable.empty()) {
    // No time above start-up at any size: constant, if the sizes spread wide enough to tell
    // (8 to 4096 and beyond: a linear loop still hides in the noise up to a few thousand).
    if (points.size() >= static_cast<size_t>(kMinPoints) && smallest > 0 &&
        largest / smallest >= kConstantSpan) {
      fit.decided = true;
      fit.measured = "1";
      fit.confidence = 0.5;
      fit.ranking.push_back({"1", 0});
      // log n up to 10^18 is 60 steps: the estimate's class stands when its work at the
      // largest size would still hide in the noise.
      const std::vector<GrowthCandidate> classes = standardGrowthClasses();
      const GrowthCandidate* preferred = nullptr;
      for (const auto* list : {&classes, &extra})
        for (const GrowthCandidate& candidate : *list)
          if (candidate.name == hints.preferred && candidate.growth) preferred = &candidate;
      if (preferred != nullptr && hints.preferred != "1" &&
          preferred->growth(largest) * kLeastStepSeconds < noise) {
        fit.measured = hints.preferred;
        fit.closest = "1";
        fit.ranking.insert(fit.ranking.begin(), {hints.preferred, 0});
      }
    } else {
      fit.undecided = points.size() < static_cast<size_t>(kMinPoints)
                          ? "too few sizes ran"
                          : "the times are too small to tell";
    }
    return fit;
  }
  std::vector<GrowthCandidate> candidates = standardGrowthClasses();
  for (const GrowthCandidate& candidate : extra) {
    bool known = false;
    for (const GrowthCandidate& c : candidates) known = known || c.name == candidate.name;
    if (!known && !candidate.name.empty()) candidates.push_back(candidate);
  }
  for (const GrowthCandidate& candidate : candidates)
    fit.ranking.push_back(
        {candidate.name, fitError(usable, candidate.growth, noise, candidate.name == "1")});
  // Stable: among equal errors the simpler class, listed first, stays ahead.
  std::stable_sort(fit.ranking.begin(), fit.ranking.end(),
                   [](const RankedClass& a, const RankedClass& b) { return a.error < b.error; });
  if (usable.size() < static_cast<size_t>(kMinPoints)) {
    fit.undecided = "only " + std::to_string(usable.size()) + " sizes ran long enough to time";
    return fit;
  }
  double fastest = INFINITY, slowest = 0, timedFrom = INFINITY, timedTo = 0;
  for (const TimedPoint& p : usable) {
    fastest = std::min(fastest, p.seconds);
    slowest = std::max(slowest, p.seconds);
    timedFrom = std::min(timedFrom, p.size);
    timedTo = std::max(timedTo, p.size);
  }
  // The work grew when the time above start-up did: a program that builds a table of 10^7
  // factorials before reading spends 0.2 s on it at every size, and its n on top still shows.
  if ((slowest - baseline) / (fastest - baseline) < kMinSpan) {
    fit.undecided = "the times grow too little over the sizes that ran";
    return fit;
  }
  const double leastError = fit.ranking.front().error;
  fit.tieBand = leastError * (1 + kTieShare) +
                std::clamp(kSpreadShare * hints.spread, kTieError, kMostSpreadError);
  const std::string leader = fit.ranking.front().name;
  const auto preferred =
      std::find_if(fit.ranking.begin(), fit.ranking.end(),
                   [&](const RankedClass& r) { return r.name == hints.preferred; });
  const bool steeperByCaches =
      !hints.counted && preferred != fit.ranking.end() &&
      steeperByAtMostASqrt(candidates, leader, preferred->name, timedFrom, timedTo) &&
      preferred->error <= 2 * leastError + kCacheSteepening;
  // A counted class one log factor below the estimate's leaves the estimate standing: the
  // generated input rarely brings a log factor out (levels bounded by a constant standing for
  // log n, a heap's average insert of random values, a tree shallow on random input), and over
  // the sizes that run a log factor is a few percent a doubling.
  const bool logUnseen =
      hints.counted && preferred != fit.ranking.end() && oneLogAbove(preferred->name, leader);
  const bool borneOut = preferred == fit.ranking.end() ||
                        !steeperThanTheTimes(candidates, preferred->name, leader, usable, baseline);
  if (!borneOut) fit.steeperThanTimes = preferred->name;
  if (preferred != fit.ranking.end() && borneOut &&
      (preferred->error <= fit.tieBand || steeperByCaches || logUnseen)) {
    // The estimate stands where the times cannot tell it from the closest class.
    if (preferred != fit.ranking.begin()) fit.closest = leader;
    std::rotate(fit.ranking.begin(), preferred, preferred + 1);
  } else {
    // Of a class and the same class times log n explaining the times equally well, the one
    // without: a log factor is also what caches filling up look like.
    for (auto ranked = fit.ranking.begin() + 1; ranked != fit.ranking.end(); ++ranked) {
      const bool logLess =
          leader == ranked->name + " log n" || (leader == "log n" && ranked->name == "1");
      if (logLess && ranked->error <= leastError + kTieError) {
        std::rotate(fit.ranking.begin(), ranked, ranked + 1);
        break;
      }
    }
  }
  const RankedClass& best = fit.ranking.front();
  if (leastError > kNoisyError) {
    // Noise, or a growth none of the classes has.
    fit.undecided = "no class explains the times well";
    fit.closest.clear();
    return fit;
  }
  fit.decided = true;
  fit.measured = best.name;
  // Against the closest class that is not the same class with or without a log factor.
  double next = INFINITY;
  for (size_t i = 1; i < fit.ranking.size(); ++i) {
    const std::string& other = fit.ranking[i].name;
    if (other == best.name + " log n" || best.name == other + " log n" ||
        (best.name == "1" && other == "log n") || (best.name == "log n" && other == "1"))
      continue;
    next = std::min(next, fit.ranking[i].error);
  }
  fit.confidence =
      std::isfinite(next) && next > 0 ? std::clamp(1.0 - best.error / next, 0.0, 1.0) : 1.0;
  return fit;
}

bool growsFasterByMoreThanASqrt(const std::string& steeper, const std::string& flatter, double from,
                                double to, const std::vector<GrowthCandidate>& extra) {
  std::vector<GrowthCandidate> candidates = standardGrowthClasses();
  candidates.insert(candidates.end(), extra.begin(), extra.end());
  const GrowthCandidate* a = findCandidate(candidates, steeper);
  const GrowthCandidate* b = findCandidate(candidates, flatter);
  if (a == nullptr || b == nullptr || !(to > from) || from <= 0) return false;
  const double rise =
      std::log(a->growth(to) / a->growth(from)) - std::log(b->growth(to) / b->growth(from));
  return std::isfinite(rise) && rise > 0.5 * std::log(to / from) + 1e-9;
}

bool explainsAsWell(const GrowthFit& fit, const std::string& name) {
  if (!fit.decided) return false;
  if (name == fit.measured) return true;
  if (name == fit.steeperThanTimes) return false;
  for (const RankedClass& ranked : fit.ranking)
    if (ranked.name == name) return ranked.error <= fit.tieBand;
  return false;
}

}  // namespace quorbel
