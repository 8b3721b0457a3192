// The run box a contest programmer tests with: judge-sized streams, the standards, debug runs,
// the AtCoder Library, memory used and several tests under one compile.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "runner/runner.h"
#include "runner/runner_box.h"
#include "runner/runner_config.h"
#include "runner/runner_files.h"
#include "runner/runner_limits.h"
#include "runner/runner_process.h"
#include "test_support.h"

namespace quorbel {
namespace {

constexpr bool kRunStage = false;

// ---- The stage's streams ----

class StageStreamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir();
    ASSERT_FALSE(dir_.path.empty());
    if (getuid() == 0 && !dir_.identity.active) GTEST_SKIP() << "no runner user on this host";
  }
  ProcessOutcome run(const std::string& script, const StageOptions& options) {
    return runProcess({"/bin/sh", "-c", script}, dir_.path, "", {}, 10000, kRunStage, dir_.identity,
                      "", nullptr, options);
  }
  TempDir dir_;
};

// What is kept, what is counted and seen, and where the stage is ended, on both streams.
TEST_F(StageStreamsTest, KeepsThePrefixSeesEveryByteAndEndsPastTheLimit) {
  struct Case {
    const char* name;
    const char* script;
    size_t limit;
    size_t keptOut, keptErr;
    int64_t counted;
    bool exceeded;
  };
  const Case kCases[] = {
      {"under the kept size", "head -c 1000 /dev/zero", 1 << 20, 1000, 0, 1000, false},
      {"kept exactly", "head -c 4096 /dev/zero", 1 << 20, 4096, 0, 4096, false},
      {"past what is kept, under the limit", "head -c 300000 /dev/zero", 1 << 20, 4096, 0, 300000,
       false},
      {"at the limit", "head -c 1048576 /dev/zero", 1 << 20, 4096, 0, 1 << 20, false},
      {"standard error past what is kept", "head -c 300000 /dev/zero >&2", 1 << 20, 0, 4096, 0,
       false},
      // Killed, not left to its clock: without the kill it would sleep past the stage's 10 s.
      {"standard error over the limit", "head -c 2000000 /dev/zero >&2; sleep 30", 1 << 20, 0, 4096,
       0, true},
  };
  for (const Case& c : kCases) {
    int64_t seen = 0;
    StageOptions options;
    options.keptBytes = 4096;
    options.limitBytes = c.limit;
    options.onStdout = [&](std::string_view chunk) { seen += static_cast<int64_t>(chunk.size()); };
    const ProcessOutcome outcome = run(c.script, options);
    EXPECT_EQ(outcome.stdout.size(), c.keptOut) << c.name;
    EXPECT_EQ(outcome.stderr.size(), c.keptErr) << c.name;
    EXPECT_EQ(outcome.stdoutTruncated, c.counted > 4096) << c.name;
    EXPECT_EQ(outcome.stdoutBytes, c.counted) << c.name;
    EXPECT_EQ(seen, c.counted) << c.name;
    EXPECT_EQ(outcome.outputLimitExceeded, c.exceeded) << c.name;
    EXPECT_EQ(outcome.exitCode, c.exceeded ? 137 : 0) << c.name;
  }
  // One byte over the limit on standard output ends the stage too.
  StageOptions options;
  options.limitBytes = 100000;
  const ProcessOutcome over = run("head -c 100001 /dev/zero; sleep 5", options);
  EXPECT_TRUE(over.outputLimitExceeded);
  EXPECT_LT(over.elapsedMs, 4000) << "ended at once, not by its clock";
}

