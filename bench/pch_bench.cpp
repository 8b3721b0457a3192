// Where the time of a second compile goes. A <bits/stdc++.h> program is compiled through
// /api/run after its precompiled header's build, for every standard and mode: the compile's
// wall time as the response reports it, and the compile stage again through the runner's own
// entry point, wall and CPU time (the compiler's processes, counted as this process's
// children). Then the default's compile stage taken apart: the box alone, the compile without
// the box, the compile to an object (cc1plus and as) and the link, with gold and with the
// default linker. The compile is CPU-bound: on an idle host its wall time is about its CPU
// time, on a loaded one the CPU time stretched by the load, which the load average printed
// beside the figures tells. Figures, never a test.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/json_text.h"
#include "runner/runner_box.h"
#include "runner/runner_config.h"
#include "runner/runner_files.h"
#include "runner/runner_pch.h"
#include "server/json_value.h"
#include "server/routes.h"
#include "storage/analysis_store.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRepeats = 5;
constexpr double kTargetMs = 1000;
constexpr int64_t kTimeoutMs = 60000;
const char* const kCode = "#include <bits/stdc++.h>\nint main(){ std::cout << \"hello\\n\"; }\n";

struct Sample {
  double wallMs = 0;
  double cpuMs = 0;
  bool ok = false;
};

// The CPU time of every child this process has waited for: a stage's bwrap, and below it the
// compiler's driver, cc1plus, as and the linker, each reaped by its parent in turn.
double childrenCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

Sample measure(const std::function<bool()>& work) {
  const double cpu = childrenCpuMs();
  const Clock::time_point start = Clock::now();
  Sample sample;
  sample.ok = work();
  sample.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  sample.cpuMs = childrenCpuMs() - cpu;
  return sample;
}

