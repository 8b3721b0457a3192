// Arbitrary bytes as one HTTP connection: a socket pair, the bytes written by a peer thread
// that then closes its sending side and reads the whole answer. The server must finish the
// connection (short time limits stand in for a silent client) and answer with nothing or
// with one response starting "HTTP/1.1 ". The runner is switched off and nothing is saved.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

#include "fuzz_checks.h"
#include "server/http_server.h"
#include "storage/analysis_store.h"

using quorbel::fuzz::require;

namespace {

quorbel::AnalysisStore& store() {
  // Never written to: saving is off. The path only has to be harmless.
  static quorbel::AnalysisStore analysisStore("/tmp/quorbel-fuzz-http/unused.db");
  return analysisStore;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QUORBEL_ENABLE_BACKEND_RUN", "0", 1);
  setenv("QUORBEL_SAVE_ANALYSES", "0", 1);
  store();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return 0;
  std::string answer;
  std::thread peer([&] {
    size_t sent = 0;
    while (sent < size) {
      const ssize_t n = send(ends[1], data + sent, size - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    shutdown(ends[1], SHUT_WR);
    char buffer[4096];
    for (;;) {
      const ssize_t n = recv(ends[1], buffer, sizeof buffer, 0);
      if (n <= 0) break;
      answer.append(buffer, static_cast<size_t>(n));
    }
  });
  quorbel::RequestLimits limits;
  limits.receiveTimeoutMs = 200;
  limits.requestTimeoutMs = 1000;
  quorbel::serveConnection(ends[0], store(), limits);  // closes ends[0]
  peer.join();
  close(ends[1]);
  require(answer.empty() || answer.rfind("HTTP/1.1 ", 0) == 0, "response starts HTTP/1.1");
  if (!answer.empty())
    require(answer.find("\r\n\r\n") != std::string::npos, "response has a header block");
  return 0;
}
