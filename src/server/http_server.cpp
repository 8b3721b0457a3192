#include "server/http_server.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "server/routes.h"

namespace quorbel {

bool gRunnerValidatedOnStart = false;

namespace {

// A client that takes nothing for this long is given up on, so that a reader that stopped
// cannot hold the single-threaded server.
constexpr int kSendTimeoutSeconds = 5;

// Answered from the header block alone; the body is never read, so an oversized upload costs
// the server nothing.
void sendEarlyError(int socket, int status, std::string_view message) {
  const Response response = jsonErrorResponse(status, message);
  sendResponse(socket, response.status, response.contentType, response.body, response.extraHeaders);
}

}  // namespace

std::string_view reasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 413:
      return "Content Too Large";
    case 429:
      return "Too Many Requests";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    default:
      return "Internal Server Error";
  }
}

bool sendResponse(int socket, int status, std::string_view contentType, std::string_view body,
                  std::string_view extraHeaders) {
  std::string message = "HTTP/1.1 " + std::to_string(status) + " ";
  message += reasonPhrase(status);
  message += "\r\nContent-Type: ";
  message += contentType;
  message += "\r\n";
  message += extraHeaders;
  message += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  message += "Connection: close\r\n\r\n";
  message += body;

  size_t sent = 0;
  while (sent < message.size()) {
    // MSG_NOSIGNAL: a peer that went away must not end the process, even where SIGPIPE is
    // not ignored (tests, embedding).
    const ssize_t wrote = send(socket, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    sent += static_cast<size_t>(wrote);
  }
  return true;
}

void handleClient(int clientSocket, AnalysisStore& store) {
  serveConnection(clientSocket, store, RequestLimits{});
}

void serveConnection(int clientSocket, AnalysisStore& store, const RequestLimits& limits) {
  timeval sendTimeout{kSendTimeoutSeconds, 0};
  setsockopt(clientSocket, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);

  Request request;
  switch (readRequest(clientSocket, limits, request)) {
    case RequestRead::kNoRequest:
      break;
    case RequestRead::kInvalidContentLength:
      sendEarlyError(clientSocket, 400, "Invalid Content-Length.");
      break;
    case RequestRead::kBodyTooLarge:
      sendEarlyError(clientSocket, 413,
                     "Request body is too large: the limit is " +
                         std::to_string(kMaxRequestBodyBytes) + " bytes.");
      break;
    case RequestRead::kComplete: {
      request.socket = clientSocket;
      const Response response = routeRequest(request, store);
      sendResponse(clientSocket, response.status, response.contentType, response.body,
                   response.extraHeaders);
      break;
    }
  }
  close(clientSocket);
}

}  // namespace quorbel
