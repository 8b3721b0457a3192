#include "measure/measure.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>

#include "analysis/bounded_analysis.h"
#include "cost/cost_values.h"
#include "measure/compile_retry.h"
#include "measure/generate_input.h"
#include "measure/grown_sizes.h"
#include "measure/input_plan.h"
#include "model/model.h"
#include "runner/runner_box.h"
#include "runner/runner_compile.h"
#include "runner/runner_config.h"
#include "runner/runner_files.h"
#include "runner/runner_includes.h"

namespace quorbel {
namespace {

constexpr size_t kCodeLimitBytes = 102400;
// Wall time: the compile stage's own CPU limit (8 s) still binds; a loaded machine is slow.
constexpr int64_t kCompileTimeoutMs = 60000;
constexpr double kFirstSize = 8;
constexpr double kLinearStepsBelow = 64;
constexpr double kUnreadShare = 0.05;
// Sizes between those that ran, added while fewer than this many ran long enough to time.
constexpr int kEnoughTimed = 5;
constexpr int kMostFillIns = 4;
constexpr double kShortRun = 0.03;
// The least spread of start-up times that counts as noise: the process's CPU clock reads to
// the microsecond, and half a millisecond above start-up is where repetitions agree.
constexpr double kLeastNoise = 0.0005;
// Repetitions of one size when its blocks are counted: the least time still checks the count.
constexpr int kCountedRepetitions = 3;
// Counted blocks enter the fit as a nanosecond each; a count that rose less than this many
// blocks above start-up's (or a hundredth of them) is start-up's own variation.
constexpr double kSecondsPerBlock = 1e-9;
constexpr double kLeastCountedBlocks = 2000;
constexpr double kCountedShare = 0.01;
constexpr double kTrustedTimeSpan = 16;
// The fit's reason when the points rise but no class follows them.
constexpr const char* kNoClassExplains = "no class explains the times well";
// What each retry changes, in order, after the shape before it failed at a small size.
constexpr int kPlanShapes = 4;
constexpr const char* kShapeRetries[kPlanShapes - 1] = {
    "the runs started again with values drawn within the sizes and n - 1 pairs as a tree",
    "the runs started again with positions valid from 0 or from 1 as well",
    "the runs started again with words of digits as well"};

// Included before the program (-include, so main.cpp is the user's text as written and the
// compiler's excerpts quote the user's own lines at their own numbers): its output goes to
// /dev/null (a run of 10^6 lines would otherwise pass the runner's output limit), and at exit
// it reports the CPU time since its own static initialisation (loading the program is
// start-up, not work), the basic blocks of the program's own code it executed since then,
// whether an extraction failed for want of input, and how much of the input it left unread.
// The names live in a namespace of their own.
// The blocks are counted by the compiler's coverage hook (-fsanitize-coverage=trace-pc calls
// it at every block of main.cpp, templates such as std::map and std::sort instantiated there
// included): unlike the CPU time, the count neither steepens as a structure outgrows the caches
// nor moves with the machine's load, so a few thousand blocks already tell the class.
// A program that reads its input from a file (freopen("trails.in", "r", stdin), ifstream
// fin("cow.in")) reads the generated input all the same: reopening the standard streams
// leaves them as they are (the error stream too, which carries the report), and a file stream
// opened for reading reads the standard input's buffer instead.
constexpr const char* kProbeName = "quorbel_measure_probe.h";
constexpr const char* kProbe = R"(#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <time.h>
namespace quorbel_measure_probe {
// The main thread's own CPU clock: the box's CPU limit arms a process timer, and while one is
// armed the kernel reads the process clock (clock() too) from a sample taken at scheduler ticks,
// 0 or 4 ms for a 1 ms run. A thread's clock is read to the microsecond, and a contest program
// does its work on the thread that started it.
inline double now() {
  timespec at{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &at);
  return double(at.tv_sec) + double(at.tv_nsec) * 1e-9;
}
inline double started;
inline unsigned long long blocks = 0;
inline unsigned long long blocksAtStart = 0;
struct Probe {
  Probe() {
    started = now();
    blocksAtStart = blocks;
    if (!std::freopen("/dev/null", "w", stdout)) std::fclose(stdout);
    std::atexit(&Probe::report);
  }
  static bool blank(int c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }
  static void report() {
    const double cpu = now() - started;
    const unsigned long long counted = blocks - blocksAtStart;
    const int failed = std::cin.fail() ? 1 : 0;
    long left = 0;
    std::cin.clear();
    for (int c; (c = std::cin.rdbuf()->sbumpc()) != EOF;) left += blank(c) ? 0 : 1;
    for (int c; (c = std::getc(stdin)) != EOF;) left += blank(c) ? 0 : 1;
    std::fprintf(stderr, "\nquorbel-measure cpu=%.6f failed=%d left=%ld blocks=%llu\n", cpu, failed,
                 left, counted);
  }
};
inline Probe probe;
}  // namespace quorbel_measure_probe
#if defined(__clang__)
#define QUORBEL_MEASURE_UNCOUNTED __attribute__((no_sanitize("coverage")))
#else
#define QUORBEL_MEASURE_UNCOUNTED __attribute__((no_sanitize_coverage))
#endif
extern "C" QUORBEL_MEASURE_UNCOUNTED void __sanitizer_cov_trace_pc() {
  ++quorbel_measure_probe::blocks;
}
inline std::FILE* quorbel_measure_reopen(const char* path, const char* mode, std::FILE* stream) {
  return stream == stdin || stream == stdout || stream == stderr ? stream
                                                                 : std::freopen(path, mode, stream);
}
struct quorbel_measure_ifstream : std::istream {
  quorbel_measure_ifstream() : std::istream(std::cin.rdbuf()) {}
  explicit quorbel_measure_ifstream(const char*, std::ios_base::openmode = std::ios_base::in)
      : std::istream(std::cin.rdbuf()) {}
  explicit quorbel_measure_ifstream(const std::string&, std::ios_base::openmode = std::ios_base::in)
      : std::istream(std::cin.rdbuf()) {}
  void open(const char*, std::ios_base::openmode = std::ios_base::in) {}
  void open(const std::string&, std::ios_base::openmode = std::ios_base::in) {}
  bool is_open() const { return true; }
  void close() {}
};
namespace std {
using ::quorbel_measure_reopen;
using ::quorbel_measure_ifstream;
}
#define freopen quorbel_measure_reopen
#define ifstream quorbel_measure_ifstream
)";

// The runner's compile command with the probe included ahead of main.cpp, in `standard` when
// one is given.
std::vector<std::string> probeCompileArgs(const std::string& standard = "") {
  std::vector<std::string> args = compileArgs();
  const auto source = std::find(args.begin(), args.end(), std::string("main.cpp"));
  args.insert(source, {"-fsanitize-coverage=trace-pc", "-include", kProbeName});
  if (!standard.empty())
    for (std::string& arg : args)
      if (arg.starts_with("-std=")) arg = standard;
  return args;
}

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct ProbeReport {
  bool found = false;
  double cpu = 0;
  bool failed = false;
  long left = 0;
  double blocks = 0;  // 0 when the compiler counted none
};

ProbeReport readProbe(const std::string& stderrText) {
  ProbeReport report;
  const size_t at = stderrText.rfind("quorbel-measure cpu=");
  if (at == std::string::npos) return report;
  int failed = 0;
  unsigned long long blocks = 0;
  const int read =
      std::sscanf(stderrText.c_str() + at, "quorbel-measure cpu=%lf failed=%d left=%ld blocks=%llu",
                  &report.cpu, &failed, &report.left, &blocks);
  if (read >= 3) {
    report.found = true;
    report.failed = failed != 0;
    report.blocks = read == 4 ? static_cast<double>(blocks) : 0;
  }
  return report;
}

std::string formatSize(double size) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.0f", size);
  return buffer;
}

