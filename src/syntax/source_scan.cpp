#include "syntax/source_scan.h"

#include <algorithm>

namespace quorbel {

size_t skipLiteral(std::string_view text, size_t i) {
  const char quote = text[i++];
  while (i < text.size() && text[i] != quote && text[i] != '\n') i += text[i] == '\\' ? 2 : 1;
  return std::min(text.size(), i + 1);
}

size_t skipComment(std::string_view text, size_t i) {
  if (text[i + 1] == '/') {
    while (i < text.size() && text[i] != '\n') ++i;
    return i;
  }
  const size_t end = text.find("*/", i + 2);
  return end == std::string_view::npos ? text.size() : end + 2;
}

bool commentStartsAt(std::string_view text, size_t i) {
  return text[i] == '/' && i + 1 < text.size() && (text[i + 1] == '/' || text[i + 1] == '*');
}

std::string withoutComments(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '"' || text[i] == '\'') {
      const size_t end = skipLiteral(text, i);
      out.append(text.substr(i, end - i));
      i = end;
    } else if (commentStartsAt(text, i)) {
      out += ' ';
      i = skipComment(text, i);
    } else {
      out += text[i++];
    }
  }
  return out;
}

bool leavesCommentOpen(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '"' || text[i] == '\'') {
      i = skipLiteral(text, i);
    } else if (commentStartsAt(text, i)) {
      if (text[i + 1] == '*' && text.find("*/", i + 2) == std::string_view::npos) return true;
      i = skipComment(text, i);
    } else {
      ++i;
    }
  }
  return false;
}

}  // namespace quorbel