// The median wall and CPU times of kRepeats samples after one left out (it warms the caches);
// negative when a sample failed.
Sample medianOf(const std::function<Sample()>& take) {
  take();
  std::vector<Sample> samples;
  for (int i = 0; i < kRepeats; ++i) samples.push_back(take());
  Sample median;
  median.ok = std::all_of(samples.begin(), samples.end(), [](const Sample& s) { return s.ok; });
  std::vector<double> wall, cpu;
  for (const Sample& s : samples) {
    wall.push_back(s.wallMs);
    cpu.push_back(s.cpuMs);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  median.wallMs = median.ok ? wall[wall.size() / 2] : -1;
  median.cpuMs = median.ok ? cpu[cpu.size() / 2] : -1;
  return median;
}

double loadAverage() {
  double load[1] = {0};
  return getloadavg(load, 1) == 1 ? load[0] : -1;
}

std::string nameOf(const quorbel::CompileOptions& options) {
  return options.standard + (options.debug ? " debug" : "");
}

// The compile time /api/run reports for the program; negative when it did not succeed.
double apiCompileMs(quorbel::AnalysisStore& store, const quorbel::CompileOptions& options) {
  quorbel::Request request;
  request.method = "POST";
  request.path = "/api/run";
  request.headers["content-type"] = "application/json";
  request.body = "{\"code\":" + quorbel::jsonString(kCode) + ",\"standard\":\"" + options.standard +
                 "\",\"debug\":" + (options.debug ? "true" : "false") + "}";
  quorbel::JsonValue document;
  if (!quorbel::parseJson(quorbel::routeRequest(request, store).body, document)) return -1;
  const quorbel::JsonValue* status = quorbel::jsonMember(document, "status");
  const quorbel::JsonValue* ms = quorbel::jsonMember(document, "compileMs");
  if (status == nullptr || ms == nullptr || status->text != "success") return -1;
  return std::atof(ms->text.c_str());
}

// One stage in a fresh run folder holding the program (and a debug build's support), as a
// request gets one: `args`, or when empty the compile with its precompiled header; `prepare`
// runs first and is not timed.
Sample timeStage(const quorbel::CompileOptions& options, const std::vector<std::string>& args,
                 bool boxed, const std::function<bool(const quorbel::TempDir&)>& prepare = {}) {
  quorbel::TempDir dir = quorbel::makeTempDir();
  std::string error;
  std::vector<std::string> compile = quorbel::compileArgs(options);
  if (dir.path.empty() || !quorbel::writeSourceFile(dir, kCode, error) ||
      (options.debug && !quorbel::placeDebugSupport(dir, compile, error)) ||
      (prepare && !prepare(dir)))
    return {};
  const std::vector<std::string> stage =
      args.empty() ? quorbel::withPrecompiledHeader(compile) : args;
  return measure([&] {
    const quorbel::ProcessOutcome outcome =
        quorbel::runStage(stage, dir, "", quorbel::compileEnvironment(), kTimeoutMs, true, boxed);
    return outcome.error.empty() && !outcome.timedOut && outcome.exitCode == 0;
  });
}

void printRow(const char* what, const Sample& sample) {
  if (!sample.ok) {
    std::printf("  %-44s failed\n", what);
    return;
  }
  std::printf("  %-44s %6.0f ms wall %6.0f ms CPU\n", what, sample.wallMs, sample.cpuMs);
}

// The default's compile stage, step by step.
void takeApart() {
  const quorbel::CompileOptions options;
  const std::vector<std::string> args = quorbel::compileArgs(options);
  const std::string compiler = args.front();
  std::vector<std::string> toObject;
  for (const std::string& arg : quorbel::withPrecompiledHeader(args)) {
    if (arg == "-fuse-ld=gold") continue;
    toObject.push_back(arg == "main" ? "main.o" : arg);
  }
  toObject.insert(toObject.end() - 2, "-c");
  const auto withObject = [&](const quorbel::TempDir& dir) {
    const quorbel::ProcessOutcome made = quorbel::runStage(
        toObject, dir, "", quorbel::compileEnvironment(), kTimeoutMs, true, false);
    return made.exitCode == 0;
  };
  std::printf("\nThe default (%s) compile stage taken apart, medians of %d (load %.1f):\n",
              nameOf(options).c_str(), kRepeats, loadAverage());
  printRow("the box alone (bwrap, launcher, /usr/bin/true)",
           medianOf([&] { return timeStage(options, {"/usr/bin/true"}, true); }));
  printRow("compile in the box", medianOf([&] { return timeStage(options, {}, true); }));
  printRow("compile without the box", medianOf([&] { return timeStage(options, {}, false); }));
  printRow("to an object (driver, cc1plus, as)",
           medianOf([&] { return timeStage(options, toObject, false); }));
  printRow("link with gold", medianOf([&] {
             return timeStage(options, {compiler, "main.o", "-fuse-ld=gold", "-o", "main"}, false,
                              withObject);
           }));
  printRow("link with the default linker", medianOf([&] {
             return timeStage(options, {compiler, "main.o", "-o", "main"}, false, withObject);
           }));
}

}  // namespace

int main() {
  const quorbel::RunnerIsolation isolation = quorbel::runnerIsolation();
  if (!isolation.boxed) {
    std::printf("No box on this host (%s): nothing to time.\n", isolation.reason.c_str());
    return 0;
  }
  quorbel::AnalysisStore store("/tmp/quorbel-pch-bench.db");
  std::printf(
      "Second compile of a <bits/stdc++.h> program, medians of %d after one left out: through "
      "/api/run (its compileMs), then the runner's compile stage in the box (wall, CPU)\n",
      kRepeats);
  for (const quorbel::CompileOptions& options : quorbel::precompiledHeaderOptions()) {
    const quorbel::PrecompiledHeaderBuild build =
        quorbel::buildPrecompiledHeader(quorbel::compileArgs(options));
    std::vector<double> api;
    apiCompileMs(store, options);
    for (int i = 0; i < kRepeats; ++i) api.push_back(apiCompileMs(store, options));
    std::sort(api.begin(), api.end());
    const bool failed = api.front() < 0;
    const Sample stage = medianOf([&] { return timeStage(options, {}, true); });
    std::printf(
        "  %-10s header %-13s /api/run %6.0f ms wall; stage %6.0f ms wall %6.0f ms CPU; "
        "load %4.1f; under %.0f ms: %s\n",
        nameOf(options).c_str(), build.ready ? "ready" : build.message.c_str(),
        failed ? -1 : api[api.size() / 2], stage.wallMs, stage.cpuMs, loadAverage(), kTargetMs,
        !failed && api[api.size() / 2] < kTargetMs ? "met" : "NOT met");
  }
  takeApart();
  return 0;
}
