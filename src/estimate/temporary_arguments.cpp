#include "estimate/temporary_arguments.h"

#include "model/loop_parts.h"
#include "model/magnitude.h"
#include "model/nodes_of_type.h"
#include "model/types.h"

namespace quorbel {
namespace {

// vector<T>(count, value), string(count, c): the entries the construction holds; O(1) for
// anything else. The repeated value counts again when it is itself such a construction.
Cost constructedEntries(const Model& model, const Node& expression, int depth) {
  const Node e = unwrap(expression);
  if (depth > 4 || e.type() != "call_expression") return constantCost();
  const std::string_view type = e.field("function").text();
  const size_t open = type.find('<');
  std::string name(type.substr(0, open));
  if (name.rfind("std::", 0) == 0) name = name.substr(5);
  if (name != "vector" && name != "string" && name != "basic_string" && name != "deque")
    return constantCost();
  const Node arguments = e.field("arguments");
  if (arguments.childCount() == 0 || arguments.childCount() > 2) return constantCost();
  const Cost count = magnitudeOf(model, arguments.child(0), {});
  if (isConstantCost(count)) return constantCost();
  if (arguments.childCount() == 1) return count;
  const Cost inner = constructedEntries(model, arguments.child(1), depth + 1);
  return isConstantCost(inner) ? count : multiplyCosts(count, inner);
}

}  // namespace

std::vector<Contribution> temporaryArguments(const Model& model) {
  std::vector<Contribution> rows;
  for (const Node& call : descendantsOfType(model.root, {"call_expression"})) {
    Node callee = call.field("function");
    if (callee.type() == "template_function") callee = callee.field("name");
    if (callee.type() != "identifier" || !model.functions.count(std::string(callee.text())))
      continue;
    for (const Node& argument : childrenOf(call.field("arguments"))) {
      const Cost entries = simplifyCost(constructedEntries(model, argument, 0));
      if (isConstantCost(entries)) continue;
      rows.push_back({call.line(), "Temporary container passed to " + std::string(callee.text()),
                      entries, ""});
    }
  }
  return rows;
}

}  // namespace quorbel
