#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runner/runner_box.h"

namespace quorbel {

// Whether a compile failed only because the compiler, or one of its own processes, could not
// start (exec, fork or vfork answered EAGAIN): other runs of the same user held every process the
// limit allows, which says nothing of the program compiled.
bool compilerFoundNoProcessFree(const ProcessOutcome& compiled);

// Runs the compile stage with runStage, and again after a pause while the compiler found no
// process free; a run that holds them ends within the run time limit, so the pauses together
// outlast it.
ProcessOutcome runCompileStage(const std::vector<std::string>& args, const TempDir& dir,
                               const std::vector<std::string>& env, int64_t timeoutMs, bool boxed);

}  // namespace quorbel
