// A run's directory and processes: the private run directory, the source file, the removal of
// a tree whatever it holds, and one stage's process with its limits, descriptors,
// environment, exit codes and the processes it leaves behind.
#include "runner/runner_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/runner_files.h"
#include "test_support.h"

namespace quorbel {
namespace {

namespace fs = std::filesystem;
using testing::processGone;
using testing::readFile;
using testing::ScopedEnv;

// ---- The run directory ----

mode_t modeOf(const std::string& path) {
  struct stat info {};
  lstat(path.c_str(), &info);
  return info.st_mode & 07777;
}

TEST(RunnerFilesTest, TempDirIsPrivateOwnedMovedAndRemoved) {
  testing::ScopedTmpDir base;
  std::string path;
  {
    TempDir dir = makeTempDir();
    path = dir.path;
    ASSERT_FALSE(path.empty());
    const std::string prefix = base.path() + "/quorbel-run-";
    EXPECT_EQ(path.rfind(prefix, 0), 0u) << path;
    EXPECT_EQ(path.size(), prefix.size() + 6) << path;
    EXPECT_EQ(modeOf(path), 0700u);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    const passwd* nobody = getpwnam("nobody");
    if (getuid() == 0 && nobody != nullptr) {
      EXPECT_TRUE(dir.identity.active);
      EXPECT_EQ(info.st_uid, nobody->pw_uid);
      EXPECT_EQ(dir.identity.uid, nobody->pw_uid);
    } else if (getuid() != 0) {
      EXPECT_FALSE(dir.identity.active);
    }
    std::ofstream(path + "/left.txt") << "x";
    TempDir moved = std::move(dir);
    EXPECT_EQ(dir.path, "");
    EXPECT_EQ(moved.path, path);
  }
  EXPECT_FALSE(fs::exists(path)) << "the last owner removes the tree";

  setenv("TMPDIR", (base.path() + "/missing").c_str(), 1);
  EXPECT_EQ(makeTempDir().path, "");
}

TEST(RunnerFilesTest, SourceFileHoldsTheExactBytes) {
  testing::ScopedTmpDir base;
  TempDir dir = makeTempDir();
  const std::string code("int main(){}\n\0\xff tail", 19);
  std::string error;
  ASSERT_TRUE(writeSourceFile(dir, code, error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(readFile(dir.path + "/main.cpp"), code);
  EXPECT_EQ(modeOf(dir.path + "/main.cpp"), 0600u);

  TempDir missing;
  missing.path = base.path() + "/missing";
  EXPECT_FALSE(writeSourceFile(missing, code, error));
  EXPECT_EQ(error, "Could not create source file.");
  missing.path.clear();
}

TEST(RunnerFilesTest, RemoveTreeNeverTouchesWhatLinksPointAt) {
  testing::ScopedTmpDir base;
  const std::string outside = base.makeDirectory("outside");
  base.write("outside/marker", "keep me");
  const std::string tree = base.path() + "/tree";
  base.makeDirectory("tree/sub/deeper");
  base.write("tree/a.txt", "a");
  base.write("tree/locked.txt", "b", 0000);
  base.write("tree/sub/deeper/c.txt", "c");
  fs::create_directory_symlink(outside, tree + "/dirlink");
  fs::create_symlink(outside + "/marker", tree + "/filelink");
  fs::create_symlink("/quorbel/no/such/target", tree + "/dangling");
  mkfifo((tree + "/pipe").c_str(), 0600);
  chmod((tree + "/sub/deeper").c_str(), 0);
  chmod((tree + "/sub").c_str(), 0);
  removeTree(tree);
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
  // Removing a link itself leaves its target too.
  fs::create_directory_symlink(outside, base.path() + "/link");
  removeTree(base.path() + "/link");
  EXPECT_EQ(readFile(outside + "/marker"), "keep me");
  EXPECT_EQ(modeOf(outside + "/marker"), 0644u) << "a chmod through the link changed it";
  EXPECT_EQ(modeOf(outside), 0755u);
}

TEST(RunnerFilesTest, RemoveTreeGoesDeeperThanTheDescriptorLimit) {
  testing::ScopedTmpDir base;
  const std::string tree = base.path() + "/deep";
  fs::create_directory(tree);
  int fd = open(tree.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int level = 0; level < 300; ++level) {
    ASSERT_EQ(mkdirat(fd, "d", 0700), 0);
    int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
  }
  close(fd);
  rlimit saved{};
  getrlimit(RLIMIT_NOFILE, &saved);
  rlimit tight = saved;
  tight.rlim_cur = 64;  // a walk holding one descriptor per level runs out at depth ~60
  setrlimit(RLIMIT_NOFILE, &tight);
  removeTree(tree);
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_FALSE(fs::exists(tree));
}

// ---- One stage's process ----

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
    const char* directory;  // below the run directory
    int32_t exitCode;
    const char* stderrText;
  };
  const Case kCases[] = {
      {"normal exit", {"/bin/sh", "-c", "exit 7"}, "", 7, ""},
      {"killed by SIGSEGV", {"/bin/sh", "-c", "kill -SEGV $$"}, "", 139, ""},
      {"exec failure",
       {"/quorbel/no/such/program"},
       "",
       127,
       "exec failed: No such file or directory\n"},
      {"missing working directory",
       {"/bin/true"},
       "/missing",
       127,
       "runner working directory setup failed\n"},
  };
  for (const Case& c : kCases) {
    const ProcessOutcome outcome =
        runProcess(c.args, dir_.path + c.directory, "", {}, 2000, kRunStage, dir_.identity);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.name;
    EXPECT_EQ(outcome.stderr, c.stderrText) << c.name;
    EXPECT_FALSE(outcome.timedOut) << c.name;
    EXPECT_EQ(outcome.error, "") << c.name;
  }
  EXPECT_EQ(run({}).error, "No executable configured.");
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
