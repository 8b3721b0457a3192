// The analyze command as a user meets it: the built executable run with arguments, a
// working directory and a HOME, its standard output, standard error and exit status checked
// exactly. A few report details are checked in-process.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/input_limit.h"
#include "cli/analyze_command.h"
#include "cli/analyze_report.h"

extern char** environ;

namespace quorbel {
namespace {

namespace fs = std::filesystem;

// ---- Running the executable ----

struct Invocation {
  std::vector<std::string> arguments;  // after the program name
  std::string directory;               // working directory
  std::string home;                    // HOME, unless unsetHome
  bool unsetHome = false;
  bool asNobody = false;        // run without root's power to read any file
  bool stderrTerminal = false;  // standard error on a pseudo-terminal instead of a pipe
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

// Drains both descriptors until each reports end of file (a pseudo-terminal master reports
// EIO once the child's side is closed); kills the child after a minute.
void drain(pid_t child, int outFd, int errFd, Outcome& outcome) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&outcome.out, &outcome.err};
  int open = 2;
  while (open > 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      break;
    }
    if (::poll(fds, 2, 1000) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

Outcome runQuorbel(const Invocation& run) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!std::string(*entry).starts_with("HOME=")) environment.emplace_back(*entry);
  }
  if (!run.unsetHome) environment.push_back("HOME=" + run.home);
  std::vector<std::string> arguments = {QUORBEL_BINARY};
  arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  Outcome outcome;
  int outPipe[2];
  int errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return outcome;
  int errRead = errPipe[0];
  int errWrite = errPipe[1];
  if (run.stderrTerminal) {
    // The terminal side is opened before the fork so the master never sees it closed early.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return outcome;
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return outcome;
    ::close(errPipe[0]);
    ::close(errPipe[1]);
    errRead = master;
    errWrite = terminal;
  }

  const pid_t child = ::fork();
  if (child == 0) {
    if (!run.directory.empty() && ::chdir(run.directory.c_str()) != 0) ::_exit(125);
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing < 0 || ::dup2(nothing, 0) < 0 || ::dup2(outPipe[1], 1) < 0 ||
        ::dup2(errWrite, 2) < 0)
      ::_exit(125);
    if (run.asNobody &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(126);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errWrite);
  if (child > 0) drain(child, outPipe[0], errRead, outcome);
  ::close(outPipe[0]);
  ::close(errRead);
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child) {
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
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
    "  quorbel analyze <file.cpp> --notation\n"
    "  quorbel analyze <file.cpp> --full\n"
    "  quorbel analyze ~/Downloads/file.cpp\n"
    "  quorbel --help\n"
    "  quorbel help\n"
    "\n"
    "Modes:\n"
    "  notation  Default. Prints a short labeled time and space summary.\n"
    "  full      Prints time, auxiliary space, rough constraints, signals, and notes.\n"
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
    home_ = root_ + "/home";
    work_ = root_ + "/work";
    makeDirectory(home_);
    makeDirectory(work_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(work_ + "/locked.cpp", fs::perms::owner_all, ignored);
    fs::remove_all(root_, ignored);
  }

  static void makeDirectory(const std::string& path) {
    fs::create_directories(path);
    ::chmod(path.c_str(), 0755);
  }
  static void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream file(path, std::ios::binary);
    file << contents;
    file.close();
    ::chmod(path.c_str(), 0644);
  }

  Outcome run(std::vector<std::string> arguments) const {
    Invocation invocation;
    invocation.arguments = std::move(arguments);
    invocation.directory = work_;
    invocation.home = home_;
    return runQuorbel(invocation);
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
  const CliCase kCases[] = {
      {"help flag", {"--help"}, kUsage, "", 0},
      {"help word", {"help"}, kUsage, "", 0},
      {"short help flag", {"-h"}, kUsage, "", 0},
      {"analyze --help", {"analyze", "--help"}, kUsage, "", 0},
      {"analyze -h", {"analyze", "-h"}, kUsage, "", 0},
      {"any word then help", {"help", "-h"}, kUsage, "", 0},
      {"analyze alone", {"analyze"}, "", kUsage, 2},
      {"help with a file", {"help", "a.cpp"}, "", kUsage, 2},
      {"help after the file", {"analyze", "a.cpp", "--help"}, "", kUsage, 2},
      {"help before the file", {"analyze", "--help", "a.cpp"}, "", kUsage, 2},
      {"full then --notation",
       {"analyze", "full", "a.cpp", "--notation"},
       "",
       "quorbel: conflicting analyze modes.\n",
       2},
      {"--notation then full",
       {"analyze", "--notation", "a.cpp", "full"},
       "",
       "quorbel: conflicting analyze modes.\n",
       2},
      {"repeated notation", {"analyze", "notation", "a.cpp", "--notation"}, kPlainReport, "", 0},
      {"mode after the file", {"analyze", "a.cpp", "notation"}, kPlainReport, "", 0},
      {"default mode", {"analyze", "a.cpp"}, kPlainReport, "", 0},
      {"extra argument",
       {"analyze", "a.cpp", "b.cpp"},
       "",
       "quorbel: expected one C++ file, got extra argument 'b.cpp'.\n" + kUsage,
       2},
      {"argument rules come before the extension",
       {"analyze", "a.txt", "b.txt"},
       "",
       "quorbel: expected one C++ file, got extra argument 'b.txt'.\n" + kUsage,
       2},
      {"empty argument after the file",
       {"analyze", "a.cpp", ""},
       "",
       "quorbel: expected one C++ file, got extra argument ''.\n" + kUsage,
       2},
      {"empty argument before the file", {"analyze", "", "a.cpp"}, kPlainReport, "", 0},
      {"old part word",
       {"analyze", "part", "a.cpp"},
       "",
       "quorbel: use 'notation' instead of 'part'.\n" + kUsage,
       2},
      {"old part flag",
       {"analyze", "a.cpp", "--part"},
       "",
       "quorbel: use 'notation' instead of 'part'.\n" + kUsage,
       2},
      {"unknown option",
       {"analyze", "--verbose", "a.cpp"},
       "",
       "quorbel: unknown option '--verbose'.\n" + kUsage,
       2},
      {"lone dash", {"analyze", "-"}, "", "quorbel: unknown option '-'.\n" + kUsage, 2},
      {"mode without file", {"analyze", "full"}, "", "quorbel: missing C++ file.\n" + kUsage, 2},
      {"empty file argument", {"analyze", ""}, "", "quorbel: missing C++ file.\n" + kUsage, 2},
  };
  for (const CliCase& c : kCases) expectOutcome(run(c.arguments), c);
}

