// Each stage's box in a cgroup v2 of its own, where the host delegates a hierarchy to the
// server: memory.max (which counts shared memory, tmpfs pages and kernel memory, unlike the
// address-space limit), memory.swap.max 0, pids.max and cpu.max. Where it does not, runs keep
// the process limits alone (runner_limits.h) and the server says so once at start-up.
#pragma once

#include <cstdint>
#include <string>

namespace quorbel {

struct CgroupSupport {
  bool usable = false;
  std::string root;    // the directory stage cgroups are made in
  std::string reason;  // why there are none; empty when usable
};

// Whether `root` can hold stage cgroups: a directory whose cgroup.controllers lists memory,
// pids and cpu, and which this process may write. Reasons: "<root> is not a cgroup", "<root>
// offers no <name> controller", "<root> is not writable".
CgroupSupport checkCgroupRoot(const std::string& root);

// QUORBEL_RUNNER_CGROUP_ROOT when set and not empty, else this process's own cgroup in the
// cgroup2 hierarchy when it is that hierarchy's root (a delegated cgroup that holds processes
// cannot take children with controllers: name an empty one). Decided once per value of the
// variable.
CgroupSupport runnerCgroups();

// The start-up line: "runner cgroups: <root>" or "runner cgroups: none (<reason>); runs keep
// their process limits".
std::string describeCgroups(const CgroupSupport& support);

struct StageCgroupLimits {
  int64_t memoryBytes = 0;
  int64_t processes = 0;
  int64_t cpuPercent = 100;  // of one CPU
};

// Makes a fresh cgroup under `root` with the controllers enabled and the limits written.
// Returns its path, or empty with `error` set.
std::string createStageCgroup(const std::string& root, const StageCgroupLimits& limits,
                              std::string& error);

// Whether the stage's cgroup ended a process for its memory (memory.events oom_kill).
bool stageCgroupHitMemoryLimit(const std::string& path);

// The stage cgroup's peak memory (memory.peak) in KiB; 0 where the kernel keeps none (before 5.19).
int64_t stageCgroupPeakMemoryKb(const std::string& path);

// Kills whatever is left in it (cgroup.kill) and removes it, trying for up to a second.
void removeStageCgroup(const std::string& path);

}  // namespace quorbel
