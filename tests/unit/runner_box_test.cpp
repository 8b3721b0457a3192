#include "runner/runner_box.h"

#include <gtest/gtest.h>

#include <string>

#include "runner/runner.h"
#include "runner/runner_checks.h"
#include "test_support.h"

namespace quorbel {
namespace {

using testing::ScopedEnv;

TEST(RunnerBoxTest, WithoutABoxTheReasonIsGiven) {
  struct Case {
    const char* bwrap;
    const char* reason;
  };
  const Case kCases[] = {
      {"/nonexistent/bwrap", "bwrap not found at /nonexistent/bwrap"},
      // Runs, but builds no box: it fails the probe as a kernel's refusal would.
      {"/bin/false", "bwrap refused the box: exit 1"},
  };
  for (const Case& c : kCases) {
    ScopedEnv bwrap("QUORBEL_RUNNER_BWRAP", c.bwrap);
    const RunnerIsolation isolation = runnerIsolation();
    EXPECT_FALSE(isolation.boxed) << c.bwrap;
    EXPECT_EQ(isolation.reason, c.reason);
    EXPECT_EQ(isolationName(isolation), "process-limits");
    EXPECT_EQ(describeIsolation(isolation),
              std::string("runner isolation: process limits only (") + c.reason + ")");
  }
  EXPECT_EQ(describeIsolation({true, ""}), "runner isolation: bubblewrap box");
  EXPECT_EQ(isolationName({true, ""}), "bubblewrap");
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
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
int main(){
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    for (const char* key : {"Uid:", "CapEff:", "NoNewPrivs:", "Seccomp:"})
      if (line.rfind(key, 0) == 0) std::puts(line.c_str());
  std::ifstream init("/proc/1/status");
  for (std::string line; std::getline(init, line);)
    if (line.rfind("Seccomp:", 0) == 0) std::printf("init %s\n", line.c_str());
  char host[64] = {};
  gethostname(host, sizeof host);
  std::printf("pid %d, parent %d, host %s\n", getpid(), getppid(), host);
  for (const char* path : {"/etc", "/home", "/root", "/usr/bin", "/usr/include", "/usr/lib", "/box/main"})
    std::printf("%s: %s\n", path, access(path, F_OK) == 0 ? "seen" : std::strerror(errno));
  for (const char* path : {"written", "/tmp/written", "/written", "/usr/lib/written", "/dev/shm/written"})
    std::printf("write %s: %s\n", path, open(path, O_CREAT | O_WRONLY, 0600) >= 0 ? "ok" : std::strerror(errno));
  const std::pair<const char*, int> families[] = {{"unix", AF_UNIX}, {"route netlink", AF_NETLINK}, {"inet", AF_INET}, {"inet6", AF_INET6}, {"packet", AF_PACKET}, {"vsock", AF_VSOCK}};
  for (const auto& [name, family] : families)
    std::printf("socket %s: %s\n", name, socket(family, SOCK_DGRAM, 0) >= 0 ? "ok" : std::strerror(errno));
  std::printf("user namespace: %s\n", unshare(CLONE_NEWUSER) == 0 ? "ok" : std::strerror(errno));
}
)";
  const RunResult result = runCppProgram(request);
  EXPECT_EQ(result.status, "success") << summarizeRun(result);
  EXPECT_EQ(result.stdout,
            "Uid:\t65534\t65534\t65534\t65534\n"
            "CapEff:\t0000000000000000\n"
            "NoNewPrivs:\t1\n"
            "Seccomp:\t2\n"
            "init Seccomp:\t2\n"
            "pid 2, parent 1, host quorbel\n"
            "/etc: No such file or directory\n"
            "/home: No such file or directory\n"
            "/root: No such file or directory\n"
            "/usr/bin: No such file or directory\n"
            "/usr/include: No such file or directory\n"
            "/usr/lib: seen\n"
            "/box/main: seen\n"
            "write written: ok\n"
            "write /tmp/written: ok\n"
            "write /written: Read-only file system\n"
            "write /usr/lib/written: Read-only file system\n"
            "write /dev/shm/written: Read-only file system\n"
            "socket unix: ok\n"
            "socket route netlink: ok\n"
            "socket inet: Permission denied\n"
            "socket inet6: Permission denied\n"
            "socket packet: Permission denied\n"
            "socket vsock: Permission denied\n"
            "user namespace: No space left on device\n");
}

}  // namespace
}  // namespace quorbel
