// The Language Server Protocol's base layer: each message is a header block of
// "Name: value\r\n" lines ended by an empty line, then exactly Content-Length bytes of JSON.
//   Content-Length: 52\r\n\r\n{"jsonrpc":"2.0","id":1,"method":"shutdown"}
// The reader takes bytes as they arrive and gives back whole bodies; a header it cannot read
// is reported once and skipped, so one bad message never stops the ones after it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorbel {

// A 1 MB document with every byte escaped as \u00XX is 6 MB of JSON; this leaves room for it.
constexpr size_t kMaxFrameBodyBytes = size_t{16} << 20;
// A header block longer than this without its empty line is not a header.
constexpr size_t kMaxFrameHeaderBytes = 8192;

struct FrameReader {
  std::string buffer;    // bytes received and not yet given back
  size_t skipBytes = 0;  // of a refused body still to be dropped as it arrives
  // After a header that could not be read, bytes are dropped up to the next "Content-Length"
  // (the body of the bad message among them), however the bytes were split when they came.
  bool resynchronising = false;
};

enum class FrameStatus { kNeedMore, kMessage, kBadHeader };

struct Frame {
  FrameStatus status = FrameStatus::kNeedMore;
  std::string body;     // kMessage
  std::string problem;  // kBadHeader: what was wrong, for the error answered
};

// Adds received bytes.
void feedFrames(FrameReader& reader, std::string_view bytes);
// The next whole message or header problem; kNeedMore until one is complete. Call again after a
// message or a problem: more may be buffered.
Frame nextFrame(FrameReader& reader);
// The header and `body`, ready to write.
std::string frameMessage(std::string_view body);

}  // namespace quorbel
