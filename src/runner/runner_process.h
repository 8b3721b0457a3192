// Runs one child process under the runner's limits and collects what it wrote.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runner/runner_identity.h"

namespace quorbel {

constexpr size_t kCapturedOutputLimit = 65536;  // bytes kept per stream

// What a stage may take beyond the defaults, which keep kCapturedOutputLimit bytes of each
// stream and end the stage once one passes it. A run reads a judge-sized input from a file and
// writes a judge-sized output that is watched as it streams past, never held whole.
struct StageOptions {
  int inputFd = -1;                                // read as standard input; -1: `input` by a pipe
  size_t keptBytes = kCapturedOutputLimit;         // bytes of each stream kept in the outcome
  size_t limitBytes = kCapturedOutputLimit;        // bytes a stream may write before the stage ends
  int64_t cpuSeconds = 0;                          // RLIMIT_CPU; 0: the stage's default
  std::function<void(std::string_view)> onStdout;  // sees every byte of standard output
};

struct ProcessOutcome {
  int32_t exitCode = -1;  // 128 + signal when killed by one; -1 when unknown
  bool timedOut = false;
  bool outputLimitExceeded = false;
  bool stdoutTruncated = false;  // more was written than kept
  bool stderrTruncated = false;
  std::string stdout;       // at most StageOptions::keptBytes each
  int64_t stdoutBytes = 0;  // all the stage wrote to its standard output
  // The peak resident memory of the child and what it waited for (wait4's ru_maxrss); a box
  // may replace it with its cgroup's or its launcher's figure, which leave bwrap out.
  int64_t peakMemoryKb = 0;
  std::string stderr;
  int64_t elapsedMs = 0;
  std::string error;               // a failure of the runner itself
  std::string boxStatus;           // with a BoxChannels: what bwrap wrote to its status descriptor
  bool memoryLimitKilled = false;  // the stage's cgroup killed a process for its memory
  std::string launchReport;        // with BoxChannels::launchReport: why the launcher failed
};

// Descriptors handed to bwrap: its arguments, NUL separated, readable on descriptor 3 (so that
// its command line, visible inside the box as /proc/1/cmdline, holds no host path), its JSON
// status written to descriptor 4 (so that its own failures are told from the program's output
// by whether the child started, not by what was printed), and descriptor 5, which the box's
// first process waits on before it starts the program (bwrap's --block-fd).
//
// While it waits, the runner caps that process's RLIMIT_NPROC at kStageProcessBudget, which
// everything started in the box inherits. Inside its own user namespace a box's processes are
// counted apart from every other box's, so a fork bomb in one box cannot take the processes
// another box needs; bwrap itself keeps the process's hard limit, so that the box's namespace
// is not bounded by the count of every box together.
//
// Descriptor 6 holds the program's own system call filter (runner_box_filter.h), which bwrap
// installs just before it starts the program (--add-seccomp-fd).
//
// With `cgroup` set, the child moves itself into that cgroup v2 (runner_cgroup.h) before it
// starts bwrap, so the box and all it starts are bound by its limits.
//
// With `launchReport`, descriptor 7 is the write end of the box launcher's report
// (box_launch.h), collected into ProcessOutcome::launchReport; the launcher then reads the
// program's filter from descriptor 6 itself.
//
// `programFile` and `launcherFile`, when not -1, are open files of the caller's that bwrap
// copies into the box (--file), readable on descriptors 8 and 9: a file mounted from the host
// would name its host path in the box's mount table. The caller keeps and closes them.
struct BoxChannels {
  std::string arguments;
  std::string programFilter;
  std::string cgroup;
  bool launchReport = false;
  int programFile = -1;
  int launcherFile = -1;
};
inline constexpr int kBoxArgumentsFd = 3;
inline constexpr int kBoxStatusFd = 4;
inline constexpr int kBoxBlockFd = 5;
inline constexpr int kBoxProgramFilterFd = 6;
inline constexpr int kBoxLaunchReportChannelFd = 7;
inline constexpr int kBoxProgramFileFd = 8;
inline constexpr int kBoxLauncherFileFd = 9;

// An execve argument or environment block: the strings and a null-terminated list of pointers
// into them. Built before fork, so that the child only reads it. Not copyable.
struct ChildEnv {
  std::vector<std::string> strings;
  std::vector<char*> pointers;

  explicit ChildEnv(const std::vector<std::string>& values);
  ChildEnv(const ChildEnv&) = delete;
  ChildEnv& operator=(const ChildEnv&) = delete;
};

// Calls with `channels` (a box) run side by side; any other call runs alone in the process (it
// waits for the boxes running, and they for it). Runs args[0] with `args` in `cwd`, feeding
// `input` to its standard input, with exactly `env` as its environment, in its own process group,
// under the stage's limits (runner_limits.h) and as `identity`. Past `timeoutMs`, or once a stream
// passes options.limitBytes, it kills everything the child started (its group and any process
// that left it). Whatever the child left running is killed before returning, and no descriptor of
// ours reaches it. A non-empty `syscallFilter` (raw classic-BPF instructions, as
// runner_box_filter.h makes) is installed in the child with no_new_privs just before exec, so it
// binds the child and all it starts. The run stage (compileStage false) refuses to exec as root;
// that and a filter that cannot be installed write "runner sandbox setup failed\n" and exit 127.
// With `channels`, the arguments are readable on kBoxArgumentsFd, kBoxStatusFd is collected into
// boxStatus and kBoxBlockFd is written once the box's first process is capped; a box that
// cannot be capped is ended with `error` "Runner box setup failed: ...".
ProcessOutcome runProcess(const std::vector<std::string>& args, const std::string& cwd,
                          const std::string& input, const std::vector<std::string>& env,
                          int64_t timeoutMs, bool compileStage, const RunnerIdentity& identity,
                          const std::string& syscallFilter = "",
                          const BoxChannels* channels = nullptr, const StageOptions& options = {});

// Adds O_NONBLOCK to the descriptor's flags.
void setNonBlocking(int fd);

}  // namespace quorbel