// A file as standard input is read whole and at the program's pace: 5 MiB, more than any pipe.
TEST_F(StageStreamsTest, ReadsStandardInputFromAFile) {
  const std::string path = dir_.path + "/given";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  const std::string input(5 << 20, 'x');
  ASSERT_EQ(write(fd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
  StageOptions options;
  options.inputFd = fd;
  const ProcessOutcome outcome = run("wc -c", options);
  close(fd);
  EXPECT_EQ(outcome.stdout, "5242880\n");
  EXPECT_EQ(outcome.exitCode, 0);
}

// ---- Whole runs ----

RunResult runCode(const std::string& code, const std::string& input = "",
                  const std::string& standard = "c++20", bool debug = false) {
  RunRequest request;
  request.code = code;
  request.input = input;
  request.standard = standard;
  request.debug = debug;
  return runCppProgram(request);
}

// Reads the program's answer from its input: a judge's custom invocation with several tests.
constexpr const char* kJudged = R"(#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
int main() {
  char what[16] = {};
  if (std::scanf("%15s", what) != 1) return 3;
  if (!std::strcmp(what, "sum")) { long long a, b; std::scanf("%lld %lld", &a, &b); std::printf("%lld\n", a + b); }
  if (!std::strcmp(what, "spin")) for (volatile long i = 0;; ++i) {}
  if (!std::strcmp(what, "crash")) std::abort();
  if (!std::strcmp(what, "hog")) { std::vector<char> v(1L << 30, 1); std::printf("%d\n", v[5]); }
  return 0;
})";

TEST(RunTestsTest, SeveralTestsUnderOneCompileEachWithItsVerdict) {
  RunRequest request;
  request.code = kJudged;
  request.timeLimitMs = 1500;
  request.tests = {{"sum 1 2", "3\n"}, {"sum 2 2", "5\n"},  {"spin", "0\n"},          {"crash", ""},
                   {"hog", "1\n"},     {"sum 10 20", "30"}, {"sum 1 1", std::nullopt}};
  const RunResult result = runCppProgram(request);
  ASSERT_EQ(result.tests.size(), 7u)
      << result.status << " " << result.error << result.compilerOutput;
  const char* const kVerdicts[] = {"accepted",
                                   "wrong_answer",
                                   "time_limit_exceeded",
                                   "runtime_error",
                                   "memory_limit_exceeded",
                                   "accepted",
                                   ""};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(result.tests[i].verdict, kVerdicts[i]) << i;
  EXPECT_EQ(result.tests[1].stdout, "4\n");
  EXPECT_EQ(result.tests[6].stdout, "2\n") << "a test without an expected output still runs";
  // Passed: the accepted two and the one that ran to its end without an expected output.
  EXPECT_EQ(result.passed, 3);
  EXPECT_EQ(result.total, 7);
  // The fields of a single run show the first test not accepted.
  EXPECT_EQ(result.verdict, "wrong_answer");
  EXPECT_EQ(result.stdout, "4\n");
  EXPECT_GT(result.compileMs, 0);
  EXPECT_EQ(result.timeLimitMs, 1500);
}

TEST(RunTestsTest, ACompileErrorRunsNoTest) {
  RunRequest request;
  request.code = "int main() { return x; }";
  request.tests = {{"", "1"}, {"", "2"}};
  const RunResult result = runCppProgram(request);
  EXPECT_EQ(result.status, "compile_error");
  EXPECT_TRUE(result.tests.empty());
  EXPECT_EQ(result.passed, 0);
  EXPECT_EQ(result.total, 2);
}

TEST(RunTestsTest, RefusesWhatCannotRun) {
  RunRequest request;
  request.code = "int main() {}";
  request.standard = "c++11";
  EXPECT_EQ(runCppProgram(request).error,
            "Unknown standard \"c++11\": expected c++17, c++20 or c++23.");
  request.standard = "c++20";
  request.tests.assign(kMostTests + 1, RunTest{});
  EXPECT_EQ(runCppProgram(request).error, "At most 32 tests may run at once.");
  request.tests.assign(2, RunTest{});
  request.tests[1].expectedOutput = std::string(kInputLimitBytes + 1, '1');
  EXPECT_EQ(runCppProgram(request).error, "Input exceeds the 64 MB limit.");
}

// The whole output is compared, though only its first megabyte comes back.
TEST(RunTestsTest, JudgeSizedInputAndOutput) {
  constexpr const char* kEcho = R"(#include <cstdio>
int main() { long long x, sum = 0, count = 0; while (std::scanf("%lld", &x) == 1) { sum += x; ++count; }
  for (long long i = 0; i < count; ++i) std::printf("%lld\n", i * 7);
  std::fprintf(stderr, "%lld\n", sum); })";
  std::string input, expected;
  long long sum = 0;
  for (long long i = 0; i < 300000; ++i) {
    input += std::to_string(100000 + i) + (i % 10 == 9 ? "\n" : " ");
    sum += 100000 + i;
    expected += std::to_string(i * 7) + "\n";
  }
  RunRequest request;
  request.code = kEcho;
  request.input = input;
  request.expectedOutput = expected;
  RunResult result = runCppProgram(request);
  EXPECT_EQ(result.status, "success") << result.error << result.compilerOutput;
  EXPECT_EQ(result.stderr, std::to_string(sum) + "\n") << "the whole input was read";
  EXPECT_EQ(result.verdict, "accepted");
  EXPECT_TRUE(result.stdoutTruncated);
  EXPECT_EQ(result.stdout, expected.substr(0, kKeptOutputBytes));
  // The last line differs, far past what comes back.
  request.expectedOutput = expected.substr(0, expected.size() - 2) + "8\n";
  EXPECT_EQ(runCppProgram(request).verdict, "wrong_answer");
}

