// The call stack of self-recursive functions as auxiliary space.
#pragma once

#include <string_view>
#include <vector>

#include "space/space_accumulator.h"
#include "syntax/syntax_reader.h"

namespace quorbel::space {

// One "recursion:" finding per self-calling function: a logarithmic stack when the input is
// halved, a stack over the graph's vertices for a dfs over adj[...], otherwise a stack as deep
// as the limit of the parameter that steps by one or two per call ("n" when none does).
void addRecursionStacks(SpaceAccumulator& acc, std::string_view source,
                        const std::vector<SyntaxNodeInfo>& nodes);

}  // namespace quorbel::space
