#include "runner/runner_limits.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "runner/runner_process_tree.h"

namespace quorbel {
namespace {

constexpr rlim_t kMiB = 1024 * 1024;
constexpr rlim_t kCompileFileBytes = 64 * kMiB;

// The limits are computed in the thread that starts the stage, so a raise held by one thread
// never reaches another thread's compiles.
thread_local rlim_t tCompileFileBytes = kCompileFileBytes;

void addLimit(StageLimits& limits, ResourceId resource, rlim_t value) {
  limits.items[limits.count++] = ResourceLimit{resource, value};
}

rlim_t processLimit(const RunnerIdentity& identity) {
  const uint32_t uid = identity.active ? identity.uid : static_cast<uint32_t>(getuid());
  rlim_t limit = static_cast<rlim_t>(countUserTasks(uid)) + kStageProcessBudget;
  rlimit current{};
  if (getrlimit(RLIMIT_NPROC, &current) == 0 && current.rlim_max != RLIM_INFINITY &&
      current.rlim_max < limit && !identity.active) {
    // Without privileges the hard limit cannot be raised, and it is already the tighter one.
    limit = current.rlim_max;
  }
  return limit;
}

}  // namespace

StageLimits stageLimits(bool compileStage, const RunnerIdentity& identity, int64_t cpuSeconds) {
  StageLimits limits;
  addLimit(limits, RLIMIT_CORE, 0);
  addLimit(limits, RLIMIT_NOFILE, compileStage ? 96 : 32);
  const rlim_t defaultCpu = compileStage ? 8 : 3;
  addLimit(limits, RLIMIT_CPU, cpuSeconds > 0 ? static_cast<rlim_t>(cpuSeconds) : defaultCpu);
  addLimit(limits, RLIMIT_FSIZE, compileStage ? tCompileFileBytes : 1 * kMiB);
  addLimit(limits, RLIMIT_AS, compileStage ? 2048 * kMiB : 512 * kMiB);
  addLimit(limits, RLIMIT_NPROC, processLimit(identity));
  return limits;
}

void makeRoomForCopies(StageLimits& limits, std::initializer_list<int> files) {
  rlim_t largest = 0;
  for (int file : files) {
    struct stat status {};
    if (file >= 0 && fstat(file, &status) == 0 && status.st_size > 0)
      largest = std::max(largest, static_cast<rlim_t>(status.st_size));
  }
  for (int i = 0; i < limits.count; ++i)
    if (limits.items[i].resource == RLIMIT_FSIZE)
      limits.items[i].value = std::max(limits.items[i].value, largest);
}

CompileFileSizeCap::CompileFileSizeCap(rlim_t bytes) : previous_(tCompileFileBytes) {
  tCompileFileBytes = bytes;
}

CompileFileSizeCap::~CompileFileSizeCap() { tCompileFileBytes = previous_; }

StageLimits boxStageLimits(bool compileStage, const RunnerIdentity& identity, int64_t cpuSeconds) {
  StageLimits limits = stageLimits(compileStage, identity, cpuSeconds);
  rlimit current{};
  if (getrlimit(RLIMIT_NPROC, &current) != 0) return limits;
  for (int i = 0; i < limits.count; ++i) {
    if (limits.items[i].resource == RLIMIT_NPROC) limits.items[i].value = current.rlim_max;
  }
  return limits;
}

bool capProcessCount(int pid, const RunnerIdentity& identity) {
  const rlimit cap{kStageProcessBudget, kStageProcessBudget};
  if (!identity.active) return prlimit(pid, RLIMIT_NPROC, &cap, nullptr) == 0;
  // Only this child changes user; it allocates nothing and ends with the answer.
  const pid_t helper = fork();
  if (helper < 0) return false;
  if (helper == 0) {
    const bool set = setgroups(0, nullptr) == 0 &&
                     setresgid(identity.gid, identity.gid, identity.gid) == 0 &&
                     setresuid(identity.uid, identity.uid, identity.uid) == 0 &&
                     prlimit(pid, RLIMIT_NPROC, &cap, nullptr) == 0;
    _exit(set ? 0 : 1);
  }
  int status = 0;
  while (waitpid(helper, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void applyResourceLimits(const StageLimits& limits) {
  for (int i = 0; i < limits.count; ++i) {
    rlimit value{limits.items[i].value, limits.items[i].value};
    setrlimit(limits.items[i].resource, &value);
  }
}

}  // namespace quorbel