// The program may read its input, never write into it, cut it or grow it, however it opens it;
// and its descriptor names no host path (a file of the run folder would name the folder).
TEST(RunTestsTest, StandardInputIsReadOnlyAndNamesNoHostPath) {
  const RunResult result = runCode(R"(#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>
int main(){ char c = 0; const bool read1 = read(0, &c, 1) == 1; const bool wrote = write(0, "x", 1) == 1;
  const int again = open("/proc/self/fd/0", O_RDWR); const bool rewrote = again >= 0 && write(again, "x", 1) == 1;
  const bool cut = ftruncate(0, 0) == 0 || (again >= 0 && ftruncate(again, 1 << 20) == 0);
  char name[4096] = {}; readlink("/proc/self/fd/0", name, sizeof name - 1);
  std::printf("%c %d %d %d %d %s", c, read1, wrote, rewrote, cut, std::strstr(name, "quorbel-run-") ? name : "unnamed"); })",
                                   "abc");
  EXPECT_EQ(result.stdout, "a 1 0 0 0 unnamed") << result.compilerOutput << result.stderr;
}

// A program larger than the run's file-size cap (a table initialised in the binary) is copied
// into the box all the same, and still may not write a file that large itself.
TEST(RunTestsTest, AProgramLargerThanTheFileCapRuns) {
  const char* const kTable = "#include <cstdio>\nstatic int table[600000] = {1, 2, 3};\n";
  const RunResult runs =
      runCode(std::string(kTable) + "int main(){ std::printf(\"%d\", table[2]); }");
  EXPECT_EQ(runs.stdout, "3") << runs.status << ": " << runs.error << runs.stderr;
  const RunResult writes = runCode(
      std::string(kTable) +
      "int main(){ FILE* f = std::fopen(\"/tmp/big\", \"w\"); static char block[65536]; for (int "
      "i = 0; i < 128 && f; ++i) std::fwrite(block, 1, sizeof block, f); std::printf(\"%d\", "
      "table[2]); }");
  EXPECT_EQ(writes.status, "runtime_error") << "an 8 MB file is past the cap";
}

// The cap rises to the largest file copied in, never falls, and leaves the other limits alone.
TEST(RunnerLimitsTest, TheFileCapMakesRoomForTheCopies) {
  const auto fileOf = [](size_t bytes) {
    char name[] = "/tmp/quorbel-limits-XXXXXX";
    const int fd = mkstemp(name);
    unlink(name);
    if (fd >= 0 && bytes > 0) EXPECT_EQ(ftruncate(fd, static_cast<off_t>(bytes)), 0);
    return fd;
  };
  const struct {
    const char* name;
    size_t program, launcher;
    rlim_t want;
  } kCases[] = {
      {"both under the cap", 4096, 8192, 1 << 20},
      {"the program over it", 3 << 20, 8192, 3 << 20},
      {"the launcher over it", 4096, 5 << 20, 5 << 20},
  };
  for (const auto& c : kCases) {
    StageLimits limits;
    limits.items[limits.count++] = {RLIMIT_FSIZE, 1 << 20};
    limits.items[limits.count++] = {RLIMIT_NOFILE, 32};
    const int program = fileOf(c.program), launcher = fileOf(c.launcher);
    makeRoomForCopies(limits, {program, launcher, -1});
    EXPECT_EQ(limits.items[0].value, c.want) << c.name;
    EXPECT_EQ(limits.items[1].value, 32u) << c.name;
    close(program);
    close(launcher);
  }
}

