// How a run ended, in the words a judge uses: the signal that ended a program by name and in
// plain words ("SIGSEGV: invalid memory access, often an index out of range or a stack
// overflow"), and "memory_limit_exceeded" as a status of its own when the program ran out of
// its memory, which would otherwise look like an abort or a crash.
#pragma once

#include <cstdint>
#include <string>

#include "runner/runner.h"

namespace quorbel {

// The run stage's caps: a request may ask for less time, never more.
inline constexpr int64_t kRunTimeCapMs = 2000;
inline constexpr int64_t kRunMemoryCapMb = 512;

// The time limit a run gets for `requestedMs`: the cap for 0 or anything above it, at least
// 100 ms otherwise.
int64_t runTimeLimitMs(int64_t requestedMs);

// "SIGSEGV" for 11, "SIG34" for a signal without a usual name; empty for 0 and below.
std::string signalName(int signal);

// Fills `signal` and `explanation` of a finished run stage from its exit status and standard
// error, and turns a runtime error caused by exhausted memory into "memory_limit_exceeded":
// the C++ runtime's words for a failed allocation, or `memoryLimitKilled`, the stage's cgroup
// having killed a process for its memory (which otherwise reads as a plain SIGKILL).
void explainRunEnding(RunResult& result, bool memoryLimitKilled = false);

}  // namespace quorbel
