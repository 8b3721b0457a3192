// Each comment line is first made plain (≤ as <=, "does not exceed" as <=, 10⁵ as 10^5), so
// that one pattern for "names <= value" and one for "sum of name ... <= value" cover the
// wordings; time and memory limits are read from the lower-cased line.
#include "model/comment_limits.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "base/regex.h"
#include "base/text.h"
#include "base/limit_values.h"

namespace quorbel {
namespace {

// Longest first, so that "is at most" wins over "at most".
constexpr std::string_view kAtMostPhrases[] = {"is less than or equal to",
                                               "less than or equal to",
                                               "does not exceed",
                                               "doesn't exceed",
                                               "do not exceed",
                                               "don't exceed",
                                               "will not exceed",
                                               "won't exceed",
                                               "not exceeding",
                                               "not exceed",
                                               "no more than",
                                               "not more than",
                                               "no greater than",
                                               "not greater than",
                                               "is at most",
                                               "are at most",
                                               "at most",
                                               "up to"};

const std::string kLengthSuffix = R"(\s*\.\s*(?:length|size)\s*(?:\(\s*\))?)";
const std::string kName = R"(\|?[A-Za-z_][A-Za-z0-9_]*(?:)" + kLengthSuffix + R"()?\|?)";
const std::string kValue = R"(([0-9][0-9_']*(?:,[0-9]{3})*(?:\.[0-9]+)?(?:\s*[eE]\s*\+?\s*[0-9]+)?)"
                           R"((?:\s*[*xX]\s*10\s*(?:\^|\*\*)\s*[0-9]+|\s*(?:\^|\*\*)\s*[0-9]+)?))";

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool startsPhrase(char c) {
  static const auto kStarts = [] {
    std::array<bool, 256> starts{};
    for (std::string_view phrase : kAtMostPhrases)
      starts[static_cast<unsigned char>(phrase[0])] = true;
    starts['s'] = true;  // "sum"
    return starts;
  }();
  return kStarts[static_cast<unsigned char>(c)];
}

// Replaces the phrases meaning "at most" by "<=" and lower-cases "sum", in any case.
std::string plainComparisons(const std::string& text) {
  const std::string lowered = lowerCopy(text);
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const bool wordStart = at == 0 || !isLetter(text[at - 1]);
    // Only a word start whose letter begins a phrase or "sum" can be replaced.
    if (!wordStart || !startsPhrase(lowered[at])) {
      out += text[at++];
      continue;
    }
    bool replaced = false;
    for (std::string_view phrase : kAtMostPhrases) {
      if (!wordStart || lowered.compare(at, phrase.size(), phrase) != 0) continue;
      out += " <= ";
      at += phrase.size();
      replaced = true;
      break;
    }
    if (replaced) continue;
    if (wordStart && lowered.compare(at, 3, "sum") == 0) {
      out += "sum";
      at += 3;
      continue;
    }
    out += text[at++];
  }
  return out;
}

// "|s|", "s.length" and "s.size()" give "s" and mark a length.
CommentLimit limitFor(std::string name, double value, int line) {
  CommentLimit limit;
  limit.length = name.size() > 2 && name.front() == '|' && name.back() == '|';
  while (!name.empty() && name.front() == '|') name.erase(0, 1);
  while (!name.empty() && name.back() == '|') name.pop_back();
  if (const std::string collection = lengthCollection(name); !collection.empty()) {
    name = collection;
    limit.length = true;
  }
  limit.name = name;
  limit.value = value;
  limit.line = line;
  return limit;
}

void readTimeAndMemory(const std::string& lowered, int line, CommentLimits& limits) {
  RegexMatch match;
  // Each pattern needs a word of its own: most comment lines have none, and are not searched.
  const auto has = [&lowered](const char* word) { return lowered.find(word) != std::string::npos; };
  if (limits.timeLimitSeconds == 0 && (has("limit") || has("tl")) &&
      searchRegex(lowered,
                  R"((?:time[ _-]*limit|\btl\b)\D{0,20}?([0-9]+(?:\.[0-9]+)?)\s*)"
                  R"((milliseconds?|ms|seconds?|secs?|s\b)?)",
                  match)) {
    const ReadNumber seconds = readSeconds(match.groups[1] + " " + match.groups[2]);
    if (seconds.ok && seconds.value > 0) {
      limits.timeLimitSeconds = seconds.value;
      limits.timeLine = line;
    }
  }
  if (limits.memoryLimitMb == 0 && (has("memory") || has("ml")) &&
      searchRegex(lowered,
                  R"((?:memory[ _-]*limit|\bmemory\b|\bml\b)\D{0,20}?([0-9]+(?:\.[0-9]+)?)\s*)"
                  R"((kilobytes?|kib|kb|megabytes?|mib|mb|gigabytes?|gib|gb|[kmg]\b)?)",
                  match)) {
    const ReadNumber megabytes = readMegabytes(match.groups[1] + " " + match.groups[2]);
    if (megabytes.ok && megabytes.value > 0) {
      limits.memoryLimitMb = megabytes.value;
      limits.memoryLine = line;
    }
  }
}

// Constraints are short; a longer line (a commented-out table, a padded file) is not one, and
// the patterns' retries would take quadratic time on it.
constexpr size_t kMaxLineBytes = 1000;

void readLine(const std::string& raw, int line, CommentLimits& limits) {
  if (raw.size() > kMaxLineBytes) return;
  std::string text = plainComparisons(normalizeMathText(raw));
  const std::string lowered = lowerCopy(text);
  readTimeAndMemory(lowered, line, limits);

  // Sums first; their text is blanked so that "cases <= 2e5" is not read as a size.
  const std::string sumPattern = R"(\bsum\b\s*(?:of\s+)?(?:(?:all|the)\s+)*\(?\s*()" + kName +
                                 R"()\s*\)?[^<]*<=?\s*)" + kValue;
  // The sums, the chains and the lengths need a comparison sign; sums the word "sum".
  const bool compares = text.find('<') != std::string::npos;
  const bool equates = text.find('=') != std::string::npos;
  if (compares && text.find("sum") != std::string::npos)
    for (const RegexMatch& match : findAllRegex(text, sumPattern)) {
      const ReadNumber value = readLimitNumber(match.groups[2]);
      if (!value.ok) continue;
      CommentLimit limit = limitFor(match.groups[1], value.value, line);
      limit.sumOverTests = true;
      limits.sizes.push_back(limit);
      text.replace(match.position, match.length, std::string(match.length, ' '));
    }

  // "n == nums.length" and "nums.length == n" tie a size to a collection's length.
  const std::string word = R"(([A-Za-z_][A-Za-z0-9_]*))";
  if (equates)
    for (const RegexMatch& match :
         findAllRegex(text, word + R"(\s*==?\s*)" + word + kLengthSuffix + R"(\b)"))
      limits.lengths.push_back({match.groups[1], match.groups[2]});
  if (equates)
    for (const RegexMatch& match :
         findAllRegex(text, word + kLengthSuffix + R"(\s*==?\s*)" + word + R"(\b)"))
      limits.lengths.push_back({match.groups[2], match.groups[1]});

  const std::string chainPattern =
      "(" + kName + R"((?:\s*,\s*)" + kName + R"()*)\s*<=?\s*)" + kValue;
  if (!compares) return;
  for (const RegexMatch& match : findAllRegex(text, chainPattern)) {
    const ReadNumber value = readLimitNumber(match.groups[2]);
    if (!value.ok) continue;
    const std::string& names = match.groups[1];
    size_t start = 0;
    while (start <= names.size()) {
      size_t comma = names.find(',', start);
      if (comma == std::string::npos) comma = names.size();
      CommentLimit limit =
          limitFor(trim(std::string_view(names).substr(start, comma - start)), value.value, line);
      if (!limit.name.empty()) limits.sizes.push_back(limit);
      start = comma + 1;
    }
  }
}

}  // namespace

std::string lengthCollection(const std::string& name) {
  RegexMatch match;
  if (!searchRegex(name, R"(^\s*([A-Za-z_][A-Za-z0-9_]*))" + kLengthSuffix + R"(\s*$)", match))
    return "";
  return match.groups[1];
}

void readCommentLimits(const std::string& comment, int line, CommentLimits& limits) {
  size_t start = 0;
  while (start <= comment.size()) {
    size_t end = comment.find('\n', start);
    if (end == std::string::npos) end = comment.size();
    readLine(comment.substr(start, end - start), line, limits);
    start = end + 1;
    ++line;
  }
}

}  // namespace quorbel
