#include "model/neighbour_lists.h"

#include "model/loop_parts.h"
#include "model/magnitude.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

// The body of the function or lambda around `node`; null at file scope.
Node enclosingBody(const Node& node) {
  int guard = 0;
  for (Node p = node.parent(); !p.null() && guard < 400; p = p.parent(), ++guard)
    if (p.type() == "function_definition" || p.type() == "lambda_expression")
      return p.field("body");
  return {};
}

// The row g[u] of the range-for over a nested container that holds `node` inside `body`.
Node rowAround(const Model& model, const Node& node, const Node& body) {
  for (Node p = node.parent(); !p.null() && !(p == body); p = p.parent()) {
    if (p.type() != "for_range_loop") continue;
    const Node right = unwrap(p.field("right"));
    if (right.type() != "subscript_expression") continue;
    const Symbol* table = findSymbol(model, containerName(right.field("argument")));
    if (table != nullptr && table->nestedContainer) return right;
  }
  return {};
}

}  // namespace

Node neighbourRowFilling(const Model& model, const std::string& list, const Node& use) {
  const Node body = enclosingBody(use);
  if (body.null() || list.empty()) return {};
  const Symbol* symbol = findSymbolAt(model, list, use);
  if (symbol == nullptr || symbol->scope.empty() || symbol->isParameter || symbol->declaredInLoop ||
      symbol->kind != ContainerKind::kVector || symbol->scopeStart < ts_node_start_byte(body.raw) ||
      symbol->scopeEnd > ts_node_end_byte(body.raw))
    return {};
  Node row;
  int pushes = 0;
  for (const Node& call : descendantsOfType(body, {"call_expression"})) {
    const Node function = call.field("function");
    if (function.type() != "field_expression" || containerName(function.field("argument")) != list)
      continue;
    const std::string_view method = function.field("field").text();
    if (method != "push_back" && method != "emplace_back" && method != "insert" &&
        method != "resize" && method != "assign")
      continue;
    const Node around =
        method == "push_back" || method == "emplace_back" ? rowAround(model, call, body) : Node{};
    if (around.null()) return {};
    row = around;
    ++pushes;
  }
  return pushes > 0 ? row : Node{};
}

LoopFacts neighbourListFacts(const Model& model, const Node& loop,
                             const std::vector<EnclosingLoop>& frames) {
  LoopFacts facts;
  facts.line = loop.line();
  std::string list;
  if (loop.type() == "for_range_loop") {
    const Node right = unwrap(loop.field("right"));
    if (right.type() == "identifier") list = std::string(right.text());
  } else if (loop.type() == "for_statement") {
    const Node condition = unwrap(loop.field("condition"));
    if (condition.type() == "binary_expression" &&
        (condition.field("operator").text() == "<" || condition.field("operator").text() == "!=")) {
      const Node bound = unwrapConversions(model, condition.field("right"));
      if (bound.type() == "call_expression" &&
          bound.field("function").type() == "field_expression" &&
          bound.field("function").field("field").text() == "size")
        list = containerName(bound.field("function").field("argument"));
    }
  }
  if (list.empty()) return facts;
  const Node row = neighbourRowFilling(model, list, loop);
  if (row.null()) return facts;
  facts.step = StepKind::kAdjacency;
  facts.trips = rowShare(model, row, frames);
  return facts;
}

}  // namespace quorbel
