#include "cli/entry.h"

#include <csignal>
#include <string>

#include "cli/analyze_command.h"
#include "cli/measure_command.h"
#include "cli/server_mode.h"
#include "regression/regression.h"
#include "runner/runner_checks.h"

namespace quorbel {
namespace {

bool firstArgumentIs(int argc, char** argv, const char* word) {
  return argc >= 2 && std::string(argv[1]) == word;
}

}  // namespace

int runEntry(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  if (firstArgumentIs(argc, argv, "--test")) return runTests();
  if (firstArgumentIs(argc, argv, "--runner-linux-test")) return runRunnerLinuxValidation();
  if (isAnalyzeCliCommand(argc, argv)) return dispatchCli(argc, argv);
  if (isMeasureCliCommand(argc, argv)) return dispatchMeasureCli(argc, argv);
  return runServerMode(argc, argv);
}

}  // namespace quorbel
