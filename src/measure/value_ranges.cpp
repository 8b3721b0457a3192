// Ranges of values as problem statements write them in comments:
//   // 1 <= n <= 2*10^5, -10^9 <= a_i <= 10^9        // 1 ≤ u, v ≤ n
//   // |s| <= 10^6                                      // x[i] <= 1e9
// A bound that is a name (1 <= k <= n) bounds by that name's value as the input gives it;
// positions are found from use.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "base/limit_values.h"
#include "base/regex.h"
#include "measure/input_roles.h"

namespace quorbel {
namespace {

constexpr const char* kNumber =
    R"((-?\s*[0-9][0-9,.'_]*(?:\s*(?:\*|x)\s*10\s*\^\s*[0-9]+|e[0-9]+|\^[0-9]+)?))";

// What follows an underscore is an index when it is one letter, digits or braced: a_i, x_12,
// A_{i}; cow_num and street_len are names of their own.
bool isSubscript(std::string_view rest) {
  if (!rest.empty() && rest.front() == '{') return true;
  size_t length = 0;
  bool digits = true;
  while (length < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[length])))) {
    digits = digits && std::isdigit(static_cast<unsigned char>(rest[length]));
    ++length;
  }
  return length == 1 || (length > 0 && digits);
}

// a_i, a[i], A_{i}, |s| and x_1 all name the base: a, a, A, s, x.
std::string baseName(const std::string& text) {
  std::string name;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '|' || c == ' ') continue;
    if (c == '_' && !name.empty() && isSubscript(std::string_view(text).substr(i + 1))) break;
    if (c == '[' || c == '(' || c == '{') break;
    name += c;
  }
  return name;
}

std::vector<std::string> splitNames(const std::string& list) {
  std::vector<std::string> names;
  std::string current;
  for (char c : list + ",") {
    if (c == ',') {
      const std::string name = baseName(current);
      if (!name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        names.push_back(name);
      current.clear();
    } else {
      current += c;
    }
  }
  return names;
}

bool readNumber(const std::string& text, double& value) {
  std::string plain;
  bool negative = false;
  for (char c : text) {
    if (c == '-' && plain.empty())
      negative = true;
    else if (c != ' ')
      plain += c;
  }
  // "3000, 1 <= a_i": the list's comma or a full stop is not part of the number.
  while (!plain.empty() && (plain.back() == ',' || plain.back() == '.')) plain.pop_back();
  const ReadNumber number = readLimitNumber(plain);
  if (!number.ok) return false;
  value = negative ? -number.value : number.value;
  return true;
}

std::vector<std::string> commentsOf(std::string_view source) {
  std::vector<std::string> comments;
  for (size_t i = 0; i + 1 < source.size(); ++i) {
    if (source[i] == '"') {  // skip string literals so "//" inside one is not a comment
      for (++i; i < source.size() && source[i] != '"' && source[i] != '\n'; ++i)
        if (source[i] == '\\') ++i;
      continue;
    }
    if (source[i] != '/') continue;
    if (source[i + 1] == '/') {
      const size_t end = source.find('\n', i);
      comments.emplace_back(
          source.substr(i + 2, (end == std::string_view::npos ? source.size() : end) - i - 2));
      i = end == std::string_view::npos ? source.size() : end;
    } else if (source[i + 1] == '*') {
      const size_t end = source.find("*/", i + 2);
      comments.emplace_back(
          source.substr(i + 2, (end == std::string_view::npos ? source.size() : end) - i - 2));
      i = end == std::string_view::npos ? source.size() : end + 1;
    }
  }
  return comments;
}

// A name an earlier, fuller statement already gave a range keeps that one.
bool hasRange(const std::vector<StatedRange>& ranges, const std::string& name) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [&](const StatedRange& range) { return range.name == name; });
}

}  // namespace

std::vector<StatedRange> readStatedRanges(std::string_view source) {
  std::vector<StatedRange> ranges;
  const std::string names = R"(([A-Za-z_|][A-Za-z0-9_|\[\]{}, ]*?))";
  const std::string both =
      std::string(kNumber) + R"(\s*<\s*=?\s*)" + names + R"(\s*<\s*=?\s*)" + kNumber;
  const std::string upper = std::string(R"((?:^|[\s,;(:]))") + names + R"(\s*<\s*=?\s*)" + kNumber;
  for (const std::string& raw : commentsOf(source)) {
    std::string comment = normalizeMathText(raw);
    for (const RegexMatch& match : findAllRegex(comment, both)) {
      double low = 0, high = 0;
      if (!readNumber(match.groups[1], low) || !readNumber(match.groups[3], high)) continue;
      for (const std::string& name : splitNames(match.groups[2]))
        ranges.push_back({name, low, high, true});
    }
    // "1 <= k <= n": a name as the bound, when it ends the chain or the clause.
    const std::string byName = std::string(kNumber) + R"(\s*<\s*=?\s*)" + names +
                               R"(\s*<\s*=?\s*([A-Za-z_][A-Za-z0-9_]*)\s*(?:$|[,;.)]|<))";
    for (const RegexMatch& match : findAllRegex(comment, byName)) {
      double low = 0;
      if (!readNumber(match.groups[1], low)) continue;
      for (const std::string& name : splitNames(match.groups[2]))
        if (!hasRange(ranges, name)) ranges.push_back({name, low, 0, true, match.groups[3]});
    }
    // "n, m <= 10^5" and "|s| <= 10^6" without a lower bound, for names no chain gave.
    for (const RegexMatch& match : findAllRegex(comment, upper)) {
      double high = 0;
      if (!readNumber(match.groups[2], high)) continue;
      for (const std::string& name : splitNames(match.groups[1]))
        if (!hasRange(ranges, name)) ranges.push_back({name, 0, high, false});
    }
  }
  return ranges;
}

}  // namespace quorbel
