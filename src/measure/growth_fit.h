// Which growth class explains a program's times best: constant, log n, sqrt n, n, n log n,
// n sqrt n, n^2, n^2 log n, n^3, n^4, 2^n and any class the static estimate names, each fitted as
// time = c * f(size) above the program's start-up time, compared by their error in log time.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quorbel {

struct TimedPoint {
  double size = 0;     // the value every growing size took
  double seconds = 0;  // the least CPU time over the repetitions
};

struct GrowthCandidate {
  std::string name;  // "n log n"
  std::function<double(double)> growth;
};

struct RankedClass {
  std::string name;
  double error = 0;  // root mean square of log(time) residuals
};

struct GrowthFit {
  bool decided = false;
  std::string measured;   // the best class, "n^2"; empty when not decided
  double confidence = 0;  // 0..1: how much better the best explains the times than the next
  std::string undecided;  // why the points do not decide
  std::vector<RankedClass> ranking;  // best first
  double baseline = 0;               // seconds of start-up removed from every time
  int usedPoints = 0;
  double tieBand = 0;  // a class whose error is at most this explains the times as well
  // The measured class is the preferred one (the estimate's), which explains the times as
  // well as `closest`, the class with the least error: the times alone do not separate them.
  std::string closest;
  // The preferred class, when it grows faster over the largest sizes than the times do: it
  // does not explain them, whatever its error.
  std::string steeperThanTimes;
};

// What the fit knows beside the points.
struct FitHints {
  std::string preferred;  // the static estimate's class: chosen when it explains as well
  double spread = 0;      // how far repetitions of one size spread, relative (0.3: 30%)
  // The points are counted steps (executed blocks at a nanosecond each), not timed: no timer
  // floor under the noise, and no cache lets a class steeper than the preferred one stand in;
  // a preferred class one log factor above the best stands (random inputs hide log factors).
  bool counted = false;
};

// The fixed classes, simplest first.
std::vector<GrowthCandidate> standardGrowthClasses();

// Fits `points` (sizes increasing) after removing `baseline` seconds from each time. Points
// whose remaining time is below the timer's noise do not count, except that times that never
// rise above it over a wide range of sizes are constant.
// `noise` is the least time above start-up that counts (at least 2 ms).
// Two classes explain the times as well when their errors differ by less than the times'
// own noise: a fifth of the best error plus a third of the repetitions' spread (at least 0.02,
// at most 0.1).
// Among such classes the hint's preferred class is chosen, else the one without a log factor.
// The preferred class also stands one log factor below the best (caches make a linear pass look
// steeper, never flatter) when its error is at most twice the best's plus 0.1, and where no time
// left the noise over a wide range of sizes when its work at the largest size would hide in that
// noise too.
GrowthFit fitGrowth(const std::vector<TimedPoint>& points, double baseline,
                    const std::vector<GrowthCandidate>& extra, double noise = 0.002,
                    const FitHints& hints = {});

// Whether a class the estimate names explains the points as well as the measured one.
bool explainsAsWell(const GrowthFit& fit, const std::string& name);

// Whether class `steeper` grows faster than class `flatter` over sizes from..to by more than
// the square root of the span (n^2 over n log n, not n sqrt n over n): more than caches and
// a loaded machine make of a pass. Names not among the standard classes or `extra` never are.
bool growsFasterByMoreThanASqrt(const std::string& steeper, const std::string& flatter, double from,
                                double to, const std::vector<GrowthCandidate>& extra = {});

}  // namespace quorbel