bool hasUntilEnd(const std::vector<PlanStep>& steps) {
  for (const PlanStep& step : steps)
    if (step.kind == PlanStep::Kind::kUntilEnd || hasUntilEnd(step.body) ||
        hasUntilEnd(step.otherwise))
      return true;
  return false;
}

std::string describeExit(int32_t code) {
  if (code > 128) {
    const int signal = code - 128;
    if (signal == 11) return "a segmentation fault";
    if (signal == 6) return "an abort";
    if (signal == 8) return "an arithmetic error";
    if (signal == 9) return "a kill (memory or CPU limit)";
    return "signal " + std::to_string(signal);
  }
  return "exit status " + std::to_string(code);
}

// The estimate's growth with its sizes set as the runs set them.
GrowthCandidate estimateCandidate(const Cost& cost, const std::string& vary, double held,
                                  const std::string& name) {
  const std::vector<std::string> names = sizesInOrderShown(cost);
  return {name, [cost, names, vary, held](double size) {
            std::map<std::string, double> values;
            for (const std::string& n : names) values[n] = vary.empty() || n == vary ? size : held;
            return std::pow(10.0, std::min(300.0, log10OfCost(cost, values)));
          }};
}

class Measurer {
 public:
  Measurer(const std::string& code, const MeasureOptions& options, const MeasureProgress& progress)
      : code_(code), options_(options), progress_(progress) {}

