// Positions as the Language Server Protocol counts them: lines end at "\n", "\r\n" or a lone
// "\r", and a character is a UTF-16 code unit, so "é" is one and "😀" two. Bytes that start no
// well-formed UTF-8 sequence count one unit each, as the U+FFFD they are shown as.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

// Zero-based, as on the wire.
struct TextPosition {
  int line = 0;
  int character = 0;
};

struct TextRange {
  TextPosition start;
  TextPosition end;
};

// The byte offset at which each line starts; the first is 0, and a text ending in a line break
// has an empty last line.
std::vector<size_t> lineStarts(std::string_view text);

// The line's length in UTF-16 code units, its line break left out; 0 for a line past the end.
int lineLengthUtf16(std::string_view text, const std::vector<size_t>& starts, int line);

// The byte offset `position` names. A character past the line's end stops at its end, a line past
// the last at the text's end, and a character inside a multi-byte character or a surrogate pair
// at that character's first byte.
size_t byteOffsetOf(std::string_view text, const std::vector<size_t>& starts,
                    TextPosition position);

// The line from its first non-blank character to its end: where a diagnostic underlines the
// loop it names. The whole (empty) line when it is blank.
TextRange codeRangeOfLine(std::string_view text, const std::vector<size_t>& starts, int line);

// The text with every lone "\r" made "\n", byte for byte the same length: the analysis counts
// lines at "\n" only, and its line numbers then match the editor's.
std::string textForAnalysis(std::string_view text);

// The text with `range` replaced, for a client that sends ranged changes although the server
// asked for whole documents.
std::string applyRangedChange(std::string_view text, TextRange range, std::string_view replacement);

}  // namespace quorbel
