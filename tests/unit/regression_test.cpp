#include "regression/regression.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/analyze_command.h"
#include "test_support.h"

namespace quorbel {
namespace {

namespace fs = std::filesystem;

TEST(RegressionTest, EveryRowHasItsFixtureAndAnExpectation) {
  const fs::path previous = fs::current_path();
  fs::current_path(testing::sourceDir());
  for (const TestCase& row : regressionCases()) {
    EXPECT_TRUE(fs::exists(row.path)) << row.path;
    EXPECT_FALSE(row.expectedTime.empty() || row.expectedSpace.empty()) << row.path;
  }
  fs::current_path(previous);
  const TestCase heap = regressionCases()[13];
  EXPECT_EQ(heap.name, "heap-graph-named-counts");
  EXPECT_EQ(heap.path, "tests/fixtures/heap_graph_named_counts.cpp");
}

TEST(RegressionTest, ExpectationHeaderEndsAtTheFirstOtherLine) {
  TestCase test;
  readExpectations(
      "// expect time: O(n)\r\n// expect space: O(1)\n// expect signal: Two-pointer\n"
      "int main() {}\n// expect time: O(n^2)\n",
      test);
  EXPECT_EQ(test.expectedTime, "O(n)");
  EXPECT_EQ(test.expectedSpace, "O(1)");
  EXPECT_EQ(test.expectedSignals, std::vector<std::string>{"Two-pointer"});
}

// Run from a folder without fixtures: every row is reported missing and the run fails. The
// command-line checks point HOME elsewhere while they run; it must come back unchanged.
TEST(RegressionTest, MissingFixturesFailTheRunAndHomeIsRestored) {
  const fs::path scratch = fs::temp_directory_path() / "quorbel_regression_test";
  fs::create_directories(scratch);
  const fs::path previous = fs::current_path();
  const char* home = std::getenv("HOME");
  const std::string savedHome = home ? home : "";
  setenv("HOME", "/tmp/quorbel-home-marker", 1);
  ASSERT_EQ(chdir(scratch.c_str()), 0);

  ::testing::internal::CaptureStdout();
  const int status = runTests(runAnalyzeCli);
  const std::string out = ::testing::internal::GetCapturedStdout();

  ASSERT_EQ(chdir(previous.c_str()), 0);
  EXPECT_STREQ(std::getenv("HOME"), "/tmp/quorbel-home-marker");
  if (home)
    setenv("HOME", savedHome.c_str(), 1);
  else
    unsetenv("HOME");
  fs::remove_all(scratch);

  EXPECT_EQ(status, 1);
  for (const TestCase& row : regressionCases())
    EXPECT_NE(out.find(row.name + ": missing fixture " + row.path + "\n"), std::string::npos)
        << row.name;
  EXPECT_NE(out.find("cli-default-notation: exit 1\n"), std::string::npos);
}

}  // namespace
}  // namespace quorbel
