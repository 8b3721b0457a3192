// Recognises container declarations, first declarator only:
//   vector<vector<int>> dp(n + 1, vector<int>(m));     -> vector dp "n + 1, vector<int>(m)"
//   priority_queue<pair<int,int>, ..., greater<>> pq;  -> priority_queue pq
//   const vector<int>& a                               -> vector a
//   vector<int> v{1, 2, 3};                            -> vector v "1, 2, 3"
#include "space/storage_declarations.h"

#include <array>

#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel::space {
namespace {

// Longer words before the shorter words they contain, so unordered_map is never read as map.
constexpr std::array<std::string_view, 12> kStorageTypes = {
    "priority_queue", "unordered_map", "unordered_set", "multimap", "multiset", "vector",
    "deque",          "string",        "queue",         "stack",    "set",      "map"};

bool isSpaceByte(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

size_t skipSpaces(std::string_view text, size_t position) {
  while (position < text.size() && isSpaceByte(text[position])) ++position;
  return position;
}

size_t skipPointerMarks(std::string_view text, size_t position) {
  while (position < text.size() &&
         (isSpaceByte(text[position]) || text[position] == '*' || text[position] == '&')) {
    ++position;
  }
  return position;
}

std::string readBalanced(std::string_view text, size_t start, char open, char close, size_t& end) {
  end = text.size();
  if (start >= text.size()) return "";
  int depth = 0;
  for (size_t j = start; j < text.size(); ++j) {
    if (text[j] == open) {
      ++depth;
    } else if (text[j] == close) {
      if (depth == 1) {
        end = j + 1;
        return std::string(text.substr(start + 1, j - start - 1));
      }
      --depth;
    }
  }
  return "";
}

std::vector<std::string> splitTopLevel(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  std::string current;
  int angle = 0, square = 0, brace = 0, paren = 0;
  for (char c : text) {
    if (c == separator && angle == 0 && square == 0 && brace == 0 && paren == 0) {
      pieces.push_back(trim(current));
      current.clear();
      continue;
    }
    switch (c) {
      case '<':
        ++angle;
        break;
      case '[':
        ++square;
        break;
      case '{':
        ++brace;
        break;
      case '(':
        ++paren;
        break;
      case '>':
        if (angle > 0) --angle;
        break;
      case ']':
        if (square > 0) --square;
        break;
      case '}':
        if (brace > 0) --brace;
        break;
      case ')':
        if (paren > 0) --paren;
        break;
      default:
        break;
    }
    current += c;
  }
  std::string last = trim(current);
  if (!last.empty()) pieces.push_back(last);
  return pieces;
}

std::string parameterTextFromFunction(std::string_view text, std::string_view name) {
  const size_t at = text.find(name);
  if (at == std::string_view::npos) return "";
  const size_t open = text.find('(', at + name.size());
  if (open == std::string_view::npos) return "";
  size_t end = 0;
  return readBalanced(text, open, '(', ')', end);
}

bool isStorageType(std::string_view word) {
  for (std::string_view type : kStorageTypes) {
    if (type == word) return true;
  }
  return false;
}

ParsedStorage parseStorageDeclaration(std::string_view text) {
  for (std::string_view type : kStorageTypes) {
    RegexMatch match;
    if (!searchRegex(text, "\\b" + std::string(type) + "\\b", match)) continue;
    size_t p = skipSpaces(text, match.position + type.size());
    // The template argument list is skipped whole, however deeply nested.
    if (p < text.size() && text[p] == '<') readBalanced(text, p, '<', '>', p);
    p = skipPointerMarks(text, p);
    std::string name;
    size_t nameEnd = p;
    if (!readIdentifierAt(text, p, name, nameEnd)) continue;
    // "vector<int> vector;" names nothing we could size.
    if (isStorageType(name)) continue;

    ParsedStorage parsed;
    parsed.ok = true;
    parsed.containerType = std::string(type);
    parsed.name = name;
    const size_t after = skipSpaces(text, nameEnd);
    if (after < text.size() && text[after] == '(') {
      size_t end = 0;
      parsed.arguments = readBalanced(text, after, '(', ')', end);
    } else if (after < text.size() && text[after] == '{') {
      size_t end = 0;
      parsed.arguments = readBalanced(text, after, '{', '}', end);
    }
    return parsed;
  }
  return ParsedStorage{};
}

}  // namespace quorbel::space
