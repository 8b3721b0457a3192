// The "--test" mode: the fixture table, the command-line checks, the storage check and the
// runner self-checks, one printed line per check.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

struct TestCase {
  std::string name;
  std::string path;          // "tests/fixtures/" + name with '-' as '_' + ".cpp"
  std::string expectedTime;  // empty when the fixture states none
  std::string expectedSpace;
  std::vector<std::string> expectedSignals;  // each found in some time or space signal
  std::vector<std::string> expectedNotes;    // each found in some note
};

// Every fixture row in its fixed order, with the expectations its file's header states (read
// relative to the working directory; none when the file is missing).
std::vector<TestCase> regressionCases();
// Reads the "// expect time|space|signal: ..." lines that open a fixture into `test`.
void readExpectations(std::string_view code, TestCase& test);
// The command line's analyze command, which the checks drive as a user would; handed in by the
// command line itself, which sits above this check.
using AnalyzeCommand =
    std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>;

// Runs every check from the working directory; 0 when all passed, 1 otherwise.
int runTests(const AnalyzeCommand& analyzeCommand);

}  // namespace quorbel
