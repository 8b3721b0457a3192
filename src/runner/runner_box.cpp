// A compile box, as bwrap sees it (the run box has no /usr/bin, /usr/include or /bin, a
// private working directory /box and the program copied in read-only as /program/main):
//   bwrap --unshare-user --unshare-ipc --unshare-pid --unshare-net --unshare-uts ...
//         --cap-drop ALL --as-pid-1 --cap-add CAP_SYS_ADMIN --cap-add CAP_SETPCAP
//         --proc /proc --dev-bind /dev/null /dev/null ... --size 67108864 --tmpfs /tmp
//         --ro-bind /usr/lib /usr/lib ... --symlink usr/lib /lib ...
//         --ro-bind-try /srv/quorbel/vendor/ac-library /include/ac-library
//         --bind /tmp/quorbel-run-Xy12ab /box --perms 0555 --file 9 /program/quorbel-box
//         --remount-ro / --chdir /box -- /program/quorbel-box --remount /tmp 67108864 1024 --
//         /usr/bin/x86_64-linux-gnu-g++-12 -std=gnu++20 ... -I /include/ac-library main.cpp -o main
// Without the launcher the tmpfs keeps bwrap's flags, the box has --dev /dev and
// --disable-userns, no capability is kept, and bwrap's own init is pid 1.
//
// The box names no host path of the server's: a mount's source shows in /proc/self/mountinfo
// (the path inside its file system) and a descriptor's in /proc/self/fd, so the program and the
// launcher are copied in from descriptors instead of mounted (bwrap's --file), the folders a
// compile includes from are mounted under /include by their last name, and a run's standard
// input is a memory file (run_tests.cpp). Only the compile box, where no submitted code runs,
// mounts the run folder itself, as /box.
#include "runner/runner_box.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "runner/box_launch.h"
#include "runner/run_outcome.h"
#include "runner/runner_box_filter.h"
#include "runner/runner_cgroup.h"
#include "runner/runner_limits.h"

