// The box a run is made in and the runner's own checks: what a program finds inside the box,
// why there is none, and the self-tests and host validation that quorbel runs on demand.
#include "runner/runner_checks.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "runner/box_launch.h"
#include "runner/runner.h"
#include "runner/runner_box.h"
#include "runner/runner_cgroup.h"
#include "runner/runner_compile.h"
#include "test_support.h"

namespace quorbel {
namespace {

using testing::ScopedEnv;
using Lines = std::vector<std::string>;

std::optional<std::string> variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

// The exit status of `check` and the lines it printed, each of which must end in a line feed.
std::pair<int, Lines> printed(int (*check)()) {
  ::testing::internal::CaptureStdout();
  const int status = check();
  const std::string text = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(text.ends_with("\n")) << text;
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return {status, lines};
}

TEST(RunnerChecksTest, SelfTestsPassAndRestoreTheSwitches) {
  // One switch set to a false value, the other unset: both ways back are exercised.
  ScopedEnv chroot("QUORBEL_RUNNER_REQUIRE_CHROOT", "no");
  ScopedEnv netns("QUORBEL_RUNNER_REQUIRE_NETNS", std::nullopt);
  const std::optional<std::string> bwrap = variable("QUORBEL_RUNNER_BWRAP");
  testing::ScopedTmpDir tmpdir;

  const auto [status, lines] = printed(runRunnerSelfTests);
  EXPECT_EQ(variable("QUORBEL_RUNNER_REQUIRE_CHROOT"), std::optional<std::string>("no"));
  EXPECT_EQ(variable("QUORBEL_RUNNER_REQUIRE_NETNS"), std::nullopt);
  EXPECT_EQ(variable("QUORBEL_RUNNER_BWRAP"), bwrap);

  EXPECT_EQ(status, 0) << ::testing::PrintToString(lines);
  Lines want;
  for (const char* name :
       {"stdout-stderr", "stdin", "compile-error", "runtime-error", "timeout", "stdout-truncation",
        "stderr-truncation", "env-isolation", "absolute-include-blocked", "parent-include-blocked",
        "macro-include-blocked", "runtime-crash", "timeout-cleanup", "temp-file-cleanup",
        "timeout-process-group-kill", "stdout-overflow-process-group-kill",
        "stderr-overflow-process-group-kill", "require-chroot-fails-closed",
        "require-netns-fails-closed"})
    want.push_back("runner-" + std::string(name) + ": ok");
  const RunnerIsolation isolation = runnerIsolation();
  for (const std::string name : {"etc-passwd-blocked", "repo-file-blocked", "network-blocked",
                                 "fork-blocked", "bits-stdcxx"}) {
    want.push_back("runner-" + name +
                   (isolation.boxed
                        ? ": ok"
                        : ": skipped without the bubblewrap box (" + isolation.reason + ")"));
  }
  EXPECT_EQ(lines, want);
}

TEST(RunnerChecksTest, HostValidationPassesOnlyWithTheBox) {
  {
    ScopedEnv noBox("QUORBEL_RUNNER_BWRAP", "/nonexistent/bwrap");
    EXPECT_EQ(printed(runRunnerLinuxValidation),
              std::make_pair(1, Lines{"runner-linux-production-host: failed | bwrap not found at "
                                      "/nonexistent/bwrap"}));
  }
  const RunnerIsolation isolation = runnerIsolation();
  if (!isolation.boxed) GTEST_SKIP() << isolation.reason;
  EXPECT_EQ(
      printed(runRunnerLinuxValidation),
      std::make_pair(0, Lines{"runner-linux-production-host: ok", "runner-etc-passwd-blocked: ok",
                              "runner-repo-file-blocked: ok", "runner-network-blocked: ok",
                              "runner-fork-blocked: ok", "runner-bits-stdcxx: ok"}));
}

// The plain lines and failures with details show in the runs above.
TEST(RunnerChecksTest, ReportLines) {
  struct Case {
    bool passedBefore;
    bool passed;
    const char* details;
    const char* line;
  };
  const Case kCases[] = {
      {true, true, "ignored when passing", "runner-x: ok\n"},
      {true, false, "", "runner-x: failed\n"},
      {false, true, "", "runner-x: ok\n"},  // a pass never restores an earlier failure
  };
  for (const Case& c : kCases) {
    bool allPassed = c.passedBefore;
    ::testing::internal::CaptureStdout();
    reportTest(allPassed, "x", c.passed, c.details);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.line);
    EXPECT_EQ(allPassed, c.passedBefore && c.passed) << c.line;
  }
}

// What a failed check prints after its name.
TEST(RunnerChecksTest, RunSummaries) {
  EXPECT_EQ(summarizeRun({}), "internal_error phase= exit=-1 out=0 err=0");
  const RunResult full{.status = "runtime_error",
                       .phase = "run",
                       .stdout = "abc",
                       .stderr = "boom",
                       .compilerOutput = "warning: x",
                       .error = "Output limit exceeded.",
                       .exitCode = 139};
  EXPECT_EQ(summarizeRun(full),
            "runtime_error phase=run exit=139 out=3 err=4 error=Output limit exceeded. "
            "compiler=warning: x stderr=boom");
}

TEST(RunnerChecksTest, CountsOnlyRunDirectoriesAndZeroWhenUnreadable) {
  testing::ScopedTmpDir base;
  for (const char* name : {"quorbel-run-abc123", "quorbel-run-", "quorbel-runx", "other"})
    base.makeDirectory(name);
  base.write("quorbel-run-file", "");
  EXPECT_EQ(countTempRunDirs(), 3);
  ScopedEnv tmpdir("TMPDIR", base.path() + "/missing");
  EXPECT_EQ(countTempRunDirs(), 0);
}

// ---- The box ----

// A bwrap that runs but builds no box fails the probe as a kernel's refusal would. A missing
// bwrap is the host validation's case (runner_checks_test.cpp).
TEST(RunnerBoxTest, WithoutABoxTheReasonIsGiven) {
  ScopedEnv bwrap("QUORBEL_RUNNER_BWRAP", "/bin/false");
  const RunnerIsolation isolation = runnerIsolation();
  EXPECT_FALSE(isolation.boxed);
  EXPECT_EQ(isolation.reason, "bwrap refused the box: exit 1");
  EXPECT_EQ(isolationName(isolation), "process-limits");
  EXPECT_EQ(describeIsolation(isolation),
            "runner isolation: process limits only (bwrap refused the box: exit 1)");
  EXPECT_EQ(describeIsolation({true, ""}), "runner isolation: bubblewrap box");
  EXPECT_EQ(isolationName({true, ""}), "bubblewrap");
}

// ---- The box's launcher ----

// Its command line both ways, and the near-misses it refuses.
TEST(RunnerBoxTest, LauncherArguments) {
  const BoxLaunch launch{{{"/tmp", 16777216, 1024}, {"/box", 4096, 8}}, {"/program/main", "x"}};
  const std::vector<std::string> args = boxLaunchArguments(launch);
  EXPECT_EQ(args, (std::vector<std::string>{"--remount", "/tmp", "16777216", "1024", "--remount",
                                            "/box", "4096", "8", "--", "/program/main", "x"}));
  const std::optional<BoxLaunch> back = parseBoxLaunchArguments(args);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(boxLaunchArguments(*back), args);
  EXPECT_EQ(tmpfsOptions(launch.mounts[0]), "size=16777216,nr_inodes=1024");
  const std::vector<std::string> kRefused[] = {
      {},
      {"--"},
      {"/program/main"},
      {"--", "main"},
      {"--remount", "tmp", "1", "1", "--", "/p"},
      {"--remount", "/tmp", "0", "1", "--", "/p"},
      {"--remount", "/tmp", "1", "-1", "--", "/p"},
      {"--remount", "/tmp", "1k", "1", "--", "/p"},
      {"--remount", "/tmp", "1", "--", "/p"},
      {"--remount", "/tmp", "1", "1", "/p"},
  };
  for (const std::vector<std::string>& refused : kRefused)
    EXPECT_FALSE(parseBoxLaunchArguments(refused).has_value()) << ::testing::PrintToString(refused);
  EXPECT_TRUE(parseBoxLaunchArguments({"--", "/p"}).has_value());
}

// The launcher started on the host with no mount to make (nothing it does reaches past its
// own process): its report descriptor stays empty when the program starts and says which step
// failed otherwise, whatever the program would print. Outside a box, a process without
// CAP_SETPCAP cannot empty its bounding set: the launcher stops there, as it must.
TEST(RunnerBoxTest, LauncherReportsOnItsOwnDescriptor) {
  struct Case {
    std::vector<std::string> args;
    bool filterGiven;  // descriptor 6 open (with an empty filter) or closed
    bool dropsCapabilities;
    int exitCode;
    const char* report;
    bool forked;  // the launcher reached the program's start: its peak memory follows
  };
  // clang-format off
  const Case kCases[] = {
      {{"--", "/bin/sh", "-c", "echo exec failed; exit 3"}, true, true, 3, "", true},
      {{"--", "/bin/sh", "-c", "kill -SEGV $$"}, true, true, 139, "", true},
      {{"--", "/nonexistent/program"}, true, true, 127, "exec /nonexistent/program: No such file or directory\n", true},
      {{"--", "/bin/true"}, false, false, 127, "read the system call filter: Bad file descriptor\n", false},
      {{"--remount", "tmp", "1", "1", "--", "/bin/true"}, true, false, 127,
       "usage: quorbel-box [--remount PATH BYTES FILES]... -- /PROGRAM [ARGS]\n", false},
  };
  // clang-format on
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3] = {};
  const bool canDrop =
      syscall(SYS_capget, &header, sets) == 0 && (sets[0].effective & (1U << CAP_SETPCAP)) != 0;
  const std::string launcher = boxLauncherPath();
  ASSERT_EQ(access(launcher.c_str(), X_OK), 0) << launcher;
  for (const Case& c : kCases) {
    int report[2];
    int filter[2];
    ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(filter, O_CLOEXEC), 0);
    close(filter[1]);
    std::vector<char*> argv = {const_cast<char*>(launcher.c_str())};
    for (const std::string& arg : c.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      const int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, 1);
      dup2(quiet, 2);
      // Lifted first: either pipe end may sit on the other's number.
      const int reportEnd = fcntl(report[1], F_DUPFD_CLOEXEC, 16);
      const int filterEnd = fcntl(filter[0], F_DUPFD_CLOEXEC, 16);
      dup2(reportEnd, kBoxLaunchReportFd);
      c.filterGiven ? dup2(filterEnd, kBoxLaunchFilterFd) : close(kBoxLaunchFilterFd);
      execv(argv[0], argv.data());
      _exit(126);
    }
    close(report[1]);
    close(filter[0]);
    std::string said;
    char buffer[256];
    for (ssize_t count; (count = read(report[0], buffer, sizeof buffer)) > 0;)
      said.append(buffer, static_cast<size_t>(count));
    close(report[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    const bool stopped = c.dropsCapabilities && !canDrop;
    EXPECT_EQ(WEXITSTATUS(status), stopped ? 127 : c.exitCode) << c.args.back();
    // A program that started is followed by its peak memory, whatever it did.
    const size_t peak = said.find(kPeakMemoryWord);
    EXPECT_EQ(peak != std::string::npos, c.forked && !stopped) << c.args.back() << said;
    EXPECT_EQ(said.substr(0, peak),
              stopped ? "drop capabilities: Operation not permitted\n" : c.report)
        << c.args.back();
  }
}

