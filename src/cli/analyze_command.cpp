// The analyze command: help words, the mode and file arguments, the C++ extension check, the
// file look-up ("~/" expansion, then Downloads, Desktop and Documents for a bare name),
// reading within the size limit, the progress text and the report.
#include "cli/analyze_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>

#include "analysis/bounded_analysis.h"
#include "analysis/cpp_presence.h"
#include "base/analysis_bounds.h"
#include "base/input_limit.h"
#include "base/text.h"
#include "cli/analyze_report.h"
#include "cli/suggestion.h"
#include "cli/throwaway_run.h"
#include "server/verdict_report.h"
#include "syntax/parse_tree.h"
#include "verdict/verdict.h"

namespace quorbel {
namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusFileProblem = 1;
constexpr int kStatusBadLimit = 1;
constexpr int kStatusUsage = 2;
// The verdict reached what --fail-on names; the report was still printed.
constexpr int kStatusVerdictFailed = 3;
constexpr int kStatusStopped = 4;  // a bound of the analysis tripped; no report
constexpr int kStatusNotCpp = 5;   // the file holds no C++ (cpp_presence.h); no report

// ---- Usage and arguments ----

void printUsage(std::ostream& out) {
  static constexpr const char* kLines[] = {
      "quorbel CLI",
      "",
      "Analyze local C++ files without sending code to the web app.",
      "",
      "Usage:",
      "  quorbel analyze <file.cpp>",
      "  quorbel analyze notation <file.cpp>",
      "  quorbel analyze full <file.cpp>",
      "  quorbel analyze json <file.cpp>",
      "  quorbel analyze full <file.cpp> --limit n=2e5 --time-limit 2 --memory-limit 256",
      "  quorbel analyze <file.cpp> --fail-on too-slow",
      "  quorbel analyze - < file.cpp",
      "  quorbel analyze <file.cpp> --notation",
      "  quorbel analyze <file.cpp> --full",
      "  quorbel analyze ~/Downloads/file.cpp",
      "  quorbel measure <file.cpp> [--budget 0.5] [--vary n] [--shape tree] [--json]",
      "  quorbel [PORT]          the HTTP server and web front end on 127.0.0.1:8080 (or PORT)",
      "  quorbel --test          the built-in regression run (from the repository root)",
      "  quorbel --runner-linux-test",
      "  quorbel --version",
      "  quorbel --help",
      "  quorbel help",
      "",
      "measure runs the program in the runner's box on generated inputs of doubling sizes and",
      "fits a growth class to its times; 'quorbel measure --help' for its options.",
      "",
      "Modes:",
      "  notation  Default. Prints a short labeled time and space summary.",
      "  full      Prints time, auxiliary space, rough constraints, signals, and notes.",
      "  json      Prints the JSON document of the server's /api/analyze, verdict included.",
      "",
      "Limits (the verdict: will it pass?):",
      "  --limit NAME=VALUE    A size of the estimate is at most VALUE (2e5, 2*10^5, 10^9).",
      "  --time-limit SECONDS  Default: a time limit comment in the source, else 1 second.",
      "  --memory-limit MB     Default: a memory comment in the source, else 256 MB.",
      "  --fail-on too-slow    Exit with status 3 when the verdict is too slow (or too much",
      "                        memory); --fail-on tight also fails on tight.",
      "",
      "Exit status: 0 report, 1 file or limit problem, 2 usage problem or empty input,",
      "3 the verdict reached --fail-on, 4 the analysis stopped at one of its bounds (3 s of",
      "CPU, 384 MB, 4 MB of expanded macros), 5 the file holds no C++ (no function, and most",
      "lines do not parse).",
      "",
      "Supported C++ files:",
      "  .cpp, .cc, .cxx, .hpp, .hh, .hxx",
      "",
      "File paths:",
      "  Pass a full path, drag a file into Terminal, or use ~/Downloads/file.cpp.",
      "  If you pass only a filename, quorbel also checks Downloads, Desktop, and Documents.",
      "  A lone - reads the code from standard input.",
  };
  for (const char* line : kLines) out << line << '\n';
}

bool isHelpWord(const std::string& argument) { return argument == "-h" || argument == "--help"; }

// One line saying what is wrong and where help is; the usage text itself would bury it.
int usageError(std::ostream& err, const std::string& message) {
  err << "quorbel: " << message << "\nRun 'quorbel --help' for usage.\n";
  return kStatusUsage;
}

struct CommandLine {
  std::string mode = "notation";  // "notation", "full" or "json"
  std::string file;
  GivenLimits limits;
  bool limitsGiven = false;
  std::string failOn;  // "", "too-slow" or "tight"
};

int limitError(std::ostream& err, const std::string& message) {
  err << "quorbel: " << message << '\n';
  return kStatusBadLimit;
}

// Reads "--limit n=2e5", "--time-limit 2", "--memory-limit=256" at arguments[i], moving i past
// a separate value. Returns the exit status when the words are not a limit that can be read.
std::optional<int> parseLimitArgument(const std::vector<std::string>& arguments, size_t& i,
                                      CommandLine& command, std::ostream& err) {
  const std::string& argument = arguments[i];
  const size_t equals = argument.find('=');
  const std::string flag = argument.substr(0, equals);
  std::string value;
  if (equals != std::string::npos) {
    value = argument.substr(equals + 1);
  } else if (i + 1 < arguments.size()) {
    value = arguments[++i];
  } else {
    return limitError(err, flag + " needs a value, such as " +
                               (flag == "--limit"        ? "n=2e5"
                                : flag == "--time-limit" ? "2"
                                                         : "256") +
                               ".");
  }
  const std::string label = flag + " " + value;
  command.limitsGiven = true;
  if (flag == "--time-limit") {
    command.limits.timeLimit = GivenValue{"", value, label};
  } else if (flag == "--memory-limit") {
    command.limits.memoryLimit = GivenValue{"", value, label};
  } else {
    const size_t split = value.find('=');
    const std::string name = trim(std::string_view(value).substr(0, split));
    if (split == std::string::npos || name.empty()) {
      return limitError(err, label + ": expected NAME=VALUE, such as n=2e5.");
    }
    command.limits.sizes.push_back({name, trim(std::string_view(value).substr(split + 1)), label});
  }
  return std::nullopt;
}

bool isLimitFlag(const std::string& argument) {
  const std::string flag = argument.substr(0, argument.find('='));
  return flag == "--limit" || flag == "--time-limit" || flag == "--memory-limit";
}

bool hasPathSeparator(const std::string& file) {
  return file.find_first_of("/\\") != std::string::npos;
}

// Reads the words after "analyze". Returns the exit status when they end the command.
std::optional<int> parseAnalyzeArguments(const std::vector<std::string>& arguments,
                                         CommandLine& command, std::ostream& err) {
  bool modeChosen = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string mode;
    for (const char* word : {"notation", "full", "json"})
      if (argument == word || argument == std::string("--") + word) mode = word;
    if (!mode.empty()) {
      // Repeating a mode is fine; asking for two is not.
      if (modeChosen && command.mode != mode) {
        err << "quorbel: conflicting analyze modes.\n";
        return kStatusUsage;
      }
      modeChosen = true;
      command.mode = mode;
      continue;
    }
    if (isLimitFlag(argument)) {
      if (const std::optional<int> status = parseLimitArgument(arguments, i, command, err))
        return status;
      continue;
    }
    if (argument == "--fail-on" || argument.starts_with("--fail-on=")) {
      const bool joined = argument.size() > 9;
      if (!joined && i + 1 == arguments.size())
        return usageError(err, "--fail-on needs too-slow or tight.");
      command.failOn = joined ? argument.substr(10) : arguments[++i];
      if (command.failOn != "too-slow" && command.failOn != "tight")
        return usageError(err, "--fail-on takes too-slow or tight, not '" + command.failOn + "'.");
      continue;
    }
    if (argument == "part" || argument == "--part") {
      return usageError(err, "use 'notation' instead of 'part'.");
    }
    if (argument.size() > 1 && argument[0] == '-') {
      const std::string meant =
          closestWord(argument, {"--full", "--json", "--notation", "--limit", "--time-limit",
                                 "--memory-limit", "--fail-on", "--help"});
      return usageError(err, "unknown option '" + argument + "'" +
                                 (meant.empty() ? "." : "; did you mean '" + meant + "'?"));
    }
    // "analyze ful x.cpp": a mode mistyped, not a file without its extension.
    if (argument.find('.') == std::string::npos && !hasPathSeparator(argument)) {
      const std::string meant = closestWord(argument, {"notation", "full", "json"});
      if (!meant.empty())
        return usageError(err, "unknown mode '" + argument + "'; did you mean '" + meant + "'?");
    }
    if (!command.file.empty()) {
      return usageError(err, "expected one C++ file, got extra argument '" + argument + "'.");
    }
    command.file = argument;
  }
  if (command.file.empty()) return usageError(err, "missing C++ file.");
  return std::nullopt;
}

