// Conversion of an engine's match results into RegexMatch, shared by the regex module's two
// engines (Boost.Regex and the standard library's reference).
#pragma once

#include "base/regex.h"

namespace quorbel {

// `found` is a match_results over const char* whose text starts at `begin`.
template <typename MatchResults>
RegexMatch toRegexMatch(const MatchResults& found, const char* begin) {
  RegexMatch match;
  match.position = static_cast<size_t>(found[0].first - begin);
  match.length = static_cast<size_t>(found[0].second - found[0].first);
  for (size_t i = 0; i < found.size(); ++i) {
    match.matched.push_back(found[i].matched);
    match.groups.push_back(found[i].matched ? found[i].str() : std::string());
  }
  return match;
}

}  // namespace quorbel
