#include "runner/runner_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "runner/runner_files.h"
#include "test_support.h"

namespace quorbel {
namespace {

using testing::processGone;
using testing::ScopedEnv;

constexpr bool kRunStage = false;
constexpr bool kCompileStage = true;

// Soft and hard value of one row of /proc/<pid>/limits, e.g. "Max open files", as "soft hard".
std::string limitRow(const std::string& limits, const std::string& name) {
  std::istringstream lines(limits);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(name, 0) != 0) continue;
    std::istringstream values(line.substr(name.size()));
    std::string soft, hard;
    values >> soft >> hard;
    return soft + " " + hard;
  }
  return "missing";
}

class RunnerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir();
    ASSERT_FALSE(dir_.path.empty());
    if (getuid() == 0 && !dir_.identity.active) GTEST_SKIP() << "no runner user on this host";
  }
  ProcessOutcome run(const std::vector<std::string>& args, const std::string& input = "",
                     int64_t timeoutMs = 2000, bool compileStage = kRunStage,
                     const std::vector<std::string>& env = {}) {
    return runProcess(args, dir_.path, input, env, timeoutMs, compileStage, dir_.identity);
  }
  TempDir dir_;
};

TEST_F(RunnerProcessTest, EachStageGetsItsLimits) {
  struct Case {
    const char* row;
    const char* run;
    const char* compile;
  };
  const Case kCases[] = {
      {"Max core file size", "0 0", "0 0"},
      {"Max open files", "32 32", "96 96"},
      {"Max cpu time", "3 3", "8 8"},
      {"Max file size", "1048576 1048576", "67108864 67108864"},
      {"Max address space", "536870912 536870912", "2147483648 2147483648"},
  };
  ProcessOutcome runStage = run({"/bin/cat", "/proc/self/limits"});
  ProcessOutcome compileStage = run({"/bin/cat", "/proc/self/limits"}, "", 2000, kCompileStage);
  ASSERT_EQ(runStage.exitCode, 0) << runStage.stderr;
  ASSERT_EQ(compileStage.exitCode, 0) << compileStage.stderr;
  for (const Case& c : kCases) {
    EXPECT_EQ(limitRow(runStage.stdout, c.row), c.run) << c.row;
    EXPECT_EQ(limitRow(compileStage.stdout, c.row), c.compile) << c.row;
  }
  const std::string processes = limitRow(runStage.stdout, "Max processes");
  const std::string soft = processes.substr(0, processes.find(' '));
  EXPECT_EQ(processes, soft + " " + soft);
  EXPECT_NE(soft, "unlimited");
}

TEST_F(RunnerProcessTest, NoDescriptorOfOursReachesTheChild) {
  int leaked = open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(leaked, 3);
  ProcessOutcome outcome = run({"/bin/ls", "/proc/self/fd"});
  close(leaked);
  // ls itself holds 3 while it reads the directory.
  EXPECT_EQ(outcome.stdout, "0\n1\n2\n3\n");
}

TEST_F(RunnerProcessTest, EnvironmentIsExactlyTheList) {
  ScopedEnv secret("QUORBEL_PROCESS_TEST_SECRET", "leak");
  EXPECT_EQ(run({"/usr/bin/env"}, "", 2000, kRunStage, {"A=1", "B=two words"}).stdout,
            "A=1\nB=two words\n");
  EXPECT_EQ(run({"/usr/bin/env"}).stdout, "");
}

TEST_F(RunnerProcessTest, ExitCodes) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int32_t exitCode;
    const char* stderrText;
  };
  const Case kCases[] = {
      {"normal exit", {"/bin/sh", "-c", "exit 7"}, 7, ""},
      {"killed by SIGSEGV", {"/bin/sh", "-c", "kill -SEGV $$"}, 139, ""},
      {"exec failure",
       {"/quorbel/no/such/program"},
       127,
       "exec failed: No such file or directory\n"},
  };
  for (const Case& c : kCases) {
    ProcessOutcome outcome = run(c.args);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.name;
    EXPECT_EQ(outcome.stderr, c.stderrText) << c.name;
    EXPECT_FALSE(outcome.timedOut) << c.name;
    EXPECT_EQ(outcome.error, "") << c.name;
  }
  EXPECT_EQ(run({}).error, "No executable configured.");
}

TEST_F(RunnerProcessTest, SetupFailuresEndTheChildWith127) {
  ProcessOutcome badDirectory =
      runProcess({"/bin/true"}, dir_.path + "/missing", "", {}, 2000, kRunStage, dir_.identity);
  EXPECT_EQ(badDirectory.exitCode, 127);
  EXPECT_EQ(badDirectory.stderr, "runner working directory setup failed\n");
}

TEST_F(RunnerProcessTest, RunStageNeverRunsAsRoot) {
  if (getuid() != 0) GTEST_SKIP() << "needs root";
  const RunnerIdentity stayRoot;  // inactive: no switch
  ProcessOutcome runStage =
      runProcess({"/usr/bin/id", "-u"}, dir_.path, "", {}, 2000, kRunStage, stayRoot);
  EXPECT_EQ(runStage.exitCode, 127);
  EXPECT_EQ(runStage.stdout, "");
  EXPECT_EQ(runStage.stderr, "runner sandbox setup failed\n");
  ProcessOutcome switched = run({"/usr/bin/id", "-u"});
  EXPECT_EQ(switched.stdout, std::to_string(dir_.identity.uid) + "\n");
}

TEST_F(RunnerProcessTest, InputIsFedWholeOrDroppedSafely) {
  const std::string input(200000, 'a');  // three times a pipe buffer
  EXPECT_EQ(run({"/usr/bin/wc", "-c"}, input).stdout, "200000\n");
  // The child exits without reading: writing on must fail quietly, not raise SIGPIPE here.
  ProcessOutcome ignored = run({"/bin/true"}, input);
  EXPECT_EQ(ignored.exitCode, 0);
  EXPECT_EQ(ignored.error, "");
}

TEST_F(RunnerProcessTest, ProcessesLeftBehindAreKilled) {
  struct Case {
    const char* name;
    const char* script;  // prints the pid of the process left behind
    int64_t timeoutMs;
    bool timedOut;
  };
  const Case kCases[] = {
      // The inner shell leaves the group, keeps the output pipe open and outlives its parent: a
      // group kill misses it and the pipe never reaches end of file.
      {"left the group and holds the pipe: dies at the deadline",
       "setsid /bin/sh -c 'echo $$; exec sleep 100' & sleep 0.2", 800, true},
      {"left behind by a normal exit", "sleep 100 </dev/null >/dev/null 2>&1 & echo $!", 2000,
       false},
  };
  for (const Case& c : kCases) {
    ProcessOutcome outcome = run({"/bin/sh", "-c", c.script}, "", c.timeoutMs);
    EXPECT_EQ(outcome.timedOut, c.timedOut) << c.name;
    EXPECT_LT(outcome.elapsedMs, 3000) << c.name;
    const int pid = std::atoi(outcome.stdout.c_str());
    ASSERT_GT(pid, 0) << c.name << ": " << outcome.stdout << outcome.stderr;
    EXPECT_TRUE(processGone(pid)) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
