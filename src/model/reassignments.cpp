#include "model/reassignments.h"

#include "model/magnitude.h"

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

void readStatement(Model& model, const Node& assignment) {
  if (assignment.field("operator").text() != "=") return;
  const Node statement = assignment.parent();
  if (statement.type() != "expression_statement") return;
  const Node block = statement.parent();
  if (block.type() != "compound_statement") return;
  const Node left = assignment.field("left");
  if (left.type() != "identifier") return;
  const Symbol* symbol = findSymbolAt(model, left.text(), left);
  if (!symbol || symbol->kind != ContainerKind::kScalar || symbol->isConstant) return;
  const Node right = assignment.field("right");
  // n = n / 2 repeated by a loop is the loop's to count, not a size for the rest of the block.
  if (mentionsIdentifier(right, left.text()) && insideLoopAfterDeclaration(statement, *symbol))
    return;
  // Loop variables are out of reach here: a value made of them is no size for the block.
  for (Node n = block; !n.null(); n = n.parent())
    if (n.type() == "for_statement" &&
        mentionsIdentifier(right, declaredName(n.field("initializer"))))
      return;
  const Cost value = simplifyCost(magnitudeOf(model, right, {}));
  if (isConstantCost(value) || value == simplifyCost(magnitudeOf(model, left, {}))) return;
  model.reassignments.emplace(
      std::string(left.text()),
      Reassignment{ts_node_end_byte(statement.raw), ts_node_end_byte(block.raw), value});
}

}  // namespace

void readReassignments(Model& model) {
  std::vector<Node> assignments;
  visitNodes(model.root, [&](const Node& n) {
    if (n.type() == "assignment_expression") assignments.push_back(n);
    return true;
  });
  // Each value is read as the uses before it see the name: a later reassignment does not
  // change an earlier one's value.
  for (const Node& assignment : assignments) readStatement(model, assignment);
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
