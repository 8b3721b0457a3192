#include "runner/runner_process_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace quorbel {
namespace {

constexpr int64_t kSweepLimitMs = 2000;

int64_t monotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The number after "Name:" on its line of a /proc status file, or -1.
long statusField(std::string_view status, std::string_view name) {
  size_t at = status.find(name);
  while (at != std::string_view::npos && at != 0 && status[at - 1] != '\n') {
    at = status.find(name, at + 1);
  }
  if (at == std::string_view::npos) return -1;
  size_t i = at + name.size();
  while (i < status.size() && (status[i] == ' ' || status[i] == '\t')) ++i;
  if (i >= status.size() || status[i] < '0' || status[i] > '9') return -1;
  return std::strtol(status.data() + i, nullptr, 10);
}

bool readStatus(int pid, ProcessEntry& entry) {
  const std::string path = "/proc/" + std::to_string(pid) + "/status";
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[8192];
  ssize_t length = read(fd, buffer, sizeof(buffer) - 1);
  close(fd);
  if (length <= 0) return false;
  std::string_view status(buffer, static_cast<size_t>(length));
  entry.pid = pid;
  entry.parentPid = static_cast<int>(statusField(status, "PPid:"));
  entry.realUid = static_cast<uint32_t>(statusField(status, "Uid:"));
  entry.threads = std::max(1L, statusField(status, "Threads:"));
  size_t state = status.find("\nState:");
  if (state != std::string_view::npos) {
    size_t letter = status.find_first_not_of(" \t", state + 7);
    entry.zombie = letter != std::string_view::npos && status[letter] == 'Z';
  }
  return entry.parentPid >= 0;
}

// The parent of `pid` now, or -1 when it is gone.
int currentParent(int pid) {
  ProcessEntry entry;
  return readStatus(pid, entry) ? entry.parentPid : -1;
}

// A direct child's pid cannot be reused before we reap it; a deeper one can, between the
// scan and the signal, so it is pinned with a pidfd and checked to still have its parent.
void killEntry(const ProcessEntry& entry, int self) {
  if (entry.parentPid == self) {
    kill(entry.pid, SIGKILL);
    return;
  }
#if defined(SYS_pidfd_open) && defined(SYS_pidfd_send_signal)
  int fd = static_cast<int>(syscall(SYS_pidfd_open, entry.pid, 0));
  if (fd >= 0) {
    if (currentParent(entry.pid) == entry.parentPid) {
      syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0);
    }
    close(fd);
    return;
  }
  if (errno != ENOSYS) return;
#endif
  kill(entry.pid, SIGKILL);
}

}  // namespace

std::vector<ProcessEntry> readProcessTable() {
  std::vector<ProcessEntry> table;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return table;
  while (const dirent* item = readdir(proc)) {
    char* end = nullptr;
    long pid = std::strtol(item->d_name, &end, 10);
    if (pid <= 0 || end == item->d_name || *end != '\0') continue;
    ProcessEntry entry;
    if (readStatus(static_cast<int>(pid), entry)) table.push_back(entry);
  }
  closedir(proc);
  return table;
}

std::vector<int> childProcessIds() {
  std::vector<int> children;
  const int self = getpid();
  for (const ProcessEntry& entry : readProcessTable()) {
    if (entry.parentPid == self) children.push_back(entry.pid);
  }
  return children;
}

long countUserTasks(uint32_t uid) {
  long tasks = 0;
  for (const ProcessEntry& entry : readProcessTable()) {
    if (entry.realUid == uid) tasks += entry.threads;
  }
  return tasks;
}

namespace {

// Pss from /proc/<pid>/smaps_rollup, else VmRSS from its status; kilobytes, 0 when gone.
int64_t processMemoryKb(int pid) {
  constexpr std::pair<const char*, const char*> kSources[] = {{"smaps_rollup", "Pss:"},
                                                              {"status", "VmRSS:"}};
  for (const auto& [file, field] : kSources) {
    const std::string path = "/proc/" + std::to_string(pid) + "/" + file;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    char buffer[4096];
    const ssize_t length = read(fd, buffer, sizeof buffer - 1);
    close(fd);
    if (length <= 0) continue;
    const long kb = statusField(std::string_view(buffer, static_cast<size_t>(length)), field);
    if (kb >= 0) return kb;
  }
  return 0;
}

}  // namespace

