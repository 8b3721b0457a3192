// Recognises an index that only halves or doubles, read from what is assigned to it rather than
// from one spelling of the step:
//   i /= 2;  i >>= 1;  i = (i - 1) / 2;  i = p with p = i >> 1;  i = c with c = 2 * i (+ 1)
//   i = parentOf(i) with int parentOf(int x) { return (x - 1) / 2; }
// A heap of n entries is log n levels deep, so such a loop takes log n steps per run.
#include "model/index_steps.h"

#include <set>
#include <vector>

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// Calls followed and locals resolved before the answer is no.
constexpr int kMaxDepth = 8;

// The index of a subscript, its brackets stripped.
Node subscriptIndex(const Node& subscript) {
  const Node indices = unwrap(subscript.field("indices"));
  return unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
}

bool isLiteral(const Node& node) { return unwrap(node).type() == "number_literal"; }

// `variable`, or `variable` plus or minus a literal: the operand a halving or doubling moves.
bool isOffsetOf(const Node& value, const std::string& variable) {
  const Node v = unwrap(value);
  if (isIdentifierNamed(v, variable)) return true;
  if (v.type() != "binary_expression") return false;
  const std::string_view op = v.field("operator").text();
  return (op == "+" || op == "-") && isIdentifierNamed(unwrap(v.field("left")), variable) &&
         isLiteral(v.field("right"));
}

bool scales(const Model& model, const Node& value, const std::string& variable, const Node& scope,
            int depth);

// A local of `scope` (not `variable` itself) that some assignment gives a scaled value.
bool localScales(const Model& model, const std::string& name, const std::string& variable,
                 const Node& scope, int depth) {
  if (name == variable) return false;
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found || n.type() == "lambda_expression") return false;
    Node value;
    if (n.type() == "init_declarator" && declaredName(n) == name) value = n.field("value");
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        isIdentifierNamed(unwrap(n.field("left")), name))
      value = n.field("right");
    if (!value.null() && scales(model, value, variable, scope, depth + 1)) found = true;
    return !found;
  });
  return found;
}

// A call of a program function handed `variable` whose every return scales that parameter.
bool callScales(const Model& model, const Node& call, const std::string& variable, int depth) {
  const Node function = call.field("function");
  if (function.type() != "identifier") return false;
  auto found = model.functions.find(std::string(function.text()));
  if (found == model.functions.end() || found->second.body.null()) return false;
  const Function& callee = found->second;
  const std::vector<Node> arguments = childrenOf(call.field("arguments"));
  std::string parameter;
  for (size_t k = 0; k < arguments.size() && k < callee.parameters.size(); ++k)
    if (isIdentifierNamed(unwrap(arguments[k]), variable)) parameter = callee.parameters[k];
  if (parameter.empty()) return false;
  int returns = 0;
  bool all = true;
  visitNodes(callee.body, [&](const Node& n) {
    if (!all || n.type() == "lambda_expression") return false;
    if (n.type() == "return_statement") {
      ++returns;
      all = n.childCount() > 0 && scales(model, n.child(0), parameter, callee.body, depth + 1);
      return false;
    }
    return true;
  });
  return returns > 0 && all;
}

bool scales(const Model& model, const Node& value, const std::string& variable, const Node& scope,
            int depth) {
  if (depth > kMaxDepth) return false;
  const Node v = unwrapConversions(model, value);
  if (v.null()) return false;
  const std::string_view type = v.type();
  if (type == "identifier")
    return localScales(model, std::string(v.text()), variable, scope, depth);
  if (type == "conditional_expression")
    return scales(model, v.field("consequence"), variable, scope, depth + 1) &&
           scales(model, v.field("alternative"), variable, scope, depth + 1);
  if (type == "call_expression") return callScales(model, v, variable, depth);
  if (type != "binary_expression") return false;
  const std::string_view op = v.field("operator").text();
  const Node l = v.field("left"), r = v.field("right");
  // i / 2, i >> 1, (i - 1) / 2: the parent; i * 2, 2 * i, i << 1, i + i: a child
  if (op == "/" || op == ">>") return isOffsetOf(l, variable) && isLiteral(r);
  if (op == "<<") return isOffsetOf(l, variable) && isLiteral(r);
  if (op == "*")
    return (isOffsetOf(l, variable) && isLiteral(r)) || (isLiteral(l) && isOffsetOf(r, variable));
  if (op == "+" && isIdentifierNamed(unwrap(l), variable) && isIdentifierNamed(unwrap(r), variable))
    return true;
  // 2 * i + 1, i << 1 | 1, l + 1 for a left child l: a scaled value and a constant
  if (op == "+" || op == "-" || op == "|" || op == "^")
    return (isLiteral(r) && scales(model, l, variable, scope, depth + 1)) ||
           (op == "+" && isLiteral(l) && scales(model, r, variable, scope, depth + 1));
  return false;
}

