// The pops of a stack can never outnumber its pushes: a counter raised once per pass bounds
// every loop of the pass that lowers it to one step per pass over the run.
#include "model/counter_stacks.h"

#include "model/loop_parts.h"

namespace quorbel {

bool raisedOncePerPass(const Node& enclosing, const std::string& counter, const Node& exclude) {
  bool raised = false;
  visitNodes(enclosing.field("body"), [&](const Node& n) {
    if (raised || n == exclude || isLoopNode(n) || n.type() == "lambda_expression") return false;
    if (n.type() == "update_expression" && n.field("operator").text() == "++" &&
        isIdentifierNamed(unwrap(n.field("argument")), counter))
      raised = true;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "+=" &&
        isIdentifierNamed(unwrap(n.field("left")), counter) &&
        unwrap(n.field("right")).text() == "1")
      raised = true;
    return !raised;
  });
  return raised;
}

}  // namespace quorbel
