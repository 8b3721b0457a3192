// A memo over (vertex, small key) costs the small key times the vertices and edges: the states
// along the vertex are counted in the same vertices the adjacency's share divides the edges by.
#include "model/memo_states.h"

#include <algorithm>

#include "model/element_rows.h"
#include "model/loop_parts.h"

namespace quorbel {
namespace {

// The indices of the first subscript chain on `table` in `body`, outermost first.
std::vector<Node> indicesOf(const Node& body, const std::string& table) {
  std::vector<Node> found;
  visitNodes(body, [&](const Node& n) {
    if (!found.empty()) return false;
    if (n.type() != "subscript_expression") return true;
    std::vector<Node> indices;
    Node base = n;
    while (base.type() == "subscript_expression") {
      const Node list = base.field("indices");
      indices.insert(indices.begin(),
                     unwrap(list.type() == "subscript_argument_list" ? list.child(0) : list));
      base = unwrap(base.field("argument"));
    }
    if (isIdentifierNamed(base, table)) found = indices;
    return found.empty() && !isIdentifierNamed(base, table);
  });
  return found;
}

}  // namespace

std::optional<Cost> memoStatesOverVertices(const Model& model, const Function& function,
                                           const std::string& memo, const Node& adjacencyLoop) {
  const Node row = walkedRowOf(model, adjacencyLoop);
  if (row.type() != "subscript_expression") return std::nullopt;
  const Node list = row.field("indices");
  const Node vertex = unwrap(list.type() == "subscript_argument_list" ? list.child(0) : list);
  if (vertex.type() != "identifier" ||
      std::find(function.parameters.begin(), function.parameters.end(), vertex.text()) ==
          function.parameters.end())
    return std::nullopt;
  const Symbol* table = findSymbol(model, memo);
  if (!table || table->dimensions.empty()) return std::nullopt;
  const std::vector<Node> indices = indicesOf(function.body, memo);
  if (indices.size() != table->dimensions.size()) return std::nullopt;
  Cost states = constantCost();
  bool along = false;
  for (size_t k = 0; k < indices.size(); ++k) {
    if (isIdentifierNamed(indices[k], vertex.text())) {
      states = multiplyCosts(states, vertexCount(model, containerName(row.field("argument"))));
      along = true;
    } else {
      states = multiplyCosts(states, table->dimensions[k]);
    }
  }
  if (!along) return std::nullopt;
  return states;
}

}  // namespace quorbel