  Measurement run() {
    result_.vary = options_.vary;
    if (code_.empty()) return fail("bad_request", "Expected a non-empty code field.");
    if (code_.size() > kCodeLimitBytes)
      return fail("bad_request", "Code exceeds the 100 KB limit.");
    const std::string unsafe = findUnsafeInclude(code_);
    if (!unsafe.empty())
      return fail("bad_request", "Unsafe include path is not allowed: " + unsafe);
    if (options_.shape != "" && options_.shape != "tree" && options_.shape != "permutation" &&
        options_.shape != "connected" && options_.shape != "random")
      return fail("bad_request", "Unknown shape \"" + options_.shape +
                                     "\": use tree, permutation, connected or random.");
    // The analysis and the plan read from its model run under the bounds every analysis
    // has: a hostile file costs this request 3 s of CPU, not the server's memory.
    text_ = withLineFeeds(code_);
    BoundedAnalysis bounded = analyzeWithinBounds(text_, [&](const Analysis& analysis) {
      model_ = analysis.model ? analysis.model : std::make_shared<const Model>();
      plan_ = deriveInputPlan(*model_);
    });
    if (bounded.stopped) return fail("analysis_stopped", *bounded.stopped);
    const Analysis& analysis = bounded.analysis;
    result_.estimate = analysis.notation;
    result_.estimateClass = growthClassOf(analysis.timeCost);
    estimateCost_ = analysis.timeCost;
    result_.sizes = plan_.sizes;
    result_.plan = describePlan(plan_);
    // A test count the estimate multiplies by (limits per test) grows with the sizes.
    const std::vector<std::string> named = sizesOf(estimateCost_);
    for (const PlanValue* value : planValues(plan_))
      if (value->role == ValueRole::kTestCount &&
          std::find(named.begin(), named.end(), value->name) != named.end())
        growingCounts_.insert(value->name);
    // A value read that the estimate names (O(t * log a)) grows with the sizes.
    for (const PlanValue* value : planValues(plan_))
      if (value->role == ValueRole::kValue && value->type == ValueType::kInteger)
        for (const std::string& size : named)
          if (readSizeName(size) == value->name) grownValues_.insert(value->name);
    if (!plan_.readsInput || plan_.sizes.empty())
      return fail("no_input",
                  plan_.readsInput
                      ? "The program reads no size to grow: the static estimate stands alone."
                      : "The program reads no input: there is nothing to grow.");
    if (!options_.vary.empty() &&
        std::find(plan_.sizes.begin(), plan_.sizes.end(), options_.vary) == plan_.sizes.end())
      return fail("bad_request", "The program reads no size named " + options_.vary +
                                     "; its sizes: " + joined(plan_.sizes) + ".");
    if (options_.cancelled && options_.cancelled())
      return fail("cancelled", "The measurement was stopped.");
    if (!compile()) return result_;
    start_ = wallSeconds();
    for (shape_ = 0;; ++shape_) {
      measureSizes();
      if (!wrongShape() || shape_ + 1 >= kPlanShapes || outOfTime()) break;
      result_.notes.push_back(result_.message.substr(0, result_.message.find(';')) + "; " +
                              kShapeRetries[shape_] + ".");
      restart();
    }
    if (result_.status != "internal_error" && result_.status != "measured") return result_;
    fitPoints();
    return result_;
  }

 private:
  Measurement fail(const std::string& status, const std::string& message) {
    result_.status = status;
    result_.message = message;
    return result_;
  }

  // A crash, a read past the input, unread input or a timeout before three sizes ran: the
  // plan guessed a value's use wrong more often than the program is wrong.
  bool wrongShape() const {
    return result_.status == "runtime_error" || result_.status == "wrong_input" ||
           result_.status == "timeout";
  }

  // Back to the state before the first run, for the next shape; the notes stay.
  void restart() {
    result_.status = "internal_error";
    result_.message.clear();
    result_.stopReason.clear();
    result_.largestInput.clear();
    result_.shape.clear();
    result_.runs.clear();
    atLimit_ = tooLarge_ = pastLimits_ = false;
    bisections_ = 0;
  }

