#include "runner/runner.h"

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "runner/run_outcome.h"
#include "runner/run_tests.h"
#include "runner/runner_box.h"
#include "runner/runner_compile.h"
#include "runner/runner_config.h"
#include "runner/runner_files.h"
#include "runner/runner_includes.h"
#include "runner/runner_pch.h"
#include "runner/runner_process.h"

namespace quorbel {
namespace {

constexpr size_t kCodeLimitBytes = 102400;

// Decided by the first call that needs it and kept for the life of the process.
struct StaticProbeState {
  bool checked = false;
  bool ok = false;
};
StaticProbeState gStaticProbe;

RunResult badRequest(const std::string& message) {
  RunResult result;
  result.status = "bad_request";
  result.error = message;
  return result;
}

// Compiles a minimal program with the configured arguments ("-static" included) once per
// process, so that a host without static libraries fails every run the same clear way.
bool probeRequiredStaticCompile(bool boxed) {
  if (gStaticProbe.checked) return gStaticProbe.ok;
  gStaticProbe.checked = true;
  TempDir dir = makeTempDir();
  if (dir.path.empty()) return gStaticProbe.ok = false;
  std::string error;
  if (!writeSourceFile(dir, "#include <iostream>\nint main(){ std::cout << 1 << \"\\n\"; }\n",
                       error)) {
    return gStaticProbe.ok = false;
  }
  ProcessOutcome outcome =
      runStage(compileArgs(), dir, "", compileEnvironment(), compileTimeoutMs(), true, boxed);
  gStaticProbe.ok = outcome.error.empty() && !outcome.timedOut && outcome.exitCode == 0;
  return gStaticProbe.ok;
}

// Why the request's tests or standard cannot be run, before anything is compiled.
std::optional<std::string> refuseTests(const RunRequest& request) {
  if (!isKnownStandard(request.standard))
    return "Unknown standard \"" + request.standard + "\": expected c++17, c++20 or c++23.";
  if (request.tests.size() > kMostTests)
    return "At most " + std::to_string(kMostTests) + " tests may run at once.";
  const auto tooLarge = [](const std::string& text) { return text.size() > kInputLimitBytes; };
  bool large =
      tooLarge(request.input) || (request.expectedOutput && tooLarge(*request.expectedOutput));
  for (const RunTest& test : request.tests)
    large =
        large || tooLarge(test.input) || (test.expectedOutput && tooLarge(*test.expectedOutput));
  if (large) return std::string("Input exceeds the 64 MB limit.");
  return std::nullopt;
}

// The request's result from its tests' runs: the first run not accepted (else the first) gives
// the fields a single run has, after the compile's own.
RunResult summarizeTests(std::vector<RunResult> runs, RunResult compiled) {
  std::optional<size_t> failed;
  int64_t passed = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    // A test without an expected output passes by running to the end.
    const bool accepted =
        runs[i].verdict.empty() ? runs[i].status == "success" : runs[i].verdict == "accepted";
    if (accepted) ++passed;
    if (!accepted && !failed) failed = i;
  }
  RunResult result = runs[failed.value_or(0)];
  result.compileMs = compiled.compileMs;
  result.compilerOutput = std::move(compiled.compilerOutput);
  result.passed = passed;
  result.total = static_cast<int64_t>(runs.size());
  result.tests = std::move(runs);
  return result;
}

}  // namespace

std::optional<std::string> unboxedRunRefusal() {
  const RunnerIsolation isolation = runnerIsolation();
  if (isolation.boxed || truthyEnv("QUORBEL_RUNNER_ALLOW_UNBOXED")) return std::nullopt;
  return "Runs need the box (bubblewrap), which is not available here: " + isolation.reason +
         ". Set QUORBEL_RUNNER_ALLOW_UNBOXED=1 to run under process limits alone.";
}

RunResult internalError(const std::string& message) {
  RunResult result;
  result.error = message;
  return result;
}

RunResult runCppProgram(const RunRequest& request) {
  if (request.code.empty()) return badRequest("Expected a non-empty code field.");
  if (request.code.size() > kCodeLimitBytes) return badRequest("Code exceeds the 100 KB limit.");
  if (const std::optional<std::string> refused = refuseTests(request)) return badRequest(*refused);
  // Runs fail closed: without the box they are refused unless the operator opted in.
  const std::optional<std::string> unboxed = unboxedRunRefusal();
  if (unboxed) return internalError(*unboxed);
  // The box meets both required isolations; without it they refuse runs.
  const bool boxed = runnerIsolation().boxed;
  if (!boxed && truthyEnv("QUORBEL_RUNNER_REQUIRE_CHROOT")) {
    return internalError("Runner chroot isolation is required but unavailable.");
  }
  if (truthyEnv("QUORBEL_RUNNER_STATIC") && !probeRequiredStaticCompile(boxed)) {
    return internalError("Runner required static compile mode is unavailable.");
  }
  const std::string unsafe = findUnsafeInclude(request.code);
  if (!unsafe.empty()) return badRequest("Unsafe include path is not allowed: " + unsafe);

  // From here on the directory exists; its destructor removes it on every return below.
  TempDir dir = makeTempDir();
  if (dir.path.empty()) return internalError("Could not create isolated temporary directory.");
  std::string error;
  if (!writeSourceFile(dir, request.code, error)) return internalError(error);
  std::vector<std::string> args = compileArgs(CompileOptions{request.standard, request.debug});
  if (request.debug && !placeDebugSupport(dir, args, error)) return internalError(error);

  RunResult result;
  result.phase = "compile";
  ProcessOutcome compiled = runCompileStage(withPrecompiledHeader(args), dir, compileEnvironment(),
                                            compileTimeoutMs(), boxed);
  result.compileMs = compiled.elapsedMs;
  if (!compiled.error.empty()) return internalError(compiled.error);
  result.compilerOutput = compiled.stderr;
  if (!compiled.stdout.empty()) {
    if (!result.compilerOutput.empty()) result.compilerOutput += "\n";
    result.compilerOutput += compiled.stdout;
  }
  const int64_t total = static_cast<int64_t>(request.tests.size());
  if (compiled.timedOut) {
    result.status = "timeout";
    result.timedOut = true;
    result.exitCode = compiled.exitCode;
    result.total = total;
    return result;
  }
  if (compiled.exitCode != 0) {
    result.status = "compile_error";
    result.exitCode = compiled.exitCode;
    result.stdoutTruncated = compiled.stdoutTruncated;
    result.stderrTruncated = compiled.stderrTruncated;
    result.total = total;
    return result;
  }

  prepareExecutable(dir.path + "/main", dir.identity);
  // Checked only now, as it always was: the compile never needed a network namespace.
  if (!boxed && truthyEnv("QUORBEL_RUNNER_REQUIRE_NETNS")) {
    return internalError("Runner sandbox setup failed.");
  }
  const TestStage stage{runTimeLimitMs(request.timeLimitMs), request.debug, boxed};
  if (request.tests.empty()) {
    RunResult ran = runTest(dir, RunTest{request.input, request.expectedOutput}, stage);
    if (ran.status == "internal_error") return ran;
    ran.compileMs = result.compileMs;
    ran.compilerOutput = std::move(result.compilerOutput);
    return ran;
  }
  std::vector<RunResult> runs;
  for (const RunTest& test : request.tests) {
    runs.push_back(runTest(dir, test, stage));
    if (runs.back().status == "internal_error") return runs.back();
  }
  return summarizeTests(std::move(runs), std::move(result));
}

}  // namespace quorbel
