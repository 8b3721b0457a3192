#include "runner/runner_compile.h"

#include <chrono>
#include <thread>

namespace quorbel {
namespace {

// Pauses before each new attempt; together longer than the longest run a box allows.
constexpr int kPausesMs[] = {500, 1000, 2000, 2000};

}  // namespace

bool compilerFoundNoProcessFree(const ProcessOutcome& compiled) {
  if (!compiled.error.empty() || compiled.timedOut || compiled.exitCode == 0) return false;
  // The driver says "cannot execute 'cc1plus': vfork: Resource temporarily unavailable" or
  // "cannot fork: ..."; both end in these words.
  if (compiled.stderr.find("fork: Resource temporarily unavailable") != std::string::npos)
    return true;
  // The compiler itself could not start: execve refuses a user already at its process limit
  // (another run's fork bomb, when stages run without the box). The stage's child says so in
  // exactly these words and exits 127 before the compiler runs.
  return compiled.exitCode == 127 &&
         compiled.stderr == "exec failed: Resource temporarily unavailable\n";
}

ProcessOutcome runCompileStage(const std::vector<std::string>& args, const TempDir& dir,
                               const std::vector<std::string>& env, int64_t timeoutMs, bool boxed) {
  ProcessOutcome compiled = runStage(args, dir, "", env, timeoutMs, true, boxed);
  for (int pauseMs : kPausesMs) {
    if (!compilerFoundNoProcessFree(compiled)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    compiled = runStage(args, dir, "", env, timeoutMs, true, boxed);
  }
  return compiled;
}

}  // namespace quorbel
