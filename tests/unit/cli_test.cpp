// The analyze command as a user meets it: the built executable run with arguments, a
// working directory and a HOME, its standard output, standard error and exit status checked
// exactly. A few report details are checked in-process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/input_limit.h"
#include "cli/analyze_command.h"
#include "cli/analyze_report.h"
#include "base/file_text.h"
#include "test_support.h"

namespace quorbel {
namespace {

using testing::CommandOptions;
using testing::CommandOutput;

// ---- Expected texts ----

// A <pre><code> block of the CLI page that follows `open`, its entities decoded.
std::string pageBlock(const std::string& open) {
  const std::string page = testing::readFile(testing::sourceDir() + "/public/cli.html");
  const size_t start = page.find(open);
  if (start == std::string::npos) return "(no " + open + " on public/cli.html)";
  std::string text = page.substr(start + open.size());
  text = text.substr(0, text.find("</code></pre>")) + "\n";
  for (const std::string entity : {"&lt;", "&gt;", "&amp;"}) {
    const char character = entity == "&lt;" ? '<' : entity == "&gt;" ? '>' : '&';
    for (size_t at; (at = text.find(entity)) != std::string::npos;)
      text.replace(at, entity.size(), 1, character);
  }
  return text;
}

// The usage text as the CLI page shows it under "This is what quorbel --help prints".
const std::string kUsage = pageBlock("<pre id=\"usage-text\"><code>");
const std::string kOnlyCpp =
    "quorbel: analyze only accepts C++ files (.cpp, .cc, .cxx, .hpp, .hh, .hxx).\n";
const std::string kAlsoChecked = "quorbel: also checked ~/Downloads, ~/Desktop, and ~/Documents.\n";

std::string message(const std::string& text) { return "quorbel: " + text + "\n"; }
std::string usageError(const std::string& text) {
  return message(text) + "Run 'quorbel --help' for usage.\n";
}
std::string missing(const std::string& path) { return message("file does not exist: " + path); }
std::string extra(const std::string& argument) {
  return usageError("expected one C++ file, got extra argument '" + argument + "'.");
}

// A program without loops or storage: constant time and space.
const std::string kPlainProgram = "int main() { return 0; }\n";
const std::string kPlainReport = "Time: O(1)\nSpace: O(1)\nConfidence: time high, space high\n";

// ---- Fixture: a scratch directory with a home and a working directory ----

struct CliCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string out;
  std::string err;
  int status;
};

class CliTest : public ::testing::Test {
 protected:
  // HOME is the scratch home unless `options` says otherwise ("HOME" alone unsets it).
  CommandOutput run(std::vector<std::string> arguments, CommandOptions options = {}) const {
    arguments.insert(arguments.begin(), testing::quorbelBinary());
    options.directory = work_;
    if (options.environment.empty()) options.environment = {"HOME=" + home_};
    return testing::runCommand(arguments, options);
  }
  void expect(const CliCase& want, CommandOptions options = {}) const {
    const CommandOutput got = run(want.arguments, options);
    EXPECT_EQ(got.status, want.status) << want.name << "\n" << got.out << got.err;
    EXPECT_EQ(got.out, want.out) << want.name;
    EXPECT_EQ(got.err, want.err) << want.name;
  }

