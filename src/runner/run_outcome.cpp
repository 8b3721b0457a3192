#include "runner/run_outcome.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>

namespace quorbel {
namespace {

struct SignalWords {
  int number;
  const char* name;
  const char* words;
};

// The signals a contest program meets; the words say what usually causes each.
constexpr SignalWords kSignals[] = {
    {SIGSEGV, "SIGSEGV", "invalid memory access, often an index out of range or a stack overflow"},
    {SIGABRT, "SIGABRT", "the program aborted, often a failed assert or an uncaught exception"},
    {SIGFPE, "SIGFPE", "arithmetic error, often a division or modulo by zero"},
    {SIGKILL, "SIGKILL", "killed, usually for going over a time or memory limit"},
    {SIGBUS, "SIGBUS", "bad memory access, often a misaligned or unmapped address"},
    {SIGILL, "SIGILL", "illegal instruction, often a function that returns no value"},
    {SIGTRAP, "SIGTRAP", "trap, from a debugging or sanitizer instruction"},
    {SIGXCPU, "SIGXCPU", "CPU time limit exceeded"},
    {SIGXFSZ, "SIGXFSZ", "file size limit exceeded"},
    {SIGPIPE, "SIGPIPE", "wrote to a closed pipe"},
    {SIGTERM, "SIGTERM", "terminated"},
    {SIGSYS, "SIGSYS", "a system call the sandbox does not allow"},
};

const SignalWords* wordsFor(int signal) {
  const auto found = std::find_if(std::begin(kSignals), std::end(kSignals),
                                  [&](const SignalWords& s) { return s.number == signal; });
  return found == std::end(kSignals) ? nullptr : found;
}

// What the C++ runtime prints when an allocation fails under the address-space limit.
bool ranOutOfMemory(const std::string& stderrText) {
  for (const char* sign : {"std::bad_alloc", "Cannot allocate memory", "out of memory"})
    if (stderrText.find(sign) != std::string::npos) return true;
  return false;
}

}  // namespace

int64_t runTimeCapMs() {
  constexpr int64_t kDefaultCapMs = 10000;
  const char* value = std::getenv("QUORBEL_RUN_TIME_CAP_MS");
  if (value == nullptr || value[0] == '\0') return kDefaultCapMs;
  int64_t ms = 0;
  for (const char* c = value; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9' || ms > 600000) return kDefaultCapMs;
    ms = ms * 10 + (*c - '0');
  }
  return ms >= 100 && ms <= 600000 ? ms : kDefaultCapMs;
}

int64_t runTimeLimitMs(int64_t requestedMs, int64_t capMs) {
  if (requestedMs <= 0) return std::min(kDefaultRunTimeMs, capMs);
  return std::clamp<int64_t>(requestedMs, 100, capMs);
}

std::string verdictOf(const std::string& status, bool outputMatched) {
  if (status == "success") return outputMatched ? "accepted" : "wrong_answer";
  if (status == "timeout") return "time_limit_exceeded";
  if (status == "memory_limit_exceeded") return status;
  return "runtime_error";
}

std::string signalName(int signal) {
  if (signal <= 0) return "";
  const SignalWords* words = wordsFor(signal);
  return words != nullptr ? words->name : "SIG" + std::to_string(signal);
}

void explainRunEnding(RunResult& result, bool memoryLimitKilled) {
  if (result.status != "runtime_error" || result.phase != "run" || !result.error.empty()) return;
  // A program ended by signal s (1 to 64 on Linux) exits with 128 + s.
  const int signal =
      result.exitCode > 128 && result.exitCode <= 128 + 64 ? result.exitCode - 128 : 0;
  result.signal = signalName(signal);
  if (memoryLimitKilled || ranOutOfMemory(result.stderr)) {
    result.status = "memory_limit_exceeded";
    result.explanation = "memory limit exceeded: the program asked for more than " +
                         std::to_string(kRunMemoryCapMb) + " MB";
  } else if (const SignalWords* words = wordsFor(signal)) {
    result.explanation = std::string(words->name) + ": " + words->words;
  } else if (signal > 0) {
    result.explanation = "ended by signal " + std::to_string(signal);
  } else {
    result.explanation = "exit code " + std::to_string(result.exitCode) +
                         ": main returned it or exit() was called with it";
  }
}

}  // namespace quorbel