// The launcher's box: capabilities for it alone, no second user namespace, its own mounts; and
// the program after them. Without it bwrap makes the folders. The program and the launcher are
// copied in from descriptors, so that a run box names no host path: the run folder appears only
// in a compile box, mounted as /box.
TEST(RunnerBoxTest, CommandsWithAndWithoutTheLauncher) {
  struct Case {
    const char* name;
    bool compileStage;
    bool launcher;
    std::vector<std::string> tail;  // after "--"
  };
  const Case kCases[] = {
      {"run, launcher",
       false,
       true,
       {"/program/quorbel-box", "--remount", "/tmp", "16777216", "1024", "--remount", "/box",
        "16777216", "1024", "--", "/program/main"}},
      {"compile, launcher",
       true,
       true,
       {"/program/quorbel-box", "--remount", "/tmp", "67108864", "1024", "--", "/usr/bin/true"}},
      {"run, bwrap's folders", false, false, {"/program/main"}},
      {"compile, bwrap's folders", true, false, {"/usr/bin/true"}},
  };
  for (const Case& c : kCases) {
    const std::vector<std::string> command =
        boxCommand("/usr/bin/bwrap", c.compileStage, "/tmp/quorbel-run-abc123",
                   {c.compileStage ? "/usr/bin/true" : "main"}, c.launcher);
    const auto separator = std::find(command.begin(), command.end(), "--");
    ASSERT_NE(separator, command.end()) << c.name;
    EXPECT_EQ(std::vector<std::string>(separator + 1, command.end()), c.tail) << c.name;
    std::string options;  // "|a|b|...|"
    for (auto option = command.begin(); option != separator; ++option) options += "|" + *option;
    options += "|";
    for (const char* shown : {"|--as-pid-1|--cap-add|CAP_SYS_ADMIN|--cap-add|CAP_SETPCAP|",
                              "|--perms|0555|--file|9|/program/quorbel-box|"})
      EXPECT_EQ(options.find(shown) != std::string::npos, c.launcher) << c.name << shown;
    for (const char* shown : {"|--disable-userns|", "|--dev|/dev|"})
      EXPECT_EQ(options.find(shown) != std::string::npos, !c.launcher) << c.name << shown;
    EXPECT_EQ(options.find("|--perms|0555|--file|8|/program/main|") != std::string::npos,
              !c.compileStage)
        << c.name;
    EXPECT_EQ(options.find("|--bind|/tmp/quorbel-run-abc123|/box|") != std::string::npos,
              c.compileStage)
        << c.name;
    EXPECT_EQ(options.find("quorbel-run-abc123") == std::string::npos, !c.compileStage) << c.name;
    EXPECT_EQ(options.find("--ro-bind|/tmp"), std::string::npos) << c.name;
  }
}

