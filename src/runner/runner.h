// Compiles one submitted C++ program with the host's g++ and runs it on a given standard
// input, in a fresh private directory, in child processes under resource limits and hard
// wall-clock timeouts. Everything it started is gone when it returns.
#pragma once

#include <cstdint>
#include <string>

namespace quorbel {

struct RunRequest {
  std::string code;
  std::string input;
};

struct RunResult {
  std::string status = "internal_error";  // success, compile_error, runtime_error, timeout,
                                          // bad_request, internal_error
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
};

// Never throws; reports every outcome in the result.
RunResult runCppProgram(const RunRequest& request);

}  // namespace quorbel
