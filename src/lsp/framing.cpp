#include "lsp/framing.h"

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

// Drops bytes up to the next place a header could start, after garbage that is none.
void resynchronise(FrameReader& reader) {
  const std::string lowered = lowerCopy(reader.buffer.substr(1));
  const size_t next = lowered.find(kLengthName);
  if (next == std::string::npos) {
    // Keep a tail that may be the start of a header still arriving.
    const size_t keep = std::min(reader.buffer.size(), kLengthName.size());
    reader.buffer.erase(0, reader.buffer.size() - keep);
  } else {
    reader.buffer.erase(0, next + 1);
  }
}

}  // namespace

void feedFrames(FrameReader& reader, std::string_view bytes) {
  const size_t skipped = std::min(reader.skipBytes, bytes.size());
  reader.skipBytes -= skipped;
  reader.buffer.append(bytes.substr(skipped));
}

Frame nextFrame(FrameReader& reader) {
  const size_t headerEnd = reader.buffer.find(kHeaderEnd);
  if (headerEnd == std::string::npos) {
    if (reader.buffer.size() <= kMaxFrameHeaderBytes) return {};
    resynchronise(reader);
    return badHeader("a header block longer than 8192 bytes");
  }
  std::string problem;
  const std::optional<size_t> length =
      contentLength(std::string_view(reader.buffer).substr(0, headerEnd), problem);
  const size_t bodyStart = headerEnd + kHeaderEnd.size();
  if (!length) {
    reader.buffer.erase(0, bodyStart);
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
