#include "runner/runner_cgroup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace quorbel {
namespace {

std::string readWhole(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool writeValue(const std::string& path, const std::string& value) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_CREAT, 0644);
  if (fd < 0) return false;
  const bool written = write(fd, value.data(), value.size()) == static_cast<ssize_t>(value.size());
  close(fd);
  return written;
}

bool listsWord(const std::string& text, const std::string& word) {
  std::istringstream words(text);
  for (std::string item; words >> item;)
    if (item == word) return true;
  return false;
}

// The cgroup2 mount point from /proc/self/mountinfo, empty when there is none.
std::string cgroup2Mount() {
  std::ifstream in("/proc/self/mountinfo");
  for (std::string line; std::getline(in, line);) {
    const size_t dash = line.find(" - cgroup2 ");
    if (dash == std::string::npos) continue;
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint;
    fields >> id >> parent >> device >> root >> mountPoint;
    return mountPoint;
  }
  return "";
}

// This process's path in the cgroup2 hierarchy ("0::/path" in /proc/self/cgroup).
std::string ownCgroupPath() {
  std::ifstream in("/proc/self/cgroup");
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("0::")) return line.substr(3);
  }
  return "";
}

}  // namespace

CgroupSupport checkCgroupRoot(const std::string& root) {
  CgroupSupport support;
  support.root = root;
  struct stat info {};
  if (root.empty() || stat((root + "/cgroup.controllers").c_str(), &info) != 0) {
    support.reason = (root.empty() ? std::string("no cgroup2 hierarchy") : root) +
                     (root.empty() ? "" : " is not a cgroup");
    return support;
  }
  const std::string controllers = readWhole(root + "/cgroup.controllers");
  for (const char* name : {"memory", "pids", "cpu"}) {
    if (!listsWord(controllers, name)) {
      support.reason = root + " offers no " + name + " controller";
      return support;
    }
  }
  if (access(root.c_str(), W_OK) != 0 ||
      access((root + "/cgroup.subtree_control").c_str(), W_OK) != 0) {
    support.reason = root + " is not writable";
    return support;
  }
  support.usable = true;
  return support;
}

CgroupSupport runnerCgroups() {
  // Decided again only when the configured root changes, as a test's stand-in root does.
  static std::mutex mutex;
  static bool decided = false;
  static std::string decidedFor;
  static CgroupSupport support;
  const char* variable = std::getenv("QUORBEL_RUNNER_CGROUP_ROOT");
  const std::string configured = variable != nullptr ? variable : "";
  const std::lock_guard<std::mutex> lock(mutex);
  if (decided && decidedFor == configured) return support;
  decided = true;
  decidedFor = configured;
  support = CgroupSupport{};
  if (!configured.empty()) return support = checkCgroupRoot(configured);
  const std::string mount = cgroup2Mount();
  const std::string own = ownCgroupPath();
  if (mount.empty()) {
    support.reason = "no cgroup2 hierarchy";
  } else if (own != "/") {
    support.reason = "set QUORBEL_RUNNER_CGROUP_ROOT to an empty cgroup delegated to the server";
  } else {
    support = checkCgroupRoot(mount);
  }
  return support;
}

std::string describeCgroups(const CgroupSupport& support) {
  if (support.usable) return "runner cgroups: " + support.root;
  return "runner cgroups: none (" + support.reason + "); runs keep their process limits";
}

std::string createStageCgroup(const std::string& root, const StageCgroupLimits& limits,
                              std::string& error) {
  static std::atomic<int> sequence{0};
  // The controllers are enabled once for every child; already enabled is no failure.
  writeValue(root + "/cgroup.subtree_control", "+memory +pids +cpu");
  const std::string path =
      root + "/quorbel-" + std::to_string(getpid()) + "-" + std::to_string(sequence.fetch_add(1));
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
    error = "Could not create the run's cgroup.";
    return "";
  }
  const std::string cpu = std::to_string(limits.cpuPercent * 1000) + " 100000";
  const bool written = writeValue(path + "/memory.max", std::to_string(limits.memoryBytes)) &&
                       writeValue(path + "/memory.swap.max", "0") &&
                       writeValue(path + "/pids.max", std::to_string(limits.processes)) &&
                       writeValue(path + "/cpu.max", cpu);
  if (!written) {
    removeStageCgroup(path);
    error = "Could not set the run's cgroup limits.";
    return "";
  }
  return path;
}

bool stageCgroupHitMemoryLimit(const std::string& path) {
  std::istringstream events(readWhole(path + "/memory.events"));
  std::string name;
  long long count = 0;
  while (events >> name >> count) {
    if (name == "oom_kill" && count > 0) return true;
  }
  return false;
}

int64_t stageCgroupPeakMemoryKb(const std::string& path) {
  const std::string text = readWhole(path + "/memory.peak");
  return text.empty() ? 0 : std::atoll(text.c_str()) / 1024;
}

void removeStageCgroup(const std::string& path) {
  if (path.empty()) return;
  writeValue(path + "/cgroup.kill", "1");
  // A cgroup refuses (EBUSY) until the processes killed have left it.
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (rmdir(path.c_str()) == 0 || errno != EBUSY) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace quorbel