namespace quorbel {
namespace {

constexpr int64_t kProbeTimeoutMs = 5000;
constexpr const char* kBoxUser = "65534";       // the overflow id: an unprivileged nobody
constexpr int64_t kCompileTmpBytes = 64 << 20;  // the assembler's object file goes here
constexpr int64_t kRunTmpBytes = 16 << 20;
// A compile makes a handful of temporary files, a program a few of its own; empty files cost
// kernel memory that no byte cap counts.
constexpr int64_t kBoxFolderFiles = 1024;
// The box's own programs, copied in read-only: the stage's program (run) and the launcher.
constexpr const char* kBoxProgramDirectory = "/program";
constexpr const char* kCopiedFileMode = "0555";
// Where the folders a compile includes from (-I) appear, each by its last name.
constexpr const char* kBoxIncludeDirectory = "/include";
// Device nodes a compile or a program may open where the launcher runs: bwrap's --dev would
// put the box in a second user namespace, where the launcher could mount nothing.
const char* const kDeviceNodes[] = {"/dev/null", "/dev/zero", "/dev/full", "/dev/random",
                                    "/dev/urandom"};

// The directories a stage sees of the host, read-only, when they exist.
const char* const kRuntimeDirectories[] = {"/usr/lib", "/usr/lib64"};
const char* const kCompilerDirectories[] = {"/usr/bin", "/usr/include", "/usr/libexec"};

// Decided by the first call for a bwrap path, kept for the life of the process.
struct IsolationCache {
  std::mutex mutex;
  bool checked = false;
  std::string bwrap;
  RunnerIsolation isolation;
};
IsolationCache gIsolation;

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

void add(std::vector<std::string>& args, std::initializer_list<std::string> items) {
  args.insert(args.end(), items);
}

// A top-level entry such as /lib: a symbolic link on a merged-/usr system (recreated as the
// same link), a directory elsewhere (bound read-only), absent on some (left out).
void addRootEntry(std::vector<std::string>& args, const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return;
  if (S_ISLNK(info.st_mode)) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
    if (length > 0)
      add(args, {"--symlink", std::string(target, static_cast<size_t>(length)), path});
  } else if (S_ISDIR(info.st_mode)) {
    add(args, {"--ro-bind", path, path});
  }
}

// The compiler's real path: inside the box no /etc/alternatives resolves a link.
std::string realPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string directoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// "ac-library" of "/srv/vendor/ac-library/"; empty for "/".
std::string lastNameOf(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path.substr(path.rfind('/') + 1);
}

// Each absolute -I folder mounted read-only as /include/<its last name> (a repeated name gets
// its argument's position after it) and the argument rewritten to match: diagnostics, __FILE__
// in a header's assert and debug information then name the box's path, never the host's. Never
// the host's whole root.
void mountIncludeFolders(std::vector<std::string>& command, std::vector<std::string>& program) {
  std::vector<std::string> used;
  for (size_t i = 1; i + 1 < program.size(); ++i) {
    const std::string& folder = program[i + 1];
    if (program[i] != "-I" || !folder.starts_with("/") || lastNameOf(folder).empty()) continue;
    std::string inside = std::string(kBoxIncludeDirectory) + "/" + lastNameOf(folder);
    if (std::find(used.begin(), used.end(), inside) != used.end())
      inside += "-" + std::to_string(i + 1);
    used.push_back(inside);
    add(command, {"--ro-bind-try", folder, inside});
    program[i + 1] = inside;
  }
}

bool insideBoundDirectory(const std::string& path) {
  for (const char* bound : kCompilerDirectories) {
    if (path.starts_with(std::string(bound) + "/")) return true;
  }
  for (const char* bound : kRuntimeDirectories) {
    if (path.starts_with(std::string(bound) + "/")) return true;
  }
  return false;
}

// The box's temporary directory stands in for the host's, which the box cannot see.
std::vector<std::string> boxEnvironment(const std::vector<std::string>& env) {
  std::vector<std::string> boxed;
  for (const std::string& entry : env) {
    if (entry.starts_with("TMPDIR=")) {
      boxed.push_back("TMPDIR=/tmp");
    } else if (entry.starts_with("HOME=")) {
      boxed.push_back("HOME=/tmp");
    } else {
      boxed.push_back(entry);
    }
  }
  return boxed;
}

// Why a box did not start: the runner's words for its setup (which carry bwrap's or the
// launcher's), else what was printed, else the exit status.
std::string refusalOf(const ProcessOutcome& outcome) {
  constexpr std::string_view kSetup = "Runner box setup failed: ";
  if (outcome.error.starts_with(kSetup)) return outcome.error.substr(kSetup.size());
  const std::string said =
      firstLine(outcome.stderr.starts_with("bwrap: ") ? outcome.stderr.substr(7) : outcome.stderr);
  if (!said.empty()) return said;
  if (!outcome.error.empty()) return outcome.error;
  return "exit " + std::to_string(outcome.exitCode);
}

bool started(const ProcessOutcome& outcome) {
  return outcome.error.empty() && !outcome.timedOut && outcome.exitCode == 0;
}

ProcessOutcome runInBox(const std::vector<std::string>& args, const TempDir& dir,
                        const std::string& input, const std::vector<std::string>& env,
                        int64_t timeoutMs, bool compileStage, const std::string& launcher,
                        const StageOptions& options = {});

// A file of the host for bwrap to copy into the box: a regular file opened read-only, never
// through a link, never waiting on a pipe planted in its place. Closed with this object.
struct CopiedFile {
  int fd = -1;
  explicit CopiedFile(const std::string& path) {
    if (path.empty()) return;
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
      ::close(fd);
      fd = -1;
    }
  }
  ~CopiedFile() {
    if (fd >= 0) ::close(fd);
  }
  CopiedFile(const CopiedFile&) = delete;
  CopiedFile& operator=(const CopiedFile&) = delete;
};

