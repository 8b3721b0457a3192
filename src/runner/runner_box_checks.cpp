// The checks that only the box can pass: each runs a small hostile program through
// runCppProgram and states what must have stopped it.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "runner/runner_checks.h"
#include "runner/runner_process_tree.h"

namespace quorbel {
namespace {

// Prints the first line of the file at PATH and exits 0 when it can open it; exits 1 when not.
constexpr const char* kFileReader = R"(#include <cstdio>
int main(){
  std::FILE* f = std::fopen(PATH, "r");
  if (f == nullptr) return 1;
  char line[256];
  if (std::fgets(line, sizeof line, f) != nullptr) std::fputs(line, stdout);
  return 0;
}
)";

// Connects to 127.0.0.1 at PORT; prints "connected" and exits 0 when it gets through.
constexpr const char* kConnector = R"(#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
int main(){
  int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(PORT);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 1;
  std::puts("connected");
  return 0;
}
)";

constexpr const char* kForkBomb = "#include <unistd.h>\nint main(){ for (;;) fork(); }\n";

constexpr const char* kWholeLibrary = R"(#include <bits/stdc++.h>
int main(){ std::vector<int> v{3, 1, 2}; std::sort(v.begin(), v.end()); std::cout << v[0] << v[2] << "\n"; }
)";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// `text` as a C++ string literal.
std::string quoted(const std::string& text) {
  std::string literal = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') literal += '\\';
    literal += c;
  }
  return literal + "\"";
}

RunResult runProgram(const std::string& code) {
  RunRequest request;
  request.code = code;
  return runCppProgram(request);
}

// A file of the repository that this process can read: CMakeLists.txt in the working
// directory (--test runs from the repository root), else beside the build folder that holds
// this executable, else the executable itself. Empty when none can be read.
std::string repositoryFile() {
  std::vector<std::string> candidates;
  char path[PATH_MAX];
  if (getcwd(path, sizeof path) != nullptr)
    candidates.push_back(std::string(path) + "/CMakeLists.txt");
  if (realpath("/proc/self/exe", path) != nullptr) {
    const std::string executable = path;
    const std::string build = executable.substr(0, executable.rfind('/'));
    candidates.push_back(build.substr(0, build.rfind('/')) + "/CMakeLists.txt");
    candidates.push_back(executable);
  }
  for (const std::string& candidate : candidates) {
    if (access(candidate.c_str(), R_OK) == 0) return candidate;
  }
  return "";
}

bool refusedQuietly(const RunResult& result) {
  return result.status == "runtime_error" && result.exitCode == 1 && result.stdout.empty();
}

void checkFileHidden(bool& allPassed, const std::string& name, const std::string& path) {
  if (path.empty()) {
    reportTest(allPassed, name, false, "no repository file readable here");
    return;
  }
  const RunResult result = runProgram(replaced(kFileReader, "PATH", quoted(path)));
  reportTest(allPassed, name, refusedQuietly(result), path + ": " + summarizeRun(result));
}

// A listener of our own on the loopback: a connection from the box would be queued on it.
void checkNetwork(bool& allPassed, const std::string& name) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener, 4) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener >= 0) close(listener);
    reportTest(allPassed, name, false, "no loopback listener for the check");
    return;
  }
  const RunResult result =
      runProgram(replaced(kConnector, "PORT", std::to_string(ntohs(address.sin_port))));
  const int accepted = accept(listener, nullptr, nullptr);
  const bool nothingArrived = accepted < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  if (accepted >= 0) close(accepted);
  close(listener);
  reportTest(allPassed, name, refusedQuietly(result) && nothingArrived, summarizeRun(result));
}

void checkForkBomb(bool& allPassed, const std::string& name) {
  std::vector<int> before = childProcessIds();
  const int dirsBefore = countTempRunDirs();
  const RunResult result = runProgram(kForkBomb);
  std::vector<int> after = childProcessIds();
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  const bool contained =
      result.status == "timeout" && after == before && countTempRunDirs() <= dirsBefore;
  reportTest(allPassed, name, contained, summarizeRun(result));
}

}  // namespace

void checkBox(bool& allPassed, const RunnerIsolation& isolation) {
  const char* const kNames[] = {"etc-passwd-blocked", "repo-file-blocked", "network-blocked",
                                "fork-blocked", "bits-stdcxx"};
  if (!isolation.boxed) {
    for (const char* name : kNames) {
      std::cout << "runner-" << name << ": skipped without the bubblewrap box (" << isolation.reason
                << ")\n";
    }
    return;
  }
  checkFileHidden(allPassed, kNames[0], "/etc/passwd");
  checkFileHidden(allPassed, kNames[1], repositoryFile());
  checkNetwork(allPassed, kNames[2]);
  checkForkBomb(allPassed, kNames[3]);
  const RunResult library = runProgram(kWholeLibrary);
  reportTest(allPassed, kNames[4], library.status == "success" && library.stdout == "13\n",
             summarizeRun(library));
}

}  // namespace quorbel