// The folders a compile includes from appear under /include by their last names, the arguments
// rewritten to match, so that diagnostics and __FILE__ name no host path; relative folders, the
// host's root and other arguments stay as they are.
TEST(RunnerBoxTest, IncludeFoldersAppearUnderTheirLastNames) {
  const std::vector<std::string> args = {"/usr/bin/true",
                                         "-I",
                                         "/srv/quorbel/vendor/ac-library",
                                         "-I",
                                         "/tmp/quorbel-pch-0123/",
                                         "-I",
                                         "/other/ac-library",
                                         "-I",
                                         "relative",
                                         "-I",
                                         "/",
                                         "-Iglued",
                                         "main.cpp"};
  const std::vector<std::string> command =
      boxCommand("/usr/bin/bwrap", true, "/tmp/quorbel-run-abc123", args, true);
  const auto separator = std::find(command.begin(), command.end(), "--");
  ASSERT_NE(separator, command.end());
  std::string options;
  for (auto option = command.begin(); option != separator; ++option) options += "|" + *option;
  options += "|";
  for (const char* bound : {"|--ro-bind-try|/srv/quorbel/vendor/ac-library|/include/ac-library|",
                            "|--ro-bind-try|/tmp/quorbel-pch-0123/|/include/quorbel-pch-0123|",
                            "|--ro-bind-try|/other/ac-library|/include/ac-library-6|"})
    EXPECT_NE(options.find(bound), std::string::npos) << bound;
  EXPECT_EQ(options.find("|--ro-bind-try|/|"), std::string::npos);
  const std::vector<std::string> tail(std::find(separator + 1, command.end(), "--") + 1,
                                      command.end());
  EXPECT_EQ(tail,
            (std::vector<std::string>{"/usr/bin/true", "-I", "/include/ac-library", "-I",
                                      "/include/quorbel-pch-0123", "-I", "/include/ac-library-6",
                                      "-I", "relative", "-I", "/", "-Iglued", "main.cpp"}));
}

