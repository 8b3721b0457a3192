#include "cli/entry.h"

#include <csignal>
#include <cstdio>
#include <string>

#include "cli/analyze_command.h"
#include "cli/measure_command.h"
#include "cli/server_mode.h"
#include "cli/suggestion.h"
#include "lsp/stdio_server.h"
#include "regression/regression.h"
#include "runner/runner_checks.h"

namespace quorbel {
namespace {

constexpr const char* kVersion = "quorbel 1.0";

bool firstArgumentIs(int argc, char** argv, const char* word) {
  return argc >= 2 && argv[1] != nullptr && std::string(argv[1]) == word;
}

// One line and a pointer to the help: an unknown word must not start a server (and create
// its data/ folder) where the user happened to be.
int usageError(const std::string& what) {
  const char* end = what.ends_with('?') ? "" : ".";
  std::fprintf(stderr, "quorbel: %s%s Try 'quorbel --help'.\n", what.c_str(), end);
  return 2;
}

}  // namespace

int runEntry(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  if (firstArgumentIs(argc, argv, "--test")) return runTests(runAnalyzeCli);
  if (firstArgumentIs(argc, argv, "--runner-linux-test")) return runRunnerLinuxValidation();
  if (firstArgumentIs(argc, argv, "--version")) {
    std::printf("%s\n", kVersion);
    return 0;
  }
  if (isAnalyzeCliCommand(argc, argv)) return dispatchCli(argc, argv);
  if (isLspCommand(argc, argv)) return runLspCommand(argc, argv);
  if (isMeasureCliCommand(argc, argv)) return dispatchMeasureCli(argc, argv);
  if (argc > 2 || (argc == 2 && !parsePort(argv[1] == nullptr ? "" : argv[1]))) {
    const std::string word = argv[1] == nullptr ? "" : argv[1];
    if (argc > 2 || word.empty() || word.find_first_not_of("0123456789") != std::string::npos) {
      const std::string meant = closestWord(word, {"analyze", "measure", "help", "--help", "--test",
                                                   "--version", "--runner-linux-test"});
      return usageError("unknown command '" + word + "'" +
                        (meant.empty() ? "" : "; did you mean '" + meant + "'?"));
    }
    return usageError("port " + word + " is not between 1 and 65535");
  }
  return runServerMode(argc, argv);
}

}  // namespace quorbel
