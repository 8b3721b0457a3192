// "Did you mean": the known word a mistyped one was most likely meant to be.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quorbel {

// The word of `known` nearest to `typed` in edits (a letter inserted, removed, replaced, or two
// neighbours swapped), when at most two edits apart and fewer than half of typed's letters
// ("analyse" -> "analyze", "ful" -> "full", "jsno" -> "json"); empty when none is that close or
// `typed` is itself known. Compared without regard to case.
std::string closestWord(std::string_view typed, std::initializer_list<std::string_view> known);

}  // namespace quorbel