// ---- Finding the file ----

// The extension after the last dot, case-insensitively, and only in the last path component:
// "dir.d/file" has none.
bool hasCppExtension(const std::string& file) {
  const size_t dot = file.rfind('.');
  if (dot == std::string::npos) return false;
  const size_t separator = file.find_last_of("/\\");
  if (separator != std::string::npos && dot < separator) return false;
  static constexpr std::array<const char*, 6> kExtensions = {".cpp", ".cc", ".cxx",
                                                             ".hpp", ".hh", ".hxx"};
  const std::string extension = lowerCopy(file.substr(dot));
  for (const char* accepted : kExtensions)
    if (extension == accepted) return true;
  return false;
}

std::string homeDirectory() {
  const char* home = std::getenv("HOME");
  return home == nullptr ? std::string() : std::string(home);
}

std::string expandHome(const std::string& file) {
  const std::string home = homeDirectory();
  if (file == "~") return home;
  if (file.size() >= 3 && file.starts_with("~/") && !home.empty()) return home + file.substr(1);
  return file;
}

// The path the file argument names, or for a bare name the first copy in the usual download
// folders; empty when nothing exists.
std::string locateFile(const std::string& file, struct stat& info) {
  const std::string path = expandHome(file);
  if (::stat(path.c_str(), &info) == 0) return path;
  const std::string home = homeDirectory();
  if (hasPathSeparator(file) || home.empty()) return "";
  for (const char* folder : {"/Downloads/", "/Desktop/", "/Documents/"}) {
    const std::string candidate = home + folder + file;
    if (::stat(candidate.c_str(), &info) == 0) return candidate;
  }
  return "";
}

