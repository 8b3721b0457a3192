#include "server/http_request.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include "base/text.h"

namespace quorbel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kChunkBytes = 4096;

enum class Received { kData, kClosed, kTimedOut };

// Appends one chunk to `buffer`. Waits at most the per-chunk timeout, and never past the
// request's deadline, so a client trickling one byte at a time cannot hold the server.
Received receiveChunk(int socket, const RequestLimits& limits, Clock::time_point deadline,
                      std::string& buffer) {
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Received::kTimedOut;
    pollfd waiter{socket, POLLIN, 0};
    const int ready =
        poll(&waiter, 1, static_cast<int>(std::min<long long>(left, limits.receiveTimeoutMs)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return Received::kTimedOut;
    if (ready < 0) return Received::kClosed;

    const size_t before = buffer.size();
    buffer.resize(before + kChunkBytes);
    const ssize_t got = recv(socket, buffer.data() + before, kChunkBytes, 0);
    buffer.resize(before + (got > 0 ? static_cast<size_t>(got) : 0));
    if (got > 0) return Received::kData;
    if (got < 0 && errno == EINTR) continue;
    return Received::kClosed;
  }
}

bool isPlainDecimal(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Saturates instead of overflowing: any value above the body limit is refused the same way.
size_t parseContentLength(std::string_view digits) {
  size_t value = 0;
  for (char c : digits) {
    value = value * 10 + static_cast<size_t>(c - '0');
    if (value > kMaxRunRequestBodyBytes) return kMaxRunRequestBodyBytes + 1;
  }
  return value;
}

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool parseRequestHead(std::string_view head, Request& request) {
  size_t lineEnd = head.find('\n');
  const std::string_view requestLine = head.substr(0, lineEnd);
  size_t position = 0;
  std::string* tokens[] = {&request.method, &request.target};
  for (std::string* token : tokens) {
    while (position < requestLine.size() && isSpaceByte(requestLine[position])) ++position;
    const size_t start = position;
    while (position < requestLine.size() && !isSpaceByte(requestLine[position])) ++position;
    *token = std::string(requestLine.substr(start, position - start));
  }

  bool wellFormed = true;
  while (lineEnd != std::string_view::npos) {
    const size_t start = lineEnd + 1;
    lineEnd = head.find('\n', start);
    std::string_view line = head.substr(
        start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t colon = line.find(':');
    // "Host : x" and a line folded onto the previous one are read one way by some proxies and
    // another way by others: a request that two readers may see differently is refused.
    if (colon == std::string_view::npos || colon == 0 || line[0] == ' ' || line[0] == '\t' ||
        line[colon - 1] == ' ' || line[colon - 1] == '\t') {
      wellFormed = false;
      continue;
    }
    const std::string name = lowerCopy(std::string(line.substr(0, colon)));
    if (name == "content-length" && request.headers.count(name))
      request.repeatedContentLength = true;
    request.headers[name] = trim(line.substr(colon + 1));
  }

  const size_t question = request.target.find('?');
  request.path = request.target.substr(0, question);
  request.query = question == std::string::npos ? "" : request.target.substr(question + 1);
  return wellFormed;
}

RequestRead continueRequest(const std::string& buffer, bool peerClosed, RequestProgress& progress) {
  if (progress.bodyStart == 0) {
    // Only the bytes that arrived since the last call are looked at. Every LF must follow a
    // CR and every CR precede an LF: bare line ends are how one request reads as two.
    size_t at = progress.scanned;
    const size_t limit = std::min(buffer.size(), kMaxRequestHeadBytes);
    for (; at < limit; ++at) {
      const char c = buffer[at];
      if (c == '\r') {
        if (at + 1 == buffer.size()) break;  // its LF may be in the next segment
        if (buffer[at + 1] != '\n') return RequestRead::kMalformedHead;
      } else if (c == '\n') {
        if (at == 0 || buffer[at - 1] != '\r') return RequestRead::kMalformedHead;
        if (at >= 3 && buffer.compare(at - 3, 4, "\r\n\r\n") == 0) break;
      }
    }
    progress.scanned = at;
    if (at >= kMaxRequestHeadBytes) return RequestRead::kHeadTooLarge;
    if (at >= buffer.size() || buffer[at] != '\n')
      return peerClosed ? RequestRead::kNoRequest : RequestRead::kIncomplete;

    Request& request = progress.request;
    const bool wellFormed = parseRequestHead(std::string_view(buffer).substr(0, at - 3), request);
    if (request.method.empty()) return RequestRead::kNoRequest;
    if (!wellFormed) return RequestRead::kMalformedHead;
    // A body framed two ways is how requests are smuggled past a proxy: refuse, never guess.
    if (request.headers.count("transfer-encoding")) return RequestRead::kTransferEncoding;
    const auto header = request.headers.find("content-length");
    if (header != request.headers.end()) {
      if (request.repeatedContentLength || !isPlainDecimal(header->second))
        return RequestRead::kInvalidContentLength;
      progress.contentLength = parseContentLength(header->second);
      if (progress.contentLength > maxRequestBodyBytes(request.path))
        return RequestRead::kBodyTooLarge;
    }
    progress.bodyStart = at + 1;
  }
  const size_t received = buffer.size() - progress.bodyStart;
  if (received < progress.contentLength && !peerClosed) return RequestRead::kIncomplete;
  // A peer that closed early (or reset) is answered with the body it did send.
  progress.request.body =
      buffer.substr(progress.bodyStart, std::min(received, progress.contentLength));
  return RequestRead::kComplete;
}

size_t maxRequestBodyBytes(std::string_view path) {
  return path == "/api/run" ? kMaxRunRequestBodyBytes : kMaxRequestBodyBytes;
}

RequestRead takeRequest(const std::string& buffer, bool peerClosed, Request& request) {
  RequestProgress progress;
  const RequestRead read = continueRequest(buffer, peerClosed, progress);
  if (read == RequestRead::kComplete) request = std::move(progress.request);
  return read;
}

RequestRead readRequest(int socket, const RequestLimits& limits, Request& request) {
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(limits.requestTimeoutMs);
  std::string buffer;
  bool closed = false;
  RequestProgress progress;
  while (true) {
    const RequestRead read = continueRequest(buffer, closed, progress);
    if (read == RequestRead::kComplete) request = std::move(progress.request);
    if (read != RequestRead::kIncomplete) return read;
    const Received received = receiveChunk(socket, limits, deadline, buffer);
    if (received == Received::kTimedOut) return RequestRead::kNoRequest;
    closed = received == Received::kClosed;
  }
}

// The media type itself, not a parameter that mentions it: "text/plain; x=application/json"
// is text, and a cross-site form could send it without a preflight.
bool isJsonContentType(const Request& request) {
  const auto header = request.headers.find("content-type");
  if (header == request.headers.end()) return false;
  const std::string_view value = header->second;
  return lowerCopy(trim(value.substr(0, value.find(';')))) == "application/json";
}

std::string urlDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
               hexDigitValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

std::map<std::string, std::string> parseParams(std::string_view text) {
  std::map<std::string, std::string> params;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('&', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view piece = text.substr(start, end - start);
    const size_t equals = piece.find('=');
    if (equals != std::string_view::npos) {
      params[urlDecode(piece.substr(0, equals))] = urlDecode(piece.substr(equals + 1));
    }
    start = end + 1;
  }
  return params;
}

}  // namespace quorbel