TEST(RunTestsTest, OutputPastItsLimitEndsTheRun) {
  const RunResult result = runCode(
      "#include <cstdio>\nint main(){ static char line[4096]; for (int i = 0; i < 4095; ++i) "
      "line[i] = 'x'; for (;;) std::puts(line); }");
  EXPECT_EQ(result.status, "runtime_error");
  EXPECT_EQ(result.error, "Output limit exceeded.");
  EXPECT_EQ(result.stdout.size(), kKeptOutputBytes);
}

TEST(RunTestsTest, StandardsAndTheAtCoderLibrary) {
  const std::string version = "#include <cstdio>\nint main(){ std::printf(\"%ld\", __cplusplus); }";
  const std::pair<const char*, const char*> kStandards[] = {
      {"c++17", "201703"}, {"c++20", "202002"}, {"c++23", "202100"}};
  for (const auto& [standard, value] : kStandards)
    EXPECT_EQ(runCode(version, "", standard).stdout, value) << standard;
  const RunResult dsu = runCode(
      "#include <atcoder/dsu>\n#include <cstdio>\nint main(){ atcoder::dsu d(4); d.merge(0, 1); "
      "d.merge(2, 3); std::printf(\"%d\", (int)d.groups().size()); }");
  EXPECT_EQ(dsu.stdout, "2") << dsu.compilerOutput;
}

// In the box a library header's assert names the folder as the box mounts it, never the
// server's copy of the library.
TEST(RunTestsTest, ALibraryAssertNamesTheBoxsFolder) {
  if (!runnerIsolation().boxed) GTEST_SKIP() << "no box here: " << runnerIsolation().reason;
  const RunResult result =
      runCode("#include <atcoder/dsu>\nint main(){ atcoder::dsu d(3); d.merge(0, 5); }");
  EXPECT_EQ(result.status, "runtime_error") << result.compilerOutput;
  EXPECT_NE(result.stderr.find("/include/ac-library/atcoder/dsu.hpp:"), std::string::npos)
      << result.stderr;
  EXPECT_EQ(result.stderr.find(atcoderLibraryDirectory()), std::string::npos) << result.stderr;
}

TEST(RunTestsTest, DebugRunNamesTheOutOfRangeIndex) {
  const RunResult result = runCode(
      "#include <vector>\n#include <cstdio>\nint main(){ std::vector<int> v(3); int i = 0;\n"
      "  std::scanf(\"%d\", &i);\n  v[i] = 1;\n  std::printf(\"%d\", v[0]); }",
      "5", "c++20", true);
  EXPECT_EQ(result.status, "runtime_error") << result.compilerOutput;
  EXPECT_EQ(result.signal, "SIGABRT");
  EXPECT_EQ(result.explanation, "line 5: index 5 is out of range; the container holds 3 elements");
}

// The program's own peak: 100 MiB touched reads about 100 MiB, a small program a few, never
// the runner's own memory.
TEST(RunTestsTest, ReportsTheMemoryARunUsed) {
  const RunResult large = runCode(
      "#include <vector>\n#include <cstdio>\nint main(){ std::vector<char> v(100 << 20); for "
      "(size_t i = 0; i < v.size(); i += 4096) v[i] = 1; std::printf(\"%d\", v[4096]); }");
  EXPECT_GE(large.memoryKb, 100 * 1024);
  EXPECT_LT(large.memoryKb, 120 * 1024);
  const RunResult small = runCode("int main(){}");
  EXPECT_GT(small.memoryKb, 0);
  if (runnerIsolation().ownMounts) {
    EXPECT_LT(small.memoryKb, 16 * 1024);
  }
}

}  // namespace
}  // namespace quorbel
