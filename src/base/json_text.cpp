#include "base/json_text.h"

namespace quorbel {
namespace {

// The length of the well-formed UTF-8 sequence starting at `at` (Unicode's table 3-7: no
// overlong forms, no surrogates, nothing above U+10FFFF); 0 when the bytes there are not one.
size_t utf8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) {
    return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
  };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  const auto tail = [&](size_t i) { return byte(i) >= 0x80 && byte(i) <= 0xBF; };
  if (lead >= 0xC2 && lead <= 0xDF) return tail(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    return byte(1) >= low && byte(1) <= high && tail(2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    return byte(1) >= low && byte(1) <= high && tail(2) && tail(3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

std::string validUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t length = utf8SequenceLength(text, at);
    if (length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for each byte that starts no sequence
      ++at;
      continue;
    }
    out.append(text.substr(at, length));
    at += length;
  }
  return out;
}

std::string jsonString(std::string_view raw) {
  static constexpr char kHex[] = "0123456789abcdef";
  // Program output and submitted code may hold any bytes; the JSON body must be UTF-8.
  const std::string text = validUtf8(raw);
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string renderJsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    out += jsonString(items[i]);
  }
  out += ']';
  return out;
}

}  // namespace quorbel
