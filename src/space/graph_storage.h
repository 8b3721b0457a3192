// The graph's vertex and edge symbols as the space estimate names them, and the storage term
// of an adjacency structure built from them.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "analysis/term.h"
#include "syntax/context.h"

namespace quorbel::space {

// The normalised single identifier inside the first name[...] access of one of `names`
// (ascending); falls back to adj[...] when "adj" is not among them. Empty when none.
std::string firstAdjacencyIndexSymbol(std::string_view source, const std::set<std::string>& names);
// Vertex and edge symbols from the whole source: well-known count names, then n = adj.size(),
// then adj[u], then the range-for over an adjacency list. Defaults "v" and "e"; the edges
// symbol never equals the vertices symbol.
GraphSymbols inferGraphSymbols(std::string_view source);
// "O(vertices + edges)", reason "Graph storage", rank 35.
Term graphStorageTerm(const GraphSymbols& graph);

}  // namespace quorbel::space