TEST_F(CliTest, ExtensionRules) {
  for (const char* name : {"UPPER.CPP", "b.cc", "c.cxx", "d.hpp", "e.hh", "f.hxx", "g.Hxx"})
    writeFile(work_ + "/" + name, kPlainProgram);
  writeFile(work_ + "/a.txt", kPlainProgram);
  writeFile(work_ + "/a.cpp.txt", kPlainProgram);
  const CliCase kCases[] = {
      {"upper-case extension", {"analyze", "UPPER.CPP"}, kPlainReport, "", 0},
      {".cc", {"analyze", "b.cc"}, kPlainReport, "", 0},
      {".cxx", {"analyze", "c.cxx"}, kPlainReport, "", 0},
      {".hpp", {"analyze", "d.hpp"}, kPlainReport, "", 0},
      {".hh", {"analyze", "e.hh"}, kPlainReport, "", 0},
      {".hxx", {"analyze", "f.hxx"}, kPlainReport, "", 0},
      {"mixed case", {"analyze", "g.Hxx"}, kPlainReport, "", 0},
      {"text file that exists", {"analyze", "a.txt"}, "", kOnlyCpp, 2},
      {"only the last dot counts", {"analyze", "a.cpp.txt"}, "", kOnlyCpp, 2},
      {"markdown", {"analyze", "README.md"}, "", kOnlyCpp, 2},
      {"no dot", {"analyze", "Makefile"}, "", kOnlyCpp, 2},
      {"dot in a directory name", {"analyze", "dir.d/file"}, "", kOnlyCpp, 2},
      {"dot before a backslash", {"analyze", "dir.cpp\\file"}, "", kOnlyCpp, 2},
      {"C source", {"analyze", "main.c"}, "", kOnlyCpp, 2},
      {"near miss .cppx", {"analyze", "main.cppx"}, "", kOnlyCpp, 2},
      {"home alone", {"analyze", "~"}, "", kOnlyCpp, 2},
  };
  for (const CliCase& c : kCases) expectOutcome(run(c.arguments), c);
}

// ---- File problems ----

TEST_F(CliTest, FileProblems) {
  makeDirectory(work_ + "/folder.cpp");
  const CliCase kCases[] = {
      {"missing path",
       {"analyze", "./missing.cpp"},
       "",
       "quorbel: file does not exist: ./missing.cpp\n",
       1},
      {"missing bare name",
       {"analyze", "missing.cpp"},
       "",
       "quorbel: file does not exist: missing.cpp\n" + kAlsoChecked,
       1},
      {"backslash counts as a separator",
       {"analyze", "sub\\missing.cpp"},
       "",
       "quorbel: file does not exist: sub\\missing.cpp\n",
       1},
      {"directory",
       {"analyze", "full", "folder.cpp"},
       "",
       "quorbel: expected a file, got a directory: folder.cpp\n",
       1},
      {"missing file inside a directory",
       {"analyze", "folder.cpp/inner.cpp"},
       "",
       "quorbel: file does not exist: folder.cpp/inner.cpp\n",
       1},
  };
  for (const CliCase& c : kCases) expectOutcome(run(c.arguments), c);
}

