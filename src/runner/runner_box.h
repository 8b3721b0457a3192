// The box each compile and each run happens in on Linux, built with bubblewrap (bwrap): new
// user, mount, PID, network, IPC and UTS namespaces; a read-only root holding only the C++
// runtime's directories (and, to compile, the compiler's and its include and library paths);
// a private /tmp (and, to run, working directory) capped in bytes and, where the box's
// launcher mounts them (box_launch.h), noexec and capped in files; no capabilities,
// no_new_privs and a system call filter (runner_box_filter.h). The runner's own limits, timeouts
// and clean-up (runner_process.h) stay around it. Where bwrap is missing or refused, runs keep
// those limits alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runner/runner_files.h"
#include "runner/runner_process.h"

namespace quorbel {

// Where the run directory appears inside the box, as the working directory.
constexpr const char* kBoxDirectory = "/box";

struct RunnerIsolation {
  bool boxed = false;
  std::string reason;        // why runs are not boxed; empty when they are
  bool ownMounts = false;    // the launcher mounts the box's writable folders
  std::string mountsReason;  // boxed without it: why (the launcher's failure or absence)
};

// QUORBEL_RUNNER_BWRAP when set and not empty, else "/usr/bin/bwrap".
std::string bwrapPath();

// Whether runs happen in the box here, and whether its launcher mounts its folders. Decided by
// starting an empty box once per process and bwrap path, with the launcher and, where that
// fails, without (pointing QUORBEL_RUNNER_BWRAP at a missing file turns the box off). Reasons:
// "not Linux", "bwrap not found at <path>", "bwrap refused the box: <its message>".
RunnerIsolation runnerIsolation();

// The box's launcher: kBoxLauncherName in the folder of this process's executable.
std::string boxLauncherPath();

// "bubblewrap" when boxed, else "process-limits": the key /healthz reports.
std::string isolationName(const RunnerIsolation& isolation);

// The server's start-up line: "runner isolation: bubblewrap box" or
// "runner isolation: process limits only (<reason>)".
std::string describeIsolation(const RunnerIsolation& isolation);

// The server's start-up line about the box's writable folders when boxed, else empty:
// "runner box folders: /tmp and the working directory noexec, at most 1024 files each" or
// "runner box folders: bwrap's tmpfs, capped in bytes only (<mountsReason>)".
std::string describeBoxFolders(const RunnerIsolation& isolation);

// The bwrap command line that runs `args` in the box of one stage. Compile: the run directory
// `runDir` is bound read-write as kBoxDirectory, args[0] (the compiler) is resolved to its real
// path, its directory bound read-only when /usr/bin does not hold it, and each absolute -I
// folder is bound read-only as /include/<its last name>, the argument rewritten to match. Run:
// args[0] names a file of the run directory ("main"), copied in read-only as /program/main
// from descriptor kBoxProgramFileFd, and the working directory is private; `runDir` appears
// nowhere. With `launcher` bwrap copies the launcher in from descriptor kBoxLauncherFileFd
// and starts it as /program/quorbel-box with the mounts to make and the program after them.
std::vector<std::string> boxCommand(const std::string& bwrap, bool compileStage,
                                    const std::string& runDir, const std::vector<std::string>& args,
                                    bool launcher = false);

// Runs one stage of a submission in the run directory `dir` with runProcess: inside the box
// when `boxed`, else as a plain process (a run-stage args[0] is then dir.path + "/" + args[0]).
// In the box bwrap and all it starts run under boxSyscallFilter(), TMPDIR and HOME of `env`
// become /tmp, and a failure of bwrap itself (told by its status descriptor) or of the
// launcher (told by its report descriptor) is reported in `error` as "Runner box setup
// failed: ...". `options` as runProcess takes them; peakMemoryKb is the stage cgroup's peak where
// there is one, else the launcher's figure for the program, else wait4's.
ProcessOutcome runStage(const std::vector<std::string>& args, const TempDir& dir,
                        const std::string& input, const std::vector<std::string>& env,
                        int64_t timeoutMs, bool compileStage, bool boxed,
                        const StageOptions& options = {});

}  // namespace quorbel
