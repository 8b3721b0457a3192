// Byte-level reading of C++ source shared by the passes that run before the parser: identifier
// bytes, and skipping the literals and comments whose contents are not code.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace quorbel {

inline bool isIdentifierStart(char c) {
  return isIdentifierStartByte(static_cast<unsigned char>(c));
}
inline bool isIdentifierChar(char c) { return isIdentifierPartByte(static_cast<unsigned char>(c)); }

// Skips a string or character literal starting at `i` (its quote); returns the index after it.
size_t skipLiteral(std::string_view text, size_t i);
// Skips a comment starting at `i` (// or /*); returns the index after it, or the text's end
// when a block comment is not closed.
size_t skipComment(std::string_view text, size_t i);
// True where a comment starts at `i`.
bool commentStartsAt(std::string_view text, size_t i);

// The text with every comment replaced by one space; literals are kept as they are.
std::string withoutComments(std::string_view text);
// True when the text opens a block comment it does not close (outside literals).
bool leavesCommentOpen(std::string_view text);

}  // namespace quorbel