  static std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
  }

  bool compile() {
    boxed_ = runnerIsolation().boxed;
    if (!boxed_ && truthyEnv("QUORBEL_RUNNER_REQUIRE_CHROOT")) {
      fail("internal_error", "Runner chroot isolation is required but unavailable.");
      return false;
    }
    dir_ = makeTempDir();
    std::string error;
    if (dir_.path.empty() || !writeRunFile(dir_, kProbeName, kProbe, error) ||
        !writeSourceFile(dir_, code_, error)) {
      fail("internal_error", "Could not create isolated temporary directory.");
      return false;
    }
    const double start = wallSeconds();
    ProcessOutcome compiled =
        runCompileStage(probeCompileArgs(), dir_, compileEnvironment(), kCompileTimeoutMs, boxed_);
    const auto refused = [](const ProcessOutcome& outcome) {
      return outcome.error.empty() && !outcome.timedOut && outcome.exitCode != 0;
    };
    // A header only the author's machine has (a debug printer included unguarded): the
    // program without it, as its judge compiled it.
    const std::string withoutHeaders =
        refused(compiled) ? withoutMissingHeaders(code_, compiled.stderr) : std::string();
    if (!withoutHeaders.empty() && writeSourceFile(dir_, withoutHeaders, error)) {
      ProcessOutcome again = runCompileStage(probeCompileArgs(), dir_, compileEnvironment(),
                                             kCompileTimeoutMs, boxed_);
      if (!refused(again))
        result_.notes.push_back("an include the compiler does not have was left out");
      compiled = std::move(again);
    }
    // Contest programs are written for the judge's older standard, where a global named
    // `ranges` is no clash with std::ranges and a priority_queue over a container of another
    // value type compiles.
    for (const std::string& standard : olderStandards()) {
      if (!refused(compiled)) break;
      ProcessOutcome older = runCompileStage(probeCompileArgs(standard), dir_, compileEnvironment(),
                                             kCompileTimeoutMs, boxed_);
      if (refused(older)) continue;
      compiled = std::move(older);
      result_.notes.push_back("the program compiles only in an older standard: " +
                              standard.substr(5) + ", as its judge would have compiled it");
    }
    result_.compileSeconds = wallSeconds() - start;
    if (!compiled.error.empty()) {
      fail("internal_error", compiled.error);
      return false;
    }
    if (compiled.timedOut || compiled.exitCode != 0) {
      std::string output = compiled.stderr.empty() ? compiled.stdout : compiled.stderr;
      if (output.size() > 2000) output = output.substr(0, 2000) + "...";
      fail("compile_error", compiled.timedOut ? "The compiler ran out of time."
                                              : "The program does not compile:\n" + output);
      return false;
    }
    prepareExecutable(dir_.path + "/main", dir_.identity);
    if (!boxed_ && truthyEnv("QUORBEL_RUNNER_REQUIRE_NETNS")) {
      fail("internal_error", "Runner sandbox setup failed.");
      return false;
    }
    return true;
  }

  // ---- Runs ----

  enum class RunOutcome { kOk, kOverBudget, kStop, kFail };

  RunOutcome runOnce(const std::string& input, double size, double& cpu, double* blocks = nullptr) {
    const int64_t timeoutMs = static_cast<int64_t>(1000 * (options_.budgetSeconds * 2 + 0.5));
    ProcessOutcome ran = runStage({"main"}, dir_, input, {}, timeoutMs, false, boxed_);
    const std::string at = " at size " + formatSize(size);
    if (!ran.error.empty()) {
      fail("internal_error", ran.error);
      return RunOutcome::kFail;
    }
    if (ran.stderr.find("runner sandbox setup failed") != std::string::npos) {
      fail("internal_error", "Runner sandbox setup failed.");
      return RunOutcome::kFail;
    }
    if (ran.timedOut) {
      if (result_.runs.empty()) {
        fail("timeout", "The program ran out of time" + at +
                            ", the smallest size; the static estimate stands alone.");
        return RunOutcome::kFail;
      }
      result_.stopReason = "a run" + at + " passed the time limit";
      return RunOutcome::kOverBudget;
    }
    const ProbeReport report = readProbe(ran.stderr);
    if (ran.exitCode != 0 || !report.found) {
      const std::string what =
          ran.outputLimitExceeded
              ? "wrote more than 64 KB to its error stream"
              : (ran.exitCode != 0 ? "stopped with " + describeExit(ran.exitCode)
                                   : "ended without returning from main");
      if (result_.runs.size() < 3) {
        fail("runtime_error", "The program " + what + at + "; the static estimate stands alone.");
        return RunOutcome::kFail;
      }
      result_.stopReason = "the program " + what + at;
      return RunOutcome::kStop;
    }
    const bool untilEnd = hasUntilEnd(plan_.steps);
    if (!untilEnd && report.failed) {
      fail("wrong_input",
           "The program read past the end of the generated input" + at +
               ": the plan does not match what it reads; the static estimate stands alone.");
      return RunOutcome::kFail;
    }
    if (static_cast<double>(report.left) > kUnreadShare * static_cast<double>(input.size()) &&
        input.size() > 64) {
      const std::string what = "the program exited with " + std::to_string(report.left) +
                               " characters of the generated input unread" + at;
      if (result_.runs.size() < 3) {
        fail("wrong_input",
             "T" + what.substr(1) +
                 ": the plan does not match what it reads; the static estimate stands alone.");
        return RunOutcome::kFail;
      }
      // An early exit the generated values allowed (a pair found): the sizes before it stand.
      result_.stopReason = what;
      return RunOutcome::kStop;
    }
    cpu = report.cpu;
    if (blocks != nullptr) *blocks = report.blocks;
    return RunOutcome::kOk;
  }

  bool outOfTime() const { return wallSeconds() - start_ > options_.totalSeconds || cancelled(); }

  // Where the growing sizes stop growing together: their least stated limit, or past the
  // limits the least array extent or type range among them.
  double largestCap() const {
    GenerateOptions generate;
    generate.vary = options_.vary;
    generate.ignoreLimits = pastLimits_;
    generate.growingCounts = growingCounts_;
    return growthCap(plan_, *model_, generate);
  }

  bool cancelled() const { return options_.cancelled && options_.cancelled(); }

  void measureSizes() {
    // A client gone while the program compiled: nothing runs.
    if (cancelled()) {
      fail("cancelled", "The measurement was stopped.");
      return;
    }
    baseline_ = baselineTime();
    if (result_.status != "internal_error" || !result_.message.empty()) return;
    // The sizes to try: doubling from 8; from 1 in small steps when the limit is small (a 2^n
    // search over n <= 20 would otherwise give three points).
    double cap = largestCap();
    bool small = cap <= kLinearStepsBelow;
    const double step = small ? std::max(1.0, std::floor(cap / 12)) : 0;
    double size = small ? std::max(1.0, step) : kFirstSize;
    double lastGood = 0;
    double failedAt = 0;  // the smallest size that passed the budget, once one did
    for (int guard = 0; guard < 80; ++guard) {
      if (outOfTime()) {
        result_.stopReason = cancelled() ? "cancelled" : "the measurement's time ran out";
        break;
      }
      const RunOutcome outcome = measureSize(size);
      if (outcome == RunOutcome::kFail) return;
      if (outcome == RunOutcome::kStop) break;
      if (outcome == RunOutcome::kOverBudget) {
        failedAt = size;
      } else {
        lastGood = size;
        if (atLimit_ && !pastLimits_) {
          // A limit small enough that its runs stay within the start-up's noise (n <= 3000
          // for an n^2 loop) decides nothing: the sizes go on past it, and the report says so.
          if (!decidedSoFar()) {
            const double stated = cap;
            pastLimits_ = true;
            cap = largestCap();
            small = false;
            // An array's extent holds the sizes all the same: nothing went past it.
            if (cap > stated)
              result_.notes.push_back(
                  "the runs up to the stated limits were too short to time; sizes went past them");
          } else {
            result_.stopReason = "the sizes reached their stated limits";
            break;
          }
        }
        if (result_.runs.back().best > options_.budgetSeconds) {
          result_.stopReason =
              "a run passed the per-run budget of " + formatSeconds(options_.budgetSeconds);
          break;
        }
      }
      // Between the last size within budget and the first past it, a point nearer the budget.
      // Sizes whose times stay within the start-up's noise tell nothing: pass them quickly.
      const bool quiet = !result_.runs.empty() && result_.runs.back().best - baseline_ < noise_;
      double next = small ? size + step : size * (quiet ? 4 : 2);
      if (failedAt > 0) {
        // One point nearer the budget; up to three while few sizes were timed (2^n passes
        // from 0.004 s to past the budget within a few sizes).
        if (lastGood == 0 || ++bisections_ > (timedRuns() < kEnoughTimed ? 3 : 1)) break;
        next = std::floor(small ? (lastGood + failedAt) / 2 : std::sqrt(lastGood * failedAt));
        if (next <= lastGood || next >= failedAt) break;
      }
      if (next > cap) next = cap;
      if (next <= size && failedAt == 0) {
        // An array or the type's range holds a size: past it the sizes no longer grow together.
        if (pastLimits_ && result_.stopReason.empty())
          result_.stopReason = "the sizes reached the most their arrays or types hold";
        break;
      }
      size = next;
    }
    if (!fillGaps()) return;
    if (cancelled()) {
      fail("cancelled", "The measurement was stopped.");
      return;
    }
    result_.status = "measured";
  }

  int timedRuns() const {
    int timed = 0;
    for (const SizeRun& run : result_.runs)
      timed += run.best >= std::max(0.0, baseline_) + noise_ ? 1 : 0;
    return timed;
  }

  // The fit reads the sizes that ran long enough to time. Where fewer than five did (a jump
  // from a quiet size straight to one near the budget, memory or a limit reached early),
  // sizes between them add points, the widest gap below a timed size first. False when a
  // run failed the measurement.
  bool fillGaps() {
    std::vector<SizeRun>& runs = result_.runs;
    const auto bySize = [](const SizeRun& a, const SizeRun& b) { return a.size < b.size; };
    const double timedFrom = std::max(0.0, baseline_) + noise_;
    for (int added = 0; added < kMostFillIns && runs.size() >= 2 && !outOfTime(); ++added) {
      std::sort(runs.begin(), runs.end(), bySize);
      if (timedRuns() >= kEnoughTimed) break;
      double widest = 1, between = 0;
      for (size_t i = 1; i < runs.size(); ++i) {
        const double low = runs[i - 1].size, high = runs[i].size;
        const double middle = std::floor(std::sqrt(low * high));
        if (runs[i].best < timedFrom || middle <= low || middle >= high) continue;
        if (high / low > widest) {
          widest = high / low;
          between = middle;
        }
      }
      if (between == 0) break;
      // The largest input, the limit reached and why the sizes stopped stay the largest size's.
      std::string largest = std::move(result_.largestInput);
      const std::string stopReason = result_.stopReason;
      const bool atLimit = atLimit_;
      const RunOutcome outcome = measureSize(between);
      result_.largestInput = std::move(largest);
      result_.stopReason = stopReason;
      atLimit_ = atLimit;
      if (outcome == RunOutcome::kFail) return false;
      if (outcome != RunOutcome::kOk) break;
    }
    std::sort(runs.begin(), runs.end(), bySize);
    return true;
  }

  static std::string formatSeconds(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g s", seconds);
    return buffer;
  }

  bool decidedSoFar() const {
    std::vector<TimedPoint> points;
    for (const SizeRun& run : result_.runs) points.push_back({run.size, run.best});
    // Times that never left the start-up's noise decide nothing yet, not even a constant.
    const GrowthFit fit = fitGrowth(points, std::max(0.0, baseline_), {}, noise_);
    return fit.decided && fit.usedPoints > 0;
  }

  GeneratedInput inputAt(double size, uint64_t seed) {
    GenerateOptions generate;
    generate.ignoreLimits = pastLimits_;
    generate.size = size;
    generate.vary = options_.vary;
    generate.shape = options_.shape == "random" ? "" : options_.shape;
    generate.seed = seed;
    generate.growingCounts = growingCounts_;
    generate.grownValues = grownValues_;
    generate.valuesWithinSizes = shape_ >= 1;
    generate.pairsFormTrees = shape_ >= 1;
    generate.wordsOfDigits = shape_ >= 3;
    generate.positionsEitherBase = shape_ >= 2;
    GeneratedInput input = generateInput(plan_, *model_, generate);
    if (options_.shape == "random") input.shapeUsed.clear();
    return input;
  }

  double baselineTime() {
    const GeneratedInput input = inputAt(1, 7);
    double best = 0, worst = 0;
    for (int i = 0; i < 2; ++i) {
      double cpu = 0, blocks = 0;
      const RunOutcome outcome = runOnce(input.text, 1, cpu, &blocks);
      if (outcome != RunOutcome::kOk) {
        // A program that cannot run at size 1 (it needs two vertices) gets its start-up
        // time from its first real size instead.
        result_.status = "internal_error";
        result_.message.clear();
        result_.stopReason.clear();
        return -1;
      }
      best = i == 0 ? cpu : std::min(best, cpu);
      worst = std::max(worst, cpu);
      baselineBlocks_ = i == 0 ? blocks : std::min(baselineBlocks_, blocks);
    }
    noise_ = std::clamp(2 * (worst - best), kLeastNoise, 0.01);
    return best;
  }

  RunOutcome measureSize(double size) {
    GeneratedInput input = inputAt(size, 1000 + static_cast<uint64_t>(size));
    if (!input.complete) {
      tooLarge_ = true;
      result_.stopReason = "the input at size " + formatSize(size) + " would pass 8 MB";
      return RunOutcome::kStop;
    }
    SizeRun run;
    run.size = size;
    run.sizes = input.sizes;
    run.inputBytes = input.text.size();
    double spent = 0;
    int repetitions = std::max(1, options_.repetitions);
    for (int repetition = 0; repetition < repetitions; ++repetition) {
      double cpu = 0, blocks = 0;
      const RunOutcome outcome = runOnce(input.text, size, cpu, &blocks);
      if (outcome != RunOutcome::kOk) {
        if (outcome == RunOutcome::kOverBudget && !run.seconds.empty()) break;
        return outcome;
      }
      run.seconds.push_back(cpu);
      run.blocks = repetition == 0 ? blocks : std::min(run.blocks, blocks);
      spent += cpu;
      // Repetitions only where they can change the fit: a time within the start-up's noise
      // is not fitted, and the least of several short runs is what a loaded machine spoils
      // least; a long run is repeated only while the repetitions stay within the budget.
      if (cpu - baseline_ < noise_) break;
      if (cpu > options_.budgetSeconds / 4 || spent > options_.budgetSeconds / 2) break;
      // A run of a few milliseconds above start-up is where a busy machine's slices weigh
      // most: twice the repetitions, so that the least of them is the program's own time.
      if (repetition == 0 && cpu - baseline_ < kShortRun) repetitions *= 2;
      // The count is the same at every repetition of one input: the times alone need more,
      // and only as the check the count is held against.
      if (blocks > 0) repetitions = std::min(repetitions, kCountedRepetitions);
    }
    run.best = *std::min_element(run.seconds.begin(), run.seconds.end());
    atLimit_ = input.atLimit;
    if (!input.shapeUsed.empty()) result_.shape = input.shapeUsed;
    result_.largestInput = std::move(input.text);
    result_.runs.push_back(run);
    if (progress_) progress_(result_.runs.back());
    return run.best > options_.budgetSeconds * 3 ? RunOutcome::kOverBudget : RunOutcome::kOk;
  }

  // ---- Fit and comparison ----

  void fitPoints() {
    std::vector<TimedPoint> points;
    for (const SizeRun& run : result_.runs) points.push_back({run.size, run.best});
    double baseline = baseline_;
    if (baseline < 0) baseline = points.empty() ? 0 : points.front().seconds * 0.9;
    std::vector<std::map<std::string, double>> taken;
    for (const SizeRun& run : result_.runs) taken.push_back(run.sizes);
    const std::vector<std::string> estimateSizes =
        options_.vary.empty() ? sizesInOrderShown(estimateCost_) : std::vector{options_.vary};
    result_.notGrown =
        sizesNotGrown(estimateSizes, taken, derivedSizeSources(*model_, plan_, estimateSizes));
    // The times speak of the sizes that grew: a capacity no input sets (n * MAXN) or a size
    // held at its limit is a constant to them, and the class the fit prefers is the estimate's
    // with those held.
    Cost grownCost = estimateCost_;
    if (options_.vary.empty())
      for (const std::string& size : result_.notGrown)
        grownCost = substituteSize(grownCost, size, constantCost());
    const std::string grownClass =
        result_.notGrown.empty() ? result_.estimateClass : growthClassOf(simplifyCost(grownCost));
    std::vector<GrowthCandidate> extra;
    if (!grownClass.empty()) {
      GrowthCandidate candidate = estimateCandidate(grownCost, options_.vary, 100, grownClass);
      if (candidate.growth) extra.push_back(candidate);
    }
    FitHints hints;
    hints.preferred = grownClass;
    hints.spread = repetitionSpread(baseline);
    result_.fit = fitGrowth(points, baseline, extra, noise_, hints);
    result_.measuredBy = "time";
    chooseCountedFit(extra, grownClass, baseline);
    if (!result_.fit.decided) {
      result_.status = "undecided";
      result_.message =
          std::string(result_.measuredBy == "blocks" ? "The counted steps" : "The times") +
          " do not decide a class: " + result_.fit.undecided + ".";
      result_.comparison = "undecided";
      return;
    }
    result_.status = "measured";
    const bool explains = !grownClass.empty() && explainsAsWell(result_.fit, grownClass);
    // Times that never saw a size grow cannot confirm what the estimate says of it.
    result_.agrees = explains && result_.notGrown.empty();
    if (explains && !result_.agrees)
      result_.comparison = "not compared: the runs did not grow " + joined(result_.notGrown) +
                           ", which the estimate depends on";
    else
      result_.comparison = result_.agrees ? "agrees"
                                          : "disagrees: measured " + result_.fit.measured +
                                                " where the estimate says " + result_.estimate;
    result_.message = "Measured " + result_.fit.measured + " over " +
                      std::to_string(result_.runs.size()) + " sizes";
    if (!result_.fit.closest.empty())
      result_.message += " (the " +
                         std::string(result_.measuredBy == "blocks" ? "counts" : "times") +
                         " alone do not separate it from " + result_.fit.closest + ")";
    result_.message += "; " + result_.comparison + ".";
  }

  // The blocks the program executed, where every run counted them, fitted like times: the
  // class they give stands for the times'. The times speak instead only where they rose far
  // above start-up and grow faster than the count by more than a square root over the timed
  // sizes (or the count did not grow at all), which is work the count does not see (library
  // code compiled elsewhere: memset, string copies), not caches. Counts that no class explains
  // (work that jumps with the generated values) leave the class undecided, whatever the times.
  void chooseCountedFit(const std::vector<GrowthCandidate>& extra, const std::string& preferred,
                        double timeBaseline) {
    if (result_.runs.empty()) return;
    std::vector<TimedPoint> points;
    double timedFrom = 0, timedTo = 0, fastest = INFINITY, slowest = 0;
    for (const SizeRun& run : result_.runs) {
      if (run.blocks <= 0) return;
      points.push_back({run.size, run.blocks * kSecondsPerBlock});
      fastest = std::min(fastest, run.best);
      slowest = std::max(slowest, run.best);
      if (run.best - timeBaseline >= noise_) {
        timedFrom = timedFrom == 0 ? run.size : std::min(timedFrom, run.size);
        timedTo = std::max(timedTo, run.size);
      }
    }
    // Times that rose this many times over their least, start-up included, are the program's
    // work: a sieve of 0.3 s before reading leaves a loaded machine's jitter as all the growth.
    const bool timesRose = fastest > 0 && slowest / fastest >= kTrustedTimeSpan;
    const double startBlocks =
        baselineBlocks_ > 0 ? baselineBlocks_ : 0.9 * result_.runs.front().blocks;
    FitHints hints;
    hints.preferred = preferred;
    hints.counted = true;
    const double noise = std::max(kLeastCountedBlocks, kCountedShare * startBlocks);
    GrowthFit counted =
        fitGrowth(points, startBlocks * kSecondsPerBlock, extra, noise * kSecondsPerBlock, hints);
    const GrowthFit& timed = result_.fit;
    const bool timesStand = timed.decided && timesRose;
    if (!counted.decided) {
      if (timesStand && counted.undecided != kNoClassExplains) {
        result_.notes.push_back(
            "the program's counted steps do not grow and its times do: work in library code the "
            "count does not see; the class is the times'");
        return;
      }
      result_.fit = std::move(counted);
      result_.measuredBy = "blocks";
      return;
    }
    if (timesStand &&
        growsFasterByMoreThanASqrt(timed.measured, counted.measured, timedFrom, timedTo, extra)) {
      result_.notes.push_back("the times grow faster than the program's counted steps (" +
                              counted.measured +
                              "): work in library code the count does not see; the class is "
                              "the times'");
      return;
    }
    result_.fit = std::move(counted);
    result_.measuredBy = "blocks";
  }

  // The median over the timed sizes of how far their repetitions spread, relative to the
  // least: on a loaded machine 30% is common, and classes closer than that cannot be told.
  double repetitionSpread(double baseline) const {
    std::vector<double> spreads;
    for (const SizeRun& run : result_.runs) {
      if (run.seconds.size() < 2 || run.best - baseline < noise_) continue;
      const double worst = *std::max_element(run.seconds.begin(), run.seconds.end());
      spreads.push_back((worst - run.best) / run.best);
    }
    if (spreads.empty()) return 0;
    std::nth_element(spreads.begin(), spreads.begin() + spreads.size() / 2, spreads.end());
    return spreads[spreads.size() / 2];
  }

  const std::string& code_;
  std::string text_;  // the code as the model reads it (withLineFeeds)
  const MeasureOptions& options_;
  const MeasureProgress& progress_;
  Measurement result_;
  std::shared_ptr<const Model> model_;
  InputPlan plan_;
  TempDir dir_;
  bool boxed_ = false;
  double start_ = 0;
  double baseline_ = 0;
  double noise_ = kLeastNoise;  // how far start-up times alone spread
  double baselineBlocks_ = 0;   // the blocks start-up executes
  bool atLimit_ = false;
  bool tooLarge_ = false;
  bool pastLimits_ = false;
  int bisections_ = 0;
  int shape_ = 0;  // the plan shape the runs are written in: 0 as derived, then kShapeRetries
  Cost estimateCost_;
  std::set<std::string> growingCounts_;
  std::set<std::string> grownValues_;
};

}  // namespace

