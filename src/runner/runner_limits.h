// The resource limits of the compile and run stages, computed in the parent and applied in
// the child between fork and exec.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <initializer_list>

#include "runner/runner_identity.h"

namespace quorbel {

using ResourceId = decltype(RLIMIT_CORE);

struct ResourceLimit {
  ResourceId resource;
  rlim_t value;
};

// A fixed list, so that the child can apply it without allocating.
struct StageLimits {
  ResourceLimit items[8];
  int count = 0;
};

// The box copies the program and its launcher in while the run's limits already hold, so a
// file-size cap below either file would refuse the copy itself (a program with a large
// initialised table, or a launcher built with sanitizers): the cap rises to the largest of
// `files` (descriptors; -1 is skipped) and never falls.
void makeRoomForCopies(StageLimits& limits, std::initializer_list<int> files);

// Processes one stage may add to those its user already has: the compiler needs a handful,
// a submitted program none. With 512 MiB each, a run can never hold more than 8 GiB.
constexpr rlim_t kStageProcessBudget = 16;

// In this order: core 0; open files 96 (compile) / 32 (run); CPU 8 / 3 s (or `cpuSeconds` when
// positive, for a run given a longer time limit); file size 64 MiB /
// 1 MiB; address space 2 GiB / 512 MiB; processes: the tasks the stage's user (the identity
// when active, else this process's user) has now plus kStageProcessBudget, never above the
// current hard limit. RLIMIT_NPROC counts per user, so the headroom bounds what the run can
// create even when it shares its user with the server.
StageLimits stageLimits(bool compileStage, const RunnerIdentity& identity, int64_t cpuSeconds = 0);

// While one lives, compiles started by the calling thread may write files of up to `bytes`
// instead of 64 MiB: the precompiled header's build writes one of about 100 MiB. Every other
// limit of the stage stays as it is.
class CompileFileSizeCap {
 public:
  explicit CompileFileSizeCap(rlim_t bytes);
  ~CompileFileSizeCap();
  CompileFileSizeCap(const CompileFileSizeCap&) = delete;
  CompileFileSizeCap& operator=(const CompileFileSizeCap&) = delete;

 private:
  rlim_t previous_;
};

// The stage's limits for bwrap: the process count raised to the current hard limit, since the
// box's own processes are capped inside it (runner_process.h, BoxChannels).
StageLimits boxStageLimits(bool compileStage, const RunnerIdentity& identity,
                           int64_t cpuSeconds = 0);

// Sets RLIMIT_NPROC of process `pid` to kStageProcessBudget (soft and hard), as `identity` when
// active (from a short-lived child that switches to it: the process runs as that user, and
// the server may lack the privilege to reach another user's process). True when it was set.
bool capProcessCount(int pid, const RunnerIdentity& identity);

// Child side: sets each limit with soft and hard equal; failures are ignored.
void applyResourceLimits(const StageLimits& limits);

}  // namespace quorbel
