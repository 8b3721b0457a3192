// The run stage of a compiled program, once per test: each test in a fresh box, its input read
// from a file, its output kept up to kKeptOutputBytes and compared whole with the expected
// output as it streams past, its time, peak memory and verdict reported.
#pragma once

#include <cstdint>

#include "runner/runner.h"
#include "runner/runner_files.h"

namespace quorbel {

struct TestStage {
  int64_t timeLimitMs = 0;
  bool debug = false;  // explain faults from the debug build's reports (runner_debug.h)
  bool boxed = false;
};

// Runs the program compiled as dir.path + "/main" on `test`. The result has phase "run", the
// run's status, streams, exit, signal and explanation, runMs, memoryKb, the limits it had and,
// with an expected output, its verdict; status "internal_error" with `error` when the runner
// itself failed. Nothing of the test is left in `dir`.
RunResult runTest(const TempDir& dir, const RunTest& test, const TestStage& stage);

}  // namespace quorbel
