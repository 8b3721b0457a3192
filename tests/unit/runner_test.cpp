#include "runner/runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/runner_box.h"
#include "runner/runner_checks.h"
#include "runner/runner_limits.h"
#include "test_support.h"

namespace quorbel {
namespace {

namespace fs = std::filesystem;
using testing::processGone;
using testing::ScopedEnv;

RunResult run(const std::string& code, const std::string& input = "") {
  RunRequest request;
  request.code = code;
  request.input = input;
  return runCppProgram(request);
}

// `size` bytes of code whose only flaw is an unsafe include: reaching the include check proves
// the size checks let it through, without compiling anything.
std::string unsafeCodeOfSize(size_t size) {
  std::string code = "#include \"/etc/passwd\"\n//";
  code.append(size - code.size() - 1, 'x');
  code += "\n";
  return code;
}

// The start of a program that prints its working directory (the run directory) first.
const std::string kPrintsItsDirectory = R"(#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
int main(){
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr) return 1;
  std::printf("%s\n", cwd);
  std::fflush(stdout);)";

const char* const kUnsafeInclude = "Unsafe include path is not allowed: /etc/passwd";

// ---- Refusals before compiling ----

TEST(RunnerTest, RefusalsBeforeCompiling) {
  struct Case {
    const char* name;
    std::string code;
    std::string input;
    const char* error;
  };
  const Case kCases[] = {
      {"empty code is refused before any size check", "", std::string(65537, 'i'),
       "Expected a non-empty code field."},
      {"code at the limit", unsafeCodeOfSize(102400), "", kUnsafeInclude},
      {"code one byte over", unsafeCodeOfSize(102401), "", "Code exceeds the 100 KB limit."},
      {"code over wins over input over", unsafeCodeOfSize(102401), std::string(65537, 'i'),
       "Code exceeds the 100 KB limit."},
      {"input at the limit", unsafeCodeOfSize(100), std::string(65536, 'i'), kUnsafeInclude},
      {"input one byte over", unsafeCodeOfSize(100), std::string(65537, 'i'),
       "Input exceeds the 64 KB limit."},
  };
  testing::ScopedTmpDir tmpdir;
  const int dirsBefore = countTempRunDirs();
  for (const Case& c : kCases) {
    RunResult result = run(c.code, c.input);
    EXPECT_EQ(result.status, "bad_request") << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
    EXPECT_EQ(result.phase, "") << c.name;
    EXPECT_EQ(result.exitCode, -1) << c.name;
  }
  EXPECT_EQ(countTempRunDirs(), dirsBefore) << "a refusal makes no run directory";
}

// Without the box the two switches refuse runs as they always did; the box meets both.
TEST(RunnerTest, RequiredIsolationFailsClosedWithoutTheBox) {
  struct Case {
    const char* name;
    bool withBox;
    const char* chroot;
    const char* netns;
    const char* code;
    const char* status;
    const char* error;
  };
  const char* const kTrivial = "int main(){ return 0; }\n";
  const Case kCases[] = {
      {"chroot required", false, "yes", "no", "#include \"/etc/passwd\"\n", "internal_error",
       "Runner chroot isolation is required but unavailable."},
      {"chroot switch off", false, "no", "no", "#include \"/etc/passwd\"\n", "bad_request",
       kUnsafeInclude},
      // A required network namespace is only checked when the program starts.
      {"netns required", false, "no", "TRUE", kTrivial, "internal_error",
       "Runner sandbox setup failed."},
      {"both required, met by the box", true, "on", "on", kTrivial, "success", ""},
  };
  const bool boxed = runnerIsolation().boxed;
  for (const Case& c : kCases) {
    if (c.withBox && !boxed) continue;
    ScopedEnv bwrap("QUORBEL_RUNNER_BWRAP",
                    c.withBox ? std::nullopt : std::optional<std::string>("/nonexistent/bwrap"));
    ScopedEnv chroot("QUORBEL_RUNNER_REQUIRE_CHROOT", c.chroot);
    ScopedEnv netns("QUORBEL_RUNNER_REQUIRE_NETNS", c.netns);
    RunResult result = run(c.code);
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
  }
}

// ---- Compiled programs ----

TEST(RunnerTest, ProgramReadsStandardInputToItsEndInAnEmptyEnvironment) {
  const std::string kCounter = R"(#include <cstdio>
extern char** environ;
int main(){
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) std::puts(*entry);
  long count = 0, sum = 0; int c; while ((c = std::getchar()) != EOF) { ++count; sum += c; }
  std::printf("%ld %ld\n", count, sum);
}
)";
  // bwrap names the working directory; nothing of the server's environment follows.
  const std::string environment = runnerIsolation().boxed ? "PWD=/box\n" : "";
  ScopedEnv secret("DATABASE_URL", "postgres://secret");
  std::string input;
  long sum = 0;
  for (int i = 0; i < 65536; ++i) {
    input.push_back(static_cast<char>(i % 101 + 1));
    sum += i % 101 + 1;
  }
  RunResult full = run(kCounter, input);
  EXPECT_EQ(full.status, "success") << summarizeRun(full);
  EXPECT_EQ(full.phase, "run");
  EXPECT_EQ(full.stdout, environment + "65536 " + std::to_string(sum) + "\n");
  EXPECT_EQ(run(kCounter, "").stdout, environment + "0 0\n") << "empty input is end of file at once";
}

