#include "lsp/positions.h"

#include <algorithm>

namespace quorbel {
namespace {

// One character of UTF-8: how many bytes it takes and how many UTF-16 units it counts.
struct Step {
  size_t bytes = 1;
  int units = 1;
};

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

Step stepAt(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (length == 0 || at + length > text.size()) return {};
  for (size_t i = 1; i < length; ++i)
    if (!isContinuation(static_cast<unsigned char>(text[at + i]))) return {};
  // Overlong three- and four-byte forms, surrogates and code points past U+10FFFF are not
  // well formed either.
  const auto second = static_cast<unsigned char>(text[at + 1]);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
    return {};
  return {length, length == 4 ? 2 : 1};
}

// The byte offset where the line's text ends, its line break ("\n", "\r" or "\r\n") left out.
size_t lineEnd(std::string_view text, const std::vector<size_t>& starts, size_t line) {
  if (line + 1 >= starts.size()) return text.size();
  size_t end = starts[line + 1] - 1;
  if (text[end] == '\n' && end > starts[line] && text[end - 1] == '\r') --end;
  return end;
}

}  // namespace

std::vector<size_t> lineStarts(std::string_view text) {
  std::vector<size_t> starts = {0};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (text[i] == '\n' || text[i] == '\r') starts.push_back(i + 1);
  }
  return starts;
}

int lineLengthUtf16(std::string_view text, const std::vector<size_t>& starts, int line) {
  if (line < 0 || static_cast<size_t>(line) >= starts.size()) return 0;
  const size_t end = lineEnd(text, starts, static_cast<size_t>(line));
  int units = 0;
  for (size_t at = starts[line]; at < end;) {
    const Step step = stepAt(text, at);
    units += step.units;
    at += step.bytes;
  }
  return units;
}

size_t byteOffsetOf(std::string_view text, const std::vector<size_t>& starts,
                    TextPosition position) {
  if (position.line < 0) return 0;
  if (static_cast<size_t>(position.line) >= starts.size()) return text.size();
  const size_t end = lineEnd(text, starts, static_cast<size_t>(position.line));
  size_t at = starts[position.line];
  for (int units = 0; at < end;) {
    const Step step = stepAt(text, at);
    if (units + step.units > position.character) break;
    units += step.units;
    at += step.bytes;
  }
  return at;
}

TextRange codeRangeOfLine(std::string_view text, const std::vector<size_t>& starts, int line) {
  TextRange range{{line, 0}, {line, lineLengthUtf16(text, starts, line)}};
  if (line < 0 || static_cast<size_t>(line) >= starts.size()) return range;
  const size_t end = lineEnd(text, starts, static_cast<size_t>(line));
  size_t first = starts[line];
  while (first < end && (text[first] == ' ' || text[first] == '\t')) ++first;
  // Blanks are one byte and one unit each.
  if (first < end) range.start.character = static_cast<int>(first - starts[line]);
  return range;
}

std::string textForAnalysis(std::string_view text) {
  std::string copy(text);
  for (size_t i = 0; i < copy.size(); ++i)
    if (copy[i] == '\r' && (i + 1 == copy.size() || copy[i + 1] != '\n')) copy[i] = '\n';
  return copy;
}

std::string applyRangedChange(std::string_view text, TextRange range,
                              std::string_view replacement) {
  const std::vector<size_t> starts = lineStarts(text);
  size_t from = byteOffsetOf(text, starts, range.start);
  size_t to = byteOffsetOf(text, starts, range.end);
  if (to < from) std::swap(from, to);
  std::string changed(text.substr(0, from));
  changed += replacement;
  changed += text.substr(to);
  return changed;
}

}  // namespace quorbel