TEST_F(CliTest, MissingBareNameWithoutHomeStillMentionsTheFolders) {
  Invocation invocation;
  invocation.arguments = {"analyze", "missing.cpp"};
  invocation.directory = work_;
  invocation.unsetHome = true;
  expectOutcome(
      runQuorbel(invocation),
      {"HOME unset", {}, "", "quorbel: file does not exist: missing.cpp\n" + kAlsoChecked, 1});
}

// Root opens mode-000 files anyway, so the run drops to the unprivileged user "nobody" in the
// child before starting the program; a non-root test run needs no change.
TEST_F(CliTest, UnreadableFile) {
  const std::string path = work_ + "/locked.cpp";
  writeFile(path, kPlainProgram);
  ::chmod(path.c_str(), 0000);
  Invocation invocation;
  invocation.arguments = {"analyze", "full", path};
  invocation.directory = work_;
  invocation.home = home_;
  invocation.asNobody = ::geteuid() == 0;
  expectOutcome(runQuorbel(invocation),
                {"mode 000", {}, "", "quorbel: Could not read file: " + path + "\n", 1});
}

TEST_F(CliTest, SizeLimitIsAppliedBeforeAnalysis) {
  // A program padded with a comment to an exact size.
  const auto paddedTo = [](size_t size) {
    std::string text = kPlainProgram + "//";
    text.append(size - text.size() - 1, 'x');
    return text + "\n";
  };
  writeFile(work_ + "/limit.cpp", paddedTo(kMaxAnalysisBytes));
  writeFile(work_ + "/over.cpp", paddedTo(kMaxAnalysisBytes + 1));
  ASSERT_EQ(fs::file_size(work_ + "/limit.cpp"), 1048576u);
  const CliCase kCases[] = {
      {"exactly the limit", {"analyze", "limit.cpp"}, kPlainReport, "", 0},
      {"one byte over",
       {"analyze", "full", "over.cpp"},
       "",
       "quorbel: file is too large to analyze (limit 1 MB).\n",
       1},
  };
  for (const CliCase& c : kCases) expectOutcome(run(c.arguments), c);
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

  for (const bool unset : {true, false}) {
    Invocation invocation;
    invocation.arguments = {"analyze", "~/Downloads/test.cpp"};
    invocation.directory = work_;
    invocation.unsetHome = unset;  // otherwise HOME is empty
    expectOutcome(runQuorbel(invocation),
                  {"no home", {}, "", "quorbel: file does not exist: ~/Downloads/test.cpp\n", 1});
  }
}

