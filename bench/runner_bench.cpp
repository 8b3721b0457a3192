// What the box costs: each runner stage timed in the bubblewrap box and with the process limits
// alone (the runner where bwrap is missing), on the same host. Every iteration runs both, in
// alternating order, so that load from elsewhere on a shared machine falls on both alike.
// After the Google Benchmark table (manual time: the boxed stage) it prints the medians and
// the targets:
//   - hello world, compiled and run: the box adds under 50 ms per request;
//   - a <bits/stdc++.h> program: its compile in the box within 20% of the limits-only compile.
// Wall-clock time, since the box's cost is mostly waiting on namespace set-up; the figures are
// reported, never enforced.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "runner/runner_box.h"
#include "runner/runner_config.h"
#include "runner/runner_files.h"

namespace quorbel::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double kAddedRequestMsTarget = 50.0;
constexpr double kCompileRatioTarget = 1.2;
constexpr int64_t kTimeoutMs = 20000;

const char* const kHello = "#include <cstdio>\nint main(){ std::puts(\"hello\"); }\n";
const char* const kWholeLibrary =
    "#include <bits/stdc++.h>\nint main(){ std::vector<int> v{3, 1, 2}; std::sort(v.begin(), "
    "v.end()); std::cout << v[0] << \"\\n\"; }\n";

enum class Stage { kCompile, kRun, kRequest };

struct Case {
  std::string name;
  const char* code;
  Stage stage;
};

// Every iteration's milliseconds, per "<case>/limits", "<case>/box" and "<case>/added".
std::map<std::string, std::vector<double>>& samples() {
  static std::map<std::string, std::vector<double>> all;
  return all;
}

bool compile(const TempDir& dir, bool boxed) {
  const ProcessOutcome outcome =
      runStage(compileArgs(), dir, "", compileEnvironment(), kTimeoutMs, true, boxed);
  return outcome.error.empty() && outcome.exitCode == 0;
}

bool runMain(const TempDir& dir, bool boxed) {
  prepareExecutable(dir.path + "/main", dir.identity);
  const ProcessOutcome outcome = runStage({"main"}, dir, "", {}, kTimeoutMs, false, boxed);
  return outcome.error.empty() && outcome.exitCode == 0;
}

// The stage's milliseconds in a fresh run directory, as every request gets one; negative when
// it failed. Only the stage itself is timed.
double timeStage(const Case& c, bool boxed) {
  TempDir dir = makeTempDir();
  std::string error;
  if (dir.path.empty() || !writeSourceFile(dir, c.code, error)) return -1;
  if (c.stage == Stage::kRun && !compile(dir, false)) return -1;
  const Clock::time_point start = Clock::now();
  bool ok = true;
  if (c.stage != Stage::kRun) ok = compile(dir, boxed);
  if (ok && c.stage != Stage::kCompile) ok = runMain(dir, boxed);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  return ok ? ms : -1;
}

void benchStage(benchmark::State& state, const Case* c) {
  bool boxFirst = false;
  for (auto _ : state) {
    double plain = 0;
    double boxed = 0;
    if (boxFirst) {
      boxed = timeStage(*c, true);
      plain = timeStage(*c, false);
    } else {
      plain = timeStage(*c, false);
      boxed = timeStage(*c, true);
    }
    boxFirst = !boxFirst;
    if (plain < 0 || boxed < 0) {
      state.SkipWithError("stage failed");
      return;
    }
    state.SetIterationTime(boxed / 1000.0);
    samples()[c->name + "/limits"].push_back(plain);
    samples()[c->name + "/box"].push_back(boxed);
    samples()[c->name + "/added"].push_back(boxed - plain);
  }
}

double median(const std::string& name) {
  std::vector<double> values = samples()[name];
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

const char* verdict(bool met) { return met ? "met" : "MISSED"; }

void printSummary(const std::vector<Case>& cases) {
  std::printf(
      "\nRunner stages, median wall ms: limits only, in the box, added (median of pairs)\n");
  for (const Case& c : cases) {
    std::printf("  %-16s %9.1f %9.1f %+8.1f\n", c.name.c_str(), median(c.name + "/limits"),
                median(c.name + "/box"), median(c.name + "/added"));
  }
  const double added = median("hello/request/added");
  const double ratio = median("bits/compile/box") / median("bits/compile/limits");
  std::printf("Targets\n  hello world request: %.1f ms added, under %.0f ms %s\n", added,
              kAddedRequestMsTarget, verdict(added < kAddedRequestMsTarget));
  std::printf("  <bits/stdc++.h> compile: %.2f times the limits-only compile, within %.0f%% %s\n",
              ratio, (kCompileRatioTarget - 1) * 100, verdict(ratio <= kCompileRatioTarget));
}

}  // namespace
}  // namespace quorbel::bench

int main(int argc, char** argv) {
  using namespace quorbel::bench;
  const quorbel::RunnerIsolation isolation = quorbel::runnerIsolation();
  if (!isolation.boxed) {
    std::printf("No box on this host (%s): nothing to compare.\n", isolation.reason.c_str());
    return 0;
  }
  const std::vector<Case> cases = {
      {"hello/run", kHello, Stage::kRun},
      {"hello/request", kHello, Stage::kRequest},
      {"bits/compile", kWholeLibrary, Stage::kCompile},
  };
  for (const Case& c : cases) {
    benchmark::RegisterBenchmark(("runner/" + c.name + "/box").c_str(), benchStage, &c)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(c.code == kHello ? 40 : 10);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  printSummary(cases);
  return 0;
}
