#include "runner/runner.h"

#include <optional>
#include <string_view>

#include "runner/run_outcome.h"
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
constexpr size_t kInputLimitBytes = 65536;

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
  if (request.input.size() > kInputLimitBytes) {
    return badRequest("Input exceeds the 64 KB limit.");
  }
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

  RunResult result;
  result.phase = "compile";
  ProcessOutcome compiled = runCompileStage(withPrecompiledHeader(compileArgs()), dir,
                                            compileEnvironment(), compileTimeoutMs(), boxed);
  result.compileMs = compiled.elapsedMs;
  if (!compiled.error.empty()) return internalError(compiled.error);
  result.compilerOutput = compiled.stderr;
  if (!compiled.stdout.empty()) {
    if (!result.compilerOutput.empty()) result.compilerOutput += "\n";
    result.compilerOutput += compiled.stdout;
  }
  if (compiled.timedOut) {
    result.status = "timeout";
    result.timedOut = true;
    result.exitCode = compiled.exitCode;
    return result;
  }
  if (compiled.exitCode != 0) {
    result.status = "compile_error";
    result.exitCode = compiled.exitCode;
    result.stdoutTruncated = compiled.stdoutTruncated;
    result.stderrTruncated = compiled.stderrTruncated;
    return result;
  }

  prepareExecutable(dir.path + "/main", dir.identity);
  result.phase = "run";
  // Checked only now, as it always was: the compile never needed a network namespace.
  if (!boxed && truthyEnv("QUORBEL_RUNNER_REQUIRE_NETNS")) {
    return internalError("Runner sandbox setup failed.");
  }
  result.timeLimitMs = runTimeLimitMs(request.timeLimitMs);
  result.memoryLimitMb = kRunMemoryCapMb;
  ProcessOutcome ran = runStage({"main"}, dir, request.input, {}, result.timeLimitMs, false, boxed);
  result.runMs = ran.elapsedMs;
  result.stdout = ran.stdout;
  result.stderr = ran.stderr;
  result.exitCode = ran.exitCode;
  result.timedOut = ran.timedOut;
  result.stdoutTruncated = ran.stdoutTruncated;
  result.stderrTruncated = ran.stderrTruncated;
  // In the box its own status tells a failed start (ran.error); unboxed, only the runner's
  // exact words with its exit status do, so that a program printing them fails only itself.
  if (!boxed && ran.exitCode == 127 && ran.stderr == "runner sandbox setup failed\n") {
    return internalError("Runner sandbox setup failed.");
  }
  if (!ran.error.empty()) return internalError(ran.error);
  if (ran.timedOut) {
    result.status = "timeout";
  } else if (ran.outputLimitExceeded) {
    result.status = "runtime_error";
    result.error = "Output limit exceeded.";
  } else {
    result.status = ran.exitCode == 0 ? "success" : "runtime_error";
  }
  explainRunEnding(result, ran.memoryLimitKilled);
  return result;
}

}  // namespace quorbel
