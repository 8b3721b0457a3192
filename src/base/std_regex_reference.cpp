// The standard library's ECMAScript engine, kept only as the reference the Boost-backed module
// is checked against. It recurses per character: callers pass short texts only.
#include <regex>

#include "base/regex.h"
#include "base/regex_match.h"

namespace quorbel {

bool referenceSearchRegex(std::string_view text, std::string_view pattern, RegexMatch& match) {
  try {
    std::regex regex{std::string(pattern), std::regex::ECMAScript};
    std::cmatch found;
    if (!std::regex_search(text.data(), text.data() + text.size(), found, regex)) return false;
    match = toRegexMatch(found, text.data());
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::vector<RegexMatch> referenceFindAllRegex(std::string_view text, std::string_view pattern) {
  std::vector<RegexMatch> matches;
  try {
    std::regex regex{std::string(pattern), std::regex::ECMAScript};
    std::cregex_iterator it(text.data(), text.data() + text.size(), regex), end;
    for (; it != end; ++it) matches.push_back(toRegexMatch(*it, text.data()));
  } catch (const std::exception&) {
  }
  return matches;
}

}  // namespace quorbel
