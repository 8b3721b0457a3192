// Recognises the check of a lookup hit that ends the search when it succeeds, by the shape of
// the guard and the exit, whatever the container or the check.
#include "model/early_exits.h"

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// it != m.end(), m.find(k) != m.end(), m.count(k), m.count(k) > 0, m.contains(k).
bool testsLookupHit(const Node& guard) {
  bool found = false;
  visitNodes(guard, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "call_expression" && n.field("function").type() == "field_expression") {
      const std::string_view method = n.field("function").field("field").text();
      found = method == "end" || method == "count" || method == "find" || method == "contains";
    }
    return !found;
  });
  return found;
}

// return ...; break; or a block that ends in one.
bool leaves(const Node& statement) {
  const std::string_view type = statement.type();
  if (type == "return_statement" || type == "break_statement") return true;
  if (type != "compound_statement") return false;
  const std::vector<Node> statements = childrenOf(statement);
  return !statements.empty() && leaves(statements.back());
}

}  // namespace

Node checkedOnHit(const Node& ifStatement) {
  const Node condition = unwrap(ifStatement.field("condition"));
  if (condition.type() != "binary_expression" || condition.field("operator").text() != "&&")
    return {};
  if (!ifStatement.field("alternative").null() || !leaves(ifStatement.field("consequence")))
    return {};
  const Node guard = condition.field("left");
  const Node check = condition.field("right");
  if (!testsLookupHit(guard) || findDescendant(check, {"call_expression"}).null()) return {};
  return check;
}

}  // namespace quorbel
