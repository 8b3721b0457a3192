#include "model/merged_children.h"

#include "model/loop_parts.h"
#include "model/magnitude.h"

namespace quorbel {
namespace {

// The parameter `index` doubles, itself or plus one: 2 * x, 2 * x + 1, x << 1 | 1, x * 2.
std::string doubledParameter(const Function& function, const Node& index) {
  for (const std::string& parameter : function.parameters)
    if (!parameter.empty() && isDoubled(unwrap(index), parameter)) return parameter;
  return "";
}

// The first index of a subscript expression.
Node firstIndex(const Node& subscript) {
  const Node indices = subscript.field("indices");
  return indices.type() == "subscript_argument_list" ? indices.child(0) : indices;
}

}  // namespace

std::string childRowsMerged(const Model& model, const Function& function,
                            const std::vector<Node>& calls) {
  // the calls recurse on the children of a parameter
  std::string parent;
  for (const Node& call : calls)
    for (const Node& argument : childrenOf(call.field("arguments"))) {
      const std::string doubled = doubledParameter(function, argument);
      if (!doubled.empty()) parent = doubled;
    }
  if (parent.empty() || calls.size() < 2) return "";
  std::string table;
  visitNodes(function.body, [&](const Node& n) {
    if (!table.empty()) return false;
    const bool libraryCall = n.type() == "call_expression" && !n.field("arguments").null();
    const bool assignment = n.type() == "assignment_expression";
    if (!libraryCall && !assignment) return true;
    const Node scope = libraryCall ? n.field("arguments") : n.field("right");
    visitNodes(scope, [&](const Node& e) {
      if (!table.empty()) return false;
      if (e.type() == "subscript_expression" && doubledParameter(function, firstIndex(e)) == parent)
        table = containerName(e);
      return table.empty();
    });
    // the recursive calls themselves pass children, not rows
    for (const Node& call : calls)
      if (n == call) table.clear();
    return table.empty();
  });
  const Symbol* symbol = table.empty() ? nullptr : findSymbol(model, table);
  return symbol != nullptr && symbol->nestedContainer ? table : "";
}

}  // namespace quorbel
