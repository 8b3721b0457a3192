// The standard library's ECMAScript engine, kept only as the reference the Boost-backed module
// is checked against. It recurses per character: callers pass short texts only.
#include <regex>

#include "syntax/regex.h"

namespace quorbel {
namespace {

RegexMatch toMatch(const std::cmatch& found, const char* begin) {
  RegexMatch match;
  match.position = static_cast<size_t>(found[0].first - begin);
  match.length = static_cast<size_t>(found[0].second - found[0].first);
  for (size_t i = 0; i < found.size(); ++i) {
    match.matched.push_back(found[i].matched);
    match.groups.push_back(found[i].matched ? found[i].str() : std::string());
  }
  return match;
}

}  // namespace

bool referenceSearchRegex(std::string_view text, std::string_view pattern, RegexMatch& match) {
  try {
    std::regex regex{std::string(pattern), std::regex::ECMAScript};
    std::cmatch found;
    if (!std::regex_search(text.data(), text.data() + text.size(), found, regex)) return false;
    match = toMatch(found, text.data());
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
    for (; it != end; ++it) matches.push_back(toMatch(*it, text.data()));
  } catch (const std::exception&) {
  }
  return matches;
}

}  // namespace quorbel
