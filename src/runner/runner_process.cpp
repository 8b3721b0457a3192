#include "runner/runner_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <shared_mutex>

#ifdef __linux__
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#endif

#include "runner/run_outcome.h"
#include "runner/runner_limits.h"
#include "runner/runner_process_tree.h"

namespace quorbel {
namespace {

constexpr size_t kChunkBytes = 65536;
constexpr size_t kInputChunkBytes = 4096;
constexpr int kLargePipeBytes = 1 << 20;
constexpr int kPollIntervalMs = 25;
// After a kill, how long the pipes may stay open before we stop waiting for them: only a
// process out of our reach (adopted by init where orphan adoption is unavailable) can hold
// them that long.
constexpr int64_t kStragglerGraceMs = 1000;
// How often a run without a cgroup has its processes' memory summed: often enough that a run
// growing by a gigabyte a second passes its cap by little, rarely enough to cost nothing.
constexpr int64_t kMemoryCheckMs = 50;

int64_t monotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void closeDescriptor(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// What the child needs between fork and exec, all prepared by the parent: after fork the
// child only makes system calls, so it allocates nothing under its new memory limit.
struct ChildSetup {
  int stdinEnds[2];
  int stdoutEnds[2];
  int stderrEnds[2];
  const char* cwd;
  char* const* argv;
  char* const* envp;
  StageLimits limits;
  bool compileStage;
  RunnerIdentity identity;
  const std::string* syscallFilter;  // raw BPF instructions; empty: none
  int argumentsFd;                   // BoxChannels: the read end of the arguments; else -1
  int statusFd;                      // BoxChannels: the write end of the status; else -1
  int blockFd;                       // BoxChannels: the read end bwrap waits on; else -1
  int filterFd;                      // BoxChannels: the read end of the program's filter
  int cgroupFd;                      // BoxChannels: its cgroup's cgroup.procs, open; else -1
  int reportFd;                      // BoxChannels: the write end of the launcher's report
  int programFileFd;                 // BoxChannels: the program bwrap copies in; else -1
  int launcherFileFd;                // BoxChannels: the launcher bwrap copies in; else -1
};

void writeAll(const char* text) {
  size_t length = std::strlen(text);
  while (length > 0) {
    ssize_t sent = write(2, text, length);
    if (sent <= 0) return;
    text += sent;
    length -= static_cast<size_t>(sent);
  }
}

// Closes every descriptor from `first` up, so that no socket, database or file of the
// server's reaches the program.
void closeInheritedDescriptors(int first) {
#ifdef SYS_close_range
  if (syscall(SYS_close_range, static_cast<unsigned>(first), ~0U, 0U) == 0) return;
#endif
  long last = sysconf(_SC_OPEN_MAX);
  if (last < 0 || last > 65536) last = 65536;
  for (int fd = first; fd < last; ++fd) close(fd);
}

// Puts the box's descriptors at their fixed numbers and closes the numbers of those not given;
// each is lifted out of the way first, since any may sit on another's number. Returns the
// first number above them.
int placeBoxChannels(const ChildSetup& setup) {
  if (setup.argumentsFd < 0) return 3;
  const int sources[] = {setup.argumentsFd,   setup.statusFd, setup.blockFd,
                         setup.filterFd,      setup.reportFd, setup.programFileFd,
                         setup.launcherFileFd};
  const int targets[] = {
      kBoxArgumentsFd,           kBoxStatusFd,      kBoxBlockFd,       kBoxProgramFilterFd,
      kBoxLaunchReportChannelFd, kBoxProgramFileFd, kBoxLauncherFileFd};
  constexpr int kRequired = 4;  // the arguments, the status, the block and the filter
  int lifted[std::size(sources)];
  for (size_t i = 0; i < std::size(sources); ++i) {
    lifted[i] = sources[i] >= 0 ? fcntl(sources[i], F_DUPFD, 16) : -1;
    if (lifted[i] < 0 && (sources[i] >= 0 || static_cast<int>(i) < kRequired))
      childExecFailure("runner sandbox setup failed\n");
  }
  for (size_t i = 0; i < std::size(sources); ++i) {
    if (lifted[i] < 0)
      close(targets[i]);
    else if (dup2(lifted[i], targets[i]) < 0)
      childExecFailure("runner sandbox setup failed\n");
  }
  return kBoxLauncherFileFd + 1;
}

// Child side: no_new_privs, then the filter, which every process the child starts inherits.
void installFilter(const std::string& instructions) {
#ifdef __linux__
  sock_fprog program{};
  program.len = static_cast<unsigned short>(instructions.size() / sizeof(sock_filter));
  program.filter = reinterpret_cast<sock_filter*>(const_cast<char*>(instructions.data()));
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
    childExecFailure("runner sandbox setup failed\n");
  }
#else
  (void)instructions;
  childExecFailure("runner sandbox setup failed\n");
#endif
}

[[noreturn]] void runChild(const ChildSetup& setup) {
  setpgid(0, 0);
  // Joined first, while still privileged: writing "0" moves the writer itself.
  if (setup.cgroupFd >= 0 && write(setup.cgroupFd, "0", 1) != 1)
    childExecFailure("runner sandbox setup failed\n");
  close(setup.stdinEnds[1]);
  close(setup.stdoutEnds[0]);
  close(setup.stderrEnds[0]);
  // Lifted above 2 first: when the server runs without a standard descriptor, a pipe end can
  // itself be 0, 1 or 2 and would be overwritten by the dup2 of another.
  const int ends[3] = {fcntl(setup.stdinEnds[0], F_DUPFD, 3),
                       fcntl(setup.stdoutEnds[1], F_DUPFD, 3),
                       fcntl(setup.stderrEnds[1], F_DUPFD, 3)};
  for (int target = 0; target < 3; ++target) {
    if (ends[target] < 0 || dup2(ends[target], target) < 0) {
      childExecFailure("runner sandbox setup failed\n");
    }
  }
  closeInheritedDescriptors(placeBoxChannels(setup));
  // The server ignores SIGPIPE; the program starts with default signal handling.
  signal(SIGPIPE, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  applyResourceLimits(setup.limits);
  if (chdir(setup.cwd) != 0) childExecFailure("runner working directory setup failed\n");
  dropPrivileges(setup.identity);
  if (!setup.compileStage && getuid() == 0) childExecFailure("runner sandbox setup failed\n");
  if (!setup.syscallFilter->empty()) installFilter(*setup.syscallFilter);
  execve(setup.argv[0], setup.argv, setup.envp);
  const int failure = errno;
  writeAll("exec failed: ");
  writeAll(strerror(failure));
  childExecFailure("\n");
}

// Where one output stream goes: the first `keptLimit` bytes kept, every byte counted and shown to
// `watcher`, so that an output far larger than what is kept is still seen whole once.
struct StreamSink {
  std::string& kept;
  bool& truncated;
  size_t keptLimit = kCapturedOutputLimit;
  int64_t* total = nullptr;
  const std::function<void(std::string_view)>* watcher = nullptr;
  size_t stopAfter = kCapturedOutputLimit;  // returns once `total` passes it: the caller kills
};

// Reads what is ready on `fd` into the sink. Past what is kept it goes on reading and discarding,
// so that a writer killed mid-flood still reaches end of file.
void drainStream(int& fd, const StreamSink& sink) {
  static thread_local char buffer[kChunkBytes];
  int64_t seen = 0;
  int64_t& total = sink.total != nullptr ? *sink.total : seen;
  for (;;) {
    ssize_t count = read(fd, buffer, sizeof(buffer));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (count <= 0) {
      closeDescriptor(fd);
      return;
    }
    const std::string_view chunk(buffer, static_cast<size_t>(count));
    total += count;
    if (sink.watcher != nullptr && *sink.watcher) (*sink.watcher)(chunk);
    const size_t room = sink.keptLimit - std::min(sink.keptLimit, sink.kept.size());
    if (chunk.size() > room) sink.truncated = true;
    sink.kept.append(chunk.substr(0, room));
    if (static_cast<size_t>(total) > sink.stopAfter) return;
  }
}

void drainStream(int& fd, std::string& stream, bool& truncated) {
  drainStream(fd, StreamSink{stream, truncated});
}

int32_t exitCodeFromStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Writing to a child that has exited must fail with EPIPE, not end this process. The
// disposition is the process's: the first stage running sets it, the last one restores it.
class IgnoredPipeSignal {
 public:
  IgnoredPipeSignal() {
    const std::lock_guard<std::mutex> lock(mutex());
    if (users()++ > 0) return;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous());
  }
  ~IgnoredPipeSignal() {
    const std::lock_guard<std::mutex> lock(mutex());
    if (--users() == 0) sigaction(SIGPIPE, &previous(), nullptr);
  }
  IgnoredPipeSignal(const IgnoredPipeSignal&) = delete;
  IgnoredPipeSignal& operator=(const IgnoredPipeSignal&) = delete;

 private:
  static std::mutex& mutex() {
    static std::mutex shared;
    return shared;
  }
  static int& users() {
    static int count = 0;
    return count;
  }
  static struct sigaction& previous() {
    static struct sigaction saved {};
    return saved;
  }
};

// Boxed stages run side by side: each box is a PID namespace of its own, found and ended below
// its bwrap. A stage without the box is alone in the process: orphan adoption and the sweep of
// every leftover child are the process's, and two such stages would kill each other's processes.
std::shared_mutex& stageLock() {
  static std::shared_mutex lock;
  return lock;
}

}  // namespace

ChildEnv::ChildEnv(const std::vector<std::string>& values) : strings(values) {
  pointers.reserve(strings.size() + 1);
  for (std::string& value : strings) pointers.push_back(value.data());
  pointers.push_back(nullptr);
}

void setNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

ProcessOutcome runProcess(const std::vector<std::string>& args, const std::string& cwd,
                          const std::string& input, const std::vector<std::string>& env,
                          int64_t timeoutMs, bool compileStage, const RunnerIdentity& identity,
                          const std::string& syscallFilter, const BoxChannels* channels,
                          const StageOptions& options) {
  const bool boxed = channels != nullptr;
  std::shared_lock<std::shared_mutex> together(stageLock(), std::defer_lock);
  std::unique_lock<std::shared_mutex> alone(stageLock(), std::defer_lock);
  if (boxed) {
    together.lock();
  } else {
    alone.lock();
  }
  ProcessOutcome outcome;
  if (args.empty()) {
    outcome.error = "No executable configured.";
    return outcome;
  }
  int stdinEnds[2] = {-1, -1};
  int stdoutEnds[2] = {-1, -1};
  int stderrEnds[2] = {-1, -1};
  auto closeAll = [&] {
    for (int* ends : {stdinEnds, stdoutEnds, stderrEnds}) {
      closeDescriptor(ends[0]);
      closeDescriptor(ends[1]);
    }
  };
  int argumentEnds[2] = {-1, -1};
  int statusEnds[2] = {-1, -1};
  int blockEnds[2] = {-1, -1};
  int filterEnds[2] = {-1, -1};
  int reportEnds[2] = {-1, -1};
  auto closeChannels = [&] {
    for (int* ends : {argumentEnds, statusEnds, blockEnds, filterEnds, reportEnds}) {
      closeDescriptor(ends[0]);
      closeDescriptor(ends[1]);
    }
  };
  // A file given as standard input is read by the program at its own pace; the child gets its
  // own descriptor of it, and nothing is written from here.
  const bool inputOpened = options.inputFd >= 0
                               ? (stdinEnds[0] = fcntl(options.inputFd, F_DUPFD_CLOEXEC, 3)) >= 0
                               : pipe2(stdinEnds, O_CLOEXEC) == 0;
  if (!inputOpened || pipe2(stdoutEnds, O_CLOEXEC) != 0 || pipe2(stderrEnds, O_CLOEXEC) != 0) {
    outcome.error = "Could not create process pipes.";
    closeAll();
    return outcome;
  }
  if (channels != nullptr) {
    // The arguments are a few kilobytes: they fit the pipe whole before the child starts.
    const bool ready =
        pipe2(argumentEnds, O_CLOEXEC) == 0 && pipe2(statusEnds, O_CLOEXEC) == 0 &&
        pipe2(blockEnds, O_CLOEXEC) == 0 && pipe2(filterEnds, O_CLOEXEC) == 0 &&
        channels->programFilter.size() < 65536 &&
        write(filterEnds[1], channels->programFilter.data(), channels->programFilter.size()) ==
            static_cast<ssize_t>(channels->programFilter.size()) &&
        channels->arguments.size() < 65536 &&
        write(argumentEnds[1], channels->arguments.data(), channels->arguments.size()) ==
            static_cast<ssize_t>(channels->arguments.size()) &&
        (!channels->launchReport || pipe2(reportEnds, O_CLOEXEC) == 0);
    closeDescriptor(argumentEnds[1]);
    closeDescriptor(filterEnds[1]);
    if (!ready) {
      outcome.error = "Could not create process pipes.";
      closeAll();
      closeChannels();
      return outcome;
    }
  }

  const ChildEnv argv(args);
  const ChildEnv envp(env);
  int cgroupFd = -1;
  if (channels != nullptr && !channels->cgroup.empty()) {
    // O_CREAT opens a cgroup's own file as it is; a stand-in folder gets a plain one.
    cgroupFd =
        open((channels->cgroup + "/cgroup.procs").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (cgroupFd < 0) {
      outcome.error = "Runner box setup failed: could not join the run's cgroup.";
      closeAll();
      closeChannels();
      return outcome;
    }
  }
  StageLimits limits = boxed ? boxStageLimits(compileStage, identity, options.cpuSeconds)
                             : stageLimits(compileStage, identity, options.cpuSeconds);
  if (boxed) makeRoomForCopies(limits, {channels->programFile, channels->launcherFile});
  const ChildSetup setup{{stdinEnds[0], stdinEnds[1]},
                         {stdoutEnds[0], stdoutEnds[1]},
                         {stderrEnds[0], stderrEnds[1]},
                         cwd.c_str(),
                         argv.pointers.data(),
                         envp.pointers.data(),
                         limits,
                         compileStage,
                         identity,
                         &syscallFilter,
                         argumentEnds[0],
                         statusEnds[1],
                         blockEnds[0],
                         filterEnds[0],
                         cgroupFd,
                         reportEnds[1],
                         boxed ? channels->programFile : -1,
                         boxed ? channels->launcherFile : -1};
  // Without the box, what the child leaves is found as this process's adopted orphans.
  const std::vector<int> existingChildren = boxed ? std::vector<int>() : childProcessIds();
  const bool previousAdoption = boxed ? false : adoptOrphans();
  const IgnoredPipeSignal ignoredPipe;
  auto restoreProcessState = [&] {
    if (!boxed) restoreOrphanAdoption(previousAdoption);
  };

  const int64_t start = monotonicMs();
  const pid_t pid = fork();
  if (pid < 0) {
    outcome.error = "Could not start runner process.";
    closeDescriptor(cgroupFd);
    closeAll();
    closeChannels();
    restoreProcessState();
    return outcome;
  }
  if (pid == 0) runChild(setup);
  closeDescriptor(argumentEnds[0]);
  closeDescriptor(statusEnds[1]);
  closeDescriptor(blockEnds[0]);
  closeDescriptor(filterEnds[0]);
  closeDescriptor(reportEnds[1]);
  closeDescriptor(cgroupFd);
  if (statusEnds[0] >= 0) setNonBlocking(statusEnds[0]);
  if (reportEnds[0] >= 0) setNonBlocking(reportEnds[0]);

  setpgid(pid, pid);
  closeDescriptor(stdinEnds[0]);
  closeDescriptor(stdoutEnds[1]);
  closeDescriptor(stderrEnds[1]);
  int& inputFd = stdinEnds[1];
  int& outputFd = stdoutEnds[0];
  int& errorFd = stderrEnds[0];
  if (inputFd >= 0) setNonBlocking(inputFd);
  setNonBlocking(outputFd);
  setNonBlocking(errorFd);
  // A judge-sized output crosses in fewer, larger turns: a program blocks on a full pipe far
  // less often. Where the host refuses (its pipe-max-size), the default size serves.
  if (options.limitBytes > kCapturedOutputLimit) {
    for (int fd : {outputFd, errorFd}) fcntl(fd, F_SETPIPE_SZ, kLargePipeBytes);
  }

  const int64_t deadline = start + timeoutMs;
  const bool watchTreeMemory = !compileStage && (channels == nullptr || channels->cgroup.empty());
  int64_t nextMemoryCheck = start + kMemoryCheckMs;
  int64_t stderrBytes = 0;
  size_t written = 0;
  bool reaped = false;
  bool statusKnown = false;
  int status = 0;
  int64_t killedAt = -1;
  // The group first, then every descendant that left it; processes that received SIGKILL can
  // no longer fork, so the sweep converges even on a fork bomb. In a box, what is below bwrap
  // goes first, while bwrap still reaps it: the namespace's first process takes the rest along.
  auto killRun = [&] {
    if (boxed && !reaped) sweepProcessesBelow(pid);
    kill(-pid, SIGKILL);
    if (!reaped) kill(pid, SIGKILL);
    if (!boxed) sweepRunProcesses(existingChildren, reaped ? -1 : pid);
    if (killedAt < 0) killedAt = monotonicMs();
  };

  // The box's first process waits until it is capped; bwrap names it on its status descriptor.
  auto releaseBox = [&] {
    bool unused = false;
    if (statusEnds[0] >= 0) drainStream(statusEnds[0], outcome.boxStatus, unused);
    const size_t named = outcome.boxStatus.find("\"child-pid\":");
    if (named == std::string::npos) {
      if (reaped || statusEnds[0] < 0) closeDescriptor(blockEnds[1]);
      return;
    }
    const int first = std::atoi(outcome.boxStatus.c_str() + named + 12);
    if (first > 0 && capProcessCount(first, identity)) {
      if (write(blockEnds[1], "1", 1) != 1) killRun();
    } else {
      outcome.error = "Runner box setup failed: could not cap the box's processes.";
      killRun();
    }
    closeDescriptor(blockEnds[1]);
  };

  for (;;) {
    if (inputFd < 0 && outputFd < 0 && errorFd < 0 && reaped) break;
    if (!reaped) {
      int childStatus = 0;
      rusage usage{};
      pid_t result = wait4(pid, &childStatus, WNOHANG, &usage);
      if (result == pid) {
        reaped = true;
        statusKnown = true;
        status = childStatus;
        outcome.peakMemoryKb = usage.ru_maxrss;
      } else if (result < 0 && errno != EINTR) {
        reaped = true;  // reaped elsewhere (SIGCHLD ignored): the status is lost
      }
    }
    if (blockEnds[1] >= 0) releaseBox();
    if (!outcome.timedOut && monotonicMs() > deadline) {
      outcome.timedOut = true;
      killRun();
    }
    if (!outcome.outputLimitExceeded &&
        static_cast<size_t>(std::max(outcome.stdoutBytes, stderrBytes)) > options.limitBytes) {
      outcome.outputLimitExceeded = true;
      killRun();
    }
    // Without a cgroup each process's address-space limit caps it alone: fifteen children
    // of 100 MB each would hold three times a run's memory. The run's processes are summed
    // instead, and the whole run ends as out of memory once they pass its cap.
    if (watchTreeMemory && !reaped && killedAt < 0 && monotonicMs() >= nextMemoryCheck) {
      nextMemoryCheck = monotonicMs() + kMemoryCheckMs;
      std::vector<int> roots{pid};
      if (!boxed)
        for (int child : childProcessIds())
          if (std::find(existingChildren.begin(), existingChildren.end(), child) ==
              existingChildren.end())
            roots.push_back(child);
      if (treeMemoryBytes(roots) > kRunMemoryCapMb * 1024 * 1024) {
        outcome.memoryLimitKilled = true;
        killRun();
      }
    }
    if (killedAt >= 0 && monotonicMs() - killedAt > kStragglerGraceMs) {
      closeDescriptor(outputFd);
      closeDescriptor(errorFd);
    }
    if (inputFd >= 0 && (written >= input.size() || reaped)) closeDescriptor(inputFd);

    pollfd polled[4];
    int* polledFd[4];
    nfds_t count = 0;
    if (blockEnds[1] >= 0 && statusEnds[0] >= 0) {
      polled[count] = pollfd{statusEnds[0], static_cast<short>(POLLIN | POLLHUP), 0};
      polledFd[count++] = &statusEnds[0];
    }
    for (int* fd : {&outputFd, &errorFd}) {
      if (*fd < 0) continue;
      polled[count] = pollfd{*fd, static_cast<short>(POLLIN | POLLHUP), 0};
      polledFd[count++] = fd;
    }
    if (inputFd >= 0 && written < input.size()) {
      polled[count] = pollfd{inputFd, static_cast<short>(POLLOUT | POLLHUP), 0};
      polledFd[count++] = &inputFd;
    }
    if (count == 0) {
      if (reaped) break;
      usleep(1000);
      continue;
    }
    if (poll(polled, count, kPollIntervalMs) <= 0) continue;

    for (nfds_t i = 0; i < count; ++i) {
      const short events = polled[i].revents;
      if (events == 0) continue;
      int& fd = *polledFd[i];
      if (&fd == &statusEnds[0]) continue;  // read by releaseBox on the next turn
      if (&fd == &inputFd) {
        if (events & (POLLHUP | POLLERR | POLLNVAL)) {
          closeDescriptor(fd);
          continue;
        }
        size_t chunk = std::min(input.size() - written, kInputChunkBytes);
        ssize_t sent = write(fd, input.data() + written, chunk);
        if (sent > 0) {
          written += static_cast<size_t>(sent);
        } else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
          closeDescriptor(fd);
        }
        continue;
      }
      const bool isOutput = &fd == &outputFd;
      int64_t& total = isOutput ? outcome.stdoutBytes : stderrBytes;
      drainStream(fd, StreamSink{isOutput ? outcome.stdout : outcome.stderr,
                                 isOutput ? outcome.stdoutTruncated : outcome.stderrTruncated,
                                 options.keptBytes, &total, isOutput ? &options.onStdout : nullptr,
                                 options.limitBytes});
      if (static_cast<size_t>(total) > options.limitBytes && !outcome.outputLimitExceeded) {
        outcome.outputLimitExceeded = true;
        killRun();
      }
    }
  }

  closeAll();
  if (statusEnds[0] >= 0) {
    // bwrap is gone: its lines are in the pipe. A little patience for a straggler holding
    // the write end, never more.
    bool unused = false;
    for (int round = 0; round < 20 && statusEnds[0] >= 0; ++round) {
      drainStream(statusEnds[0], outcome.boxStatus, unused);
      pollfd waiter{statusEnds[0], POLLIN, 0};
      if (statusEnds[0] >= 0) poll(&waiter, 1, 5);
    }
    // Written, if at all, before the launcher's exec or exit: in the pipe by now.
    if (reportEnds[0] >= 0) drainStream(reportEnds[0], outcome.launchReport, unused);
    closeChannels();
  }
  if (statusKnown) outcome.exitCode = exitCodeFromStatus(status);
  outcome.elapsedMs = monotonicMs() - start;
  // A program that exited normally may still have left processes behind; a box's went with
  // its namespace.
  if (!boxed) sweepRunProcesses(existingChildren, -1);
  restoreProcessState();
  return outcome;
}

}  // namespace quorbel
