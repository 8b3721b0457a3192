// The runner's self-checks (part of "--test") and the host validation behind
// "--runner-linux-test" and QUORBEL_RUNNER_VALIDATE_ON_START. Each prints one line per check on
// standard output, "runner-<name>: ok" or "runner-<name>: failed | <details>".
#pragma once

#include <string>

#include "runner/runner.h"

namespace quorbel {

// Runs the fixed list of small programs through runCppProgram and the three process-group
// probes, then prints the five checks this runner cannot make. 0 when all passed, else 1.
// QUORBEL_RUNNER_REQUIRE_CHROOT and _NETNS are set for their checks and restored afterwards.
int runRunnerSelfTests();

// Reports "linux-production-host" as failed: this runner has no chroot or network isolation,
// so it never validates a host. Always 1.
int runRunnerLinuxValidation();

// Prints the line for one check; a failure clears `allPassed`. Details follow " | " only for
// a failed check with details.
void reportTest(bool& allPassed, const std::string& name, bool passed, const std::string& details);

// "<status> phase=<phase> exit=<code> out=<bytes> err=<bytes>", then " error=", " compiler="
// and " stderr=" with their texts when not empty.
std::string summarizeRun(const RunResult& result);

// Entries of tempBaseDirectory() whose names begin with "quorbel-run-"; 0 when it cannot be
// read.
int countTempRunDirs();

// Compiles and runs a helper that forks a sleeping child and then, by `mode`, sleeps
// ("timeout"), floods stdout ("stdout") or floods stderr ("stderr"); passes when the runner
// reports the timeout or the truncation and the child is gone afterwards. `details` says why
// it failed.
bool trustedProcessGroupKillProbe(const std::string& mode, std::string& details);

}  // namespace quorbel
