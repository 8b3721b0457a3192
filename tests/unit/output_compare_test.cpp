#include "runner/output_compare.h"

#include <gtest/gtest.h>

#include "runner/run_outcome.h"
#include "runner/runner_debug.h"

namespace quorbel {
namespace {

// Fed whole, and again a byte at a time: a chunk boundary may fall anywhere.
bool matchesWhole(const std::string& output, const std::string& expected) {
  OutputComparison comparison = startComparison(expected);
  feedOutput(comparison, output);
  return outputMatches(comparison);
}

bool matchesByteByByte(const std::string& output, const std::string& expected) {
  OutputComparison comparison = startComparison(expected);
  for (char c : output) feedOutput(comparison, std::string_view(&c, 1));
  return outputMatches(comparison);
}

TEST(OutputCompareTest, JudgesLinesIgnoringOnlyTrailingBlanks) {
  struct Case {
    const char* name;
    std::string output;
    std::string expected;
    bool matches;
  };
  const std::string hundredBlanks(100, ' ');
  const Case kCases[] = {
      {"the same", "1 2\n3\n", "1 2\n3\n", true},
      {"no final newline", "3", "3\n", true},
      {"blanks that end a line", "1 2  \t\n3 \n", "1 2\n3\n", true},
      {"carriage returns", "1\r\n2\r\n", "1\n2\n", true},
      {"empty lines that end the output", "3\n\n\n", "3", true},
      {"a line of blanks in the middle is an empty line", "1\n  \n2", "1\n\n2", true},
      {"nothing against blank lines", "", "\n \n", true},
      {"trailing blanks past all the expected output", "1" + hundredBlanks, "1", true},
      {"two blanks inside a line are not one", "1  2", "1 2", false},
      {"leading blanks count", " 1", "1", false},
      {"a leading empty line counts", "\n3", "3", false},
      {"an empty line in the middle counts", "1\n\n2", "1\n2", false},
      {"a line missing at the end", "1\n2\n", "1\n2\n3\n", false},
      {"a line too many", "1\n2\n3", "1\n2", false},
      {"something against nothing", "0", "", false},
      {"blanks past the expected output, then text", "1" + hundredBlanks + "2", "1 2", false},
      {"one digit differs", "10\n", "11\n", false},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(matchesWhole(c.output, c.expected), c.matches) << c.name;
    EXPECT_EQ(matchesByteByByte(c.output, c.expected), c.matches) << c.name << ", byte by byte";
  }
}

TEST(OutputCompareTest, KeepsOnlyTheComparedFormOfTheExpectedOutput) {
  EXPECT_EQ(comparedForm("1 \r\n2\n\n"), "1\n2");
  EXPECT_EQ(comparedForm("\n a\n"), "\n a");
  EXPECT_EQ(startComparison("x  \n\n").expected, "x");
}

// A megabyte of output is judged as it streams, in the pipe's chunks, with the last line wrong.
TEST(OutputCompareTest, LargeOutputInChunks) {
  std::string expected;
  for (int i = 0; i < 150000; ++i) expected += std::to_string(i) + "\n";
  for (const auto& [last, matches] : {std::pair{"149999\n", true}, std::pair{"149998\n", false}}) {
    const std::string output = expected.substr(0, expected.size() - 7) + last;
    OutputComparison comparison = startComparison(expected);
    for (size_t at = 0; at < output.size(); at += 65536)
      feedOutput(comparison, std::string_view(output).substr(at, 65536));
    EXPECT_EQ(outputMatches(comparison), matches) << last;
  }
}

TEST(OutputCompareTest, VerdictsFromStatusAndComparison) {
  struct Case {
    const char* status;
    bool matched;
    const char* verdict;
  };
  const Case kCases[] = {
      {"success", true, "accepted"},
      {"success", false, "wrong_answer"},
      {"timeout", true, "time_limit_exceeded"},
      {"memory_limit_exceeded", true, "memory_limit_exceeded"},
      {"runtime_error", true, "runtime_error"},
  };
  for (const Case& c : kCases) EXPECT_EQ(verdictOf(c.status, c.matched), c.verdict) << c.status;
}

// The reports a debug run ends with, as g++ 12's library and sanitizer print them.
TEST(DebugFaultTest, NamesTheLineAndTheFaultInPlainWords) {
  struct Case {
    const char* name;
    const char* stderrText;
    const char* explanation;
    int line;
  };
  const Case kCases[] = {
      {"checked vector index",
       "/usr/include/c++/12/debug/vector:442:\nIn function:\n    std::debug::vector<...>\n\n"
       "Error: attempt to subscript container with out-of-bounds index 5, but \ncontainer only "
       "holds 3 elements.\n\nObjects involved in the operation:\n\nquorbel-debug: line 6\n",
       "line 6: index 5 is out of range; the container holds 3 elements", 6},
      {"one element",
       "Error: attempt to subscript container with out-of-bounds index 1, but \ncontainer only "
       "holds 1 elements.\n\nquorbel-debug: line 12\n",
       "line 12: index 1 is out of range; the container holds 1 element", 12},
      {"another check of the library, its words kept",
       "\nError: attempt to dereference a past-the-end iterator.\n\nquorbel-debug: line 9\n",
       "line 9: attempt to dereference a past-the-end iterator.", 9},
      {"the sanitizer names its own line",
       "main.cpp:4:9: runtime error: signed integer overflow: 2147483647 + 1 cannot be "
       "represented in type 'int'\n\nquorbel-debug: line 4\n",
       "line 4: signed integer overflow: 2147483647 + 1 cannot be represented in type 'int'", 4},
      {"a line alone says nothing of the kind", "\nquorbel-debug: line 2\n", "", 2},
      {"a program's own words are not a report", "main.cpp: error: mine\n", "", 0},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(explainDebugFault(c.stderrText), c.explanation) << c.name;
    EXPECT_EQ(debugFaultLine(c.stderrText), c.line) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