// Only a compiler that could not start, or could not start its own process, is tried again;
// its own errors, even ones that quote the same words, are its answer.
TEST(RunnerCompileTest, OnlyACompilerWithoutAFreeProcessIsTriedAgain) {
  struct Row {
    const char* name;
    int exitCode;
    bool timedOut;
    const char* error;
    const char* stderr;
    bool again;
  };
  const Row rows[] = {
      {"vfork refused", 1, false, "",
       "g++: fatal error: cannot execute '/usr/lib/gcc/x86_64-linux-gnu/12/collect2': vfork: "
       "Resource temporarily unavailable\ncompilation terminated.\n",
       true},
      {"fork refused", 1, false, "",
       "g++: fatal error: cannot fork: Resource temporarily unavailable", true},
      {"a syntax error", 1, false, "", "main.cpp:1:1: error: expected ';'", false},
      {"compiled", 0, false, "", "fork: Resource temporarily unavailable", false},
      {"out of time", 137, true, "", "vfork: Resource temporarily unavailable", false},
      {"the runner failed", -1, false, "Runner box setup failed: x",
       "vfork: Resource temporarily unavailable", false},
      {"other words", 1, false, "", "open: Resource temporarily unavailable", false},
      {"exec refused", 127, false, "", "exec failed: Resource temporarily unavailable\n", true},
      {"exec of a missing compiler", 127, false, "", "exec failed: No such file or directory\n",
       false},
      {"a compiler quoting the words", 1, false, "",
       "exec failed: Resource temporarily unavailable\n", false},
  };
  for (const Row& row : rows) {
    ProcessOutcome outcome;
    outcome.exitCode = row.exitCode;
    outcome.timedOut = row.timedOut;
    outcome.error = row.error;
    outcome.stderr = row.stderr;
    EXPECT_EQ(compilerFoundNoProcessFree(outcome), row.again) << row.name;
  }
}