// ---- Reading ----

// Reads the raw bytes. A file over the analysis limit is refused from its size before it is
// read, and reading stops one byte past the limit for files whose size stat cannot tell
// (pipes, devices) or that grow meanwhile.
// Reads `fd` to its end within the analysis limit; `error` stays empty when the read failed.
bool readDescriptor(int fd, std::string& contents, std::string& error) {
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<unsigned long long>(info.st_size) > kMaxAnalysisBytes) {
    error = "file is too large to analyze (limit 1 MB).";
    return false;
  }
  contents.clear();
  char buffer[65536];
  bool failed = false;
  while (contents.size() <= kMaxAnalysisBytes) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) failed = true;
    if (got <= 0) break;
    contents.append(buffer, static_cast<size_t>(got));
  }
  if (failed) return false;
  if (contents.size() > kMaxAnalysisBytes) {
    error = "file is too large to analyze (limit 1 MB).";
    return false;
  }
  return true;
}

bool readFile(const std::string& path, std::string& contents, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool read = fd >= 0 && readDescriptor(fd, contents, error);
  if (fd >= 0) ::close(fd);
  if (!read && error.empty()) error = "Could not read file: " + path;
  return read;
}

// Finds, checks and reads the file the argument names. Returns the exit status on a problem.
std::optional<int> readNamedFile(const std::string& file, std::string& path, std::string& contents,
                                 std::ostream& err) {
  if (!hasCppExtension(file)) {
    err << "quorbel: analyze only accepts C++ files (.cpp, .cc, .cxx, .hpp, .hh, .hxx).\n";
    return kStatusUsage;
  }
  struct stat info {};
  path = locateFile(file, info);
  if (path.empty()) {
    err << "quorbel: file does not exist: " << file << '\n';
    if (!hasPathSeparator(file)) {
      err << "quorbel: also checked ~/Downloads, ~/Desktop, and ~/Documents.\n";
    }
    return kStatusFileProblem;
  }
  if (S_ISDIR(info.st_mode)) {
    err << "quorbel: expected a file, got a directory: " << path << '\n';
    return kStatusFileProblem;
  }
  std::string error;
  if (!readFile(path, contents, error)) {
    err << "quorbel: " << error << '\n';
    return kStatusFileProblem;
  }
  return std::nullopt;
}

// ---- The verdict in the exit status ----

// A limit came from the file (a constraints comment, a sizing constant) or from a flag.
bool limitsKnown(const Verdict& verdict) {
  return verdict.timeLimitSource != "default" || verdict.memoryLimitSource != "default" ||
         std::any_of(verdict.sizes.begin(), verdict.sizes.end(),
                     [](const SizeLimit& size) { return size.known; });
}

// 3 when the verdict reached `failOn`; a verdict that could not be reached is said, not failed.
int gateOnVerdict(const Verdict& verdict, const std::string& failOn, std::ostream& err) {
  if (failOn.empty()) return kStatusOk;
  const std::string& time = verdict.time.status;
  const bool failed = time == "too slow" || verdict.memory.status == "too much" ||
                      (failOn == "tight" && time == "tight");
  if (failed) {
    err << "quorbel: verdict: time " << time << ", memory " << verdict.memory.status
        << " (--fail-on " << failOn << ").\n";
    return kStatusVerdictFailed;
  }
  if (time == "unknown")
    err << "quorbel: --fail-on " << failOn
        << " has no time verdict to judge: " << verdict.time.summary << ".\n";
  return kStatusOk;
}

