// The "--test" mode: the fixture table, the command-line checks, the storage check and the
// runner self-checks, one printed line per check.
#pragma once

#include <string>
#include <vector>

namespace quorbel {

struct TestCase {
  std::string name;
  std::string path;  // "tests/fixtures/" + name with '-' as '_' + ".cpp"
  std::string expectedTime;
  std::string expectedSpace;
};

// Every fixture row in its fixed order.
std::vector<TestCase> regressionCases();
// Runs every check from the working directory; 0 when all passed, 1 otherwise.
int runTests();

}  // namespace quorbel