// A stand-in cgroup root in a scratch folder: which hierarchies take stage cgroups, and the
// files a stage's cgroup is given. The live hierarchy is the host's to offer.
TEST(RunnerCgroupTest, RootsAndTheLimitsWritten) {
  testing::ScratchDir dir;
  struct Root {
    const char* name;
    const char* controllers;  // nullptr: no cgroup.controllers
    bool usable;
    const char* reason;  // after the root's path
  };
  const Root kRoots[] = {
      {"plain", nullptr, false, " is not a cgroup"},
      {"hugetlb", "hugetlb\n", false, " offers no memory controller"},
      {"nopids", "cpu memory\n", false, " offers no pids controller"},
      {"nocpu", "memory pids io\n", false, " offers no cpu controller"},
      {"full", "cpuset cpu io memory hugetlb pids rdma misc\n", true, ""},
  };
  for (const Root& row : kRoots) {
    const std::string root = dir.makeDirectory(row.name);
    if (row.controllers != nullptr)
      dir.write(std::string(row.name) + "/cgroup.controllers", row.controllers);
    dir.write(std::string(row.name) + "/cgroup.subtree_control", "");
    const CgroupSupport support = checkCgroupRoot(root);
    EXPECT_EQ(support.usable, row.usable) << row.name;
    EXPECT_EQ(support.reason, row.usable ? "" : root + row.reason) << row.name;
  }
  EXPECT_EQ(describeCgroups({false, "", "x offers no memory controller"}),
            "runner cgroups: none (x offers no memory controller); runs keep their process "
            "limits");
  EXPECT_EQ(describeCgroups({true, "/sys/fs/cgroup/quorbel", ""}),
            "runner cgroups: /sys/fs/cgroup/quorbel");

  std::string error;
  const std::string stage = createStageCgroup(dir.path() + "/full", {512LL << 20, 18, 100}, error);
  ASSERT_FALSE(stage.empty()) << error;
  EXPECT_TRUE(stage.starts_with(dir.path() + "/full/quorbel-")) << stage;
  const std::pair<const char*, const char*> kFiles[] = {{"memory.max", "536870912"},
                                                        {"memory.swap.max", "0"},
                                                        {"pids.max", "18"},
                                                        {"cpu.max", "100000 100000"}};
  for (const auto& [file, value] : kFiles)
    EXPECT_EQ(testing::readFile(stage + "/" + file), value) << file;
  EXPECT_EQ(testing::readFile(dir.path() + "/full/cgroup.subtree_control"), "+memory +pids +cpu");
  EXPECT_FALSE(stageCgroupHitMemoryLimit(stage));
  dir.write(stage.substr(dir.path().size() + 1) + "/memory.events",
            "low 0\nhigh 0\nmax 3\noom 1\noom_kill 1\n");
  EXPECT_TRUE(stageCgroupHitMemoryLimit(stage));
  EXPECT_TRUE(createStageCgroup(dir.path() + "/missing", {}, error).empty());
  EXPECT_EQ(error, "Could not create the run's cgroup.");
}

