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

// The header block, request line and blank line included, may not exceed this however its
// bytes arrive (common servers keep to 8-64 KB); no body may be larger than the other.
inline constexpr size_t kMaxRequestHeadBytes = 64 * 1024;
inline constexpr size_t kMaxRequestBodyBytes = 2000000;
// A run's body carries a judge-sized input and expected output (64 MiB each, runner.h) besides
// its code, and JSON escapes; every other route keeps kMaxRequestBodyBytes.
inline constexpr size_t kMaxRunRequestBodyBytes = size_t{160} << 20;

// The body limit of the route at `path`.
size_t maxRequestBodyBytes(std::string_view path);

enum class RequestRead {
  kComplete,              // `request` is filled in
  kNoRequest,             // peer closed, timed out or empty method: no answer
  kInvalidContentLength,  // Content-Length is not one plain decimal number, or is repeated
  kBodyTooLarge,          // Content-Length above maxRequestBodyBytes(path); the body was not read
  kTransferEncoding,      // a Transfer-Encoding header: bodies come with Content-Length only
  kHeadTooLarge,          // the header block passed kMaxRequestHeadBytes
  kMalformedHead,         // a line not ended by CR LF, a folded line, a blank before a colon
  kIncomplete,            // (takeRequest) more bytes are needed
};

// What is known of one request while its bytes arrive: how far the header block was searched
// for its end, and once it ended, what it said. Each new segment then costs its own bytes,
// never a second pass over the header block.
struct RequestProgress {
  size_t scanned = 0;    // bytes of the buffer checked for line ends so far
  size_t bodyStart = 0;  // where the body starts; 0 while the header block is incomplete
  size_t contentLength = 0;
  Request request;  // method, target, headers: set when bodyStart is
};

// Goes on from `progress` with the bytes received so far (the same buffer, grown). kIncomplete
// until the header block and the body announced by Content-Length are there; with
// `peerClosed` a shorter body is taken as it is. A refusal is known as soon as the header
// block is, or as soon as it is too large or malformed. On kComplete the request's body is set
// and the request may be moved out of `progress`. Bytes beyond the body are ignored.
RequestRead continueRequest(const std::string& buffer, bool peerClosed, RequestProgress& progress);

// The same from the start, for a buffer that holds all there is so far.
RequestRead takeRequest(const std::string& buffer, bool peerClosed, Request& request);

// Receives chunks of up to 4096 bytes until takeRequest has a request or a refusal, within
// `limits`.
RequestRead readRequest(int socket, const RequestLimits& limits, Request& request);
// Fills method, target, path, query and headers from a header block without its blank line.
// False when a header line is malformed: no colon, an empty name, a blank or tab before the
// colon, or a line folded onto the one before (starting with a blank or tab); a proxy in front
// may read such lines differently from this server, so they are refused, never guessed at.
bool parseRequestHead(std::string_view head, Request& request);

// True when the Content-Type's media type is application/json, whatever its parameters say.
bool isJsonContentType(const Request& request);

// "+" becomes a space and "%" with two hexadecimal digits becomes that byte; any other "%"
// ("%4" at the end, "%zz") is copied unchanged, as is every other byte.
std::string urlDecode(std::string_view text);
// Form data: pieces split at "&"; a piece without "=" is skipped; key and value (split at
// the first "=") are url-decoded; a later duplicate key wins.
std::map<std::string, std::string> parseParams(std::string_view text);

}  // namespace quorbel
