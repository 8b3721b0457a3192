#include "regression/regression.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "analysis/pipeline.h"
#include "base/text.h"
#include "runner/runner_checks.h"
#include "storage/analysis_store.h"

namespace quorbel {
namespace {

constexpr const char* kBrute = "tests/fixtures/brute.cpp";
constexpr const char* kTestHome = "/tmp/quorbel_cli_test_home";

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

int countLines(const std::string& contents) {
  if (contents.empty()) return 0;
  int lines = 1;
  for (char c : contents) lines += c == '\n';
  if (contents.back() == '\n') --lines;
  return lines;
}

// ---- Fixture table ----

bool runFixtureTable() {
  bool passed = true;
  for (const TestCase& test : regressionCases()) {
    const std::string code = readWholeFile(test.path);
    if (trim(code).empty()) {
      std::cout << test.name << ": missing fixture " << test.path << "\n";
      passed = false;
      continue;
    }
    const Analysis result = analyze(code);
    std::cout << test.name << ": " << result.notation << " | space " << result.space.notation
              << " | " << result.label << " | " << result.pattern << "\n";
    if (test.expectedTime.empty() || test.expectedSpace.empty()) {
      std::cout << "  no expected time and space in " << test.path << "\n";
      passed = false;
    }
    for (const std::string& signal : test.expectedSignals) {
      const auto mentions = [&](const std::string& line) {
        return line.find(signal) != std::string::npos;
      };
      if (std::none_of(result.signals.begin(), result.signals.end(), mentions) &&
          std::none_of(result.space.signals.begin(), result.space.signals.end(), mentions)) {
        std::cout << "  expected signal " << signal << "\n";
        passed = false;
      }
    }
    for (const std::string& note : test.expectedNotes) {
      if (std::none_of(result.notes.begin(), result.notes.end(), [&](const std::string& line) {
            return line.find(note) != std::string::npos;
          })) {
        std::cout << "  expected note " << note << "\n";
        passed = false;
      }
    }
    if (result.notation != test.expectedTime) {
      std::cout << "  expected time " << test.expectedTime << "\n";
      passed = false;
    }
    if (result.space.notation != test.expectedSpace) {
      std::cout << "  expected space " << test.expectedSpace << "\n";
      passed = false;
    }
  }
  return passed;
}

// ---- Command-line checks ----

struct CliCheck {
  std::string name;
  std::vector<std::string> arguments;
  int expectedExit;
  std::vector<std::string> stdoutRequires;
  std::vector<std::string> stderrRequires;
  std::vector<std::string> stdoutForbids;
  std::optional<std::string> exactStdout;
};

std::vector<CliCheck> cliChecks() {
  const std::string notation = "Time: O(n^2)\nSpace: O(1)\nConfidence: time high, space high\n";
  const std::vector<std::string> notationForbids = {"Analyzing...", "Worst-case time"};
  const std::vector<std::string> fullRequires = {
      "quorbel analysis",        "File: tests/fixtures/brute.cpp",
      "Worst-case time: O(n^2)", "Auxiliary space: O(1)",
      "Time signals:",           "Space signals:"};
  const std::vector<std::string> helpRequires = {
      "quorbel CLI", "quorbel analyze notation <file.cpp>", ".cpp, .cc, .cxx, .hpp, .hh, .hxx",
      "Supported C++ files:", "~/Downloads/file.cpp"};
  return {
      {"default-notation", {"analyze", kBrute}, 0, {}, {}, notationForbids, notation},
      {"notation-mode", {"analyze", "notation", kBrute}, 0, {}, {}, notationForbids, notation},
      {"notation-flag", {"analyze", kBrute, "--notation"}, 0, {}, {}, notationForbids, notation},
      {"full-mode", {"analyze", "full", kBrute}, 0, fullRequires, {}, {}, std::nullopt},
      {"full-flag", {"analyze", kBrute, "--full"}, 0, fullRequires, {}, {}, std::nullopt},
      {"top-level-help-flag", {"--help"}, 0, helpRequires, {}, {}, std::nullopt},
      {"top-level-help-word", {"help"}, 0, helpRequires, {}, {}, std::nullopt},
      {"analyze-help", {"analyze", "--help"}, 0, helpRequires, {}, {}, std::nullopt},
      {"tilde-path", {"analyze", "~/Downloads/test.cpp"}, 0, {}, {}, notationForbids, notation},
      {"downloads-fallback", {"analyze", "test.cpp"}, 0, {}, {}, notationForbids, notation},
      {"unsupported-extension",
       {"analyze", "README.md"},
       2,
       {},
       {"only accepts C++ files"},
       {},
       std::nullopt},
      {"missing-file",
       {"analyze", "tests/fixtures/does_not_exist.cpp"},
       1,
       {},
       {"file does not exist"},
       {},
       std::nullopt},
      {"old-part-name",
       {"analyze", "part", kBrute},
       2,
       {},
       {"use 'notation' instead of 'part'"},
       {},
       std::nullopt},
  };
}

bool runCliCheck(const CliCheck& check, const AnalyzeCommand& analyzeCommand) {
  std::ostringstream out, err;
  const int status = analyzeCommand(check.arguments, out, err);
  bool passed = true;
  std::cout << "cli-" << check.name << ": exit " << status << "\n";
  if (status != check.expectedExit) {
    std::cout << "  expected exit " << check.expectedExit << "\n";
    passed = false;
  }
  for (const std::string& text : check.stdoutRequires)
    if (out.str().find(text) == std::string::npos) {
      std::cout << "  stdout missing " << text << "\n";
      passed = false;
    }
  for (const std::string& text : check.stderrRequires)
    if (err.str().find(text) == std::string::npos) {
      std::cout << "  stderr missing " << text << "\n";
      passed = false;
    }
  for (const std::string& text : check.stdoutForbids)
    if (out.str().find(text) != std::string::npos) {
      std::cout << "  stdout unexpectedly contained " << text << "\n";
      passed = false;
    }
  if (check.exactStdout && out.str() != *check.exactStdout) {
    std::cout << "  stdout was not exact expected output\n";
    passed = false;
  }
  return passed;
}

// Points HOME at a scratch home holding Downloads/test.cpp for the life of the guard, then
// puts the previous value back (or unsets HOME when it was unset).
struct ScratchHome {
  ScratchHome() {
    const char* previous = std::getenv("HOME");
    if (previous) saved = previous;
    mkdir(kTestHome, 0755);
    const std::string downloads = std::string(kTestHome) + "/Downloads";
    mkdir(downloads.c_str(), 0755);
    std::ofstream(downloads + "/test.cpp", std::ios::binary) << readWholeFile(kBrute);
    setenv("HOME", kTestHome, 1);
  }
  ~ScratchHome() {
    if (saved)
      setenv("HOME", saved->c_str(), 1);
    else
      unsetenv("HOME");
  }
  ScratchHome(const ScratchHome&) = delete;
  ScratchHome& operator=(const ScratchHome&) = delete;
  std::optional<std::string> saved;
};

bool runCliChecks(const AnalyzeCommand& analyzeCommand) {
  bool passed = true;
  ScratchHome home;
  for (const CliCheck& check : cliChecks()) passed = runCliCheck(check, analyzeCommand) && passed;
  return passed;
}

// ---- Storage ----

bool runStorageCheck() {
  AnalysisStore store(":memory:");
  if (!store.ok()) {
    std::cout << "storage: failed to open SQLite: " << store.lastError() << "\n";
    return false;
  }
  const std::string code = readWholeFile(kBrute);
  if (!store.saveAnalysis({code, analyze(code), countLines(code)})) {
    std::cout << "storage: failed to save analysis: " << store.lastError() << "\n";
    return false;
  }
  std::cout << "storage: ok\n";
  return true;
}

}  // namespace

int runTests(const AnalyzeCommand& analyzeCommand) {
  bool passed = runFixtureTable();
  passed = runCliChecks(analyzeCommand) && passed;
  passed = runStorageCheck() && passed;
  std::cout.flush();
  const bool runnerPassed = runRunnerSelfTests() == 0;
  std::cout.flush();
  return passed && runnerPassed ? 0 : 1;
}

}  // namespace quorbel
