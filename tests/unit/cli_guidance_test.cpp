// What a new user meets first on the command line: the help names every command and exit
// status, a mistyped command or mode gets a "did you mean", and a file that holds no C++ gets
// no estimate but a note and an exit status of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/suggestion.h"
#include "test_support.h"

namespace quorbel {
namespace {

TEST(SuggestionTest, ClosestWord) {
  const testing::Case<const char*, const char*> cases[] = {
      {"British spelling", "analyse", "analyze"},
      {"letter left out", "ful", "full"},
      {"neighbours swapped", "jsno", "json"},
      {"upper case", "FULL", ""},
      {"exact word", "full", ""},
      {"too far", "frobnicate", ""},
      {"a letter alone is no word", "f", ""},
      {"two edits in a short word", "fx", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(closestWord(c.in, {"analyze", "measure", "notation", "full", "json"}), c.want)
        << c.name;
}

class CliGuidanceTest : public ::testing::Test {
 protected:
  testing::CommandOutput run(const std::vector<std::string>& words) const {
    std::vector<std::string> argv{testing::quorbelBinary()};
    argv.insert(argv.end(), words.begin(), words.end());
    return testing::runCommand(argv, {{"HOME=" + scratch_.path()}, scratch_.path()});
  }
  testing::ScratchDir scratch_;
};

TEST_F(CliGuidanceTest, MistypedWordsGetADidYouMean) {
  scratch_.write("a.cpp", "int main() { return 0; }\n");
  struct Case {
    const char* name;
    std::vector<std::string> words;
    std::string err;  // all of standard error
  };
  const std::string help = "Run 'quorbel --help' for usage.\n";
  const Case cases[] = {
      {"command",
       {"analyse", "a.cpp"},
       "quorbel: unknown command 'analyse'; did you mean 'analyze'? Try 'quorbel --help'.\n"},
      {"command alone",
       {"mesure"},
       "quorbel: unknown command 'mesure'; did you mean 'measure'? Try 'quorbel --help'.\n"},
      {"nothing near",
       {"frobnicate"},
       "quorbel: unknown command 'frobnicate'. Try 'quorbel --help'.\n"},
      {"mode",
       {"analyze", "ful", "a.cpp"},
       "quorbel: unknown mode 'ful'; did you mean 'full'?\n" + help},
      {"mode after the file",
       {"analyze", "a.cpp", "jsn"},
       "quorbel: unknown mode 'jsn'; did you mean 'json'?\n" + help},
      {"option",
       {"analyze", "--ful", "a.cpp"},
       "quorbel: unknown option '--ful'; did you mean '--full'?\n" + help},
  };
  for (const Case& c : cases) {
    const testing::CommandOutput output = run(c.words);
    EXPECT_EQ(output.status, 2) << c.name;
    EXPECT_EQ(output.err, c.err) << c.name;
  }
}

TEST_F(CliGuidanceTest, HelpNamesEveryCommandAndExitStatus) {
  const std::string help = run({"--help"}).out;
  for (const char* part : {"quorbel measure <file.cpp>", "quorbel [PORT]", "quorbel --test",
                           "4 the analysis stopped", "5 the file holds no C++"})
    EXPECT_NE(help.find(part), std::string::npos) << part << "\n" << help;
}

// Text that is no C++ gets exit status 5 and the note on standard error, nothing on standard
// output; a snippet, bare declarations and a program with one syntax error are still analysed.
TEST_F(CliGuidanceTest, NoCppGetsNoEstimate) {
  struct Case {
    const char* name;
    const char* text;
    int status;
    const char* errPart;  // in standard error; empty: no message at all
  };
  const Case cases[] = {
      {"README renamed",
       "# quorbel\n\nquorbel answers the question competitive programmers ask every day: how\n"
       "fast is this solution, and will it pass?\n\n## The two commands\n\nRun make run to "
       "start the server, and make test to run every test.\n",
       5, "does not look like C++: it defines no function and "},
      {"Python",
       "import sys\n\ndef solve(n):\n    total = 0\n    for i in range(n):\n"
       "        total += i\n    return total\n\nprint(solve(int(sys.stdin.readline())))\n",
       5, "does not look like C++"},
      {"one line of prose", "hello world, this is not a program\n", 5, "does not look like C++"},
      {"loop snippet", "for (int i = 0; i < n; i++) {}\n", 0, ""},
      {"declarations only", "int a[100005];\nlong long n, m;\n", 0, ""},
      {"program with a syntax error",
       "int main() {\n  int n;\n  for (int i = 0; i < n; i++) {\n    n +=\n  }\n}\n", 0,
       "does not parse cleanly"},
  };
  for (const Case& c : cases) {
    scratch_.write("input.cpp", c.text);
    const testing::CommandOutput output = run({"analyze", "input.cpp"});
    EXPECT_EQ(output.status, c.status) << c.name << "\n" << output.out << output.err;
    if (c.status == 5) {
      EXPECT_EQ(output.out, "") << c.name;
      EXPECT_TRUE(output.err.starts_with("quorbel: input.cpp: This does not look like C++"))
          << c.name << ": " << output.err;
    }
    if (*c.errPart == '\0') {
      EXPECT_EQ(output.err, "") << c.name;
    } else {
      EXPECT_NE(output.err.find(c.errPart), std::string::npos) << c.name << ": " << output.err;
    }
  }
}

}  // namespace
}  // namespace quorbel
