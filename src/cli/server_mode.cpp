#include "cli/server_mode.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runner/runner_box.h"
#include "runner/runner_checks.h"
#include "server/http_server.h"
#include "storage/analysis_store.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

bool isSetAndNonEmpty(const std::optional<std::string>& value) {
  return value.has_value() && !value->empty();
}

// 16 bytes of peer address, as accept hands them over; the address itself is not used.
int acceptNext(int listener) {
  sockaddr_in peer{};
  socklen_t peerLength = sizeof(peer);
  return accept(listener, reinterpret_cast<sockaddr*>(&peer), &peerLength);
}

void serveForever(int listener, AnalysisStore& store) {
  while (true) {
    int client = acceptNext(listener);
    if (client < 0) continue;
    handleClient(client, store);
  }
}

}  // namespace

std::optional<std::string> processEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

ServerAddress selectServerAddress(int argc, char** argv, const EnvironmentLookup& environment) {
  ServerAddress address;
  const std::optional<std::string> port = environment("PORT");
  if (argc >= 2)
    address.port = std::atoi(argv[1]);
  else if (isSetAndNonEmpty(port))
    address.port = std::atoi(port->c_str());
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
  if (listen(listener, 16) < 0) {
    std::fprintf(stderr, "Failed to listen: %s\n", std::strerror(errno));
    close(listener);
    return 1;
  }
  AnalysisStore store(defaultDatabasePath());
  if (store.ok())
    std::printf("analysis history db: %s\n", store.path().c_str());
  else
    std::fprintf(stderr, "analysis history disabled: %s\n", store.lastError().c_str());
  std::printf("%s\n", describeIsolation(runnerIsolation()).c_str());
  std::printf("quorbel running at http://%s:%d\n", address.host.c_str(), address.port);
  std::fflush(stdout);
  serveForever(listener, store);
  return 0;
}

}  // namespace quorbel
