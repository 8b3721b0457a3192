#include "model/reassignments.h"

#include "model/loop_parts.h"
#include "model/loops.h"
#include "model/magnitude.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

// The loop between `statement` and the scope `symbol` is declared in, if any.
bool insideLoopAfterDeclaration(const Node& statement, const Symbol& symbol) {
  for (Node n = statement.parent(); !n.null(); n = n.parent()) {
    if (ts_node_start_byte(n.raw) <= symbol.scopeStart &&
        symbol.scopeEnd <= ts_node_end_byte(n.raw))
      return false;
    if (isLoopNode(n)) return true;
  }
  return false;
}

// A new value for `name` from `from` to `to`; two branches ending at one place (if ... else)
// leave either value, so their values add.
void recordReassignment(Model& model, const std::string& name, uint32_t from, uint32_t to,
                        const Cost& value) {
  auto [first, last] = model.reassignments.equal_range(name);
  for (auto it = first; it != last; ++it)
    if (it->second.from == from && it->second.to == to) {
      it->second.value = simplifyCost(addCosts(it->second.value, value));
      return;
    }
  model.reassignments.emplace(name, Reassignment{from, to, value});
}

// if (k > 0) n = 1 << n; else ...: after the if, the block sees the old value or the new one.
// Climbs out of the ifs around `statement`, recording the value each one may leave.
void readAfterBranches(Model& model, const Node& statement, const Node& left, const Cost& value) {
  Node inner = statement;
  for (int guard = 0; guard < 6; ++guard) {
    Node up = inner.parent();
    if (up.type() == "compound_statement") up = up.parent();
    if (up.type() == "else_clause") up = up.parent();
    if (up.type() != "if_statement") return;
    const Node block = up.parent();
    if (block.type() != "compound_statement" && block.type() != "else_clause" &&
        block.type() != "if_statement")
      return;
    if (block.type() == "compound_statement") {
      const Cost before = simplifyCost(magnitudeOf(model, left, {}));
      recordReassignment(model, std::string(left.text()), ts_node_end_byte(up.raw),
                         ts_node_end_byte(block.raw), simplifyCost(addCosts(before, value)));
    }
    inner = up;
  }
}

// for (i < k) n *= 2: a size scaled on every pass of loops that never test it has grown by the
// factor once per pass when they end, n * 2^k for the uses after them.
void readScaledInLoops(Model& model, const Node& statement, const Node& left,
                       const Symbol& symbol) {
  std::vector<Node> loops;  // innermost first
  for (Node n = statement.parent(); !n.null() && loops.size() < 4; n = n.parent()) {
    if (ts_node_start_byte(n.raw) <= symbol.scopeStart &&
        symbol.scopeEnd <= ts_node_end_byte(n.raw))
      break;
    if (n.type() == "function_definition" || n.type() == "lambda_expression") return;
    if (!isLoopNode(n)) continue;
    if (mentionsIdentifier(n.field("condition"), left.text())) return;
    loops.push_back(n);
  }
  if (loops.empty() || loops.back().parent().type() != "compound_statement") return;
  std::vector<EnclosingLoop> frames;
  Cost passes = Cost{{Monomial{}}};
  for (auto it = loops.rbegin(); it != loops.rend(); ++it) {
    const LoopFacts facts = loopFactsOf(model, *it, frames);
    if (facts.step == StepKind::kUnknown || isConstantCost(facts.trips)) return;
    passes = multiplyCosts(passes, facts.trips);
    frames.push_back({*it,
                      facts.variable,
                      isConstantCost(facts.range) ? facts.trips : facts.range,
                      facts.trips,
                      {}});
  }
  const Cost before = simplifyCost(magnitudeOf(model, left, {}));
  if (isConstantCost(before)) return;
  recordReassignment(model, std::string(left.text()), ts_node_end_byte(loops.back().raw),
                     ts_node_end_byte(loops.back().parent().raw),
                     simplifyCost(multiplyCosts(before, powerOfTwoCost(simplifyCost(passes)))));
}

