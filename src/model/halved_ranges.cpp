#include "model/halved_ranges.h"

#include <string>

#include "model/loop_parts.h"

namespace quorbel {
namespace {

bool halfOf(const Model& model, const Node& expression, int depth) {
  const Node e = unwrap(expression);
  if (e.null() || depth > 4) return false;
  if (e.type() == "identifier") {
    const Symbol* symbol = findSymbol(model, e.text());
    return symbol && symbol->kind == ContainerKind::kScalar &&
           halfOf(model, symbol->initialiser, depth + 1);
  }
  if (e.type() != "binary_expression") return false;
  const std::string_view op = e.field("operator").text();
  if (op == "/" || op == ">>") {
    const auto divisor = evaluateConstant(model, e.field("right"));
    return divisor && *divisor == (op == "/" ? 2 : 1);
  }
  // n - n / 2, n - half: the other half
  return op == "-" && halfOf(model, e.field("right"), depth + 1);
}

// The parameter `parameter` is compared with: pos of pos == stop, lo of i < hi with i = lo.
int partnerOf(const Function& callee, const std::string& parameter) {
  auto indexOf = [&](std::string_view name) {
    for (size_t k = 0; k < callee.parameters.size(); ++k)
      if (callee.parameters[k] == name && callee.parameters[k] != parameter)
        return static_cast<int>(k);
    return -1;
  };
  // The parameter a local starts from: int i = lo, i = lo in a for header.
  auto startOf = [&](const Node& local) -> int {
    if (local.type() != "identifier") return -1;
    const int direct = indexOf(local.text());
    if (direct >= 0) return direct;
    int found = -1;
    visitNodes(callee.body, [&](const Node& n) {
      if (found >= 0) return false;
      Node value;
      if (n.type() == "init_declarator" && declaredName(n) == local.text())
        value = unwrap(n.field("value"));
      if (n.type() == "assignment_expression" && isIdentifierNamed(n.field("left"), local.text()))
        value = unwrap(n.field("right"));
      if (value.type() == "identifier") found = indexOf(value.text());
      return found < 0;
    });
    return found;
  };
  int partner = -1;
  visitNodes(callee.body, [&](const Node& n) {
    if (partner >= 0) return false;
    if (n.type() != "binary_expression") return true;
    const std::string_view op = n.field("operator").text();
    if (op != "<" && op != "<=" && op != ">" && op != ">=" && op != "==" && op != "!=") return true;
    const Node l = unwrap(n.field("left")), r = unwrap(n.field("right"));
    if (isIdentifierNamed(l, parameter)) partner = startOf(r);
    if (partner < 0 && isIdentifierNamed(r, parameter)) partner = startOf(l);
    return partner < 0;
  });
  return partner;
}

}  // namespace

bool isHalfOf(const Model& model, const Node& expression) { return halfOf(model, expression, 0); }

std::vector<bool> halvedRanges(const Model& model, const Function& callee,
                               const std::vector<Node>& arguments) {
  std::vector<bool> halved(callee.parameters.size(), false);
  for (size_t k = 0; k < callee.parameters.size() && k < arguments.size(); ++k) {
    if (callee.parameters[k].empty() || arguments[k].null()) continue;
    const int partner = partnerOf(callee, callee.parameters[k]);
    const Node from = partner >= 0 && static_cast<size_t>(partner) < arguments.size()
                          ? arguments[static_cast<size_t>(partner)]
                          : Node{};
    const bool half = isHalfOf(model, arguments[k]);
    if (from.null() || evaluateConstant(model, from))
      halved[k] = half;
    else
      halved[k] = !half && isHalfOf(model, from);
  }
  return halved;
}

}  // namespace quorbel
