// Refused directive shapes, as the compiler would see them:
//   #include "/etc/passwd"        #include <../../secret.h>      #include_next <vector>
//   #define F "/etc/passwd"       #include F
//   #inc\                         (a splice joins the two lines into one directive)
//   lude "/etc/passwd"
//   /* note */ # /* x */ include "/etc/passwd"     %:include "/etc/passwd"
// Accepted: #include <bits/stdc++.h>, #include "my.h", an unterminated #include "my.h
// Also refused, as other ways to have a file read at compile time:
//   #pragma GCC dependency "/etc/passwd"      _Pragma("GCC dependency \"/etc/passwd\"")
//   asm(".incbin \"/etc/passwd\"")            asm(".inc" "bin ...")   asm(".inc\x62in ...")
#include "runner/runner_includes.h"

#include <algorithm>

namespace quorbel {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool isIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Joins every backslash-newline splice, as GCC does even with blanks before the newline.
std::string spliceLines(std::string_view code) {
  std::string out;
  out.reserve(code.size());
  for (size_t i = 0; i < code.size(); ++i) {
    if (code[i] == '\\') {
      size_t j = i + 1;
      while (j < code.size() && isBlank(code[j])) ++j;
      if (j < code.size() && code[j] == '\n') {
        i = j;
        continue;
      }
    }
    out.push_back(code[i]);
  }
  return out;
}

// True when the quote at `quote` opens a raw string: R, LR, uR, UR or u8R right before it.
bool opensRawString(const std::string& text, size_t quote) {
  size_t start = quote;
  while (start > 0 && isIdentifierChar(text[start - 1])) --start;
  std::string_view prefix(text.data() + start, quote - start);
  return prefix == "R" || prefix == "LR" || prefix == "uR" || prefix == "UR" || prefix == "u8R";
}

// True when the apostrophe at `at` is a digit separator (1'000'000), not a character literal.
bool isDigitSeparator(const std::string& text, size_t at) {
  size_t start = at;
  while (start > 0 &&
         (isIdentifierChar(text[start - 1]) || text[start - 1] == '\'' || text[start - 1] == '.')) {
    --start;
  }
  return start < at && text[start] >= '0' && text[start] <= '9';
}

// Replaces each comment by one space, leaving string, character and raw string literals
// as they are, so that a comment inside a directive cannot hide it from the line check.
std::string blankComments(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      while (i < text.size() && text[i] != '\n') ++i;
      out.push_back(' ');
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      size_t end = text.find("*/", i + 2);
      i = end == std::string::npos ? text.size() : end + 2;
      out.push_back(' ');
    } else if (c == '"' && opensRawString(text, i)) {
      size_t open = text.find('(', i + 1);
      size_t end = std::string::npos;
      if (open != std::string::npos) {
        std::string closing = ")" + text.substr(i + 1, open - i - 1) + "\"";
        end = text.find(closing, open + 1);
        if (end != std::string::npos) end += closing.size();
      }
      if (end == std::string::npos) end = text.size();
      out.append(text, i, end - i);
      i = end;
    } else if (c == '"' || (c == '\'' && !isDigitSeparator(text, i))) {
      // An ordinary literal ends at its closing quote or, unterminated, at the line's end.
      size_t j = i + 1;
      while (j < text.size() && text[j] != c && text[j] != '\n') j += text[j] == '\\' ? 2 : 1;
      if (j < text.size() && text[j] == c) ++j;
      j = std::min(j, text.size());
      out.append(text, i, j - i);
      i = j;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}

size_t skipBlanks(std::string_view line, size_t i) {
  while (i < line.size() && isBlank(line[i])) ++i;
  return i;
}

// The detail for one logical line, empty when it is not an unsafe include.
std::string unsafeIncludeOnLine(std::string_view line) {
  size_t i = skipBlanks(line, 0);
  if (line.substr(i, 1) == "#") {
    i += 1;
  } else if (line.substr(i, 2) == "%:") {
    i += 2;
  } else {
    return "";
  }
  i = skipBlanks(line, i);
  std::string_view rest = line.substr(i);
  if (rest.starts_with("include_next")) return "include_next";
  size_t word = rest.starts_with("include") ? 7 : rest.starts_with("import") ? 6 : 0;
  if (word == 0) return "";
  i = skipBlanks(line, i + word);
  if (i >= line.size() || (line[i] != '"' && line[i] != '<')) return "macro-expanded include";
  char closing = line[i] == '"' ? '"' : '>';
  size_t end = line.find(closing, i + 1);
  if (end == std::string_view::npos || end == i + 1) return "";
  std::string_view path = line.substr(i + 1, end - i - 1);
  if (path.front() == '/' || path.find("..") != std::string_view::npos) return std::string(path);
  return "";
}

// The code's letters as an assembler or a pragma would meet them once string literals are
// joined and their escapes read: quotes, blanks and backslash-newlines dropped, \x62 and \142
// decoded, all in lower case. ".inc" "bin" and ".inc\x62in" both read "incbin" here.
std::string joinedLetters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto hexValue = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      const char next = text[i + 1];
      if (next == 'x' || next == 'X') {
        int value = 0;
        size_t j = i + 2;
        for (; j < text.size() && hexValue(text[j]) >= 0; ++j)
          value = value * 16 + hexValue(text[j]);
        c = static_cast<char>(value);
        i = j - 1;
      } else if (next >= '0' && next <= '7') {
        int value = 0;
        size_t j = i + 1;
        for (; j < text.size() && j < i + 4 && text[j] >= '0' && text[j] <= '7'; ++j)
          value = value * 8 + (text[j] - '0');
        c = static_cast<char>(value);
        i = j - 1;
      } else {
        continue;  // \" and the like: the escaped character comes next
      }
    }
    if (c == '"' || isBlank(c) || c == '\n') continue;
    out.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
  }
  return out;
}

// "#pragma GCC dependency" and ".incbin" have the compiler or the assembler open a file the
// code names; no submitted program needs either.
std::string fileReadingDirective(std::string_view text) {
  const std::string letters = joinedLetters(text);
  if (letters.find("gccdependency") != std::string::npos) return "pragma GCC dependency";
  if (letters.find("incbin") != std::string::npos) return ".incbin";
  return "";
}

// The first unsafe include of `text`, line by line.
std::string firstUnsafeLine(std::string_view text) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string detail = unsafeIncludeOnLine(text.substr(start, end - start));
    if (!detail.empty()) return detail;
    start = end + 1;
  }
  return "";
}

}  // namespace

std::string findUnsafeInclude(std::string_view code) {
  // The raw lines come first so that the plain cases keep their plain details. Comments are
  // blanked only in the last pass: inside <...> the compiler reads "//" as part of the path,
  // so <../..//etc/passwd> must still be seen whole by the earlier passes.
  std::string detail = firstUnsafeLine(code);
  if (!detail.empty()) return detail;
  const std::string spliced = spliceLines(code);
  detail = firstUnsafeLine(spliced);
  if (!detail.empty()) return detail;
  const std::string uncommented = blankComments(spliced);
  detail = firstUnsafeLine(uncommented);
  if (!detail.empty()) return detail;
  return fileReadingDirective(uncommented);
}

}  // namespace quorbel
