// The auxiliary-space estimate: memory the program allocates for itself, read from the text of
// its declarations, allocations, pushes and recursion.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// The space summary of a source: sized containers, C arrays, new[], resizes, pushes bounded
// by loops, a Dijkstra frontier and recursion stacks; container parameters count as input. May
// append the unknown-growth note to `notes`, at most once per call. Never throws.
SpaceSummary detectSpaceComplexity(std::string_view source, const SyntaxReaderResult& syntax,
                                   std::vector<std::string>& notes);

}  // namespace quorbel
