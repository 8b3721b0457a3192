// Measured growth: compiles a program once in the runner's box, runs it on generated inputs
// at doubling sizes until a run passes the per-run budget or the sizes reach their stated
// limits, fits a growth class to the CPU times and holds it against the static estimate.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cost/cost.h"
#include "measure/growth_fit.h"

namespace quorbel {

struct MeasureOptions {
  double budgetSeconds = 1.0;  // CPU time one run may take before the sizes stop growing
  double totalSeconds = 25;    // wall time for the runs, after compiling
  std::string vary;            // grow this size alone; the others are held
  std::string shape;           // "", "tree", "permutation", "connected"
  int repetitions = 5;
  std::function<bool()> cancelled;  // polled between runs: true stops the measurement
};

struct SizeRun {
  double size = 0;
  std::map<std::string, double> sizes;  // what each size of the plan took
  std::vector<double> seconds;          // CPU time of each repetition
  double best = 0;
  size_t inputBytes = 0;
  // The least count of basic blocks of the program's own code executed over the repetitions;
  // 0 when the compiler counted none.
  double blocks = 0;
};

struct Measurement {
  // measured, undecided, compile_error, runtime_error, wrong_input, timeout, no_input,
  // bad_request, cancelled, internal_error, analysis_stopped (a bound of the analysis tripped)
  std::string status = "internal_error";
  std::string message;             // what happened, at which size, in one sentence
  std::vector<std::string> sizes;  // the plan's sizes in reading order
  std::string vary;
  std::string shape;  // the shape used, when one was
  std::vector<SizeRun> runs;
  GrowthFit fit;
  std::string estimate;       // the static notation, "O(n * log n)"
  std::string estimateClass;  // "n log n"
  bool agrees = false;
  std::string comparison;  // "agrees" or "disagrees: measured n^2 where the estimate says ..."
  std::string stopReason;
  std::string largestInput;        // the generated input of the largest size that ran
  std::vector<std::string> notes;  // what the measurement had to assume
  double compileSeconds = 0;
  std::string plan;  // the input plan the runs were written from, as describePlan gives it
  // Sizes the estimate depends on whose value never changed over the runs (held at a limit, or
  // not read at all): an agreement is not claimed while one is left.
  std::vector<std::string> notGrown;
  // "blocks" when the class was fitted to the counted blocks, "time" when to the CPU times.
  std::string measuredBy;
};

// Called after each size with the run just finished.
using MeasureProgress = std::function<void(const SizeRun&)>;

// Never throws; every outcome is in the result. Leaves no file or process behind.
Measurement measureProgram(const std::string& code, const MeasureOptions& options,
                           const MeasureProgress& progress = nullptr);

// The program's text as the model reads it: a line ended by a carriage return alone (old Mac
// files) ends with a line feed, so that `#include <cstdio>\r#define ll long long\rint main()`
// is three lines to the preprocessor, as it is to the compiler.
std::string withLineFeeds(const std::string& code);

// The growth class of a time cost with every size renamed n and the largest term kept:
// (n + m) * log n gives "n log n".
std::string growthClassOf(const Cost& cost);

}  // namespace quorbel
