// Compiles one submitted C++ program with the host's g++ and runs it on a given standard
// input, in a fresh private directory, in child processes under resource limits and hard
// wall-clock timeouts. Everything it started is gone when it returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorbel {

inline constexpr size_t kInputLimitBytes = size_t{64} << 20;
inline constexpr size_t kOutputLimitBytes = size_t{64} << 20;
inline constexpr size_t kKeptOutputBytes = size_t{1} << 20;
inline constexpr size_t kMostTests = 32;

// One test of a program: its standard input and, to be judged, the output it should write.
struct RunTest {
  std::string input;
  std::optional<std::string> expectedOutput;
};

struct RunRequest {
  std::string code;
  std::string input;
  std::optional<std::string> expectedOutput;  // judges the single run when set
  std::vector<RunTest> tests;      // when not empty: compiled once, each test run in a fresh box
                                   // (`input` and `expectedOutput` are then not read)
  int64_t timeLimitMs = 0;         // 0: the default (run_outcome.h); never above the cap
  std::string standard = "c++20";  // "c++17", "c++20" or "c++23", GNU dialects
  bool debug = false;              // checked containers and sanitizer (runner_debug.h)
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
  int64_t memoryKb = 0;  // the run's peak resident memory
  std::string verdict;   // with an expected output: accepted, wrong_answer, time_limit_exceeded,
                         // memory_limit_exceeded or runtime_error
  // A request with tests: each test's run (status, streams, time, memory and verdict), and
  // how many were accepted. The fields above are then the first test not accepted, else the
  // first test.
  std::vector<RunResult> tests;
  int64_t passed = 0;
  int64_t total = 0;
};

// Compiles request.code as main.cpp in a fresh directory and runs it on request.input (or on
// each of request.tests, in a fresh box each), each stage in the box where runnerIsolation() has
// one (runner_box.h). Standard input is read from a file; of each output stream the first
// kKeptOutputBytes reach the result, and a run writing more than kOutputLimitBytes to one is
// ended; the expected output is compared with the whole output as it streams past
// (output_compare.h). Refuses empty code, code over 102400 bytes, an input or expected output
// over kInputLimitBytes, more than kMostTests tests, an unknown standard and unsafe includes
// ("bad_request"). Without the
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
