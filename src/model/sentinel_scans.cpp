#include "model/sentinel_scans.h"

#include <vector>

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// The terms a condition joins with &&: each of them must hold for the walk to go on.
void collectConjuncts(const Node& condition, std::vector<Node>& out) {
  const Node c = unwrap(condition);
  if (c.type() == "binary_expression" && c.field("operator").text() == "&&") {
    collectConjuncts(c.field("left"), out);
    collectConjuncts(c.field("right"), out);
    return;
  }
  out.push_back(c);
}

bool isZeroLiteral(const Node& node) {
  const Node n = unwrap(node);
  if (n.type() == "number_literal") return n.text() == "0";
  return n.type() == "char_literal" && (n.text() == "'\\0'" || n.text() == "'\\000'");
}

// x of `x != 0` or `0 != x`; x itself otherwise.
Node testedAgainstZero(const Node& term) {
  if (term.type() != "binary_expression" || term.field("operator").text() != "!=") return term;
  if (isZeroLiteral(term.field("right"))) return unwrap(term.field("left"));
  if (isZeroLiteral(term.field("left"))) return unwrap(term.field("right"));
  return Node{};
}

}  // namespace

Node sentinelScanned(const Node& condition, const std::string& variable, const Node& start) {
  std::vector<Node> terms;
  collectConjuncts(condition, terms);
  for (const Node& term : terms) {
    const Node tested = testedAgainstZero(term);
    if (tested.type() == "subscript_expression") {
      Node index = unwrap(tested.field("indices"));
      if (index.type() == "subscript_argument_list" && index.childCount() > 0)
        index = unwrap(index.child(0));
      if (isIdentifierNamed(index, variable)) return tested.field("argument");
    }
    if (tested.type() == "pointer_expression" && tested.field("operator").text() == "*" &&
        isIdentifierNamed(unwrap(tested.field("argument")), variable) && !start.null() &&
        unwrap(start).type() == "identifier")
      return unwrap(start);
  }
  return Node{};
}

}  // namespace quorbel
