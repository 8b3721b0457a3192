// The runner's self-checks (part of "--test") and the host validation behind
// "--runner-linux-test" and QUORBEL_RUNNER_VALIDATE_ON_START. Each prints one line per check on
// standard output, "runner-<name>: ok" or "runner-<name>: failed | <details>".
#pragma once

#include <string>

#include "runner/runner.h"
#include "runner/runner_box.h"

namespace quorbel {

// Runs the fixed list of small programs through runCppProgram, the three process-group
// probes, the two required-isolation switches (refused without the box, met by it) and
// checkBox. 0 when all passed, else 1. QUORBEL_RUNNER_REQUIRE_CHROOT, _NETNS and
// QUORBEL_RUNNER_BWRAP are set for their checks and restored afterwards.
int runRunnerSelfTests();

// The host validation: "linux-production-host" passes where runs are boxed (else fails with
// the reason), then checkBox runs. 0 when all passed, else 1.
int runRunnerLinuxValidation();

// The five checks of the box (runner_box_checks.cpp): /etc/passwd and a repository file cannot
// be read, a connection to a port listening on the host's loopback fails, a fork bomb ends with
// nothing left behind, and <bits/stdc++.h> compiles. Where runs are not boxed each prints
// "runner-<name>: skipped without the bubblewrap box (<reason>)" instead.
void checkBox(bool& allPassed, const RunnerIsolation& isolation);

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