std::string growthClassOf(const Cost& cost) {
  // Every size renamed n; the largest term at a large size decides; then the standard class of
  // the same growth.
  Cost renamed = cost;
  for (const std::string& size : sizesOf(cost))
    renamed = substituteSize(renamed, size, sizeCost("n"));
  renamed = simplifyCost(renamed);
  Monomial largest;
  double largestLog = renamed.terms.empty() ? 0 : -INFINITY;
  for (const Monomial& term : renamed.terms) {
    const double value = log10AtEqualSizes({{term}}, 1e6);
    if (value > largestLog) {
      largestLog = value;
      largest = term;
    }
  }
  if (!std::isfinite(largestLog)) return "";
  const auto at = [&largest](double n) { return log10AtEqualSizes({{largest}}, n); };
  for (const GrowthCandidate& candidate : standardGrowthClasses()) {
    bool same = true;
    for (double n : {1e3, 1e4, 1e5, 1e6}) {
      const double b = std::log10(candidate.growth(n)) - std::log10(candidate.growth(1e3));
      if (std::fabs((at(n) - at(1e3)) - b) > 0.02) same = false;
    }
    if (same) return candidate.name;
  }
  std::string text = formatMonomial(largest);
  for (size_t from; (from = text.find(" * log")) != std::string::npos;) text.replace(from, 3, " ");
  for (size_t from; (from = text.find(" * sqrt")) != std::string::npos;) text.replace(from, 3, " ");
  return text;
}

std::string withLineFeeds(const std::string& code) {
  std::string text = code;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) text[i] = '\n';
  return text;
}

Measurement measureProgram(const std::string& code, const MeasureOptions& options,
                           const MeasureProgress& progress) {
  return Measurer(code, options, progress).run();
}

}  // namespace quorbel
