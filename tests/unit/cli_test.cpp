// The analyze command as a user meets it: the built executable run with arguments, a
// working directory and a HOME, its standard output, standard error and exit status checked
// exactly. A few report details are checked in-process.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/input_limit.h"
#include "cli/analyze_command.h"
#include "cli/analyze_report.h"

namespace quorbel {
namespace {

namespace fs = std::filesystem;

// ---- Running the executable ----

struct Invocation {
  std::vector<std::string> arguments;  // after the program name
  std::string directory;               // working directory
  std::optional<std::string> home;     // HOME; unset when empty
  bool asNobody = false;               // run without root's power to read any file
  bool stderrTerminal = false;         // standard error on a pseudo-terminal instead of a pipe
};

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string describe(const Outcome& outcome) {
  return "status " + std::to_string(outcome.status) + "\n--- stdout ---\n" + outcome.out +
         "--- stderr ---\n" + outcome.err;
}

// Reads until end of file; a pseudo-terminal master reports EIO once the child's side closed.
std::string readAll(int fd) {
  std::string text;
  char buffer[65536];
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(got));
  ::close(fd);
  return text;
}

// The outputs are a few kilobytes at most, so they wait in the pipe and terminal buffers
// until the child has exited and are read afterwards.
Outcome runQuorbel(const Invocation& run) {
  Outcome outcome;
  int outPipe[2];
  int errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return outcome;
  if (run.stderrTerminal) {
    // The terminal side is opened before the fork so the master never sees it closed early.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return outcome;
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return outcome;
    ::close(errPipe[0]);
    ::close(errPipe[1]);
    errPipe[0] = master;
    errPipe[1] = terminal;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (::chdir(run.directory.c_str()) != 0 || nothing < 0 || ::dup2(nothing, 0) < 0 ||
        ::dup2(outPipe[1], 1) < 0 || ::dup2(errPipe[1], 2) < 0)
      ::_exit(125);
    run.home ? ::setenv("HOME", run.home->c_str(), 1) : ::unsetenv("HOME");
    if (run.asNobody &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(126);
    std::vector<std::string> arguments = {QUORBEL_BINARY};
    arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child)
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  outcome.out = readAll(outPipe[0]);
  outcome.err = readAll(errPipe[0]);
  return outcome;
}

// ---- Expected texts ----

const std::string kUsage =
    "quorbel CLI\n"
    "\n"
    "Analyze local C++ files without sending code to the web app.\n"
    "\n"
    "Usage:\n"
    "  quorbel analyze <file.cpp>\n"
    "  quorbel analyze notation <file.cpp>\n"
    "  quorbel analyze full <file.cpp>\n"
    "  quorbel analyze json <file.cpp>\n"
    "  quorbel analyze full <file.cpp> --limit n=2e5 --time-limit 2 --memory-limit 256\n"
    "  quorbel analyze <file.cpp> --notation\n"
    "  quorbel analyze <file.cpp> --full\n"
    "  quorbel analyze ~/Downloads/file.cpp\n"
    "  quorbel --help\n"
    "  quorbel help\n"
    "\n"
    "Modes:\n"
    "  notation  Default. Prints a short labeled time and space summary.\n"
    "  full      Prints time, auxiliary space, rough constraints, signals, and notes.\n"
    "  json      Prints the JSON document of the server's /api/analyze, verdict included.\n"
    "\n"
    "Limits (the verdict: will it pass?):\n"
    "  --limit NAME=VALUE    A size of the estimate is at most VALUE (2e5, 2*10^5, 10^9).\n"
    "  --time-limit SECONDS  Default: a time limit comment in the source, else 1 second.\n"
    "  --memory-limit MB     Default: a memory comment in the source, else 256 MB.\n"
    "\n"
    "Supported C++ files:\n"
    "  .cpp, .cc, .cxx, .hpp, .hh, .hxx\n"
    "\n"
    "File paths:\n"
    "  Pass a full path, drag a file into Terminal, or use ~/Downloads/file.cpp.\n"
    "  If you pass only a filename, quorbel also checks Downloads, Desktop, and Documents.\n";

const std::string kOnlyCpp =
    "quorbel: analyze only accepts C++ files (.cpp, .cc, .cxx, .hpp, .hh, .hxx).\n";
const std::string kAlsoChecked = "quorbel: also checked ~/Downloads, ~/Desktop, and ~/Documents.\n";
const std::string kProgress = "Analyzing...\r" + std::string(80, ' ') + "\r";

std::string message(const std::string& text) { return "quorbel: " + text + "\n"; }
std::string usageError(const std::string& text) { return message(text) + kUsage; }
std::string missing(const std::string& path) { return message("file does not exist: " + path); }
std::string extra(const std::string& argument) {
  return usageError("expected one C++ file, got extra argument '" + argument + "'.");
}

// A program without loops or storage: constant time and space.
const std::string kPlainProgram = "int main() { return 0; }\n";
const std::string kPlainReport = "Time: O(1)\nSpace: O(1)\n";

// ---- Fixture: a scratch directory with a home and a working directory ----

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorbel-cli-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    // Searchable by everyone, for the run that drops root's privileges.
    ::chmod(root_.c_str(), 0755);
    makeDirectory(home_ = root_ + "/home");
    makeDirectory(work_ = root_ + "/work");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  static void makeDirectory(const std::string& path) {
    fs::create_directories(path);
    ::chmod(path.c_str(), 0755);
  }
  static void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
    ::chmod(path.c_str(), 0644);
  }

