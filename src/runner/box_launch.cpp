// Inside the box, as bwrap's last step hands over to it:
//   /program/quorbel-box --remount /tmp 16777216 1024 --remount /box 16777216 1024 --
//   /program/main
// and, once it has remounted both, /program/main runs as its child with no capability left; the
// launcher waits for it and reports its peak memory.
#include "runner/box_launch.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#ifdef __linux__
#include <linux/capability.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#endif

extern char** environ;

namespace quorbel {
namespace {

constexpr size_t kFilterLimitBytes = 65536;

bool positiveCount(const std::string& text, int64_t& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && value > 0;
}

void writeAll(int fd, const std::string& text) {
  size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t count = write(fd, text.data() + sent, text.size() - sent);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    sent += static_cast<size_t>(count);
  }
}

// The report reaches the runner on its own descriptor: whatever the program prints later
// cannot pass for it.
int fail(const std::string& step, int error = 0) {
  const std::string line =
      step + (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) + "\n";
  writeAll(kBoxLaunchReportFd, line);
  writeAll(2, "quorbel-box: " + line);
  return 127;
}

#ifdef __linux__

// The bounding set first, while CAP_SETPCAP still allows it; then the ambient set, which
// would carry capabilities across exec; then the process's own three sets.
bool dropCapabilities() {
  for (int capability = 0; capability < 64; ++capability) {
    if (prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0 && errno != EINVAL) return false;
  }
  if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0) return false;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3] = {};
  if (syscall(SYS_capset, &header, sets) != 0) return false;
  // Read back: a kernel that ignored a step must not leave a program with a capability.
  if (syscall(SYS_capget, &header, sets) != 0) return false;
  for (const __user_cap_data_struct& set : sets) {
    if (set.effective != 0 || set.permitted != 0 || set.inheritable != 0) {
      errno = EPERM;
      return false;
    }
  }
  return true;
}

bool readFilter(std::string& instructions) {
  char buffer[4096];
  for (;;) {
    const ssize_t count = read(kBoxLaunchFilterFd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    if (count == 0) break;
    instructions.append(buffer, static_cast<size_t>(count));
    if (instructions.size() > kFilterLimitBytes) {
      errno = E2BIG;
      return false;
    }
  }
  close(kBoxLaunchFilterFd);
  if (instructions.size() % sizeof(sock_filter) != 0) {
    errno = EINVAL;
    return false;
  }
  return true;
}

bool installFilter(const std::string& instructions) {
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  if (instructions.empty()) return true;
  sock_fprog program{};
  program.len = static_cast<unsigned short>(instructions.size() / sizeof(sock_filter));
  program.filter = reinterpret_cast<sock_filter*>(const_cast<char*>(instructions.data()));
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

int launch(const BoxLaunch& plan) {
  // A remount, not a fresh tmpfs: what bwrap bound below the folder (a compiler's folder under
  // /tmp, say) stays on top of it, with its own flags.
  for (const BoxMount& mount : plan.mounts) {
    if (::mount(nullptr, mount.path.c_str(), nullptr, MS_REMOUNT | MS_NOEXEC | MS_NOSUID | MS_NODEV,
                tmpfsOptions(mount).c_str()) != 0)
      return fail("remount " + mount.path, errno);
  }
  std::string instructions;
  if (!readFilter(instructions)) return fail("read the system call filter", errno);
  if (!dropCapabilities()) return fail("drop capabilities", errno);
  // The program runs as the same user: undumpable, the init's /proc files (its environment,
  // its memory) stay closed to it. The program's exec makes the program dumpable again.
  if (prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) return fail("make the launcher undumpable", errno);
  if (!installFilter(instructions)) return fail("install the system call filter", errno);
  std::vector<char*> argv;
  for (const std::string& argument : plan.program)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  // The program runs as a child, so that its peak memory is its own: whatever execs the box
  // inherits the server's resident size in its figure, and bwrap's counts that along.
  const pid_t program = fork();
  if (program < 0) return fail("fork", errno);
  if (program == 0) {
    execve(argv[0], argv.data(), environ);
    _exit(fail("exec " + plan.program[0], errno));
  }
  // The streams are the program's alone: their end tells the runner that it is done.
  for (int stream = 0; stream < 3; ++stream) close(stream);
  // As the box's init it also reaps what the program left behind, until the program itself ends.
  int status = 0;
  rusage usage{};
  for (;;) {
    const pid_t ended = wait4(-1, &status, 0, &usage);
    if (ended == program) break;
    if (ended < 0 && errno != EINTR) return 127;
  }
  writeAll(kBoxLaunchReportFd,
           std::string(kPeakMemoryWord) + std::to_string(usage.ru_maxrss) + "\n");
  // An init cannot die of a signal it raises itself; the status bwrap would report for one.
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 127;
}

#else

int launch(const BoxLaunch&) { return fail("not Linux"); }

#endif

}  // namespace

std::vector<std::string> boxLaunchArguments(const BoxLaunch& launch) {
  std::vector<std::string> args;
  for (const BoxMount& mount : launch.mounts)
    args.insert(args.end(), {"--remount", mount.path, std::to_string(mount.bytes),
                             std::to_string(mount.files)});
  args.push_back("--");
  args.insert(args.end(), launch.program.begin(), launch.program.end());
  return args;
}

std::optional<BoxLaunch> parseBoxLaunchArguments(const std::vector<std::string>& args) {
  BoxLaunch launch;
  size_t at = 0;
  while (at < args.size() && args[at] == "--remount") {
    if (at + 3 >= args.size()) return std::nullopt;
    BoxMount mount;
    mount.path = args[at + 1];
    if (!mount.path.starts_with("/") || !positiveCount(args[at + 2], mount.bytes) ||
        !positiveCount(args[at + 3], mount.files))
      return std::nullopt;
    launch.mounts.push_back(mount);
    at += 4;
  }
  if (at >= args.size() || args[at] != "--" || at + 1 >= args.size() ||
      !args[at + 1].starts_with("/"))
    return std::nullopt;
  launch.program.assign(args.begin() + static_cast<std::ptrdiff_t>(at) + 1, args.end());
  return launch;
}

std::string tmpfsOptions(const BoxMount& mount) {
  return "size=" + std::to_string(mount.bytes) + ",nr_inodes=" + std::to_string(mount.files);
}

int runBoxLauncher(int argc, char** argv) {
  // Closed by the program's exec: only the launcher writes it.
  fcntl(kBoxLaunchReportFd, F_SETFD, FD_CLOEXEC);
  const std::optional<BoxLaunch> plan =
      parseBoxLaunchArguments(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  if (!plan) return fail("usage: quorbel-box [--remount PATH BYTES FILES]... -- /PROGRAM [ARGS]");
  return launch(*plan);
}

}  // namespace quorbel