int64_t treeMemoryBytes(const std::vector<int>& roots) {
  const std::vector<ProcessEntry> table = readProcessTable();
  std::multimap<int, int> children;
  for (const ProcessEntry& entry : table) children.emplace(entry.parentPid, entry.pid);
  std::vector<int> pending = roots;
  std::set<int> seen;
  int64_t kb = 0;
  while (!pending.empty()) {
    const int pid = pending.back();
    pending.pop_back();
    if (pid <= 0 || !seen.insert(pid).second) continue;
    kb += processMemoryKb(pid);
    const auto [first, last] = children.equal_range(pid);
    for (auto child = first; child != last; ++child) pending.push_back(child->second);
  }
  return kb * 1024;
}

bool adoptOrphans() {
#ifdef __linux__
  int previous = 0;
  prctl(PR_GET_CHILD_SUBREAPER, &previous, 0, 0, 0);
  prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
  return previous != 0;
#else
  return false;
#endif
}

void restoreOrphanAdoption(bool previous) {
#ifdef __linux__
  prctl(PR_SET_CHILD_SUBREAPER, previous ? 1 : 0, 0, 0, 0);
#else
  (void)previous;
#endif
}

void sweepRunProcesses(const std::vector<int>& existingChildren, int mainPid) {
  const int self = getpid();
  const int64_t giveUpAt = monotonicMs() + kSweepLimitMs;
  for (;;) {
    const std::vector<ProcessEntry> table = readProcessTable();
    std::multimap<int, size_t> childrenOf;
    for (size_t i = 0; i < table.size(); ++i) childrenOf.emplace(table[i].parentPid, i);

    std::vector<size_t> targets;
    std::set<int> seen;  // a table read while processes come and go may hold a cycle
    auto [first, last] = childrenOf.equal_range(self);
    for (auto it = first; it != last; ++it) {
      int pid = table[it->second].pid;
      if (std::find(existingChildren.begin(), existingChildren.end(), pid) ==
              existingChildren.end() &&
          seen.insert(pid).second) {
        targets.push_back(it->second);
      }
    }
    for (size_t next = 0; next < targets.size(); ++next) {
      auto [from, to] = childrenOf.equal_range(table[targets[next]].pid);
      for (auto it = from; it != to; ++it) {
        if (seen.insert(table[it->second].pid).second) targets.push_back(it->second);
      }
    }

    bool othersLeft = false;
    for (size_t index : targets) {
      const ProcessEntry& entry = table[index];
      if (entry.pid == mainPid) {
        if (!entry.zombie) kill(entry.pid, SIGKILL);
        continue;
      }
      othersLeft = true;
      if (!entry.zombie) {
        killEntry(entry, self);
      } else if (entry.parentPid == self) {
        waitpid(entry.pid, nullptr, WNOHANG);
      }
    }
    if (!othersLeft || monotonicMs() > giveUpAt) return;
    usleep(1000);
  }
}

void sweepProcessesBelow(int rootPid) {
  const int self = getpid();
  const int64_t giveUpAt = monotonicMs() + kSweepLimitMs;
  for (;;) {
    const std::vector<ProcessEntry> table = readProcessTable();
    std::multimap<int, size_t> childrenOf;
    for (size_t i = 0; i < table.size(); ++i) childrenOf.emplace(table[i].parentPid, i);
    std::vector<size_t> targets;
    std::vector<int> parents = {rootPid};
    std::set<int> seen = {rootPid};  // a table read while processes come and go may hold a cycle
    for (size_t next = 0; next < parents.size(); ++next) {
      auto [from, to] = childrenOf.equal_range(parents[next]);
      for (auto it = from; it != to; ++it) {
        if (!seen.insert(table[it->second].pid).second) continue;
        targets.push_back(it->second);
        parents.push_back(table[it->second].pid);
      }
    }
    bool alive = false;
    for (size_t index : targets) {
      if (table[index].zombie) continue;
      alive = true;
      killEntry(table[index], self);
    }
    if (!alive || monotonicMs() > giveUpAt) return;
    usleep(1000);
  }
}

}  // namespace quorbel