// Analyses `contents` and prints the report of `command`'s mode; `analysed` runs once the
// analysis is done, before anything is printed.
int analyzeAndReport(const CommandLine& command, const std::string& path,
                     const std::string& contents, std::ostream& out, std::ostream& err,
                     const std::function<void()>& analysed = nullptr) {
  Verdict verdict;
  std::string error;
  bool judged = true;
  BoundedAnalysis bounded = analyzeWithinBounds(contents, [&](const Analysis& analysis) {
    judged = judgeAtLimits(analysis, command.limits, verdict, error);
  });
  if (analysed) analysed();
  if (bounded.stopped) {
    err << "quorbel: " << *bounded.stopped << '\n';
    return kStatusStopped;
  }
  const Analysis& analysis = bounded.analysis;
  if (const std::optional<std::string> why = whyNotCpp(analysis)) {
    err << "quorbel: " << (command.file == "-" ? "standard input" : path) << ": " << *why << '\n';
    return kStatusNotCpp;
  }
  if (!judged) return limitError(err, error);
  if (analysis.parseErrorLine > 0) {
    err << "quorbel: warning: the code does not parse cleanly (first syntax error on line "
        << analysis.parseErrorLine << "); the estimate may miss what it hides.\n";
  }
  if (command.mode == "json") {
    out << renderAnalysisJson(contents, analysis, verdict, false, "") << '\n';
  } else if (command.mode == "full") {
    std::ostringstream section;
    printVerdictSection(verdict, section);
    printFullReport(path, contents, analysis, out, section.str());
  } else {
    printNotationReport(analysis, out);
    if (command.limitsGiven || !command.failOn.empty() || limitsKnown(verdict))
      printVerdictLine(verdict, out);
  }
  return gateOnVerdict(verdict, command.failOn, err);
}

void clearProgress(std::ostream& err, bool showProgress) {
  if (showProgress) err << '\r' << std::string(80, ' ') << '\r' << std::flush;
}

}  // namespace

bool isAnalyzeCliCommand(int argc, char** argv) {
  if (argc < 2 || argv == nullptr || argv[1] == nullptr) return false;
  const std::string word = argv[1];
  return word == "analyze" || word == "help" || word == "-h" || word == "--help";
}

int dispatchCli(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; argv != nullptr && i < argc; ++i)
    arguments.emplace_back(argv[i] == nullptr ? "" : argv[i]);
  return runAnalyzeCliImpl(arguments, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}

int runAnalyzeCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  return runAnalyzeCliImpl(arguments, out, err, false);
}

int runAnalyzeCliImpl(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool showProgress) {
  // Help asked for is an answer (standard output, 0), wherever it stands after "analyze".
  const bool helpAsked = std::any_of(arguments.begin(), arguments.end(), isHelpWord);
  if ((arguments.size() == 1 && arguments[0] == "help") ||
      (helpAsked &&
       (arguments[0] == "analyze" || arguments[0] == "help" || isHelpWord(arguments[0])))) {
    printUsage(out);
    return kStatusOk;
  }
  if (arguments.empty() || arguments[0] != "analyze") {
    return usageError(err, "expected 'quorbel analyze <file.cpp>'.");
  }

  CommandLine command;
  if (const std::optional<int> status = parseAnalyzeArguments(arguments, command, err)) {
    return *status;
  }
  std::string path = "standard input";
  std::string contents;
  if (command.file == "-") {
    std::string error;
    if (!readDescriptor(STDIN_FILENO, contents, error)) {
      err << "quorbel: " << (error.empty() ? "could not read standard input." : error) << '\n';
      return kStatusFileProblem;
    }
  } else if (const std::optional<int> status = readNamedFile(command.file, path, contents, err)) {
    return *status;
  }
  if (trim(contents).empty()) {
    err << "quorbel: " << (command.file == "-" ? "standard input" : path)
        << " is empty: nothing to analyze.\n";
    return kStatusUsage;
  }

  if (showProgress) err << "Analyzing..." << std::flush;
  // A file whose parse needs the guard is analysed whole in the guard's child: its one parse is
  // then the guarded one. Only when that child dies is the file analysed here.
  if (parseNeedsGuard(contents)) {
    std::optional<ChildReport> report =
        runInThrowAwayChild([&](std::ostream& childOut, std::ostream& childErr) {
          parseWithoutGuardFromNowOn();
          return analyzeAndReport(command, path, contents, childOut, childErr);
        });
    if (report) {
      clearProgress(err, showProgress);
      out << report->out;
      err << report->err;
      return report->status;
    }
  }
  return analyzeAndReport(command, path, contents, out, err,
                          [&] { clearProgress(err, showProgress); });
}

}  // namespace quorbel
