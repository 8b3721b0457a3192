// Recognises pointers kept across the passes of a loop:
//   if (rank[i] == n - 1) { k = 0; continue; }            reset, then the pass is skipped
//   while (i + k < n && j + k < n && s[i + k] == s[j + k]) k++;
//   if (k) k--;                                           lowered by one per pass
// and extensions that push a frontier:
//   int k = (i > r) ? 1 : min(d[l + r - i], r - i + 1);   started from the frontier r
//   while (i - k >= 0 && i + k < n && s[i - k] == s[i + k]) k++;
//   if (i + k - 1 > r) l = i - k + 1, r = i + k - 1;      then moving it
#include "model/kept_pointers.h"

#include <set>
#include <utility>

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// k = 0, int k: a value that does not come from k itself.
bool startsOver(const Node& n, const std::string& variable) {
  if (n.type() == "init_declarator") return declaredName(n) == variable;
  return n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
         isIdentifierNamed(unwrap(n.field("left")), variable) &&
         !mentionsIdentifier(n.field("right"), variable);
}

bool inside(const Node& n, const Node& outer) {
  return ts_node_start_byte(n.raw) >= ts_node_start_byte(outer.raw) &&
         ts_node_end_byte(n.raw) <= ts_node_end_byte(outer.raw);
}

// The branch of an if statement within `scope` that holds `n` (its consequence or its else),
// and the if statement; null when `n` is not in a branch.
std::pair<Node, Node> branchOf(const Node& n, const Node& scope) {
  Node at = n;
  for (int guard = 0; guard < 32 && !at.parent().null() && at != scope; ++guard) {
    const Node parent = at.parent();
    if (parent.type() == "if_statement" && at != parent.field("condition")) return {at, parent};
    if (parent.type() == "else_clause" && parent.parent().type() == "if_statement")
      return {at, parent.parent()};
    at = parent;
  }
  return {Node{}, Node{}};
}

}  // namespace

bool resetOnlyWhereSkipped(const Node& scope, const std::string& variable, const Node& loop) {
  int resets = 0;
  bool unskipped = false;
  visitNodes(scope, [&](const Node& n) {
    if (unskipped || n == loop || n.type() == "lambda_expression") return false;
    // int k; in the pass: started over in every pass
    if (n.type() == "declaration")
      for (const Node& d : childrenOf(n))
        if (d.type() == "identifier" && d.text() == variable) unskipped = true;
    if (!startsOver(n, variable)) return !unskipped;
    ++resets;
    // if (..) { k = 0; continue; } or if (..) { ...loop... } else k = 0;: in a pass that starts
    // k over the loop does not run; one that starts it over and then runs it is no pointer kept
    const auto [branch, choice] = branchOf(n, scope);
    const bool leaves = !branch.null() && (!findDescendant(branch, {"continue_statement"}).null() ||
                                           !findDescendant(branch, {"break_statement"}).null());
    if (branch.null() || inside(loop, branch) || !(leaves || inside(loop, choice)))
      unskipped = true;
    return false;
  });
  return resets > 0 && !unskipped;
}

bool extendsKeptFrontier(const Node& loop, const EnclosingLoop& frame,
                         const std::string& variable) {
  const Node body = frame.node.field("body");
  if (body.null()) return false;
  // names declared in the pass start over each pass: no frontier
  std::set<std::string> declared;
  visitNodes(body, [&](const Node& n) {
    if (n.type() == "init_declarator") declared.insert(declaredName(n));
    return true;
  });
  // r = i + k, r = i + z[i] - 1 after the loop: the frontiers the extension moves
  std::set<std::string> frontiers;
  const uint32_t after = ts_node_end_byte(loop.raw);
  visitNodes(body, [&](const Node& n) {
    if (n == loop || n.type() == "lambda_expression") return false;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        ts_node_start_byte(n.raw) >= after) {
      const Node left = unwrap(n.field("left"));
      if (left.type() == "identifier" && left.text() != variable &&
          !declared.count(std::string(left.text())) &&
          mentionsIdentifier(n.field("right"), variable))
        frontiers.insert(std::string(left.text()));
    }
    return true;
  });
  if (frontiers.empty()) return false;
  const Node start = valueBefore(loop, variable, frame.node);
  if (start.null()) return false;
  for (const std::string& frontier : frontiers)
    if (mentionsIdentifier(start, frontier)) return true;
  return false;
}

}  // namespace quorbel
