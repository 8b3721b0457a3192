// Reading one HTTP/1.1 request from a connected socket, and the small decoders the routes
// apply to its body: form parameters and percent-decoding.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace quorbel {

struct Request {
  std::string method;  // first token of the request line, compared case-sensitively
  std::string target;  // second token, as sent
  std::string path;    // target up to the first "?"
  std::string query;   // target after the first "?"; no route reads it
  std::string body;    // Content-Length bytes, fewer when the peer closed early
  std::map<std::string, std::string> headers;  // keys trimmed and lower-cased, values trimmed
  bool repeatedContentLength = false;          // a second Content-Length line was sent
  int socket = -1;  // the connection, for a long route to stop when its client has gone
};

// How long a client may take. A peer that stops sending is dropped without a response.
struct RequestLimits {
  int receiveTimeoutMs = 5000;   // the wait for any one chunk
  int requestTimeoutMs = 15000;  // the whole request, header block and body
};

// The header block may not exceed this without its blank line, and no body may be larger.
inline constexpr size_t kMaxRequestHeadBytes = 2000000;
inline constexpr size_t kMaxRequestBodyBytes = 2000000;
// A run's body carries a judge-sized input and expected output (64 MiB each, runner.h) besides
// its code, and JSON escapes; every other route keeps kMaxRequestBodyBytes.
inline constexpr size_t kMaxRunRequestBodyBytes = size_t{160} << 20;

// The body limit of the route at `path`.
size_t maxRequestBodyBytes(std::string_view path);

enum class RequestRead {
  kComplete,              // `request` is filled in
  kNoRequest,             // peer closed, timed out, empty method or oversized head: no answer
  kInvalidContentLength,  // Content-Length is not one plain decimal number, or is repeated
  kBodyTooLarge,          // Content-Length above maxRequestBodyBytes(path); the body was not read
  kTransferEncoding,      // a Transfer-Encoding header: bodies come with Content-Length only
  kIncomplete,            // (takeRequest) more bytes are needed
};

// Takes one request from the bytes received so far. kIncomplete until the header block and
// the body announced by Content-Length are there; with `peerClosed` a shorter body is taken as
// it is. A refusal is known as soon as the header block is. Bytes beyond the body are dropped.
RequestRead takeRequest(const std::string& buffer, bool peerClosed, Request& request);

// Receives chunks of up to 4096 bytes until takeRequest has a request or a refusal, within
// `limits`.
RequestRead readRequest(int socket, const RequestLimits& limits, Request& request);
// Fills method, target, path, query and headers from a header block without its blank line.
void parseRequestHead(std::string_view head, Request& request);

// "+" becomes a space and "%" with two hexadecimal digits becomes that byte; any other "%"
// ("%4" at the end, "%zz") is copied unchanged, as is every other byte.
std::string urlDecode(std::string_view text);
// Form data: pieces split at "&"; a piece without "=" is skipped; key and value (split at
// the first "=") are url-decoded; a later duplicate key wins.
std::map<std::string, std::string> parseParams(std::string_view text);

}  // namespace quorbel