void readStatement(Model& model, const Node& assignment) {
  const std::string_view op = assignment.field("operator").text();
  const Node statement = assignment.parent();
  if (statement.type() != "expression_statement") return;
  const Node block = statement.parent();
  const Node left = assignment.field("left");
  if (op != "=") {
    const Symbol* scaled =
        left.type() == "identifier" ? findSymbolAt(model, left.text(), left) : nullptr;
    if (scaled && scaled->kind == ContainerKind::kScalar && !scaled->isConstant &&
        scalesItself(model, left, assignment.field("right"), op) &&
        insideLoopAfterDeclaration(statement, *scaled))
      readScaledInLoops(model, statement, left, *scaled);
    return;
  }
  if (left.type() != "identifier") return;
  const Symbol* symbol = findSymbolAt(model, left.text(), left);
  if (!symbol || symbol->kind != ContainerKind::kScalar || symbol->isConstant) return;
  const Node right = assignment.field("right");
  // n = n / 2 repeated by a loop is the loop's to count, not a size for the rest of the block.
  if (mentionsIdentifier(right, left.text()) && insideLoopAfterDeclaration(statement, *symbol)) {
    if (scalesItself(model, left, right, op)) readScaledInLoops(model, statement, left, *symbol);
    return;
  }
  // Loop variables are out of reach here: a value made of them is no size for the block.
  for (Node n = block; !n.null(); n = n.parent())
    if (n.type() == "for_statement" &&
        mentionsIdentifier(right, declaredName(n.field("initializer"))))
      return;
  const Cost value = simplifyCost(magnitudeOf(model, right, {}));
  if (isConstantCost(value) || value == simplifyCost(magnitudeOf(model, left, {}))) return;
  if (block.type() == "compound_statement")
    recordReassignment(model, std::string(left.text()), ts_node_end_byte(statement.raw),
                       ts_node_end_byte(block.raw), value);
  readAfterBranches(model, statement, left, value);
}

}  // namespace

void readReassignments(Model& model) {
  const std::vector<Node> assignments = descendantsOfType(model.root, {"assignment_expression"});
  // Each value is read as the uses before it see the name: a later reassignment does not
  // change an earlier one's value.
  for (const Node& assignment : assignments) readStatement(model, assignment);
}

bool scalesItself(const Model& model, const Node& left, const Node& right, std::string_view op) {
  if (left.type() != "identifier") return false;
  const auto factor = [&](const Node& side) { return evaluateConstant(model, side); };
  const auto self = [&](const Node& side) {
    return unwrap(side).type() == "identifier" && unwrap(side).text() == left.text();
  };
  if (op == "*=") return factor(right).value_or(0) >= 2;
  if (op == "<<=") return factor(right).value_or(0) >= 1;
  if (op == "+=") return self(right);
  const Node value = unwrap(right);
  if (op != "=" || value.type() != "binary_expression") return false;
  const Node a = value.field("left"), b = value.field("right");
  const std::string_view by = value.field("operator").text();
  if (by == "*")
    return (self(a) && factor(b).value_or(0) >= 2) || (self(b) && factor(a).value_or(0) >= 2);
  if (by == "<<") return self(a) && factor(b).value_or(0) >= 1;
  return by == "+" && self(a) && self(b);
}

const Reassignment* reassignmentAt(const Model& model, std::string_view name, const Node& use) {
  if (use.null() || model.reassignments.empty()) return nullptr;
  const uint32_t at = ts_node_start_byte(use.raw);
  const Reassignment* last = nullptr;
  auto [first, end] = model.reassignments.equal_range(std::string(name));
  for (auto it = first; it != end; ++it)
    if (it->second.from <= at && at < it->second.to && (!last || it->second.from > last->from))
      last = &it->second;
  return last;
}

}  // namespace quorbel
