#include "runner/runner_checks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace quorbel {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnv;

std::optional<std::string> variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(RunnerChecksTest, SelfTestsPassAndRestoreTheSwitches) {
  // One switch set to a false value, the other unset: both ways back are exercised.
  ScopedEnv chroot("QUORBEL_RUNNER_REQUIRE_CHROOT", "no");
  ScopedEnv netns("QUORBEL_RUNNER_REQUIRE_NETNS", std::nullopt);
  const std::optional<std::string> bwrap = variable("QUORBEL_RUNNER_BWRAP");
  testing::ScopedTmpDir tmpdir;

  ::testing::internal::CaptureStdout();
  const int status = runRunnerSelfTests();
  const std::string output = ::testing::internal::GetCapturedStdout();

  EXPECT_EQ(variable("QUORBEL_RUNNER_REQUIRE_CHROOT"), std::optional<std::string>("no"));
  EXPECT_EQ(variable("QUORBEL_RUNNER_REQUIRE_NETNS"), std::nullopt);
  EXPECT_EQ(variable("QUORBEL_RUNNER_BWRAP"), bwrap);

  EXPECT_EQ(status, 0) << output;
  std::vector<std::string> want = {
      "runner-stdout-stderr: ok",
      "runner-stdin: ok",
      "runner-compile-error: ok",
      "runner-runtime-error: ok",
      "runner-timeout: ok",
      "runner-stdout-truncation: ok",
      "runner-stderr-truncation: ok",
      "runner-env-isolation: ok",
      "runner-absolute-include-blocked: ok",
      "runner-parent-include-blocked: ok",
      "runner-macro-include-blocked: ok",
      "runner-runtime-crash: ok",
      "runner-timeout-cleanup: ok",
      "runner-temp-file-cleanup: ok",
      "runner-timeout-process-group-kill: ok",
      "runner-stdout-overflow-process-group-kill: ok",
      "runner-stderr-overflow-process-group-kill: ok",
      "runner-require-chroot-fails-closed: ok",
      "runner-require-netns-fails-closed: ok",
  };
  const RunnerIsolation isolation = runnerIsolation();
  for (const std::string name : {"etc-passwd-blocked", "repo-file-blocked", "network-blocked",
                                 "fork-blocked", "bits-stdcxx"}) {
    want.push_back("runner-" + name +
                   (isolation.boxed
                        ? ": ok"
                        : ": skipped without the bubblewrap box (" + isolation.reason + ")"));
  }
  EXPECT_EQ(linesOf(output), want);
  EXPECT_EQ(output.back(), '\n');
}

TEST(RunnerChecksTest, HostValidationPassesOnlyWithTheBox) {
  {
    ScopedEnv noBox("QUORBEL_RUNNER_BWRAP", "/nonexistent/bwrap");
    ::testing::internal::CaptureStdout();
    const int status = runRunnerLinuxValidation();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "runner-linux-production-host: failed | bwrap not found at /nonexistent/bwrap\n");
    EXPECT_EQ(status, 1);
  }
  const RunnerIsolation isolation = runnerIsolation();
  if (!isolation.boxed) GTEST_SKIP() << isolation.reason;
  ::testing::internal::CaptureStdout();
  const int status = runRunnerLinuxValidation();
  const std::string output = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0) << output;
  EXPECT_EQ(
      linesOf(output),
      std::vector<std::string>({"runner-linux-production-host: ok", "runner-etc-passwd-blocked: ok",
                                "runner-repo-file-blocked: ok", "runner-network-blocked: ok",
                                "runner-fork-blocked: ok", "runner-bits-stdcxx: ok"}));
}

TEST(RunnerChecksTest, ReportLines) {
  struct Case {
    const char* name;
    bool passedBefore;
    bool passed;
    const char* details;
    const char* line;
  };
  const Case kCases[] = {
      {"x", true, true, "", "runner-x: ok\n"},
      {"x", true, true, "ignored when passing", "runner-x: ok\n"},
      {"y", true, false, "", "runner-y: failed\n"},
      {"y", true, false, "why", "runner-y: failed | why\n"},
      // A pass never restores an earlier failure.
      {"z", false, true, "", "runner-z: ok\n"},
  };
  for (const Case& c : kCases) {
    bool allPassed = c.passedBefore;
    ::testing::internal::CaptureStdout();
    reportTest(allPassed, c.name, c.passed, c.details);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.line);
    EXPECT_EQ(allPassed, c.passedBefore && c.passed) << c.line;
  }
}

TEST(RunnerChecksTest, RunSummaries) {
  RunResult plain;
  EXPECT_EQ(summarizeRun(plain), "internal_error phase= exit=-1 out=0 err=0");
  RunResult full;
  full.status = "runtime_error";
  full.phase = "run";
  full.exitCode = 139;
  full.stdout = "abc";
  full.stderr = "boom";
  full.error = "Output limit exceeded.";
  full.compilerOutput = "warning: x";
  EXPECT_EQ(summarizeRun(full),
            "runtime_error phase=run exit=139 out=3 err=4 error=Output limit exceeded. "
            "compiler=warning: x stderr=boom");
}

TEST(RunnerChecksTest, CountsOnlyRunDirectoriesAndZeroWhenUnreadable) {
  char pattern[] = "/tmp/quorbel-count-test-XXXXXX";
  const std::string base = mkdtemp(pattern);
  for (const char* name : {"quorbel-run-abc123", "quorbel-run-", "quorbel-runx", "other"}) {
    fs::create_directory(base + "/" + name);
  }
  std::ofstream(base + "/quorbel-run-file") << "";
  {
    ScopedEnv tmpdir("TMPDIR", base);
    EXPECT_EQ(countTempRunDirs(), 3);
  }
  ScopedEnv tmpdir("TMPDIR", base + "/missing");
  EXPECT_EQ(countTempRunDirs(), 0);
  fs::remove_all(base);
}

}  // namespace
}  // namespace quorbel
