// Recognises calls whose summed cost is harmonic:
//   for (int g = 1; g <= n; g++) best = max(best, go(g));  with go walking j = d; j <= n; j += d
//   for (k = 1; k <= n; ++k) s += f(k);                      with f looping to n / k
// The callee's trip count already carries 1 / k; the counter's passes decide the sum.
#include "estimate/counter_sums.h"

#include <algorithm>

#include "model/loop_parts.h"

namespace quorbel {

bool countsUpByOne(const Model& model, const Node& argument,
                   const std::vector<EnclosingLoop>& frames) {
  const Node counter = unwrap(argument);
  if (counter.type() != "identifier") return false;
  const EnclosingLoop* frame = frameOf(frames, counter.text());
  if (!frame || frame->node.type() != "for_statement") return false;
  const std::string variable(counter.text());
  const auto [started, start] = readInitialiser(frame->node.field("initializer"));
  // a start of 0 is as good as 1: the division by zero is not a pass the sum counts
  if (started != variable || start.null()) return false;
  const Update update = readUpdate(frame->node.field("update"), variable);
  const bool up = update.op == "++" ||
                  (update.op == "+=" && evaluateConstant(model, update.amount).value_or(0) == 1);
  const bool down = update.op == "--" ||
                    (update.op == "-=" && evaluateConstant(model, update.amount).value_or(0) == 1);
  if (up) return evaluateConstant(model, start).has_value();
  if (!down) return false;
  // for (k = n; k >= 1; k--): down to a constant
  std::vector<Comparison> comparisons;
  collectComparisons(frame->node.field("condition"), comparisons);
  for (const Comparison& c : comparisons) {
    const bool left = isIdentifierNamed(unwrap(c.left), variable);
    const bool right = isIdentifierNamed(unwrap(c.right), variable);
    if (left != right) return evaluateConstant(model, left ? c.right : c.left).has_value();
  }
  return false;
}

Cost withoutReciprocal(const Cost& cost, const std::string& size) {
  Cost result = cost;
  for (Monomial& term : result.terms) {
    auto found = term.sizes.find(size);
    if (found == term.sizes.end() || found->second.power >= 0) continue;
    found->second.power = 0;
    found->second.logs = std::max(found->second.logs, 0);
    found->second.logLogs = std::max(found->second.logLogs, 0);
    if (found->second == Growth{}) term.sizes.erase(found);
  }
  return result;
}

Cost reciprocalAtLeast(const Cost& cost, const std::string& size, const Cost& least) {
  Cost result;
  for (const Monomial& term : cost.terms) {
    auto found = term.sizes.find(size);
    const Cost one{{term}};
    result = addCosts(result, found != term.sizes.end() && found->second.power < 0
                                  ? substituteSize(one, size, least)
                                  : one);
  }
  return result;
}

Node counterStart(const Node& argument, const std::vector<EnclosingLoop>& frames) {
  const Node counter = unwrap(argument);
  if (counter.type() != "identifier") return Node{};
  const EnclosingLoop* frame = frameOf(frames, counter.text());
  if (!frame || frame->node.type() != "for_statement") return Node{};
  const std::string variable(counter.text());
  const auto [started, start] = readInitialiser(frame->node.field("initializer"));
  const Update update = readUpdate(frame->node.field("update"), variable);
  if (started != variable || (update.op != "++" && update.op != "+=")) return Node{};
  return start;
}

bool boundedAboveOnly(const Node& argument, const std::vector<EnclosingLoop>& frames) {
  bool bounded = false;
  visitNodes(argument, [&](const Node& n) {
    if (n.type() == "subscript_expression" || n.type() == "call_expression") bounded = true;
    if (n.type() == "identifier" && frameOf(frames, n.text())) bounded = true;
    return !bounded;
  });
  return bounded;
}

bool calledForDivisors(const Node& call, const EnclosingLoop& frame) {
  if (frame.variable.empty()) return false;
  int guard = 0;
  for (Node at = call.parent(); !at.null() && at != frame.node && guard < 64;
       at = at.parent(), ++guard) {
    if (at.type() != "if_statement") continue;
    bool divides = false;
    visitNodes(at.field("condition"), [&](const Node& n) {
      divides = divides || (n.type() == "binary_expression" && n.field("operator").text() == "%" &&
                            isIdentifierNamed(unwrap(n.field("right")), frame.variable));
      return !divides;
    });
    if (divides) return true;
  }
  return false;
}

Cost summedOverCounter(const Cost& cost, const std::string& size, bool divisorsOnly) {
  Cost result = cost;
  for (Monomial& term : result.terms) {
    auto found = term.sizes.find(size);
    if (found == term.sizes.end() || found->second.power >= 0) continue;
    Growth& growth = found->second;
    if (growth.power == -kWholePower && growth.logs == 0 && growth.logLogs == 0) {
      (divisorsOnly ? growth.logLogs : growth.logs) = 1;
    } else if (growth.power < -kWholePower) {
      growth.power = -kWholePower;
    }
  }
  return result;
}

}  // namespace quorbel
