// Containers that grow by pushes inside loops.
#pragma once

#include <string>
#include <vector>

#include "space/growth_loop.h"
#include "space/space_accumulator.h"
#include "syntax/syntax_reader.h"

namespace quorbel::space {

// One "growth:" finding per container pushed into under a loop that bounds the pushes; a BFS
// queue or stack filled while indexing an adjacency list grows with the vertices. Pushes into
// unknown names, or under loops without a bound, add the unknown-growth note once per call
// (`noted` remembers it).
void addContainerGrowth(SpaceAccumulator& acc, const std::vector<SyntaxNodeInfo>& nodes,
                        LoopGrowthCache& loops, std::vector<std::string>& notes, bool& noted);

}  // namespace quorbel::space
