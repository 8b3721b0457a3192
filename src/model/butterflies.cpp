// Recognises the three loops of a butterfly, under any names:
//   for (int len = 2; len <= n; len <<= 1)          the length, doubled
//     for (int i = 0; i < n; i += len)               the blocks of that length: n / len
//       for (int j = 0; j < len / 2; j++)            a window as wide as the block
//   for (h = 1; h < n; h *= 2) for (j = 0; j < n; j += 2 * h) for (k = j; k < j + h; k++)
#include "model/butterflies.h"

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// len of len, len / 2, len >> 1, 2 * len, len * 2, len << 1; null for anything else.
Node scaledName(const Model& model, const Node& expression) {
  const Node n = unwrap(expression);
  if (n.type() == "identifier") return n;
  if (n.type() != "binary_expression") return Node{};
  const std::string_view op = n.field("operator").text();
  if (op != "/" && op != ">>" && op != "*" && op != "<<") return Node{};
  const Node left = unwrap(n.field("left")), right = unwrap(n.field("right"));
  if (left.type() == "identifier" && evaluateConstant(model, right)) return left;
  if (op == "*" && right.type() == "identifier" && evaluateConstant(model, left)) return right;
  return Node{};
}

}  // namespace

bool scalesItsCounter(const Model& model, const EnclosingLoop& frame) {
  if (frame.variable.empty() || frame.node.type() != "for_statement") return false;
  const Update update = readUpdate(frame.node.field("update"), frame.variable);
  if (update.op != "<<=" && update.op != ">>=" && update.op != "*=" && update.op != "/=")
    return false;
  const auto factor = evaluateConstant(model, update.amount);
  return factor && *factor >= ((update.op == "<<=" || update.op == ">>=") ? 1 : 2);
}

bool widthIsStepOf(const Model& model, const Node& width, const EnclosingLoop& frame) {
  if (frame.variable.empty() || frame.node.type() != "for_statement") return false;
  const Update update = readUpdate(frame.node.field("update"), frame.variable);
  if (update.op != "+=" && update.op != "-=") return false;
  const Node step = scaledName(model, update.amount);
  const Node within = scaledName(model, width);
  return !step.null() && !within.null() && step.text() == within.text() &&
         step.text() != frame.variable;
}

Cost windowTrips(const EnclosingLoop& frame) {
  // divideCosts reads its divisor simplified, which clamps the negative log of a share
  if (frame.trips.terms.size() != 1) return divideCosts(frame.range, frame.trips);
  Monomial inverse;
  for (const auto& [size, growth] : frame.trips.terms[0].sizes) {
    if (growth.expBase != 1 || growth.factorial || growth.sizedExponential)
      return divideCosts(frame.range, frame.trips);
    Growth negated;
    negated.power = -growth.power;
    negated.logs = -growth.logs;
    negated.logLogs = -growth.logLogs;
    negated.alphas = -growth.alphas;
    inverse.sizes[size] = negated;
  }
  return multiplyCosts(frame.range, Cost{{inverse}});
}

}  // namespace quorbel
