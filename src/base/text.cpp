#include "base/text.h"

#include <algorithm>

namespace quorbel {
namespace {

bool isTrimSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Calls visit(token) for each identifier token and gap(text piece) for the bytes between.
template <typename TokenVisitor, typename GapVisitor>
void walkIdentifiers(std::string_view text, TokenVisitor visit, GapVisitor gap) {
  size_t position = 0;
  std::string token;
  while (position < text.size()) {
    size_t end = position;
    if (readIdentifierAt(text, position, token, end)) {
      visit(token);
      position = end;
    } else {
      gap(text.substr(position, 1));
      ++position;
    }
  }
}

}  // namespace

std::string trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isTrimSpace(text[begin])) ++begin;
  while (end > begin && isTrimSpace(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string lowerCopy(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool isIdentifierStartByte(unsigned char byte) {
  return byte == '_' || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         byte >= 0x80;
}

bool isIdentifierPartByte(unsigned char byte) {
  return isIdentifierStartByte(byte) || (byte >= '0' && byte <= '9');
}

const std::string& identifierRegexPattern() {
  static const std::string pattern = "[A-Za-z_\\x80-\\xFF][A-Za-z0-9_\\x80-\\xFF]*";
  return pattern;
}

std::string regexEscape(std::string_view text) {
  static const std::string_view special = "$()*+.?[\\]^{|}";
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    if (special.find(c) != std::string_view::npos) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

bool isSpaceByte(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
         byte == '\r';
}

size_t skipSpaces(std::string_view text, size_t position) {
  while (position < text.size() && isSpaceByte(text[position])) ++position;
  return position;
}

bool readIdentifierAt(std::string_view text, size_t position, std::string& token, size_t& end) {
  token.clear();
  end = position;
  if (position >= text.size()) return false;
  if (!isIdentifierStartByte(static_cast<unsigned char>(text[position]))) return false;
  size_t stop = position + 1;
  while (stop < text.size() && isIdentifierPartByte(static_cast<unsigned char>(text[stop]))) ++stop;
  token.assign(text.substr(position, stop - position));
  end = stop;
  return true;
}

std::string previousIdentifierBefore(std::string_view text, size_t position) {
  size_t cursor = std::min(position, text.size());
  while (cursor > 0 && isSpaceByte(text[cursor - 1])) --cursor;
  if (cursor == 0) return "";
  const size_t last = cursor - 1;
  if (!isIdentifierPartByte(static_cast<unsigned char>(text[last]))) return "";
  size_t first = last;
  while (first > 0 && isIdentifierPartByte(static_cast<unsigned char>(text[first - 1]))) --first;
  if (!isIdentifierStartByte(static_cast<unsigned char>(text[first]))) return "";
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> identifierTokens(std::string_view text) {
  std::vector<std::string> tokens;
  walkIdentifiers(
      text, [&](const std::string& token) { tokens.push_back(token); }, [](std::string_view) {});
  return tokens;
}

bool containsIdentifierToken(std::string_view text, std::string_view token) {
  if (token.empty()) return false;
  // Cheap rejection first: most texts do not contain the bytes at all.
  if (text.find(token) == std::string_view::npos) return false;
  bool found = false;
  walkIdentifiers(
      text, [&](const std::string& candidate) { found = found || candidate == token; },
      [](std::string_view) {});
  return found;
}

std::string replaceIdentifierTokens(std::string_view text, std::string_view from,
                                    std::string_view to) {
  if (from.empty() || from == to) return std::string(text);
  std::string out;
  out.reserve(text.size());
  walkIdentifiers(
      text, [&](const std::string& token) { out += token == from ? std::string(to) : token; },
      [&](std::string_view gap) { out += gap; });
  return out;
}

size_t matchingBracket(std::string_view text, size_t position, char open, char close) {
  int depth = 0;
  for (size_t i = position; i < text.size(); ++i) {
    if (text[i] == open) {
      ++depth;
    } else if (text[i] == close) {
      if (--depth == 0) return i;
    }
  }
  return std::string_view::npos;
}

std::string joinStrings(const std::vector<std::string>& parts) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += '\n';
    joined += parts[i];
  }
  return joined;
}

}  // namespace quorbel
