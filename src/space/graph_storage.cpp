// Reads the graph's size symbols from shapes such as
//   vector<vector<int>> g(n);     int n = g.size();     adj[u]     for (int e : adj[v])
//   int V, E;                     int vertices, edges;
#include "space/graph_storage.h"

#include <array>
#include <vector>

#include "space/space_symbols.h"
#include "space/storage_declarations.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel::space {
namespace {

constexpr std::array<std::string_view, 7> kVertexNames = {
    "vertices", "vertex_count", "vertexCount", "node_count", "nodeCount", "nodes", "V"};
constexpr std::array<std::string_view, 4> kEdgeNames = {"edges", "edge_count", "edgeCount", "E"};

std::vector<std::string_view> splitLines(std::string_view source) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (true) {
    const size_t end = source.find('\n', start);
    if (end == std::string_view::npos) {
      lines.push_back(source.substr(start));
      return lines;
    }
    lines.push_back(source.substr(start, end - start));
    start = end + 1;
  }
}

// The name declared after the balanced vector<vector<...>> of a line, or empty.
std::string nestedVectorName(std::string_view line) {
  const size_t vectorAt = line.find("vector");
  if (vectorAt == std::string_view::npos) return "";
  const size_t open = line.find('<', vectorAt + 6);
  if (open == std::string_view::npos) return "";
  int depth = 0;
  size_t close = std::string_view::npos;
  for (size_t i = open; i < line.size(); ++i) {
    if (line[i] == '<') ++depth;
    if (line[i] == '>' && --depth == 0) {
      close = i;
      break;
    }
  }
  if (close == std::string_view::npos) return "";
  const size_t p = skipPointerMarks(line, close + 1);
  std::string name;
  size_t end = p;
  readIdentifierAt(line, p, name, end);
  return name;
}

std::set<std::string> adjacencyNames(std::string_view source) {
  std::set<std::string> names;
  for (std::string_view line : splitLines(source)) {
    if (!containsRegex(line, "\\bvector\\s*<\\s*vector\\s*<")) continue;
    std::string name = nestedVectorName(line);
    if (!name.empty()) names.insert(std::move(name));
  }
  if (containsRegex(source, "\\badj\\s*\\[")) names.insert("adj");
  return names;
}

template <size_t N>
std::string firstTokenOf(std::string_view source, const std::array<std::string_view, N>& words) {
  for (std::string_view word : words) {
    if (containsIdentifierToken(source, word)) return std::string(word);
  }
  return "";
}

// The variable assigned an adjacency list's size: "int n = adj.size();" gives n.
std::string sizeAssignedVertices(std::string_view source, const std::set<std::string>& names) {
  for (const std::string& name : names) {
    for (size_t p = source.find(".size"); p != std::string_view::npos;
         p = source.find(".size", p + 1)) {
      if (previousIdentifierBefore(source, p) != name) continue;
      const std::string assigned = assignedSymbolBefore(source, p);
      if (!assigned.empty()) return normalizeSpaceSymbol(assigned);
    }
  }
  return "";
}

// The element name of the first range-for, when the source's first ':' comes no later than
// the first access of an adjacency list: "for (int e : adj[v])" gives e.
std::string rangeForEdges(std::string_view source, const std::set<std::string>& names) {
  for (const std::string& name : names) {
    const size_t access = source.find(name + "[");
    const size_t colon = source.find(':');
    const size_t forAt = source.find("for");
    if (access == std::string_view::npos || colon == std::string_view::npos ||
        forAt == std::string_view::npos || colon > access) {
      continue;
    }
    const std::string_view header =
        colon < forAt ? source.substr(forAt) : source.substr(forAt, colon - forAt);
    return lastUsefulIdentifier(header);
  }
  return "";
}

}  // namespace

std::string firstAdjacencyIndexSymbol(std::string_view source, const std::set<std::string>& names) {
  for (const std::string& name : names) {
    if (name.empty()) continue;
    for (size_t at = source.find(name); at != std::string_view::npos;
         at = source.find(name, at + name.size())) {
      const size_t p = skipSpaces(source, at + name.size());
      if (p >= source.size() || source[p] != '[') continue;
      const size_t close = source.find(']', p + 1);
      if (close == std::string_view::npos) continue;
      const std::string index = directIdentifier(source.substr(p + 1, close - p - 1));
      if (!index.empty()) return normalizeSpaceSymbol(index);
    }
  }
  if (names.count("adj") > 0) return "";
  return firstAdjacencyIndexSymbol(source, {"adj"});
}

GraphSymbols inferGraphSymbols(std::string_view source) {
  const std::set<std::string> names = adjacencyNames(source);
  GraphSymbols graph;
  graph.vertices = firstTokenOf(source, kVertexNames);
  graph.edges = firstTokenOf(source, kEdgeNames);
  if (graph.vertices.empty()) graph.vertices = sizeAssignedVertices(source, names);
  if (graph.vertices.empty()) graph.vertices = firstAdjacencyIndexSymbol(source, names);
  if (graph.edges.empty()) graph.edges = rangeForEdges(source, names);
  if (graph.vertices.empty()) graph.vertices = "v";
  if (graph.edges.empty() || graph.edges == graph.vertices) graph.edges = "e";
  return graph;
}

Term graphStorageTerm(const GraphSymbols& graph) {
  return customTerm("O(" + graph.vertices + " + " + graph.edges + ")", "Graph storage", 35);
}

}  // namespace quorbel::space