  testing::ScratchDir root_;
  const std::string home_ = root_.makeDirectory("home");
  const std::string work_ = root_.makeDirectory("work");
};

// ---- Help and argument rules ----

TEST_F(CliTest, HelpAndArgumentRules) {
  root_.write("work/a.cpp", kPlainProgram);
  const std::string conflict = message("conflicting analyze modes.");
  const std::string partWord = usageError("use 'notation' instead of 'part'.");
  const std::string noFile = usageError("missing C++ file.");
  const auto unknown = [](const std::string& option) {
    return usageError("unknown option '" + option + "'.");
  };
  const CliCase kCases[] = {
      {"help flag", {"--help"}, kUsage, "", 0},
      {"help word", {"help"}, kUsage, "", 0},
      {"short help flag", {"-h"}, kUsage, "", 0},
      {"analyze --help", {"analyze", "--help"}, kUsage, "", 0},
      {"any word then help", {"help", "-h"}, kUsage, "", 0},
      {"analyze alone", {"analyze"}, "", noFile, 2},
      {"help with a file",
       {"help", "a.cpp"},
       "",
       usageError("expected 'quorbel analyze <file.cpp>'."),
       2},
      {"help after the file", {"analyze", "a.cpp", "--help"}, kUsage, "", 0},
      {"full then --notation", {"analyze", "full", "a.cpp", "--notation"}, "", conflict, 2},
      {"--notation then full", {"analyze", "--notation", "a.cpp", "full"}, "", conflict, 2},
      {"full then json", {"analyze", "full", "a.cpp", "--json"}, "", conflict, 2},
      {"repeated notation", {"analyze", "notation", "a.cpp", "--notation"}, kPlainReport, "", 0},
      {"mode after the file", {"analyze", "a.cpp", "notation"}, kPlainReport, "", 0},
      {"default mode", {"analyze", "a.cpp"}, kPlainReport, "", 0},
      {"extra argument", {"analyze", "a.cpp", "b.cpp"}, "", extra("b.cpp"), 2},
      {"arguments before extension", {"analyze", "a.txt", "b.txt"}, "", extra("b.txt"), 2},
      {"empty argument after the file", {"analyze", "a.cpp", ""}, "", extra(""), 2},
      {"empty argument before the file", {"analyze", "", "a.cpp"}, kPlainReport, "", 0},
      {"old part word", {"analyze", "part", "a.cpp"}, "", partWord, 2},
      {"old part flag", {"analyze", "a.cpp", "--part"}, "", partWord, 2},
      {"unknown option", {"analyze", "--verbose", "a.cpp"}, "", unknown("--verbose"), 2},
      // clang-format off
      {"lone dash reads empty input", {"analyze", "-"}, "", message("standard input is empty: nothing to analyze."), 2},
      {"fail-on without a value", {"analyze", "a.cpp", "--fail-on"}, "", usageError("--fail-on needs too-slow or tight."), 2},
      {"fail-on unknown", {"analyze", "a.cpp", "--fail-on=fits"}, "", usageError("--fail-on takes too-slow or tight, not 'fits'."), 2},
      // clang-format on
      {"mode without file", {"analyze", "full"}, "", noFile, 2},
      {"empty file argument", {"analyze", ""}, "", noFile, 2},
  };
  for (const CliCase& c : kCases) expect(c);
}

TEST_F(CliTest, ExtensionRules) {
  for (const char* name : {"UPPER.CPP", "b.cc", "c.cxx", "d.hpp", "e.hh", "f.Hxx"}) {
    root_.write(std::string("work/") + name, kPlainProgram);
    expect({name, {"analyze", name}, kPlainReport, "", 0});
  }
  // Refused whether or not the file exists; only the text after the last dot counts, and a
  // dot before a separator is no extension.
  root_.write("work/a.txt", kPlainProgram);
  root_.write("work/a.cpp.txt", kPlainProgram);
  for (const char* name : {"a.txt", "a.cpp.txt", "Makefile", "dir.d/file", "dir.cpp\\file",
                           "main.c", "main.cppx", "~"})
    expect({name, {"analyze", name}, "", kOnlyCpp, 2});
}

// ---- File problems ----

TEST_F(CliTest, FileProblems) {
  root_.makeDirectory("work/folder.cpp");
  // The size limit is applied before analysis; the programs are padded with a comment.
  const auto paddedTo = [](size_t size) {
    std::string text = kPlainProgram + "//";
    text.append(size - text.size() - 1, 'x');
    return text + "\n";
  };
  root_.write("work/limit.cpp", paddedTo(kMaxAnalysisBytes));
  root_.write("work/over.cpp", paddedTo(kMaxAnalysisBytes + 1));
  ASSERT_EQ(std::filesystem::file_size(work_ + "/limit.cpp"), 1048576u);
  // Root opens mode-000 files anyway: that run is made as "nobody".
  const std::string locked = root_.write("work/locked.cpp", kPlainProgram, 0000);
  const std::string tooLarge = message("file is too large to analyze (limit 1 MB).");
  const std::string directory = message("expected a file, got a directory: folder.cpp");
  const CliCase kCases[] = {
      {"missing path", {"analyze", "./missing.cpp"}, "", missing("./missing.cpp"), 1},
      {"bare name", {"analyze", "missing.cpp"}, "", missing("missing.cpp") + kAlsoChecked, 1},
      {"backslash separator", {"analyze", "sub\\x.cpp"}, "", missing("sub\\x.cpp"), 1},
      {"directory", {"analyze", "full", "folder.cpp"}, "", directory, 1},
      {"in a directory", {"analyze", "folder.cpp/x.cpp"}, "", missing("folder.cpp/x.cpp"), 1},
      {"exactly the size limit", {"analyze", "limit.cpp"}, kPlainReport, "", 0},
      {"one byte over the size limit", {"analyze", "full", "over.cpp"}, "", tooLarge, 1},
      {"mode 000", {"analyze", "full", locked}, "", message("Could not read file: " + locked), 1},
  };
  for (const CliCase& c : kCases) expect(c, {.withoutRoot = true});
}

// ---- Finding the file ----

// "~/" is the home; a bare name is looked for in the working directory, then in Downloads,
// Desktop and Documents; a name with a separator only where it points.
TEST_F(CliTest, FindingTheFile) {
  struct Case {
    std::vector<std::string> copies;  // folders holding solution.cpp; "." is the working directory
    std::string argument;
    std::string found;  // the report's File: line
  };
  const std::string bare = "solution.cpp";
  const auto in = [&](const std::string& folder) { return home_ + "/" + folder + "/" + bare; };
  const Case kCases[] = {
      {{"Downloads"}, "~/Downloads/" + bare, in("Downloads")},
      {{"Downloads"}, bare, in("Downloads")},
      {{"Desktop"}, bare, in("Desktop")},
      {{"Documents"}, bare, in("Documents")},
      {{"Desktop", "Downloads", "Documents"}, bare, in("Downloads")},
      {{"Documents", "Desktop"}, bare, in("Desktop")},
      {{".", "Downloads"}, bare, bare},
  };
  const auto folder = [&](const std::string& name) {
    return name == "." ? std::string("work") : "home/" + name;
  };
  for (const auto& c : kCases) {
    for (const char* name : {"Downloads", "Desktop", "Documents", "."})
      std::filesystem::remove(root_.path() + "/" + folder(name) + "/" + bare);
    for (const std::string& name : c.copies) {
      root_.makeDirectory(folder(name));
      root_.write(folder(name) + "/" + bare, kPlainProgram);
    }
    const CommandOutput full = run({"analyze", "full", c.argument});
    EXPECT_EQ(full.status, 0) << c.found << "\n" << full.err;
    EXPECT_EQ(full.err, "") << c.found;
    EXPECT_TRUE(full.out.starts_with("quorbel analysis\nFile: " + c.found + "\nLines: 1\n\n"))
        << full.out;
  }
  std::filesystem::remove(work_ + "/" + bare);  // Downloads holds it, which "./" never reaches
  expect({"separator", {"analyze", "./" + bare}, "", missing("./" + bare), 1});
  for (const char* home : {"HOME", "HOME="}) {
    expect({home, {"analyze", "~/Downloads/" + bare}, "", missing("~/Downloads/" + bare), 1},
           {.environment = {home}});
    expect({home, {"analyze", bare}, "", missing(bare) + kAlsoChecked, 1}, {.environment = {home}});
  }
}

// ---- Reports and progress ----

// Standard input, empty input, the verdict line from the file's own limits, the exit status
// that follows it, and the warning for code that does not parse.
// clang-format off
TEST_F(CliTest, VerdictStdinAndWarnings) {
  const std::string body = "int main() { int n; cin >> n; long long s = 0;\n"
                           "for (int i = 0; i < n; i++) for (int j = 0; j < n; j++) s += i; }\n";
  root_.write("work/pairs.cpp", "// 1 <= n <= 5000\n" + body);
  root_.write("work/open.cpp", body);
  root_.write("work/empty.cpp", " \n\t\n");
  root_.write("work/broken.cpp", "int main() {\n  int n; cin >> n;\n  for (int i = 0; i < n; i++ {\n  }\n}\n");
  const std::string quadratic = "Time: O(n^2)\nSpace: O(1)\nConfidence: time high, space high\n";
  // n^2 at n = 5000 is 2.5*10^7 (fits), at 22360 about 5*10^8 (tight), at 10^5 10^10.
  const struct { const char* limit; const char* failOn; const char* time; int status; } kGates[] = {
      {"n=5000", "tight", "fits", 0}, {"n=22360", "tight", "tight", 3},
      {"n=22360", "too-slow", "tight", 0}, {"n=1e5", "too-slow", "too slow", 3}};
  for (const auto& g : kGates) {
    const std::string verdict = std::string("time ") + g.time + ", memory fits";
    expect({g.limit, {"analyze", "pairs.cpp", "--limit", g.limit, "--fail-on=" + std::string(g.failOn)},
            quadratic + "Verdict: " + verdict + "\n",
            g.status ? message("verdict: " + verdict + " (--fail-on " + g.failOn + ").") : "", g.status});
  }
  const std::string fits = quadratic + "Verdict: time fits, memory fits\n";
  const CliCase kCases[] = {
      {"limits from the comment", {"analyze", "pairs.cpp"}, fits, "", 0},
      {"no limit: --fail-on says it has nothing to judge", {"analyze", "open.cpp", "--fail-on", "tight"},
       quadratic + "Verdict: time no verdict, memory fits\n",
       message("--fail-on tight has no time verdict to judge: no verdict for time: no limit for n."), 0},
      {"empty file", {"analyze", "full", "empty.cpp"}, "", message("empty.cpp is empty: nothing to analyze."), 2},
      {"first syntax error", {"analyze", "broken.cpp"}, "Time: O(1)\nSpace: O(1)\n"
       "Confidence: time low, space low\n"
       "  - line 3 (time): the code from line 3 does not parse; what it hides is missing\n"
       "  - line 3 (space): the code from line 3 does not parse; what it hides is missing\n", message("warning: the code does not parse "
       "cleanly (first syntax error on line 3); the estimate may miss what it hides."), 0},
  };
  for (const CliCase& c : kCases) expect(c);
  expect({"standard input", {"analyze", "-"}, fits, "", 0}, {.input = work_ + "/pairs.cpp"});
}
// clang-format on

// The /cli page's examples are what the command prints for the page's own program.
TEST_F(CliTest, CliPageExamplesAreCurrent) {
  root_.write("work/pairs.cpp",
              pageBlock("<p>Take this program, saved as <code>pairs.cpp</code>:</p>\n<pre><code>"));
  for (const char* id : {"notation-example", "full-example"}) {
    const std::string shown = pageBlock(std::string("<pre id=\"") + id + "\"><code>");
    std::vector<std::string> words;  // after "$ quorbel"
    std::istringstream in(shown.substr(10, shown.find('\n') - 10));
    for (std::string word; in >> word;) words.push_back(word);
    expect({id, words, shown.substr(shown.find('\n') + 1), "", 0});
  }
}

// A file large enough that its parse needs the guard is analysed in a child: the report is the
// one the same program gets when small, and the parse that kills the child (an unclosed run of
// parentheses past what the parser's recovery survives) still leaves an answer.
TEST_F(CliTest, LargeFilesAnswerAsSmallOnes) {
  const std::string helper =
      "long long walkAll(int n) { long long s = 0;\n"
      "  for (int i = 0; i < n; i++) for (int j = 0; j < n; j++) s += i ^ j;\n  return s; }\n";
  // Comment lines make the file large without changing the program.
  std::string padding;
  while (padding.size() < 90000) padding += "// padding to reach the guarded size of a parse\n";
  const std::string main = "int main() { int n; cin >> n; cout << walkAll(n); }\n";
  root_.write("work/small.cpp", helper + main);
  root_.write("work/large.cpp", padding + helper + main);
  root_.write("work/open.cpp", "int main() { int x = " + std::string(70000, '(') + "1; }\n");
  const std::string quadratic = "Time: O(n^2)\nSpace: O(1)\nConfidence: time high, space high\n";
  for (const char* mode : {"notation", "json"}) {
    const CommandOutput small = run({"analyze", mode, "small.cpp"});
    const CommandOutput large = run({"analyze", mode, "large.cpp"});
    EXPECT_EQ(large.status, 0) << mode << large.err;
    if (std::string(mode) == "notation") {
      EXPECT_EQ(large.out, quadratic);
    }
    EXPECT_EQ(large.err, small.err) << mode;
  }
  const CommandOutput open = run({"analyze", "open.cpp"});
  EXPECT_EQ(open.status, 0) << open.err;
  EXPECT_NE(open.out.find("the code could not be read"), std::string::npos) << open.out;
}

TEST_F(CliTest, ProgressTextOnlyOnATerminal) {
  root_.write("work/a.cpp", kPlainProgram);
  expect({"pipe", {"analyze", "a.cpp"}, kPlainReport, "", 0});
  const std::string progress = "Analyzing...\r" + std::string(80, ' ') + "\r";
  expect({"terminal", {"analyze", "a.cpp"}, kPlainReport, progress, 0}, {.stderrTerminal = true});
}

// ---- In-process pieces ----

TEST(CliCommandTest, CommandWordSelection) {
  const std::pair<const char*, bool> kCases[] = {
      {"analyze", true},  {"help", true},      {"-h", true},         {"--help", true},
      {"Analyze", false}, {"analyzer", false}, {"-help", false},     {"8080", false},
      {"", false},        {"help 8080", true}, {"8080 help", false}, {"analyze full a.cpp", true},
  };
  for (const auto& [words, want] : kCases) {
    std::vector<std::string> split;
    std::istringstream in(words);
    for (std::string word; in >> word;) split.push_back(word);
    std::vector<char*> argv = {const_cast<char*>("quorbel")};
    for (std::string& word : split) argv.push_back(word.data());
    argv.push_back(nullptr);
    EXPECT_EQ(isAnalyzeCliCommand(static_cast<int>(argv.size()) - 1, argv.data()), want) << words;
  }
  char* nothing[] = {const_cast<char*>("quorbel"), nullptr};
  EXPECT_FALSE(isAnalyzeCliCommand(2, nothing)) << "a null word";
  EXPECT_FALSE(isAnalyzeCliCommand(2, nullptr));
}

// The one line count of the CLI, the JSON and the page.
TEST(CliReportTest, CountCodeLines) {
  const testing::Case<std::string, int> kCases[] = {
      {"empty", "", 0},
      {"blank", " \n\t\n", 0},
      {"one line without feed", "x", 1},
      {"three lines", "a\nb\nc\n", 3},
      {"three lines, last unterminated", "a\nb\nc", 3},
      {"carriage returns are not line ends", "a\rb\rc", 1},
  };
  for (const auto& c : kCases) EXPECT_EQ(countCodeLines(c.in), c.want) << c.name;
}

// What the empty file's report above does not show: a constraint row without an assumption
// has no brackets, an empty list reads "none", and no notes leave out their section.
TEST(CliReportTest, FullReportOfBareRowsAndEmptyLists) {
  Analysis analysis;
  analysis.constraints = {{"if equal", "~10.0K each", ""}};
  analysis.assumptions = {{4, "space", "tests are summed", "medium"}, {0, "time", "looked up", "medium"}};
  analysis.confidence = {"high", "medium"};
  const std::string want =
      "quorbel analysis\nFile: /tmp/x.cpp\nLines: 2\n\n"
      "Worst-case time: \n  Label: \n  Pattern: \n\n"
      "Auxiliary space: \n  Label: \n  Pattern: \n\n"
      "Confidence: time high, space medium\nAssumptions:\n  - line 4 (space): tests are summed\n"
      "  - (time): looked up\n\n"
      "Rough constraints:\n  - if equal: ~10.0K each\n\n"
      "Time signals:\n  - none\n\n"
      "Space signals:\n  - none\n";
  std::ostringstream out;
  printFullReport("/tmp/x.cpp", "a\nb", analysis, out);
  EXPECT_EQ(out.str(), want);
}

}  // namespace
}  // namespace quorbel