TEST(RunnerTest, CrashAndMemoryHogAreRuntimeErrors) {
  struct Case {
    const char* name;
    const char* code;
    int32_t exitCode;
  };
  const Case kCases[] = {
      {"null write", "int main(){ volatile int* volatile p = nullptr; *p = 1; return 0; }\n", 139},
      // Fits easily in this machine's memory: only the address-space cap makes it fail.
      {"memory hog of 768 MiB, touched", R"(#include <cstdio>
#include <cstdlib>
#include <cstring>
int main(){ const size_t size = size_t(768) << 20; char* p = static_cast<char*>(std::malloc(size)); if (p == nullptr) return 3; std::memset(p, 1, size); std::printf("%d\n", p[size - 1]); }
)",
       3},
  };
  for (const Case& c : kCases) {
    RunResult result = run(c.code);
    EXPECT_EQ(result.status, "runtime_error") << c.name << ": " << summarizeRun(result);
    EXPECT_EQ(result.phase, "run") << c.name;
    EXPECT_EQ(result.exitCode, c.exitCode) << c.name;
    EXPECT_FALSE(result.timedOut) << c.name;
    EXPECT_EQ(result.stdout, "") << c.name;
  }
}

TEST(RunnerTest, LeftoverFilesLinksAndProcessesAreRemoved) {
  char pattern[] = "/tmp/quorbel-outside-XXXXXX";
  const std::string outside = mkdtemp(pattern);
  chmod(outside.c_str(), 0755);
  std::ofstream(outside + "/marker") << "keep me";
  chmod((outside + "/marker").c_str(), 0644);

  // Each child leaves the group, lets go of the pipes and sleeps: nothing but the runner's own
  // sweep can end them once the parent exits normally.
  std::string program = kPrintsItsDirectory + R"(
  std::FILE* f = std::fopen("left.txt", "w"); if (f) { std::fputs("x", f); std::fclose(f); }
  mkdir("sub", 0700); mkdir("sub/deeper", 0700);
  f = std::fopen("sub/deeper/file.txt", "w"); if (f) std::fclose(f);
  chmod("sub", 0);
  if (symlink("OUTSIDE", "dirlink") != 0) return 2;
  if (symlink("OUTSIDE/marker", "filelink") != 0) return 3;
  int made = 0;
  for (int i = 0; i < 200; ++i) {
    pid_t child = fork();
    if (child < 0) break;
    if (child == 0) { close(0); close(1); close(2); setsid(); for (;;) pause(); }
    ++made;
    std::printf("%d\n", static_cast<int>(child));
  }
  std::printf("made %d\n", made);
}
)";
  for (size_t at; (at = program.find("OUTSIDE")) != std::string::npos;) {
    program.replace(at, 7, outside);
  }
  // The runner without the box, as hosts without bwrap have it: in the box the files land in
  // a private directory and the processes die with it (runner_hostile_test.cpp).
  ScopedEnv noBox("QUORBEL_RUNNER_BWRAP", "/nonexistent/bwrap");
  testing::ScopedTmpDir tmpdir;
  const int dirsBefore = countTempRunDirs();
  RunResult result = run(program);
  ASSERT_EQ(result.status, "success") << summarizeRun(result);
  std::istringstream lines(result.stdout);
  std::string dir, line;
  std::getline(lines, dir);
  int made = -1;
  std::vector<int> children;
  while (std::getline(lines, line)) {
    if (line.rfind("made ", 0) == 0) {
      made = std::atoi(line.c_str() + 5);
    } else {
      children.push_back(std::atoi(line.c_str()));
    }
  }
  EXPECT_GE(made, 1) << "a capped run may still fork a little";
  // The headroom is counted from the tasks its user has at the start; runs of parallel test
  // processes that end meanwhile hand theirs over, so allow for a couple of them.
  EXPECT_LE(made, static_cast<int>(3 * kStageProcessBudget));
  EXPECT_EQ(children.size(), static_cast<size_t>(made));
  for (int pid : children) EXPECT_TRUE(processGone(pid)) << pid;

  EXPECT_EQ(dir.rfind("/", 0), 0u) << result.stdout;
  EXPECT_FALSE(fs::exists(dir));
  EXPECT_LE(countTempRunDirs(), dirsBefore);
  EXPECT_EQ(testing::readFile(outside + "/marker"), "keep me");
  struct stat info {};
  ASSERT_EQ(stat((outside + "/marker").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u) << "a chmod followed the link";
  fs::remove_all(outside);
}

// A stand-in compiler: a shell script in a directory of its own, which the box binds read-only.
std::string writeFakeCompiler(const std::string& dir, const std::string& name,
                              const std::string& body) {
  const std::string path = dir + "/" + name;
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  chmod(path.c_str(), 0755);
  return path;
}

TEST(RunnerTest, StaticModeFailsClosedAndProbesOncePerProcess) {
  char pattern[] = "/tmp/quorbel-compilers-XXXXXX";
  const std::string dir = mkdtemp(pattern);
  chmod(dir.c_str(), 0755);
  // Fails exactly when called with the run's own arguments, "-static" among them.
  const std::string failing = writeFakeCompiler(
      dir, "failing",
      "[ \"$*\" = \"-std=gnu++17 -O2 -pipe -Wall -Wextra -pedantic -static main.cpp -o main\" ] "
      "&& exit 1\ncp /bin/true main");
  const std::string working = writeFakeCompiler(dir, "working", "cp /bin/true main");
  const char* const kUnavailable = "Runner required static compile mode is unavailable.";
  ScopedEnv staticMode("QUORBEL_RUNNER_STATIC", "on");
  {
    ScopedEnv compiler("QUORBEL_CPP_COMPILER", failing);
    RunResult result = run("int main(){ return 0; }\n");
    EXPECT_EQ(result.status, "internal_error");
    EXPECT_EQ(result.error, kUnavailable);
  }
  // A compiler that would now succeed is never asked: the failed probe stands.
  ScopedEnv compiler("QUORBEL_CPP_COMPILER", working);
  EXPECT_EQ(run("int main(){ return 0; }\n").error, kUnavailable);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace quorbel
