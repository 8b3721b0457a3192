// A name the program wrote only through a macro is printed as written: a size the macro
// renamed would otherwise carry a name that nowhere in the source stands for it.
#include "syntax/name_macros.h"

#include <cctype>
#include <set>
#include <vector>

namespace quorbel {
namespace {

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The identifier `text` holds with nothing else around it but white space; empty otherwise.
std::string_view soleIdentifier(std::string_view text) {
  const size_t start = text.find_first_not_of(" \t\r");
  if (start == std::string_view::npos) return {};
  const size_t end = text.find_last_not_of(" \t\r");
  const std::string_view word = text.substr(start, end - start + 1);
  if (std::isdigit(static_cast<unsigned char>(word.front()))) return {};
  for (char c : word)
    if (!isWordChar(c)) return {};
  return word;
}

}  // namespace

std::map<std::string, std::string> renamingMacros(std::string_view source) {
  std::map<std::string, std::string> aliases;  // body -> macro
  std::set<std::string_view> ambiguous;
  std::vector<std::pair<size_t, size_t>> defineLines;
  size_t lineStart = 0;
  while (lineStart < source.size()) {
    size_t lineEnd = source.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = source.size();
    const std::string_view line = source.substr(lineStart, lineEnd - lineStart);
    const size_t hash = line.find_first_not_of(" \t");
    if (hash != std::string_view::npos && line[hash] == '#') {
      const size_t word = line.find_first_not_of(" \t", hash + 1);
      if (word != std::string_view::npos && line.substr(word, 6) == "define" &&
          word + 6 < line.size() && (line[word + 6] == ' ' || line[word + 6] == '\t')) {
        defineLines.push_back({lineStart, lineEnd});
        const std::string_view rest = line.substr(word + 7);
        const size_t nameStart = rest.find_first_not_of(" \t");
        if (nameStart != std::string_view::npos) {
          size_t nameEnd = nameStart;
          while (nameEnd < rest.size() && isWordChar(rest[nameEnd])) ++nameEnd;
          // #define f(x) ...: a function-like macro renames nothing
          const bool functionLike = nameEnd < rest.size() && rest[nameEnd] == '(';
          const std::string_view body = soleIdentifier(rest.substr(nameEnd));
          if (!functionLike && nameEnd > nameStart && !body.empty()) {
            const std::string name(rest.substr(nameStart, nameEnd - nameStart));
            auto [at, inserted] = aliases.emplace(std::string(body), name);
            if (!inserted && at->second != name) ambiguous.insert(at->first);
          }
        }
      }
    }
    lineStart = lineEnd + 1;
  }
  for (std::string_view body : ambiguous) aliases.erase(std::string(body));
  if (aliases.empty()) return aliases;
  // A body the source also writes as a name of its own (int first; outside the macro) may be
  // that name: it is kept as it is.
  size_t define = 0;
  for (size_t i = 0; i < source.size();) {
    while (define < defineLines.size() && defineLines[define].second <= i) ++define;
    if (define < defineLines.size() && defineLines[define].first <= i) {
      i = defineLines[define].second;
      continue;
    }
    if (!isWordChar(source[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < source.size() && isWordChar(source[end])) ++end;
    const std::string word(source.substr(i, end - i));
    size_t before = i;
    while (before > 0 && (source[before - 1] == ' ' || source[before - 1] == '\t')) --before;
    const bool member =
        before > 0 && (source[before - 1] == '.' ||
                       (before > 1 && source[before - 1] == '>' && source[before - 2] == '-'));
    if (!member && !std::isdigit(static_cast<unsigned char>(word.front()))) aliases.erase(word);
    if (aliases.empty()) break;
    i = end;
  }
  return aliases;
}

}  // namespace quorbel
