// Reading one HTTP/1.1 request from a connected socket, and the small decoders the routes
// apply to its body: form parameters, percent-decoding and the textual JSON field reader.
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

enum class RequestRead {
  kComplete,              // `request` is filled in
  kNoRequest,             // peer closed, timed out, empty method or oversized head: no answer
  kInvalidContentLength,  // Content-Length is not a plain decimal number
  kBodyTooLarge,          // Content-Length above kMaxRequestBodyBytes; the body was not read
};

// Receives the header block (until CR LF CR LF) and then the body announced by
// Content-Length, in chunks of up to 4096 bytes, within `limits`.
RequestRead readRequest(int socket, const RequestLimits& limits, Request& request);
// Fills method, target, path, query and headers from a header block without its blank line.
void parseRequestHead(std::string_view head, Request& request);

// "+" becomes a space and "%" with two hexadecimal digits becomes that byte; any other "%"
// ("%4" at the end, "%zz") is copied unchanged, as is every other byte.
std::string urlDecode(std::string_view text);
// Form data: pieces split at "&"; a piece without "=" is skipped; key and value (split at
// the first "=") are url-decoded; a later duplicate key wins.
std::map<std::string, std::string> parseParams(std::string_view text);

// Finds "key" anywhere in `body` (also inside nested objects or string values), then the
// next ":" and, after white space, a JSON string: \b \f \n \r \t decoded, "\u" and its four
// characters kept as written, any other escaped character taken literally. When that value
// is not a string or is unterminated, the next occurrence of "key" is tried. On false,
// `out` is left unchanged.
bool jsonFieldString(std::string_view body, std::string_view key, std::string& out);

}  // namespace quorbel
