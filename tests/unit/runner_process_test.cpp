#include "runner/runner_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "runner/runner_files.h"

namespace quorbel {
namespace {

constexpr bool kRunStage = false;
constexpr bool kCompileStage = true;

bool processGone(int pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

// Soft and hard value of one row of /proc/<pid>/limits, e.g. "Max open files".
std::pair<std::string, std::string> limitRow(const std::string& limits, const std::string& name) {
  std::istringstream lines(limits);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(name, 0) != 0) continue;
    std::istringstream values(line.substr(name.size()));
    std::string soft, hard;
    values >> soft >> hard;
    return {soft, hard};
  }
  return {"missing", "missing"};
}

class RunnerProcessTest : public testing::Test {
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
      {"Max core file size", "0", "0"},
      {"Max open files", "32", "96"},
      {"Max cpu time", "3", "8"},
      {"Max file size", "1048576", "67108864"},
      {"Max address space", "536870912", "2147483648"},
  };
  ProcessOutcome runStage = run({"/bin/cat", "/proc/self/limits"});
  ProcessOutcome compileStage = run({"/bin/cat", "/proc/self/limits"}, "", 2000, kCompileStage);
  ASSERT_EQ(runStage.exitCode, 0) << runStage.stderr;
  ASSERT_EQ(compileStage.exitCode, 0) << compileStage.stderr;
  for (const Case& c : kCases) {
    EXPECT_EQ(limitRow(runStage.stdout, c.row),
              std::make_pair(std::string(c.run), std::string(c.run)))
        << c.row;
    EXPECT_EQ(limitRow(compileStage.stdout, c.row),
              std::make_pair(std::string(c.compile), std::string(c.compile)))
        << c.row;
  }
  auto [soft, hard] = limitRow(runStage.stdout, "Max processes");
  EXPECT_EQ(soft, hard);
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
  setenv("QUORBEL_PROCESS_TEST_SECRET", "leak", 1);
  EXPECT_EQ(run({"/usr/bin/env"}, "", 2000, kRunStage, {"A=1", "B=two words"}).stdout,
            "A=1\nB=two words\n");
  EXPECT_EQ(run({"/usr/bin/env"}).stdout, "");
  unsetenv("QUORBEL_PROCESS_TEST_SECRET");
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
      {"killed by SIGKILL", {"/bin/sh", "-c", "kill -KILL $$"}, 137, ""},
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

  setenv("QUORBEL_RUNNER_REQUIRE_NETNS", "on", 1);
  ProcessOutcome runStage = run({"/bin/true"});
  ProcessOutcome compileStage = run({"/bin/true"}, "", 2000, kCompileStage);
  unsetenv("QUORBEL_RUNNER_REQUIRE_NETNS");
  EXPECT_EQ(runStage.exitCode, 127);
  EXPECT_EQ(runStage.stderr, "runner sandbox setup failed\n");
  EXPECT_EQ(compileStage.exitCode, 0) << "only the run stage needs a network namespace";
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

TEST_F(RunnerProcessTest, FloodIsCutAtTheCapAndKilled) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    bool onStdout;
  };
  const Case kCases[] = {
      {"stdout", {"/usr/bin/yes"}, true},
      {"stderr", {"/bin/sh", "-c", "yes >&2"}, false},
  };
  for (const Case& c : kCases) {
    ProcessOutcome outcome = run(c.args);
    const std::string& stream = c.onStdout ? outcome.stdout : outcome.stderr;
    EXPECT_EQ(stream.size(), kCapturedOutputLimit) << c.name;
    EXPECT_EQ(stream.substr(0, 4), "y\ny\n") << c.name;
    EXPECT_TRUE(c.onStdout ? outcome.stdoutTruncated : outcome.stderrTruncated) << c.name;
    EXPECT_TRUE(outcome.outputLimitExceeded) << c.name;
    EXPECT_FALSE(outcome.timedOut) << c.name;
  }
}

TEST_F(RunnerProcessTest, ProcessThatLeftTheGroupDiesAtTheDeadline) {
  // The inner shell leaves the group, keeps the output pipe open and outlives its parent: a
  // group kill misses it and the pipe never reaches end of file.
  ProcessOutcome outcome =
      run({"/bin/sh", "-c", "setsid /bin/sh -c 'echo $$; exec sleep 100' & sleep 0.2"}, "", 800);
  EXPECT_TRUE(outcome.timedOut);
  EXPECT_LT(outcome.elapsedMs, 3000);
  const int pid = std::atoi(outcome.stdout.c_str());
  ASSERT_GT(pid, 0) << outcome.stdout << outcome.stderr;
  EXPECT_TRUE(processGone(pid));
}

TEST_F(RunnerProcessTest, ProcessLeftBehindByANormalExitIsKilled) {
  ProcessOutcome outcome = run({"/bin/sh", "-c", "sleep 100 </dev/null >/dev/null 2>&1 & echo $!"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_FALSE(outcome.timedOut);
  const int pid = std::atoi(outcome.stdout.c_str());
  ASSERT_GT(pid, 0) << outcome.stdout << outcome.stderr;
  EXPECT_TRUE(processGone(pid));
}

}  // namespace
}  // namespace quorbel