// Every change of `variable` inside `loop` halves or doubles it, and there is at least one.
bool onlyScaled(const Model& model, const Node& loop, const std::string& variable) {
  int moves = 0;
  bool all = true;
  visitNodes(loop, [&](const Node& n) {
    if (!all || n.type() == "lambda_expression") return false;
    if (n.type() == "update_expression" && isIdentifierNamed(unwrap(n.field("argument")), variable))
      all = false;
    if (n.type() == "assignment_expression" &&
        isIdentifierNamed(unwrap(n.field("left")), variable)) {
      ++moves;
      const std::string_view op = n.field("operator").text();
      if (op == "=")
        all = scales(model, n.field("right"), variable, loop, 0);
      else
        all =
            (op == "/=" || op == ">>=" || op == "*=" || op == "<<=") && isLiteral(n.field("right"));
    }
    return all;
  });
  return all && moves > 0;
}

}  // namespace

bool scalesIndex(const Model& model, const Node& value, const std::string& variable,
                 const Node& scope) {
  return scales(model, value, variable, scope, 0);
}

std::string scaledIndexOf(const Model& model, const Node& loop) {
  const Node condition = loop.field("condition");
  if (condition.null()) return "";
  std::set<std::string> tried;
  std::string found;
  visitNodes(condition, [&](const Node& n) {
    if (!found.empty()) return false;
    if (n.type() == "identifier" && tried.insert(std::string(n.text())).second &&
        onlyScaled(model, loop, std::string(n.text())))
      found = std::string(n.text());
    return found.empty();
  });
  return found;
}

Cost scaledIndexTrips(const Model& model, const Node& loop, const std::string& variable) {
  Cost size = indexedArraySize(model, loop, variable);
  // a value halved or divided down, not an index: as many rounds as its own bits
  const Symbol* value = findSymbolAt(model, variable, loop);
  if (isConstantCost(size) && value && value->kind == ContainerKind::kScalar)
    size = value->fromInput || value->isParameter ? sizeCost(variable)
           : value->hasDerived                    ? value->derived
                                                  : Cost{};
  if (isConstantCost(size)) size = primarySize(model);
  return logCost(size);
}

ChainClimb chainClimbOf(const Node& loop) {
  ChainClimb climb;
  const Node condition = loop.field("condition");
  visitNodes(loop.field("body"), [&](const Node& n) {
    if (!climb.variable.empty() || n.type() == "lambda_expression") return false;
    if (n.type() != "assignment_expression" || n.field("operator").text() != "=") return true;
    const Node left = unwrap(n.field("left"));
    const Node right = unwrap(n.field("right"));
    if (left.type() != "identifier" || right.type() != "subscript_expression") return true;
    const std::string variable(left.text());
    const Node head = subscriptIndex(right);
    if (head.type() != "subscript_expression" ||
        !isIdentifierNamed(subscriptIndex(head), variable) ||
        !mentionsIdentifier(condition, variable))
      return true;
    climb.variable = variable;
    climb.parents = containerName(right.field("argument"));
    return false;
  });
  return climb;
}

std::string containerSizedByHelper(const Model& model, const Node& condition) {
  // The call is the whole test, or compared with a literal: hsize() > 0, size() != 1.
  Node call = unwrap(condition);
  if (call.type() == "binary_expression" && unwrap(call.field("right")).type() == "number_literal")
    call = unwrap(call.field("left"));
  if (call.type() != "call_expression" || call.field("function").type() != "identifier") return "";
  auto found = model.functions.find(std::string(call.field("function").text()));
  if (found == model.functions.end() || found->second.body.null()) return "";
  std::string container;
  visitNodes(found->second.body, [&](const Node& r) {
    if (!container.empty() || r.type() == "lambda_expression") return false;
    if (r.type() == "return_statement") {
      container = testedContainer(r);
      return false;
    }
    return true;
  });
  return container;
}

}  // namespace quorbel
