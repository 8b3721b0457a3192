#include "lsp/framing.h"

#include <algorithm>
#include <optional>

#include "base/text.h"

namespace quorbel {
namespace {

constexpr std::string_view kHeaderEnd = "\r\n\r\n";
constexpr std::string_view kLengthName = "content-length";

Frame badHeader(std::string problem) { return {FrameStatus::kBadHeader, "", std::move(problem)}; }

// Digits only, at most 12 of them: "+5", "5 5", "0x10" and an overflow are not lengths.
std::optional<size_t> readLength(std::string_view value) {
  const std::string digits = trim(value);
  if (digits.empty() || digits.size() > 12 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return static_cast<size_t>(std::stoull(digits));
}

// The Content-Length of a header block (its lines without the empty one), or the problem.
std::optional<size_t> contentLength(std::string_view header, std::string& problem) {
  std::optional<size_t> length;
  size_t at = 0;
  while (at <= header.size()) {
    size_t end = header.find("\r\n", at);
    if (end == std::string_view::npos) end = header.size();
    const std::string_view line = header.substr(at, end - at);
    at = end + 2;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      problem = "a header line without a colon";
      return std::nullopt;
    }
    if (lowerCopy(trim(line.substr(0, colon))) != kLengthName) continue;
    const std::optional<size_t> value = readLength(line.substr(colon + 1));
    if (!value || (length && *length != *value)) {
      problem =
          value ? "two different Content-Length headers" : "a Content-Length that is not a number";
      return std::nullopt;
    }
    length = value;
  }
  if (!length) problem = "no Content-Length header";
  return length;
}

// Drops bytes up to the next "Content-Length"; false while none has arrived yet (a tail that
// may be the start of one is kept).
bool resynchronise(FrameReader& reader) {
  const size_t next = lowerCopy(reader.buffer).find(kLengthName);
  if (next == std::string::npos) {
    const size_t keep = std::min(reader.buffer.size(), kLengthName.size());
    reader.buffer.erase(0, reader.buffer.size() - keep);
    return false;
  }
  reader.buffer.erase(0, next);
  reader.resynchronising = false;
  return true;
}

}  // namespace

void feedFrames(FrameReader& reader, std::string_view bytes) {
  const size_t skipped = std::min(reader.skipBytes, bytes.size());
  reader.skipBytes -= skipped;
  reader.buffer.append(bytes.substr(skipped));
}

Frame nextFrame(FrameReader& reader) {
  if (reader.resynchronising && !resynchronise(reader)) return {};
  const size_t headerEnd = reader.buffer.find(kHeaderEnd);
  const size_t bodyStart = headerEnd + kHeaderEnd.size();
  if (headerEnd == std::string::npos ? reader.buffer.size() > kMaxFrameHeaderBytes
                                     : headerEnd > kMaxFrameHeaderBytes) {
    // Whether its end has come yet depends on how the bytes were split: the next header is
    // looked for from its second byte either way.
    reader.buffer.erase(0, 1);
    reader.resynchronising = true;
    return badHeader("a header block longer than 8192 bytes");
  }
  if (headerEnd == std::string::npos) return {};
  std::string problem;
  const std::optional<size_t> length =
      contentLength(std::string_view(reader.buffer).substr(0, headerEnd), problem);
  if (!length) {
    reader.buffer.erase(0, bodyStart);
    reader.resynchronising = true;
    return badHeader(problem);
  }
  if (*length > kMaxFrameBodyBytes) {
    // The body is dropped as it arrives instead of being held.
    const size_t held = std::min(reader.buffer.size() - bodyStart, *length);
    reader.skipBytes = *length - held;
    reader.buffer.erase(0, bodyStart + held);
    return badHeader("a message of " + std::to_string(*length) + " bytes, over the limit of " +
                     std::to_string(kMaxFrameBodyBytes));
  }
  if (reader.buffer.size() - bodyStart < *length) return {};
  Frame frame{FrameStatus::kMessage, reader.buffer.substr(bodyStart, *length), ""};
  reader.buffer.erase(0, bodyStart + *length);
  return frame;
}

std::string frameMessage(std::string_view body) {
  std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  framed += body;
  return framed;
}

}  // namespace quorbel
