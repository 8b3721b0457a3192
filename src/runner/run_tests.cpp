#include "runner/run_tests.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "runner/output_compare.h"
#include "runner/run_outcome.h"
#include "runner/runner_box.h"
#include "runner/runner_debug.h"
#include "runner/runner_process.h"

namespace quorbel {
namespace {

// Rewound to the start, or closed: -1.
int rewound(int fd) {
  if (fd >= 0 && ::lseek(fd, 0, SEEK_SET) == 0) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

bool writeWhole(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
    if (count <= 0) return false;
    written += static_cast<size_t>(count);
  }
  return true;
}

// The input as a sealed memory file, opened read-only: the box's /proc/self/fd/0 then names only
// "/memfd:input (deleted)", where a file of the run folder would name the folder's host path.
// The seals keep it as written, however a program sharing the server's user reopens it, and
// from Linux 6.3 its execute bits stay off (it could otherwise be started past the box's noexec
// folders; before, they are only taken off). -1 where there is none.
int openInputMemory(const std::string& input) {
#ifdef __linux__
#ifndef MFD_NOEXEC_SEAL
  constexpr unsigned kNoExecSeal = 0x0008U;  // Linux 6.3: made without execute bits, kept off
#else
  constexpr unsigned kNoExecSeal = MFD_NOEXEC_SEAL;
#endif
  int memory = ::memfd_create("input", MFD_CLOEXEC | MFD_ALLOW_SEALING | kNoExecSeal);
  // An older kernel refuses the flag: the execute bits are taken off by hand.
  if (memory < 0 && errno == EINVAL) {
    memory = ::memfd_create("input", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (memory >= 0 && ::fchmod(memory, 0444) != 0) {
      ::close(memory);
      return -1;
    }
  }
  if (memory < 0) return -1;
  constexpr int kSeals = F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;
  if (!writeWhole(memory, input) || ::fcntl(memory, F_ADD_SEALS, kSeals) != 0) {
    ::close(memory);
    return -1;
  }
  // A read-only description of its own; where /proc is missing, the sealed descriptor itself.
  const int reader =
      ::open(("/proc/self/fd/" + std::to_string(memory)).c_str(), O_RDONLY | O_CLOEXEC);
  if (reader < 0) return rewound(memory);
  ::close(memory);
  return reader;
#else
  (void)input;
  return -1;
#endif
}

// The input as a file the program reads at its own pace, opened read-only for it: in memory
// where the host allows, else in the run folder, unlinked at once so that nothing of it stays.
int openInputFile(const TempDir& dir, const std::string& input) {
  const int memory = openInputMemory(input);
  if (memory >= 0) return memory;
  const std::string path = dir.path + "/input";
  const int writer =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (writer < 0) return -1;
  const int reader = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  ::unlink(path.c_str());
  const bool written = writeWhole(writer, input);
  ::close(writer);
  if (written) return reader;
  if (reader >= 0) ::close(reader);
  return -1;
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
