// Compiles one submitted C++ program with the host's g++ and runs it on a given standard
// input, in a fresh private directory, in child processes under resource limits and hard
// wall-clock timeouts. Everything it started is gone when it returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorbel {

struct RunRequest {
  std::string code;
  std::string input;
  int64_t timeLimitMs = 0;  // 0: the server's cap (run_outcome.h); never above it
};

struct RunResult {
  std::string status = "internal_error";  // success, compile_error, runtime_error,
                                          // memory_limit_exceeded, timeout, bad_request,
                                          // internal_error
  std::string phase;                      // "compile", "run" or empty
  std::string stdout;
  std::string stderr;
  std::string compilerOutput;
  std::string error;
  int32_t exitCode = -1;
  bool timedOut = false;
  bool stdoutTruncated = false;
  bool stderrTruncated = false;
  int64_t compileMs = 0;
  int64_t runMs = 0;
  std::string signal;       // "SIGSEGV" when a signal ended the run
  std::string explanation;  // a runtime error in plain words
  int64_t timeLimitMs = 0;  // the limits the run had
  int64_t memoryLimitMb = 0;
};

// Compiles request.code as main.cpp in a fresh directory and runs it on request.input, each
// stage in the box where runnerIsolation() has one (runner_box.h). Refuses empty code, code
// over 102400 bytes, input over 65536 bytes and unsafe includes ("bad_request"). Without the
// box it refuses every run unless QUORBEL_RUNNER_ALLOW_UNBOXED is on, and fails closed on
// QUORBEL_RUNNER_REQUIRE_CHROOT and, at the run stage, QUORBEL_RUNNER_REQUIRE_NETNS
// ("internal_error"); the box meets both. Never throws; reports every outcome in the result. Every
// process it started is gone and its directory removed when it returns.
RunResult runCppProgram(const RunRequest& request);

// Why runs are refused on this host: the box is missing and QUORBEL_RUNNER_ALLOW_UNBOXED is
// not on. nullopt when runs may go ahead.
std::optional<std::string> unboxedRunRefusal();

// A default result (status "internal_error", exit code -1, no phase) carrying `message`.
RunResult internalError(const std::string& message);

}  // namespace quorbel
