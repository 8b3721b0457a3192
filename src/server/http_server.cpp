#include "server/http_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "server/routes.h"

namespace quorbel {

bool gRunnerValidatedOnStart = false;

namespace {

using Clock = std::chrono::steady_clock;

// Sends everything before `deadline`, however the peer paces its reads: one absolute limit for
// the whole answer, not a timeout per call that a slow reader can renew forever.
bool sendBefore(int socket, std::string_view message, Clock::time_point deadline) {
  size_t sent = 0;
  while (sent < message.size()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd waiter{socket, POLLOUT, 0};
    const int ready = poll(&waiter, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    // MSG_NOSIGNAL: a peer that went away must not end the process, even where SIGPIPE is
    // not ignored (tests, embedding). MSG_DONTWAIT: poll said how much may wait, not all.
    const ssize_t wrote =
        send(socket, message.data() + sent, message.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (wrote < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (wrote <= 0) return false;
    sent += static_cast<size_t>(wrote);
  }
  return true;
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
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 413:
      return "Content Too Large";
    case 415:
      return "Unsupported Media Type";
    case 422:
      return "Unprocessable Content";
    case 429:
      return "Too Many Requests";
    case 431:
      return "Request Header Fields Too Large";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    default:
      return "Internal Server Error";
  }
}

std::string serializeResponse(const Response& response) {
  std::string message = "HTTP/1.1 " + std::to_string(response.status) + " ";
  message += reasonPhrase(response.status);
  message += "\r\nContent-Type: ";
  message += response.contentType;
  message += "\r\n";
  message += response.extraHeaders;
  message += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
  message += "Connection: close\r\n\r\n";
  message += response.body;
  return message;
}

bool sendResponse(int socket, int status, std::string_view contentType, std::string_view body,
                  std::string_view extraHeaders) {
  const Response response{status, std::string(contentType), std::string(body),
                          std::string(extraHeaders)};
  return sendBefore(socket, serializeResponse(response),
                    Clock::now() + std::chrono::milliseconds(kWriteDeadlineMs));
}

std::optional<Response> refusalOfRead(RequestRead read, std::string_view path) {
  switch (read) {
    case RequestRead::kInvalidContentLength:
      return jsonErrorResponse(400, "Invalid Content-Length.");
    case RequestRead::kBodyTooLarge:
      return jsonErrorResponse(413, "Request body is too large: the limit is " +
                                        std::to_string(maxRequestBodyBytes(path)) + " bytes.");
    case RequestRead::kTransferEncoding:
      return jsonErrorResponse(400, "Transfer-Encoding is not supported; send Content-Length.");
    case RequestRead::kHeadTooLarge:
      return jsonErrorResponse(431, "The header block is too large: the limit is " +
                                        std::to_string(kMaxRequestHeadBytes) + " bytes.");
    case RequestRead::kMalformedHead:
      return jsonErrorResponse(
          400,
          "Malformed header block: lines end with CR LF, are not folded, and have no "
          "blank before the colon.");
    default:
      return std::nullopt;
  }
}

void handleClient(int clientSocket, AnalysisStore& store) {
  serveConnection(clientSocket, store, RequestLimits{});
}

void serveConnection(int clientSocket, AnalysisStore& store, const RequestLimits& limits) {
  Request request;
  const RequestRead read = readRequest(clientSocket, limits, request);
  // Answered from the header block alone; the body is never read, so an oversized upload
  // costs the server nothing.
  if (const std::optional<Response> refusal = refusalOfRead(read, request.path)) {
    sendResponse(clientSocket, refusal->status, refusal->contentType, refusal->body,
                 refusal->extraHeaders);
  } else if (read == RequestRead::kComplete) {
    request.socket = clientSocket;
    const Response response = routeRequest(request, store);
    sendResponse(clientSocket, response.status, response.contentType, response.body,
                 response.extraHeaders);
  }
  close(clientSocket);
}

}  // namespace quorbel