// The launcher first; where it cannot remount, bwrap's tmpfs as bwrap made it.
RunnerIsolation probeBox(const std::string& bwrap) {
#ifndef __linux__
  return {false, "not Linux"};
#endif
  if (access(bwrap.c_str(), X_OK) != 0) return {false, "bwrap not found at " + bwrap};
  TempDir dir = makeTempDir();
  if (dir.path.empty()) return {false, "no run directory for the box probe"};
  const std::string launcher = boxLauncherPath();
  std::string mountsReason = launcher + " is missing";
  if (access(launcher.c_str(), X_OK) == 0) {
    const ProcessOutcome mounted =
        runInBox({"/usr/bin/true"}, dir, "", {}, kProbeTimeoutMs, true, launcher);
    if (started(mounted)) return {true, "", true, ""};
    mountsReason = "the launcher failed: " + refusalOf(mounted);
  }
  const ProcessOutcome outcome =
      runInBox({"/usr/bin/true"}, dir, "", {}, kProbeTimeoutMs, true, "");
  if (started(outcome)) return {true, "", false, mountsReason};
  return {false, "bwrap refused the box: " + refusalOf(outcome)};
}

// The compile as its address-space limit allows; a run as its memory cap; the box's own
// process budget (runner_limits.h) and one CPU each.
StageCgroupLimits stageCgroupLimits(bool compileStage) {
  StageCgroupLimits limits;
  limits.memoryBytes = (compileStage ? 2048 : kRunMemoryCapMb) * 1024 * 1024;
  limits.processes = static_cast<int64_t>(kStageProcessBudget) + 2;  // and bwrap's own two
  return limits;
}

bool boxNeverStarted(const ProcessOutcome& outcome) {
  return !outcome.timedOut && outcome.error.empty() &&
         outcome.boxStatus.find("\"child-pid\"") == std::string::npos;
}

}  // namespace

std::string bwrapPath() {
  const char* configured = std::getenv("QUORBEL_RUNNER_BWRAP");
  return configured != nullptr && configured[0] != '\0' ? configured : "/usr/bin/bwrap";
}

RunnerIsolation runnerIsolation() {
  const std::string bwrap = bwrapPath();
  const std::lock_guard<std::mutex> lock(gIsolation.mutex);
  if (!gIsolation.checked || gIsolation.bwrap != bwrap) {
    gIsolation.isolation = probeBox(bwrap);
    gIsolation.bwrap = bwrap;
    gIsolation.checked = true;
  }
  return gIsolation.isolation;
}