  Invocation at(std::vector<std::string> arguments) const {
    return {std::move(arguments), work_, home_};
  }
  Outcome run(std::vector<std::string> arguments) const {
    return runQuorbel(at(std::move(arguments)));
  }

  std::string root_;
  std::string home_;
  std::string work_;
};

struct CliCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string out;
  std::string err;
  int status;
};

void expectOutcome(const Outcome& got, const CliCase& want) {
  EXPECT_EQ(got.status, want.status) << want.name << "\n" << describe(got);
  EXPECT_EQ(got.out, want.out) << want.name;
  EXPECT_EQ(got.err, want.err) << want.name;
}

// ---- Help and argument rules ----

TEST_F(CliTest, HelpAndArgumentRules) {
  writeFile(work_ + "/a.cpp", kPlainProgram);
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
      {"analyze alone", {"analyze"}, "", kUsage, 2},
      {"help with a file", {"help", "a.cpp"}, "", kUsage, 2},
      {"help after the file", {"analyze", "a.cpp", "--help"}, "", kUsage, 2},
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
      {"lone dash", {"analyze", "-"}, "", unknown("-"), 2},
      {"mode without file", {"analyze", "full"}, "", noFile, 2},
      {"empty file argument", {"analyze", ""}, "", noFile, 2},
  };
  for (const CliCase& c : kCases) expectOutcome(run(c.arguments), c);
}

TEST_F(CliTest, ExtensionRules) {
  for (const char* name : {"UPPER.CPP", "b.cc", "c.cxx", "d.hpp", "e.hh", "f.Hxx"}) {
    writeFile(work_ + "/" + name, kPlainProgram);
    expectOutcome(run({"analyze", name}), {name, {}, kPlainReport, "", 0});
  }
  // Refused whether or not the file exists; only the text after the last dot counts, and a
  // dot before a separator is no extension.
  writeFile(work_ + "/a.txt", kPlainProgram);
  writeFile(work_ + "/a.cpp.txt", kPlainProgram);
  for (const char* name : {"a.txt", "a.cpp.txt", "Makefile", "dir.d/file", "dir.cpp\\file",
                           "main.c", "main.cppx", "~"})
    expectOutcome(run({"analyze", name}), {name, {}, "", kOnlyCpp, 2});
}

// ---- File problems ----

TEST_F(CliTest, FileProblems) {
  makeDirectory(work_ + "/folder.cpp");
  // The size limit is applied before analysis; the programs are padded with a comment.
  const auto paddedTo = [](size_t size) {
    std::string text = kPlainProgram + "//";
    text.append(size - text.size() - 1, 'x');
    return text + "\n";
  };
  writeFile(work_ + "/limit.cpp", paddedTo(kMaxAnalysisBytes));
  writeFile(work_ + "/over.cpp", paddedTo(kMaxAnalysisBytes + 1));
  ASSERT_EQ(fs::file_size(work_ + "/limit.cpp"), 1048576u);
  const std::string tooLarge = message("file is too large to analyze (limit 1 MB).");
  const std::string bare = missing("missing.cpp") + kAlsoChecked;
  const std::string directory = message("expected a file, got a directory: folder.cpp");
  const CliCase kCases[] = {
      {"missing path", {"analyze", "./missing.cpp"}, "", missing("./missing.cpp"), 1},
      {"bare name", {"analyze", "missing.cpp"}, "", bare, 1},
      {"backslash separator", {"analyze", "sub\\x.cpp"}, "", missing("sub\\x.cpp"), 1},
      {"directory", {"analyze", "full", "folder.cpp"}, "", directory, 1},
      {"in a directory", {"analyze", "folder.cpp/x.cpp"}, "", missing("folder.cpp/x.cpp"), 1},
      {"exactly the size limit", {"analyze", "limit.cpp"}, kPlainReport, "", 0},
      {"one byte over the size limit", {"analyze", "full", "over.cpp"}, "", tooLarge, 1},
  };
  for (const CliCase& c : kCases) expectOutcome(run(c.arguments), c);

  Invocation homeless = at({"analyze", "missing.cpp"});
  homeless.home.reset();
  expectOutcome(runQuorbel(homeless), {"HOME unset names the folders", {}, "", bare, 1});
}

