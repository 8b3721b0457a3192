// Traversals over an adjacency list (BFS, DFS, Dijkstra), charged once as O(V + E), or
// O((V + E) * log V) when a priority queue drives them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/result.h"
#include "syntax/context.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

// One "Graph traversal" or "Heap graph traversal" row, in the context's vertex and edge
// symbols, on the first loop that indexes an adjacency list, when the source both declares an
// adjacency list and uses a queue, stack, priority queue, dfs or bfs. Returns 0 or 1.
// REQUIRES: gContext designates `context`.
uint32_t analyzeGraphPattern(std::string_view code, const Context& context,
                             const std::vector<SyntaxNodeInfo>& nodes, Analysis& result,
                             DetectionResult& detection);

}  // namespace quorbel
