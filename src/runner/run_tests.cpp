#include "runner/run_tests.h"

#include <fcntl.h>
#include <unistd.h>

#include <optional>

#include "runner/output_compare.h"
#include "runner/run_outcome.h"
#include "runner/runner_box.h"
#include "runner/runner_debug.h"
#include "runner/runner_process.h"

namespace quorbel {
namespace {

// The input as a file the program reads at its own pace, opened read-only for it. Unlinked at
// once: the descriptor keeps it, nothing of it stays behind, and no box sees its name.
int openInputFile(const TempDir& dir, const std::string& input) {
  const std::string path = dir.path + "/input";
  const int writer =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (writer < 0) return -1;
  const int reader = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  ::unlink(path.c_str());
  size_t written = 0;
  while (reader >= 0 && written < input.size()) {
    const ssize_t count = ::write(writer, input.data() + written, input.size() - written);
    if (count <= 0) break;
    written += static_cast<size_t>(count);
  }
  ::close(writer);
  if (reader >= 0 && written < input.size()) {
    ::close(reader);
    return -1;
  }
  return reader;
}

}  // namespace

RunResult runTest(const TempDir& dir, const RunTest& test, const TestStage& stage) {
  RunResult result;
  result.phase = "run";
  result.timeLimitMs = stage.timeLimitMs;
  result.memoryLimitMb = kRunMemoryCapMb;
  const int inputFd = openInputFile(dir, test.input);
  if (inputFd < 0) return internalError("Could not write the run's input file.");
  std::optional<OutputComparison> comparison;
  if (test.expectedOutput) comparison = startComparison(*test.expectedOutput);
  StageOptions options;
  options.inputFd = inputFd;
  options.keptBytes = kKeptOutputBytes;
  options.limitBytes = kOutputLimitBytes;
  // The CPU limit backs the wall-clock one: a whole second more, so the clock decides first.
  options.cpuSeconds = (stage.timeLimitMs + 999) / 1000 + 1;
  if (comparison)
    options.onStdout = [&](std::string_view chunk) { feedOutput(*comparison, chunk); };
  const ProcessOutcome ran =
      runStage({"main"}, dir, "", {}, stage.timeLimitMs, false, stage.boxed, options);
  ::close(inputFd);
  result.runMs = ran.elapsedMs;
  result.memoryKb = ran.peakMemoryKb;
  result.stdout = ran.stdout;
  result.stderr = ran.stderr;
  result.exitCode = ran.exitCode;
  result.timedOut = ran.timedOut;
  result.stdoutTruncated = ran.stdoutTruncated;
  result.stderrTruncated = ran.stderrTruncated;
  // In the box its own status tells a failed start (ran.error); unboxed, only the runner's
  // exact words with its exit status do, so that a program printing them fails only itself.
  if (!stage.boxed && ran.exitCode == 127 && ran.stderr == "runner sandbox setup failed\n") {
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
  if (stage.debug && result.status == "runtime_error") {
    // The library's or the sanitizer's words when they spoke, else the signal's, at the line.
    const std::string fault = explainDebugFault(ran.stderr);
    const int line = debugFaultLine(ran.stderr);
    if (!fault.empty())
      result.explanation = fault;
    else if (line > 0)
      result.explanation = "line " + std::to_string(line) + ": " + result.explanation;
  }
  if (comparison) result.verdict = verdictOf(result.status, outputMatches(*comparison));
  return result;
}

}  // namespace quorbel
