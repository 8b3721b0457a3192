// The connection handler of the HTTP server: one request per connection, read, answered and
// closed on the caller's thread. main owns the listening socket and the accept loop.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "server/http_request.h"
#include "server/routes.h"
#include "storage/analysis_store.h"

namespace quorbel {

// Set once by main, before the first connection, when the start-up runner validation passed;
// /api/run reads it when QUORBEL_RUNNER_REQUIRE_VALIDATED is on.
extern bool gRunnerValidatedOnStart;

// A whole answer must be written within this, however slowly the client reads.
inline constexpr int kWriteDeadlineMs = 10000;

// Serves one accepted connection completely on the caller's thread: reads the request,
// writes at most one response and closes `clientSocket`. A client that stops sending is
// dropped after 5 s without data or 15 s in all, without a response.
void handleClient(int clientSocket, AnalysisStore& store);
// The same with other time limits.
void serveConnection(int clientSocket, AnalysisStore& store, const RequestLimits& limits);

// "HTTP/1.1 <status> <reason>", Content-Type, the extra headers (CR LF terminated, may be
// empty), Content-Length, "Connection: close" and the body.
std::string serializeResponse(const Response& response);
// Writes serializeResponse's bytes within kWriteDeadlineMs. False when a send failed or the
// deadline passed; the caller then just closes.
bool sendResponse(int socket, int status, std::string_view contentType, std::string_view body,
                  std::string_view extraHeaders);
// The answer to a request refused from its header block: 400 for a bad or repeated
// Content-Length, Transfer-Encoding or a malformed line, 413 for a body too large for the route
// at `path`, 431 for a header block too large; nullopt for other outcomes.
std::optional<Response> refusalOfRead(RequestRead read, std::string_view path = "");
// "OK", "No Content", "Bad Request", ...; "Internal Server Error" for any status not listed.
std::string_view reasonPhrase(int status);

}  // namespace quorbel
