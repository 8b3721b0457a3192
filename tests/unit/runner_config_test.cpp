#include "runner/runner_config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "test_support.h"

namespace quorbel {
namespace {

using testing::ScopedEnv;

// A table's text, or no value at all for nullptr.
std::optional<std::string> valueOf(const char* text) {
  return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

TEST(RunnerConfigTest, TruthyValues) {
  struct Case {
    const char* value;
    bool want;
  };
  const Case kCases[] = {
      {nullptr, false},   {"", false},      {"1", true},       {"true", true}, {"TRUE", true},
      {"Yes", true},      {"on", true},     {"0", false},      {"2", false},   {"y", false},
      {"enabled", false}, {" true", false}, {"true\n", false},
  };
  for (const Case& c : kCases) {
    ScopedEnv env("QUORBEL_TEST_TRUTHY", valueOf(c.value));
    EXPECT_EQ(truthyEnv("QUORBEL_TEST_TRUTHY"), c.want) << (c.value ? c.value : "(unset)");
  }
}

TEST(RunnerConfigTest, CompilerIsResolvedFromTheVariable) {
  ASSERT_EQ(access("/usr/bin/g++", X_OK), 0) << "the host compiler is expected here";
  struct Case {
    const char* name;
    const char* value;
    const char* want;
  };
  const Case kCases[] = {
      {"unset takes the system g++", nullptr, "/usr/bin/g++"},
      {"empty is unset", "", "/usr/bin/g++"},
      {"a bare name is looked up", "g++", "/usr/bin/g++"},
      {"a path is used as it is", "/opt/custom/bin/clang++", "/opt/custom/bin/clang++"},
      {"a relative path is a path too", "tools/cc", "tools/cc"},
      {"an unknown bare name stays bare", "quorbel-no-such-compiler", "quorbel-no-such-compiler"},
  };
  ScopedEnv noStatic("QUORBEL_RUNNER_STATIC", std::nullopt);
  for (const Case& c : kCases) {
    ScopedEnv env("QUORBEL_CPP_COMPILER", valueOf(c.value));
    const std::vector<std::string> want = {c.want,    "-std=gnu++17", "-O2",      "-pipe", "-Wall",
                                           "-Wextra", "-pedantic",    "main.cpp", "-o",    "main"};
    EXPECT_EQ(compileArgs(), want) << c.name;
  }
}

TEST(RunnerConfigTest, StaticFlagComesBeforeTheFileNames) {
  ScopedEnv compiler("QUORBEL_CPP_COMPILER", "/x/cc");
  {
    ScopedEnv env("QUORBEL_RUNNER_STATIC", "yes");
    const std::vector<std::string> want = {"/x/cc",    "-std=gnu++17", "-O2",       "-pipe",
                                           "-Wall",    "-Wextra",      "-pedantic", "-static",
                                           "main.cpp", "-o",           "main"};
    EXPECT_EQ(compileArgs(), want);
  }
  ScopedEnv env("QUORBEL_RUNNER_STATIC", "static");
  EXPECT_EQ(compileArgs().size(), 10u) << "only the truthy words switch it on";
}

TEST(RunnerConfigTest, CompilerEnvironmentCarriesNothingElse) {
  ScopedEnv secret("DATABASE_URL", "postgres://secret");
  {
    ScopedEnv tmp("TMPDIR", std::nullopt);
    ScopedEnv developer("DEVELOPER_DIR", std::nullopt);
    ScopedEnv sdk("SDKROOT", std::nullopt);
    const std::vector<std::string> want = {"PATH=/usr/bin:/bin:/usr/sbin:/sbin", "TMPDIR=/tmp",
                                           "HOME=/tmp"};
    EXPECT_EQ(compileEnvironment(), want);
    EXPECT_EQ(tempBaseDirectory(), "/tmp");
  }
  ScopedEnv tmp("TMPDIR", "/var/tmp");
  ScopedEnv developer("DEVELOPER_DIR", "/Developer");
  ScopedEnv sdk("SDKROOT", "");
  const std::vector<std::string> want = {"PATH=/usr/bin:/bin:/usr/sbin:/sbin", "TMPDIR=/var/tmp",
                                         "HOME=/var/tmp", "DEVELOPER_DIR=/Developer"};
  EXPECT_EQ(compileEnvironment(), want);
}

}  // namespace
}  // namespace quorbel
