#include "cli/server_mode.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runner/runner.h"
#include "runner/runner_box.h"
#include "runner/runner_cgroup.h"
#include "runner/runner_checks.h"
#include "runner/runner_pch.h"
#include "server/access_policy.h"
#include "server/connection_loop.h"
#include "server/http_server.h"
#include "storage/analysis_store.h"
#include "base/text.h"

namespace quorbel {
namespace {

bool isSetAndNonEmpty(const std::optional<std::string>& value) {
  return value.has_value() && !value->empty();
}

bool isFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The database path as the user meant it, before the server moves to the front end's folder.
std::string absoluteFrom(const std::string& directory, const std::string& path) {
  return path.empty() || path.front() == '/' ? path : directory + "/" + path;
}

}  // namespace

std::optional<std::string> processEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

std::optional<int> parsePort(std::string_view text) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos)
    return std::nullopt;
  const int port = std::atoi(std::string(text).c_str());
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

std::string findFrontEndRoot(const std::string& executable) {
  char here[4096];
  const std::string cwd = getcwd(here, sizeof here) != nullptr ? here : ".";
  const size_t slash = executable.rfind('/');
  const std::string folder = slash == std::string::npos ? cwd : executable.substr(0, slash);
  for (const std::string& root : {cwd, folder, folder + "/..", folder + "/../share/quorbel"}) {
    if (isFile(root + "/public/index.html")) return root;
  }
  return "";
}

ServerAddress selectServerAddress(int argc, char** argv, const EnvironmentLookup& environment) {
  ServerAddress address;
  const std::optional<std::string> port = environment("PORT");
  if (argc >= 2)
    address.port = parsePort(argv[1] == nullptr ? "" : argv[1]).value_or(0);
  else if (isSetAndNonEmpty(port))
    address.port = parsePort(*port).value_or(0);
  const std::optional<std::string> host = environment("QUORBEL_HOST");
  if (isSetAndNonEmpty(host))
    address.host = *host;
  else
    address.host = isSetAndNonEmpty(port) ? "0.0.0.0" : "127.0.0.1";
  return address;
}

bool startupValidationRequested(const EnvironmentLookup& environment) {
  const std::optional<std::string> value = environment("QUORBEL_RUNNER_VALIDATE_ON_START");
  if (!value) return false;
  const std::string word = lowerCopy(trim(*value));
  return word == "1" || word == "on" || word == "yes" || word == "true";
}

int runServerMode(int argc, char** argv) {
  if (startupValidationRequested(processEnvironment)) {
    const int status = runRunnerLinuxValidation();
    if (status != 0) {
      std::fprintf(stderr, "Runner Linux validation failed; refusing to start.\n");
      return status;
    }
    gRunnerValidatedOnStart = true;
  }
  const ServerAddress address = selectServerAddress(argc, argv, processEnvironment);
  if (address.port == 0) {
    std::fprintf(stderr,
                 "quorbel: PORT is not a port between 1 and 65535. Try 'quorbel --help'.\n");
    return 2;
  }
  char here[4096];
  const std::string cwd = getcwd(here, sizeof here) != nullptr ? here : ".";
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  const std::string root = findFrontEndRoot(length > 0 ? std::string(self, length) : argv[0]);
  if (root.empty()) {
    std::fprintf(stderr,
                 "quorbel: cannot find the web front end (public/index.html) in the working "
                 "folder, beside the executable or in its checkout; start it from the "
                 "repository or install public/ beside it.\n");
    return 1;
  }
  // Pages and files are read relative to the front end's folder; the history stays where the
  // user's working folder puts it.
  const std::string databasePath = absoluteFrom(cwd, defaultDatabasePath());
  if (chdir(root.c_str()) != 0) {
    std::fprintf(stderr, "quorbel: cannot enter %s: %s\n", root.c_str(), std::strerror(errno));
    return 1;
  }

  int listener = socket(AF_INET, SOCK_STREAM, 0);
  if (listener < 0) {
    std::fprintf(stderr, "Failed to create socket\n");
    return 1;
  }
  int reuse = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));

  sockaddr_in bound{};
  bound.sin_family = AF_INET;
  bound.sin_addr.s_addr = inet_addr(address.host.c_str());
  bound.sin_port = htons(static_cast<uint16_t>(address.port & 0xFFFF));
  if (bind(listener, reinterpret_cast<sockaddr*>(&bound), sizeof(bound)) < 0) {
    std::fprintf(stderr, "Failed to bind http://%s:%d: %s\n", address.host.c_str(), address.port,
                 std::strerror(errno));
    close(listener);
    return 1;
  }
  if (listen(listener, 128) < 0) {
    std::fprintf(stderr, "Failed to listen: %s\n", std::strerror(errno));
    close(listener);
    return 1;
  }
  AnalysisStore store(databasePath);
  if (store.ok())
    std::printf("analysis history db: %s\n", store.path().c_str());
  else
    std::fprintf(stderr, "analysis history disabled: %s\n", store.lastError().c_str());
  std::printf("%s\n", describeIsolation(runnerIsolation()).c_str());
  const std::string folders = describeBoxFolders(runnerIsolation());
  if (!folders.empty()) std::printf("%s\n", folders.c_str());
  std::printf("%s\n", describeCgroups(runnerCgroups()).c_str());
  if (const std::optional<std::string> refusal = unboxedRunRefusal())
    std::printf("runner off: %s\n", refusal->c_str());
  else
    startPrecompiledHeaderBuild();  // compiles go on without it until it is ready
  gListensBeyondLoopback = !isLoopbackHost(address.host);
  if (gListensBeyondLoopback &&
      !isSetAndNonEmpty(processEnvironment("QUORBEL_RUNNER_SHARED_SECRET")))
    std::printf("runs refused: listening beyond loopback without QUORBEL_RUNNER_SHARED_SECRET\n");
  std::printf("quorbel running at http://%s:%d\n", address.host.c_str(), address.port);
  std::fflush(stdout);
  const std::atomic<bool> never{false};
  serveWithLoop(listener, store, loopLimitsFromEnvironment(), never);
  return 0;
}

}  // namespace quorbel
