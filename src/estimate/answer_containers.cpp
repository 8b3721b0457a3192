#include "estimate/answer_containers.h"

#include "model/entry_points.h"
#include "model/loop_parts.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

// True when `function` ends a path with `return name;`.
bool returnsByName(const Function& function, const std::string& name) {
  for (const Node& n : descendantsOfType(function.body, {"return_statement"}))
    if (n.childCount() > 0 && unwrap(n.child(0)).type() == "identifier" &&
        unwrap(n.child(0)).text() == name)
      return true;
  return false;
}

// True when `scope` writes to the output: cout << .., printf(..), puts(..).
bool prints(const Node& scope) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "identifier" &&
        (n.text() == "cout" || n.text() == "printf" || n.text() == "puts" || n.text() == "putchar"))
      found = true;
    return !found;
  });
  return found;
}

// The name a call is made by: f of f(..), obj.f(..) and Solution().f(..).
std::string_view calledName(const Node& call) {
  Node callee = call.field("function");
  if (callee.type() == "field_expression") callee = callee.field("field");
  if (callee.type() == "template_function") callee = callee.field("name");
  return callee.text();
}

}  // namespace

bool isReturnedAnswer(const Model& model, const Symbol& symbol) {
  if (symbol.scope.empty() || symbol.isParameter || symbol.kind == ContainerKind::kScalar)
    return false;
  auto found = model.functions.find(symbol.scope);
  if (found == model.functions.end() || found->second.isLambda || symbol.scope == "main")
    return false;
  const Function& function = found->second;
  if (!returnsByName(function, symbol.name)) return false;
  const uint32_t start = ts_node_start_byte(function.definition.raw);
  const uint32_t end = ts_node_end_byte(function.definition.raw);
  int outside = 0;
  for (const Node& call : descendantsOfType(model.root, {"call_expression"})) {
    if (calledName(call) != function.name) continue;
    const uint32_t at = ts_node_start_byte(call.raw);
    if (at >= start && at < end) continue;
    ++outside;
    const Node loop = call.parent();
    if (loop.type() != "for_range_loop" || !(loop.field("right") == call) ||
        !prints(loop.field("body")))
      return false;
  }
  if (outside > 0) return true;
  return !model.functions.count("main") && findEntryFunctions(model).count(function.name) > 0;
}

}  // namespace quorbel