TEST_F(CliTest, BareNameFallsBackToDownloadsDesktopDocuments) {
  struct Placement {
    const char* name;
    std::vector<std::string> copies;  // where the file exists, relative to the scratch root
    std::string wantFile;             // the report's File: line
  };
  const Placement kPlacements[] = {
      {"downloads only", {"home/Downloads"}, home_ + "/Downloads/solution.cpp"},
      {"desktop only", {"home/Desktop"}, home_ + "/Desktop/solution.cpp"},
      {"documents only", {"home/Documents"}, home_ + "/Documents/solution.cpp"},
      {"downloads before desktop",
       {"home/Desktop", "home/Downloads", "home/Documents"},
       home_ + "/Downloads/solution.cpp"},
      {"desktop before documents",
       {"home/Documents", "home/Desktop"},
       home_ + "/Desktop/solution.cpp"},
      {"the working directory first", {"work", "home/Downloads"}, "solution.cpp"},
  };
  for (const Placement& p : kPlacements) {
    for (const char* folder : {"home/Downloads", "home/Desktop", "home/Documents", "work"})
      fs::remove(root_ + "/" + folder + "/solution.cpp");
    for (const std::string& folder : p.copies) {
      makeDirectory(root_ + "/" + folder);
      writeFile(root_ + "/" + folder + "/solution.cpp", kPlainProgram);
    }
    const Outcome full = run({"analyze", "full", "solution.cpp"});
    EXPECT_EQ(full.status, 0) << p.name << "\n" << describe(full);
    EXPECT_EQ(full.err, "") << p.name;
    EXPECT_TRUE(full.out.starts_with("quorbel analysis\nFile: " + p.wantFile + "\n"))
        << p.name << "\n"
        << full.out;
  }
  expectOutcome(run({"analyze", "solution.cpp"}), {"notation", {}, kPlainReport, "", 0});

  // A name with a separator is never looked up in the folders.
  fs::remove(work_ + "/solution.cpp");
  expectOutcome(run({"analyze", "./solution.cpp"}),
                {"separator", {}, "", "quorbel: file does not exist: ./solution.cpp\n", 1});
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

TEST_F(CliTest, FullReportCountsLines) {
  writeFile(work_ + "/three.cpp", "int main() {\r\n  return 0;\r\n}\r\n");
  writeFile(work_ + "/unterminated.cpp", "int main() {\n  return 0;\n}");
  for (const char* name : {"three.cpp", "unterminated.cpp"}) {
    const Outcome full = run({"analyze", "full", name});
    EXPECT_EQ(full.status, 0) << describe(full);
    EXPECT_TRUE(
        full.out.starts_with("quorbel analysis\nFile: " + std::string(name) + "\nLines: 3\n\n"))
        << full.out;
  }
}

TEST_F(CliTest, ProgressTextOnlyOnATerminal) {
  writeFile(work_ + "/a.cpp", kPlainProgram);
  Invocation invocation;
  invocation.arguments = {"analyze", "a.cpp"};
  invocation.directory = work_;
  invocation.home = home_;
  expectOutcome(runQuorbel(invocation), {"pipe", {}, kPlainReport, "", 0});
  invocation.stderrTerminal = true;
  expectOutcome(runQuorbel(invocation),
                {"terminal", {}, kPlainReport, "Analyzing...\r" + std::string(80, ' ') + "\r", 0});
}

// ---- In-process pieces ----

TEST(CliCommandTest, CommandWordSelection) {
  struct Case {
    const char* name;
    std::vector<const char*> argv;  // a trailing null is added
    bool want;
  };
  const Case kCases[] = {
      {"analyze", {"quorbel", "analyze"}, true},
      {"help", {"quorbel", "help"}, true},
      {"-h", {"quorbel", "-h"}, true},
      {"--help", {"quorbel", "--help"}, true},
      {"with more words", {"quorbel", "analyze", "full", "a.cpp"}, true},
      {"program name only", {"quorbel"}, false},
      {"capitalised", {"quorbel", "Analyze"}, false},
      {"prefix", {"quorbel", "analyzer"}, false},
      {"single dash help word", {"quorbel", "-help"}, false},
      {"test mode", {"quorbel", "--test"}, false},
      {"port", {"quorbel", "8080"}, false},
      {"help second", {"quorbel", "8080", "help"}, false},
  };
  for (const Case& c : kCases) {
    std::vector<char*> argv;
    for (const char* word : c.argv) argv.push_back(const_cast<char*>(word));
    argv.push_back(nullptr);
    EXPECT_EQ(isAnalyzeCliCommand(static_cast<int>(c.argv.size()), argv.data()), c.want) << c.name;
  }
  char* nullFirst[] = {const_cast<char*>("quorbel"), nullptr, nullptr};
  EXPECT_FALSE(isAnalyzeCliCommand(2, nullFirst));
  EXPECT_FALSE(isAnalyzeCliCommand(2, nullptr));
}

TEST(CliCommandTest, InProcessRunWritesOnlyToTheGivenStreams) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(runAnalyzeCli({"analyze", "does/not/exist.cpp"}, out, err), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "quorbel: file does not exist: does/not/exist.cpp\n");

  std::ostringstream helpOut;
  std::ostringstream helpErr;
  EXPECT_EQ(runAnalyzeCli({"help"}, helpOut, helpErr), 0);
  EXPECT_EQ(helpOut.str(), kUsage);
  EXPECT_EQ(helpErr.str(), "");
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
      {"one line with feed", "x\n", 1},
      {"lone feed", "\n", 1},
      {"two feeds", "\n\n", 2},
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

  // No constraints at all, and notes present.
  analysis.constraints.clear();
  analysis.notes = {"first", "second"};
  std::ostringstream withNotes;
  printFullReport("x.cpp", "", analysis, withNotes);
  EXPECT_NE(withNotes.str().find("Rough constraints:\n  - none\n\n"), std::string::npos)
      << withNotes.str();
  EXPECT_TRUE(
      withNotes.str().ends_with("Space signals:\n  - none\n\nNotes:\n  - first\n  - "
                                "second\n"))
      << withNotes.str();
}

TEST(CliReportTest, ProgressTextIsWrittenAndErased) {
  const std::string path =
      (fs::temp_directory_path() / ("quorbel-progress-" + std::to_string(::getpid()) + ".cpp"))
          .string();
  {
    std::ofstream file(path);
    file << kPlainProgram;
  }
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(runAnalyzeCliImpl({"analyze", path}, out, err, true), 0);
  fs::remove(path);
  EXPECT_EQ(out.str(), kPlainReport);
  EXPECT_EQ(err.str(), "Analyzing...\r" + std::string(80, ' ') + "\r");
}

}  // namespace
}  // namespace quorbel
