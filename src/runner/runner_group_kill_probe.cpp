// The process-group probe: a helper whose forked child must die with it, whether the run ends
// by its time limit or by flooding an output stream.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "runner/runner_checks.h"
#include "runner/runner_config.h"
#include "runner/runner_files.h"
#include "runner/runner_process.h"

namespace quorbel {
namespace {

constexpr const char* kProbeProgram = R"PROBE(#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  pid_t child = fork();
  if (child == 0) {
    for (;;) usleep(100000);
  }
  if (child < 0) return 3;
  std::FILE* file = std::fopen(argv[1], "w");
  if (file == nullptr) return 4;
  std::fprintf(file, "%d\n", static_cast<int>(child));
  std::fclose(file);
  usleep(100000);
  const bool toStdout = std::strcmp(argv[2], "stdout") == 0;
  const bool toStderr = std::strcmp(argv[2], "stderr") == 0;
  char block[4096];
  if (toStdout || toStderr) {
    std::memset(block, toStdout ? 'x' : 'e', sizeof block);
    const int fd = toStdout ? 1 : 2;
    for (;;) {
      if (write(fd, block, sizeof block) < 0) return 5;
    }
  }
  for (;;) usleep(100000);
}
)PROBE";

// The pid the helper recorded, or 0.
int readRecordedPid(const std::string& path) {
  std::ifstream in(path);
  int pid = 0;
  if (!(in >> pid)) return 0;
  return pid;
}

bool outcomeMatches(const std::string& mode, const ProcessOutcome& outcome) {
  if (mode == "stdout") {
    return outcome.stdoutTruncated && outcome.stdout.size() == kCapturedOutputLimit;
  }
  if (mode == "stderr") {
    return outcome.stderrTruncated && outcome.stderr.size() == kCapturedOutputLimit;
  }
  return outcome.timedOut;
}

// Waits up to 2 s for `pid` to disappear; kills it if it does not.
bool waitUntilGone(int pid) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (kill(pid, 0) != 0 && errno == ESRCH) return true;
    usleep(50000);
  }
  kill(pid, SIGKILL);
  return false;
}

}  // namespace

bool trustedProcessGroupKillProbe(const std::string& mode, std::string& details) {
  TempDir dir = makeTempDir();
  if (dir.path.empty()) {
    details = "could not create temp dir";
    return false;
  }
  std::string error;
  if (!writeSourceFile(dir, kProbeProgram, error)) {
    details = "helper compile failed";
    return false;
  }
  ProcessOutcome compiled = runProcess(compileArgs(), dir.path, "", compileEnvironment(),
                                       compileTimeoutMs(), true, dir.identity);
  if (!compiled.error.empty() || compiled.timedOut || compiled.exitCode != 0) {
    details = "helper compile failed";
    return false;
  }
  const std::string executable = dir.path + "/main";
  prepareExecutable(executable, dir.identity);
  const std::string pidFile = dir.path + "/child.pid";
  ProcessOutcome ran = runProcess({executable, pidFile, mode}, dir.path, "", {},
                                  mode == "timeout" ? 500 : 2000, false, dir.identity);
  const int childPid = readRecordedPid(pidFile);
  if (childPid <= 0) {
    details = "helper did not record child pid";
    return false;
  }
  const bool outcomeOk = outcomeMatches(mode, ran);
  const bool childGone = waitUntilGone(childPid);
  if (outcomeOk && childGone) return true;
  details =
      std::string("outcome=") + (outcomeOk ? "1" : "0") + " childGone=" + (childGone ? "1" : "0");
  return false;
}

}  // namespace quorbel