// Root opens mode-000 files anyway, so the run drops to the unprivileged user "nobody" in the
// child before starting the program; a non-root test run needs no change.
TEST_F(CliTest, UnreadableFile) {
  const std::string path = work_ + "/locked.cpp";
  writeFile(path, kPlainProgram);
  ::chmod(path.c_str(), 0000);
  Invocation invocation = at({"analyze", "full", path});
  invocation.asNobody = ::geteuid() == 0;
  expectOutcome(runQuorbel(invocation),
                {"mode 000", {}, "", message("Could not read file: " + path), 1});
}

// ---- Finding the file ----

TEST_F(CliTest, HomeExpansion) {
  makeDirectory(home_ + "/Downloads");
  writeFile(home_ + "/Downloads/test.cpp", kPlainProgram);
  expectOutcome(run({"analyze", "~/Downloads/test.cpp"}), {"notation", {}, kPlainReport, "", 0});

  const Outcome full = run({"analyze", "full", "~/Downloads/test.cpp"});
  EXPECT_EQ(full.status, 0) << describe(full);
  EXPECT_TRUE(full.out.starts_with("quorbel analysis\nFile: " + home_ +
                                   "/Downloads/test.cpp\nLines: 1\n\n"))
      << full.out;

  Invocation homeless = at({"analyze", "~/Downloads/test.cpp"});
  for (const std::optional<std::string>& home : {std::optional<std::string>(), {""}}) {
    homeless.home = home;
    expectOutcome(runQuorbel(homeless),
                  {"HOME unset or empty", {}, "", missing("~/Downloads/test.cpp"), 1});
  }
}

TEST_F(CliTest, BareNameFallsBackToDownloadsDesktopDocuments) {
  struct Placement {
    std::vector<std::string> copies;  // folders holding the file; "." is the working directory
    std::string found;                // the folder the report names
  };
  const Placement kPlacements[] = {
      {{"Downloads"}, "Downloads"},          {{"Desktop"}, "Desktop"},
      {{"Documents"}, "Documents"},          {{"Desktop", "Downloads", "Documents"}, "Downloads"},
      {{"Documents", "Desktop"}, "Desktop"}, {{".", "Downloads"}, "."},
  };
  const auto folder = [&](const std::string& name) {
    return name == "." ? work_ : home_ + "/" + name;
  };
  for (const Placement& p : kPlacements) {
    for (const char* name : {"Downloads", "Desktop", "Documents", "."})
      fs::remove(folder(name) + "/solution.cpp");
    for (const std::string& name : p.copies) {
      makeDirectory(folder(name));
      writeFile(folder(name) + "/solution.cpp", kPlainProgram);
    }
    const std::string file = p.found == "." ? "solution.cpp" : folder(p.found) + "/solution.cpp";
    const Outcome full = run({"analyze", "full", "solution.cpp"});
    EXPECT_EQ(full.status, 0) << file << "\n" << describe(full);
    EXPECT_EQ(full.err, "") << file;
    EXPECT_TRUE(full.out.starts_with("quorbel analysis\nFile: " + file + "\n")) << full.out;
  }
  expectOutcome(run({"analyze", "solution.cpp"}), {"notation", {}, kPlainReport, "", 0});

  // A name with a separator is never looked up in the folders.
  fs::remove(work_ + "/solution.cpp");
  expectOutcome(run({"analyze", "./solution.cpp"}),
                {"separator", {}, "", missing("./solution.cpp"), 1});
}

// ---- Reports and progress ----

