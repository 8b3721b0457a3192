// The one regular-expression module. Patterns are ECMAScript, used exactly as written, with
// "^"/"$" anchored at the ends of the text only and "." not matching a line break. Each
// pattern text is compiled once and cached. A pattern that does not compile, or a search the
// engine gives up on, counts as no match: the analysis never fails on a regex.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

struct RegexMatch {
  size_t position = 0;  // of the whole match in the searched text
  size_t length = 0;
  std::vector<std::string> groups;  // groups[0] is the whole match; unmatched groups are empty
  std::vector<bool> matched;        // whether each group took part in the match
};

// True when the pattern matches somewhere in the text.
bool containsRegex(std::string_view text, std::string_view pattern);
// Number of successive non-overlapping matches.
int occurrencesRegex(std::string_view text, std::string_view pattern);
// The first match; false when there is none.
bool searchRegex(std::string_view text, std::string_view pattern, RegexMatch& match);
// Every successive non-overlapping match, in order.
std::vector<RegexMatch> findAllRegex(std::string_view text, std::string_view pattern);
// Whether the pattern compiles.
bool isValidRegex(std::string_view pattern);
// Every pattern text this process has compiled so far (for the engine's differential test).
std::vector<std::string> compiledRegexPatterns();

// The standard library's ECMAScript engine on the same calls, for the differential test only:
// it recurses per character and must never see large inputs.
bool referenceSearchRegex(std::string_view text, std::string_view pattern, RegexMatch& match);
std::vector<RegexMatch> referenceFindAllRegex(std::string_view text, std::string_view pattern);

}  // namespace quorbel
