// How a run ended, in the words a judge uses: the signal that ended a program by name and in
// plain words ("SIGSEGV: invalid memory access, often an index out of range or a stack
// overflow"), and "memory_limit_exceeded" as a status of its own when the program ran out of
// its memory, which would otherwise look like an abort or a crash.
#pragma once

#include <cstdint>
#include <string>

#include "runner/runner.h"

namespace quorbel {

// The run stage's time limit when a request names none, and its memory cap.
inline constexpr int64_t kDefaultRunTimeMs = 2000;
inline constexpr int64_t kRunMemoryCapMb = 512;

// The most time a request may ask for: QUORBEL_RUN_TIME_CAP_MS when it is a whole number from
// 100 to 600000, else 10000.
int64_t runTimeCapMs();

// The time limit a run gets for `requestedMs` under `capMs`: kDefaultRunTimeMs (or the cap when
// lower) for 0 and below, the cap above it, at least 100 ms otherwise.
int64_t runTimeLimitMs(int64_t requestedMs, int64_t capMs = runTimeCapMs());

// A judged run's verdict from its status and whether its output matched: accepted,
// wrong_answer, time_limit_exceeded, memory_limit_exceeded, or runtime_error for the rest.
std::string verdictOf(const std::string& status, bool outputMatched);

// "SIGSEGV" for 11, "SIG34" for a signal without a usual name; empty for 0 and below.
std::string signalName(int signal);

// Fills `signal` and `explanation` of a finished run stage from its exit status and standard
// error, and turns a runtime error caused by exhausted memory into "memory_limit_exceeded":
// the C++ runtime's words for a failed allocation, or `memoryLimitKilled`, the stage's cgroup
// having killed a process for its memory (which otherwise reads as a plain SIGKILL).
void explainRunEnding(RunResult& result, bool memoryLimitKilled = false);

}  // namespace quorbel