TEST_F(CliTest, FullReportOfAnEmptyFile) {
  writeFile(work_ + "/empty.cpp", "");
  const std::string want =
      "quorbel analysis\n"
      "File: empty.cpp\n"
      "Lines: 0\n"
      "\n"
      "Worst-case time: O(1)\n"
      "  Label: Constant\n"
      "  Pattern: Straight-line work\n"
      "\n"
      "Auxiliary space: O(1)\n"
      "  Label: Constant\n"
      "  Pattern: Constant storage\n"
      "\n"
      "Rough constraints:\n"
      "  - input: not bound by Big-O (No repeated work was detected, so constraints depend on "
      "memory and parsing/input costs. Super rough: ignores constants, memory, input/output, "
      "recursion overhead, and hidden helper work.)\n"
      "\n"
      "Verdict at the limits:\n"
      "  - time limit: 1 s (default); memory limit: 256 MB (default)\n"
      "  - time: fits: the estimate does not grow with the input\n"
      "  - memory: fits: 0 bytes of 256 MB\n"
      "\n"
      "Time signals:\n"
      "  - No loop, STL pass, graph traversal, sort, or recursion was detected.\n"
      "\n"
      "Space signals:\n"
      "  - No variable-sized storage was detected.\n"
      "\n"
      "Notes:\n"
      "  - Tree-sitter parsed the C++ AST before analysis.\n"
      "  - No code was provided.\n";
  expectOutcome(run({"analyze", "empty.cpp", "--full"}), {"empty", {}, want, "", 0});
}

TEST_F(CliTest, ProgressTextOnlyOnATerminal) {
  writeFile(work_ + "/a.cpp", kPlainProgram);
  Invocation invocation = at({"analyze", "a.cpp"});
  expectOutcome(runQuorbel(invocation), {"pipe", {}, kPlainReport, "", 0});
  invocation.stderrTerminal = true;
  expectOutcome(runQuorbel(invocation), {"terminal", {}, kPlainReport, kProgress, 0});
}

// ---- In-process pieces ----

TEST(CliCommandTest, CommandWordSelection) {
  const std::pair<std::vector<const char*>, bool> kCases[] = {
      {{"quorbel", "analyze"}, true},
      {{"quorbel", "help"}, true},
      {{"quorbel", "-h"}, true},
      {{"quorbel", "--help"}, true},
      {{"quorbel", "analyze", "full", "a.cpp"}, true},
      {{"quorbel"}, false},
      {{"quorbel", "Analyze"}, false},
      {{"quorbel", "analyzer"}, false},
      {{"quorbel", "-help"}, false},
      {{"quorbel", "8080"}, false},
      {{"quorbel", "8080", "help"}, false},
      {{"quorbel", nullptr}, false},
  };
  for (const auto& [words, want] : kCases) {
    std::vector<char*> argv;
    std::string shown;
    for (const char* word : words) {
      argv.push_back(const_cast<char*>(word));
      shown += std::string(word != nullptr ? word : "(null)") + " ";
    }
    argv.push_back(nullptr);
    EXPECT_EQ(isAnalyzeCliCommand(static_cast<int>(words.size()), argv.data()), want) << shown;
  }
  EXPECT_FALSE(isAnalyzeCliCommand(2, nullptr));
}

TEST(CliReportTest, CountSourceLines) {
  struct Case {
    const char* name;
    std::string text;
    size_t want;
  };
  const Case kCases[] = {
      {"empty", "", 0},
      {"one line without feed", "x", 1},
      {"lone feed", "\n", 1},
      {"three lines", "a\nb\nc\n", 3},
      {"three lines, last unterminated", "a\nb\nc", 3},
      {"carriage returns are not line ends", "a\rb\rc", 1},
  };
  for (const Case& c : kCases) EXPECT_EQ(countSourceLines(c.text), c.want) << c.name;
}

TEST(CliReportTest, FullReportLayout) {
  Analysis analysis;
  analysis.notation = "O(n * m)";
  analysis.label = "Product";
  analysis.pattern = "DP table or multi-parameter loop";
  analysis.constraints = {{"n, m product", "~100M", "why"}, {"if equal", "~10.0K each", ""}};
  analysis.signals = {"Line 3: nested loop contributes O(n * m)."};
  analysis.space = {"O(n)", "Linear", "Vector storage", {}, {}};
  const std::string want =
      "quorbel analysis\n"
      "File: /tmp/x.cpp\n"
      "Lines: 2\n"
      "\n"
      "Worst-case time: O(n * m)\n"
      "  Label: Product\n"
      "  Pattern: DP table or multi-parameter loop\n"
      "\n"
      "Auxiliary space: O(n)\n"
      "  Label: Linear\n"
      "  Pattern: Vector storage\n"
      "\n"
      "Rough constraints:\n"
      "  - n, m product: ~100M (why)\n"
      "  - if equal: ~10.0K each\n"
      "\n"
      "Time signals:\n"
      "  - Line 3: nested loop contributes O(n * m).\n"
      "\n"
      "Space signals:\n"
      "  - none\n";
  std::ostringstream out;
  printFullReport("/tmp/x.cpp", "a\nb", analysis, out);
  EXPECT_EQ(out.str(), want);
}

}  // namespace
}  // namespace quorbel
