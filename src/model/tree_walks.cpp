#include "model/tree_walks.h"

#include "model/loop_parts.h"
#include "model/magnitude.h"

namespace quorbel {
namespace {

// The text of a node with parentheses stripped, for comparing two spellings of one value.
std::string_view plainText(const Node& node) { return unwrap(node).text(); }

// True when `scope` compares `candidate` with `parent` by == or !=, either way round.
bool comparesWith(const Node& scope, std::string_view candidate, std::string_view parent) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found) return false;
    if (n.type() != "binary_expression") return true;
    const std::string_view op = n.field("operator").text();
    if (op != "==" && op != "!=") return true;
    const std::string_view left = plainText(n.field("left")), right = plainText(n.field("right"));
    found = (left == candidate && right == parent) || (left == parent && right == candidate);
    return !found;
  });
  return found;
}

}  // namespace

bool skipsParent(const Function& function, const Node& call, const Node& loop) {
  const Node arguments = call.field("arguments");
  const size_t count = std::min<size_t>(arguments.childCount(), function.parameters.size());
  for (size_t parent = 0; parent < count; ++parent) {
    const Node handed = unwrap(arguments.child(static_cast<uint32_t>(parent)));
    if (handed.type() != "identifier") continue;
    for (size_t own = 0; own < count; ++own) {
      if (own == parent || function.parameters[own].empty() ||
          handed.text() != function.parameters[own] || function.parameters[parent].empty())
        continue;
      // dfs(v, u): u, the vertex of this activation, becomes the child's parent
      const Node next = arguments.child(static_cast<uint32_t>(own));
      if (plainText(next) == function.parameters[own]) continue;
      if (comparesWith(loop, plainText(next), function.parameters[parent])) return true;
    }
  }
  return false;
}

std::string neighboursHolder(const Function& function, const Node& loop) {
  const Node header = loop.type() == "for_range_loop"  ? loop.field("right")
                      : loop.type() == "for_statement" ? loop.field("initializer")
                                                       : loop.field("condition");
  std::string holder;
  visitNodes(header, [&](const Node& n) {
    if (!holder.empty()) return false;
    Node key;
    if (n.type() == "subscript_expression") key = n.field("indices");
    if (n.type() == "call_expression" && n.field("function").type() == "field_expression" &&
        n.field("function").field("field").text() == "at")
      key = n.field("arguments");
    if (key.null()) return true;
    for (const std::string& parameter : function.parameters)
      if (!parameter.empty() && mentionsIdentifier(key, parameter)) {
        holder = containerName(n.type() == "subscript_expression"
                                   ? n.field("argument")
                                   : n.field("function").field("argument"));
        break;
      }
    return holder.empty();
  });
  return holder;
}

}  // namespace quorbel
