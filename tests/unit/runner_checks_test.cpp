// The box a run is made in and the runner's own checks: what a program finds inside the box,
// why there is none, and the self-tests and host validation that quorbel runs on demand.
#include "runner/runner_checks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "runner/runner.h"
#include "runner/runner_box.h"
#include "runner/runner_cgroup.h"
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
// runtime's directories of the host, read-only, a private writable working directory and /tmp,
// and no socket but a local one.
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
#include <cstring>
#include <fstream>
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
int main(){
  status("/proc/self/status", {"Uid:", "CapEff:", "NoNewPrivs:", "Seccomp:"});
  status("/proc/1/status", {"Seccomp:"});
  rlimit processes{};
  getrlimit(RLIMIT_NPROC, &processes);
  std::printf("processes %llu; ", static_cast<unsigned long long>(processes.rlim_cur));
  char host[64] = {};
  gethostname(host, sizeof host);
  std::printf("\npid %d, parent %d, host %s\n", getpid(), getppid(), host);
  for (const char* path : {"/etc", "/home", "/root", "/usr/bin", "/usr/include", "/usr/lib", "/box/main"})
    show(path, access(path, F_OK) == 0);
  std::puts("");
  for (const char* path : {"written", "/tmp/written", "/written", "/usr/lib/written", "/dev/shm/written"})
    show(path, open(path, O_CREAT | O_WRONLY, 0600) >= 0);
  std::puts("");
  const std::pair<const char*, int> families[] = {{"unix", AF_UNIX}, {"route-netlink", AF_NETLINK}, {"inet", AF_INET}, {"inet6", AF_INET6}, {"packet", AF_PACKET}, {"vsock", AF_VSOCK}};
  for (const auto& [name, family] : families) show(name, socket(family, SOCK_DGRAM, 0) >= 0);
  show("\nuser-namespace", unshare(CLONE_NEWUSER) == 0);
  // Refused by the program's own filter, whatever the kernel would say.
  show("\nshm", shmget(IPC_PRIVATE, 1 << 20, IPC_CREAT | 0600) >= 0);
  show("ptrace", ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0);
  show("personality", personality(0xffffffff) >= 0 && personality(ADDR_NO_RANDOMIZE) >= 0);
  show("keyctl", syscall(SYS_keyctl, 0, 0, 0, 0, 0) >= 0);
  show("userfaultfd", syscall(SYS_userfaultfd, 0) >= 0);
  show("mount", mount("none", "/tmp", "tmpfs", 0, nullptr) == 0);
}
)";
  const RunResult result = runCppProgram(request);
  EXPECT_EQ(result.status, "success") << summarizeRun(result);
  // Lines: this process's status, the box init's filter and the box's own process cap; the ids;
  // what it sees; where it writes; which sockets it gets; a user namespace of its own.
  EXPECT_EQ(result.stdout,
            "Uid:\t65534\t65534\t65534\t65534; CapEff:\t0000000000000000; NoNewPrivs:\t1; "
            "Seccomp:\t2; Seccomp:\t2; processes 16; \n"
            "pid 2, parent 1, host quorbel\n"
            "/etc absent; /home absent; /root absent; /usr/bin absent; /usr/include absent; "
            "/usr/lib ok; /box/main ok; \n"
            "written ok; /tmp/written ok; /written read-only; /usr/lib/written read-only; "
            "/dev/shm/written read-only; \n"
            "unix ok; route-netlink denied; inet denied; inet6 denied; packet denied; vsock "
            "denied; \n"
            "user-namespace Operation not permitted; \n"
            "shm Operation not permitted; ptrace Operation not permitted; personality Operation "
            "not permitted; keyctl Operation not permitted; userfaultfd Operation not permitted; "
            "mount Operation not permitted; ");
}

}  // namespace
}  // namespace quorbel