std::string boxLauncherPath() {
  char executable[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", executable, sizeof executable - 1);
  if (length <= 0) return kBoxLauncherName;
  return directoryOf(std::string(executable, static_cast<size_t>(length))) + "/" + kBoxLauncherName;
}

std::string isolationName(const RunnerIsolation& isolation) {
  return isolation.boxed ? "bubblewrap" : "process-limits";
}

std::string describeIsolation(const RunnerIsolation& isolation) {
  if (isolation.boxed) return "runner isolation: bubblewrap box";
  return "runner isolation: process limits only (" + isolation.reason + ")";
}

std::string describeBoxFolders(const RunnerIsolation& isolation) {
  if (!isolation.boxed) return "";
  if (isolation.ownMounts)
    return "runner box folders: /tmp and the working directory noexec, at most " +
           std::to_string(kBoxFolderFiles) + " files each";
  return "runner box folders: bwrap's tmpfs, capped in bytes only (" + isolation.mountsReason + ")";
}

std::vector<std::string> boxCommand(const std::string& bwrap, bool compileStage,
                                    const std::string& runDir, const std::vector<std::string>& args,
                                    bool launcher) {
  const std::string box = kBoxDirectory;
  const std::string programs = kBoxProgramDirectory;
  const int64_t tmpBytes = compileStage ? kCompileTmpBytes : kRunTmpBytes;
  std::vector<std::string> command = {bwrap};
  add(command,
      {"--unshare-user", "--unshare-ipc", "--unshare-pid", "--unshare-net", "--unshare-uts",
       "--unshare-cgroup-try", "--die-with-parent", "--new-session", "--cap-drop", "ALL", "--uid",
       kBoxUser, "--gid", kBoxUser, "--hostname", "quorbel"});
  BoxLaunch launch;
  if (launcher) {
    // For the launcher alone, which drops them before the program starts. No second user
    // namespace (--disable-userns, --dev): its mounts must be the box's own; the program's
    // filter refuses new namespaces instead.
    add(command, {"--as-pid-1", "--cap-add", "CAP_SYS_ADMIN", "--cap-add", "CAP_SETPCAP", "--proc",
                  "/proc"});
    for (const char* node : kDeviceNodes) add(command, {"--dev-bind", node, node});
    add(command, {"--symlink", "/proc/self/fd", "/dev/fd", "--symlink", "/proc/self/fd/0",
                  "/dev/stdin", "--symlink", "/proc/self/fd/1", "/dev/stdout", "--symlink",
                  "/proc/self/fd/2", "/dev/stderr"});
    launch.mounts.push_back({"/tmp", tmpBytes, kBoxFolderFiles});
  } else {
    // /dev read-only: its tmpfs has no size cap; the device nodes stay usable.
    add(command, {"--disable-userns", "--proc", "/proc", "--dev", "/dev", "--remount-ro", "/dev"});
  }
  // The launcher remounts these noexec and capped in files, leaving what is bound below them.
  add(command, {"--perms", "0700", "--size", std::to_string(tmpBytes), "--tmpfs", "/tmp"});
  for (const char* directory : kRuntimeDirectories)
    add(command, {"--ro-bind-try", directory, directory});
  addRootEntry(command, "/lib");
  addRootEntry(command, "/lib64");
  std::vector<std::string> program = args;
  if (compileStage) {
    for (const char* directory : kCompilerDirectories) {
      add(command, {"--ro-bind-try", directory, directory});
    }
    addRootEntry(command, "/bin");
    if (!program.empty()) {
      program[0] = realPath(program[0]);
      const std::string home = directoryOf(program[0]);
      // Never the host's whole root, whatever the configured compiler.
      if (!insideBoundDirectory(program[0]) && home != "/") {
        add(command, {"--ro-bind", home, home});
      }
    }
    // Folders the compile reads headers from (the precompiled <bits/stdc++.h>), read-only.
    mountIncludeFolders(command, program);
    add(command, {"--bind", runDir, box});
  } else {
    // The program outside its working directory: that one is writable and, with the launcher,
    // noexec.
    add(command, {"--perms", "0700", "--size", std::to_string(kRunTmpBytes), "--tmpfs", box});
    if (launcher) launch.mounts.push_back({box, kRunTmpBytes, kBoxFolderFiles});
    if (!program.empty()) {
      program[0] = programs + "/" + program[0];
      add(command,
          {"--perms", kCopiedFileMode, "--file", std::to_string(kBoxProgramFileFd), program[0]});
    }
  }
  if (launcher) {
    const std::string inside = programs + "/" + kBoxLauncherName;
    add(command,
        {"--perms", kCopiedFileMode, "--file", std::to_string(kBoxLauncherFileFd), inside});
    launch.program = program;
    program = {inside};
    const std::vector<std::string> launchArgs = boxLaunchArguments(launch);
    program.insert(program.end(), launchArgs.begin(), launchArgs.end());
  }
  add(command, {"--remount-ro", "/", "--chdir", box, "--"});
  command.insert(command.end(), program.begin(), program.end());
  return command;
}

ProcessOutcome runStage(const std::vector<std::string>& args, const TempDir& dir,
                        const std::string& input, const std::vector<std::string>& env,
                        int64_t timeoutMs, bool compileStage, bool boxed,
                        const StageOptions& options) {
  if (!boxed) {
    std::vector<std::string> plain = args;
    if (!compileStage && !plain.empty()) plain[0] = dir.path + "/" + plain[0];
    return runProcess(plain, dir.path, input, env, timeoutMs, compileStage, dir.identity, "",
                      nullptr, options);
  }
  const RunnerIsolation isolation = runnerIsolation();
  return runInBox(args, dir, input, env, timeoutMs, compileStage,
                  isolation.ownMounts ? boxLauncherPath() : "", options);
}

namespace {

ProcessOutcome runInBox(const std::vector<std::string>& args, const TempDir& dir,
                        const std::string& input, const std::vector<std::string>& env,
                        int64_t timeoutMs, bool compileStage, const std::string& launcher,
                        const StageOptions& options) {
  ProcessOutcome outcome;
  int64_t cgroupPeakKb = 0;
  // A namespace refused with EAGAIN means the user's process budget is full for a moment (the
  // processes of a run just killed are still being reaped); the box never started, so trying
  // again shortly is safe.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100 * attempt));
    const std::vector<std::string> command =
        boxCommand(bwrapPath(), compileStage, dir.path, args, !launcher.empty());
    // Opened for each attempt: bwrap reads each to its end.
    const CopiedFile program(compileStage || args.empty() ? "" : dir.path + "/" + args[0]);
    const CopiedFile launcherFile(launcher);
    if ((!compileStage && program.fd < 0) || (!launcher.empty() && launcherFile.fd < 0)) {
      outcome.error =
          std::string("Runner box setup failed: could not open ") +
          (launcherFile.fd < 0 && !launcher.empty() ? "the box's launcher." : "the program.");
      return outcome;
    }
    // The options (host paths among them) travel on a descriptor; the command line keeps
    // only "--" and the program, which is all the box's /proc/1/cmdline shows.
    const auto separator = std::find(command.begin(), command.end(), "--");
    BoxChannels channels;
    channels.arguments = std::string("--json-status-fd") + '\0' + std::to_string(kBoxStatusFd) +
                         '\0' + "--block-fd" + '\0' + std::to_string(kBoxBlockFd) + '\0';
    channels.programFilter = programSyscallFilter();
    // The launcher installs the program's filter itself, after its mounts.
    channels.launchReport = !launcher.empty();
    channels.programFile = program.fd;
    channels.launcherFile = launcherFile.fd;
    if (!channels.programFilter.empty() && launcher.empty())
      channels.arguments +=
          std::string("--add-seccomp-fd") + '\0' + std::to_string(kBoxProgramFilterFd) + '\0';
    for (auto option = command.begin() + 1; option != separator; ++option)
      channels.arguments += *option + '\0';
    std::vector<std::string> visible = {command[0], "--args", std::to_string(kBoxArgumentsFd)};
    visible.insert(visible.end(), separator, command.end());
    // Where the host delegates cgroups, the stage gets one of its own for this attempt.
    const CgroupSupport cgroups = runnerCgroups();
    std::string cgroupError;
    if (cgroups.usable) {
      channels.cgroup =
          createStageCgroup(cgroups.root, stageCgroupLimits(compileStage), cgroupError);
      if (channels.cgroup.empty()) {
        outcome.error = "Runner box setup failed: " + cgroupError;
        return outcome;
      }
    }
    outcome = runProcess(visible, dir.path, input, boxEnvironment(env), timeoutMs, compileStage,
                         dir.identity, boxSyscallFilter(), &channels, options);
    // Read before the cgroup goes: its OOM killer's SIGKILL looks like any other kill.
    if (!channels.cgroup.empty()) {
      outcome.memoryLimitKilled = stageCgroupHitMemoryLimit(channels.cgroup);
      cgroupPeakKb = stageCgroupPeakMemoryKb(channels.cgroup);
    }
    removeStageCgroup(channels.cgroup);
    if (!boxNeverStarted(outcome) ||
        outcome.stderr.find("Resource temporarily unavailable") == std::string::npos)
      break;
  }
  // Counts everything the box held, tmpfs and kernel memory too, as its memory cap does.
  if (cgroupPeakKb > 0) outcome.peakMemoryKb = cgroupPeakKb;
  // bwrap names the program's process on its status descriptor once it started it; without
  // that line the box itself failed, whatever the program could have printed.
  if (boxNeverStarted(outcome)) {
    const std::string said =
        outcome.stderr.starts_with("bwrap: ") ? outcome.stderr.substr(7) : outcome.stderr;
    outcome.error = "Runner box setup failed: " +
                    (said.empty() ? "exit " + std::to_string(outcome.exitCode) : firstLine(said));
  } else if (outcome.launchReport.starts_with(kPeakMemoryWord)) {
    // The program's own figure, without bwrap's; a cgroup's counts the whole box.
    outcome.peakMemoryKb =
        std::atoll(outcome.launchReport.c_str() + std::string_view(kPeakMemoryWord).size());
  } else if (outcome.error.empty() && !outcome.launchReport.empty()) {
    // The launcher's own descriptor: a program's output never reaches it.
    outcome.error = "Runner box setup failed: " + firstLine(outcome.launchReport);
  }
  return outcome;
}

}  // namespace

}  // namespace quorbel
