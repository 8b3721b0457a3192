// The processes a run leaves behind. A program can fork, leave its process group with setsid
// and outlive its parent, so killing the group is not enough: these functions find what
// descends from this process through /proc (Linux) and end it. Elsewhere they find nothing.
#pragma once

#include <cstdint>
#include <vector>

namespace quorbel {

struct ProcessEntry {
  int pid = 0;
  int parentPid = 0;
  uint32_t realUid = 0;
  long threads = 0;
  bool zombie = false;
};

// Every process visible in /proc; empty when /proc cannot be read.
std::vector<ProcessEntry> readProcessTable();

// The direct children this process has now.
std::vector<int> childProcessIds();

// The tasks (threads included, as RLIMIT_NPROC counts them) whose real user is `uid`.
long countUserTasks(uint32_t uid);

// The memory the processes at and below `roots` hold together: the sum of their proportional
// set sizes (a page shared by k of them counts 1/k to each, so a fork's untouched copy of its
// parent counts once), or of their resident sizes where that cannot be read. Without a cgroup
// this is what caps a run as a whole: each process's address-space limit caps it alone.
int64_t treeMemoryBytes(const std::vector<int>& roots);

// Makes this process the reaper of orphaned descendants, so that a process whose parent died
// stays findable below us. Returns the previous setting for restoreOrphanAdoption.
bool adoptOrphans();
void restoreOrphanAdoption(bool previous);

// Kills with SIGKILL every descendant of this process except those below a child listed in
// `existingChildren`, and reaps the ones that become our children. `mainPid` (or -1) is
// killed but left for its caller to reap. Returns when nothing else is left, or after 2 s.
void sweepRunProcesses(const std::vector<int>& existingChildren, int mainPid);

// Kills with SIGKILL every process below `rootPid` (not rootPid itself), and nothing else: a
// box's processes live in a PID namespace of their own, so they are all found below its bwrap
// and die with the namespace's first process, and the boxes of other runs and the server's
// other children are never touched. Returns when nothing is left below it, or after 2 s.
void sweepProcessesBelow(int rootPid);

}  // namespace quorbel