// What a program finds in the run box: an unprivileged user without capabilities, the box's
// own PID namespace and host name, the system call filter on the box's init too, only the
// runtime's directories of the host, read-only, a private writable working directory and /tmp
// (noexec and capped in files where the launcher mounts them), no socket but a local one, no
// fallocate (its keep-size mode passes the file-size cap), and no host path on the box init's
// command line.
TEST(RunnerBoxTest, WhatAProgramFindsInside) {
  const RunnerIsolation isolation = runnerIsolation();
  if (!isolation.boxed) GTEST_SKIP() << isolation.reason;
  RunRequest request;
  request.code = R"(#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/personality.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
// Each fact as "what result; ".
void show(const char* what, bool ok) {
  std::printf("%s %s; ", what, ok ? "ok" : errno == ENOENT ? "absent" : errno == EROFS ? "read-only"
                                   : errno == EACCES ? "denied" : std::strerror(errno));
}
void status(const char* file, const std::vector<std::string>& keys) {
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);)
    for (const std::string& key : keys) if (line.rfind(key, 0) == 0) std::printf("%s; ", line.c_str());
}
// The topmost mount on `point`: noexec or not, and its file cap when it is the box's.
void folder(const char* point) {
  std::ifstream in("/proc/self/mountinfo");
  std::string found;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint, options;
    fields >> id >> parent >> device >> root >> mountPoint >> options;
    if (mountPoint == point) found = (options.find("noexec") != std::string::npos ? " noexec" : " exec") +
                                     std::string(line.find("nr_inodes=1024,") != std::string::npos ? " 1024 files" : "");
  }
  std::printf("%s%s; ", point, found.c_str());
}
int main(){
  status("/proc/self/status", {"Uid:", "CapEff:", "NoNewPrivs:", "Seccomp:"});
  status("/proc/1/status", {"CapEff:", "Seccomp:"});
  rlimit processes{};
  getrlimit(RLIMIT_NPROC, &processes);
  std::printf("processes %llu; ", static_cast<unsigned long long>(processes.rlim_cur));
  char host[64] = {};
  gethostname(host, sizeof host);
  std::printf("\npid %d, parent %d, host %s\n", getpid(), getppid(), host);
  for (const char* path : {"/etc", "/home", "/root", "/usr/bin", "/usr/include", "/usr/lib", "/program/main"})
    show(path, access(path, F_OK) == 0);
  std::puts("");
  for (const char* path : {"written", "/tmp/written", "/written", "/usr/lib/written", "/dev/written"})
    show(path, open(path, O_CREAT | O_WRONLY, 0600) >= 0);
  std::puts("");
  folder("/tmp");
  folder("/box");
  std::puts("");
  const std::pair<const char*, int> families[] = {{"unix", AF_UNIX}, {"route-netlink", AF_NETLINK}, {"inet", AF_INET}, {"inet6", AF_INET6}, {"packet", AF_PACKET}, {"vsock", AF_VSOCK}};
  for (const auto& [name, family] : families) show(name, socket(family, SOCK_DGRAM, 0) >= 0);
  show("\nuser-namespace", unshare(CLONE_NEWUSER) == 0);
  const long child = syscall(SYS_clone, CLONE_NEWUSER | SIGCHLD, nullptr, nullptr, nullptr, nullptr);
  if (child == 0) _exit(0);
  show("cloned-user-namespace", child > 0);
  // Refused by the program's own filter, whatever the kernel would say.
  show("\nshm", shmget(IPC_PRIVATE, 1 << 20, IPC_CREAT | 0600) >= 0);
  show("ptrace", ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0);
  show("personality", personality(0xffffffff) >= 0 && personality(ADDR_NO_RANDOMIZE) >= 0);
  show("keyctl", syscall(SYS_keyctl, 0, 0, 0, 0, 0) >= 0);
  show("userfaultfd", syscall(SYS_userfaultfd, 0) >= 0);
  show("mount", mount("none", "/tmp", "tmpfs", 0, nullptr) == 0);
  show("fallocate", fallocate(open("/tmp/reserved", O_CREAT | O_WRONLY, 0600), FALLOC_FL_KEEP_SIZE, 0, 1 << 20) == 0);
  // The box's init's command line, its NULs as spaces: bwrap took its options on a descriptor.
  std::ifstream in("/proc/1/cmdline");
  std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (char& c : line) c = c == '\0' ? ' ' : c;
  std::printf("\n%s", line.c_str());
}
)";
  const RunResult result = runCppProgram(request);
  EXPECT_EQ(result.status, "success") << summarizeRun(result);
  // Lines: this process's status, the box init's capabilities and filter and the box's own
  // process cap; the ids; what it sees; where it writes; how its writable folders are mounted;
  // which sockets it gets; a user namespace of its own.
  const std::string folders = isolation.ownMounts
                                  ? "/tmp noexec 1024 files; /box noexec 1024 files; \n"
                                  : "/tmp exec; /box exec; \n";
  EXPECT_EQ(result.stdout,
            "Uid:\t65534\t65534\t65534\t65534; CapEff:\t0000000000000000; NoNewPrivs:\t1; "
            "Seccomp:\t2; CapEff:\t0000000000000000; Seccomp:\t2; processes 16; \n"
            "pid 2, parent 1, host quorbel\n"
            "/etc absent; /home absent; /root absent; /usr/bin absent; /usr/include absent; "
            "/usr/lib ok; /program/main ok; \n"
            "written ok; /tmp/written ok; /written read-only; /usr/lib/written read-only; "
            "/dev/written read-only; \n" +
                folders +
                "unix ok; route-netlink denied; inet denied; inet6 denied; packet denied; vsock "
                "denied; \n"
                "user-namespace Operation not permitted; cloned-user-namespace Operation not "
                "permitted; \n"
                "shm Operation not permitted; ptrace Operation not permitted; personality "
                "Operation not permitted; keyctl Operation not permitted; userfaultfd Operation "
                "not permitted; mount Operation not permitted; fallocate Operation not "
                "supported; \n" +
                (isolation.ownMounts ? "/program/quorbel-box --remount /tmp 16777216 1024 "
                                       "--remount /box 16777216 1024 -- /program/main "
                                     : bwrapPath() + " --args 3 -- /program/main "));
}

}  // namespace
}  // namespace quorbel
