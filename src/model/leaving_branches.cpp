#include "model/leaving_branches.h"

namespace quorbel {
namespace {

// True when `statement` leaves the function: return ..; exit(0); std::exit(1);
bool leaves(const Node& statement) {
  if (statement.type() == "return_statement") return true;
  if (statement.type() != "expression_statement" || statement.childCount() == 0) return false;
  const Node call = statement.child(0);
  if (call.type() != "call_expression") return false;
  std::string_view callee = call.field("function").text();
  if (callee.rfind("std::", 0) == 0) callee.remove_prefix(5);
  return callee == "exit" || callee == "quick_exit" || callee == "abort" || callee == "_Exit";
}

// The last statement of a block, comments skipped; the statement itself when not a block.
Node lastStatement(const Node& branch) {
  if (branch.type() != "compound_statement") return branch;
  Node last;
  for (const Node& child : childrenOf(branch))
    if (child.type() != "comment") last = child;
  return last;
}

}  // namespace

bool leavesAfterLooping(const Node& ifStatement) {
  const Node consequence = ifStatement.field("consequence");
  if (consequence.null() || !leaves(lastStatement(consequence))) return false;
  if (findDescendant(consequence,
                     {"for_statement", "for_range_loop", "while_statement", "do_statement"})
          .null())
    return false;
  for (Node n = ifStatement.parent(); !n.null(); n = n.parent()) {
    if (isLoopNode(n)) return true;
    if (n.type() == "lambda_expression" || n.type() == "function_definition") return false;
  }
  return false;
}

}  // namespace quorbel
