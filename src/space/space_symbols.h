// Size symbols of the space estimate: which words are never sizes, how a size word becomes a
// canonical symbol, and how a size expression becomes a Term. These rules are the space side's
// own and differ from the loop-bound rules ("edges" stays edges here, and nothing is empty).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/term.h"

namespace quorbel::space {

// Type words, storage words and the like (34 words, any letter case): never a size.
bool ignoredIdentifier(std::string_view token);
// "t"/"tc"/"test"/"tests" -> T, "cap"/"capacity"/"sum"/"target" -> W, "size"/"len"/"length"
// and "" -> n (case-insensitive); anything else as written, trimmed.
std::string normalizeSpaceSymbol(std::string_view symbol);
// The last identifier token that is not ignored, normalised; "n" when there is none, so the
// result is never empty.
std::string lastUsefulIdentifier(std::string_view text);
// The variable assigned at the last '=' at or before `position`: lastUsefulIdentifier of that
// '='s line up to it ("int n = a.size()" gives n). Empty when no '=' precedes.
std::string assignedSymbolBefore(std::string_view source, size_t position);
// The distinct normalised symbols of an expression in first-seen order, ignored words skipped.
std::vector<std::string> collectDimensionSymbols(std::string_view text);
// The trimmed text when it is exactly one identifier, else empty.
std::string directIdentifier(std::string_view text);
// The size a dimension expression denotes, nothing evaluated: a plain number is constant,
// x.size() is n, 1 << k and pow(2, k) are 2^k, anything else is the product of its symbols
// (2 * n + m gives n * m).
Term dimensionTerm(std::string_view expression, const std::string& reason);

}  // namespace quorbel::space
