#include "model/checked_indices.h"

#include <string>
#include <string_view>

#include "model/loop_parts.h"
#include "model/magnitude.h"
#include "model/tree.h"

namespace quorbel {
namespace {

// A check reads so far into a function and no further: the walk stays linear in the scope.
constexpr int kMaxNodesRead = 4000;

bool isRelation(std::string_view op) { return op == "<" || op == "<=" || op == ">" || op == ">="; }

// The other side of `x < B`, `B > x`, `x >= B` (a check that sends x away): B, when it is no
// literal and does not mention x itself (x < x + 1 bounds nothing).
Node boundIn(const Node& comparison, std::string_view name) {
  if (comparison.type() != "binary_expression" || !isRelation(comparison.field("operator").text()))
    return {};
  const Node left = unwrap(comparison.field("left"));
  const Node right = unwrap(comparison.field("right"));
  for (const auto& [near, far] : {std::pair{left, right}, std::pair{right, left}}) {
    if (near.type() != "identifier" || near.text() != name) continue;
    if (far.null() || far.type() == "number_literal" || mentionsIdentifier(far, name)) continue;
    return far;
  }
  return {};
}

// The first comparison of `name` in `scope` with anything but a literal.
Node comparedBound(const Node& scope, std::string_view name) {
  Node found;
  int read = 0;
  visitNodes(scope, [&](const Node& n) {
    if (!found.null() || ++read > kMaxNodesRead) return false;
    // A lambda or local class is a scope of its own.
    if (n.type() == "lambda_expression") return false;
    found = boundIn(n, name);
    return found.null();
  });
  return found;
}

// inside(a, b) with the index as the k-th argument: the helper's comparison of its k-th
// parameter, when the bound is a name the helper does not own (a global size, not a parameter).
Node boundInHelper(const Model& model, const Node& call, std::string_view name) {
  const Node function = call.field("function");
  if (function.type() != "identifier") return {};
  const auto callee = model.functions.find(std::string(function.text()));
  if (callee == model.functions.end() || callee->second.body.null()) return {};
  const Function& helper = callee->second;
  const Node arguments = call.field("arguments");
  for (uint32_t k = 0; k < arguments.childCount() && k < helper.parameters.size(); ++k) {
    const Node argument = unwrap(arguments.child(k));
    if (argument.type() != "identifier" || argument.text() != name) continue;
    const std::string& parameter = helper.parameters[k];
    if (parameter.empty()) continue;
    const Node bound = comparedBound(helper.body, parameter);
    if (bound.null()) continue;
    bool owned = false;
    for (const std::string& other : helper.parameters)
      owned = owned || (!other.empty() && mentionsIdentifier(bound, other));
    if (!owned) return bound;
  }
  return {};
}

}  // namespace

Node checkedBoundOf(const Model& model, const Node& index, const Node& scope) {
  const Node plain = unwrap(index);
  if (plain.type() != "identifier" || scope.null()) return {};
  const std::string_view name = plain.text();
  if (const Node bound = comparedBound(scope, name); !bound.null()) return bound;
  Node found;
  int read = 0;
  visitNodes(scope, [&](const Node& n) {
    if (!found.null() || ++read > kMaxNodesRead) return false;
    if (n.type() == "lambda_expression") return false;
    if (n.type() == "call_expression" && mentionsIdentifier(n.field("arguments"), name))
      found = boundInHelper(model, n, name);
    return found.null();
  });
  return found;
}

}  // namespace quorbel
