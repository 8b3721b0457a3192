// Recognises a multiples loop restricted to primes by the test that guards its step, wherever
// the test is written (around the loop, before it with continue, or where a list of primes is
// filled), and whatever the flag array, the list or the step are called.
#include "model/multiples.h"

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// A condition that reads, at `variable`, a flag that `scope` marks elsewhere: !composite[i]
// with composite[j] = true, spf[i] == i with spf[j] = i, bitset's test(i) with set(j). Marking at
// other indices is what makes the test a primality test: the steps that survive were marked by none
// before.
bool testsFlagAt(const Node& condition, const std::string& variable, const Node& scope) {
  std::string flag;
  visitNodes(condition, [&](const Node& n) {
    if (!flag.empty()) return false;
    if (n.type() == "subscript_expression" && mentionsIdentifier(n.field("indices"), variable))
      flag = containerName(n.field("argument"));
    // bitset's composite.test(i)
    const Node f = n.type() == "call_expression" ? n.field("function") : Node{};
    if (f.type() == "field_expression" && f.field("field").text() == "test" &&
        mentionsIdentifier(n.field("arguments"), variable))
      flag = containerName(f.field("argument"));
    return flag.empty();
  });
  if (flag.empty()) return false;
  bool marked = false;
  visitNodes(scope, [&](const Node& n) {
    if (marked) return false;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=") {
      const Node left = unwrap(n.field("left"));
      marked = left.type() == "subscript_expression" && containerName(left) == flag &&
               !isIdentifierNamed(unwrap(left.field("indices")).type() == "subscript_argument_list"
                                      ? unwrap(unwrap(left.field("indices")).child(0))
                                      : unwrap(left.field("indices")),
                                  variable);
    }
    // composite.set(j)
    const Node f = n.type() == "call_expression" ? n.field("function") : Node{};
    if (f.type() == "field_expression" && f.field("field").text() == "set" &&
        containerName(f.field("argument")) == flag) {
      const Node index = unwrap(n.field("arguments").child(0));
      marked = !index.null() && !isIdentifierNamed(index, variable);
    }
    return !marked;
  });
  return marked;
}

// Between `node` and `top` (exclusive): an if testing a flag at `variable` around `node`, or
// `if (flag[variable]) continue;` earlier in a block that holds `node`; the flag marked in
// `scope`.
bool guardedBetween(const Node& node, const Node& top, const std::string& variable,
                    const Node& scope) {
  Node child = node;
  for (Node n = node.parent(); !n.null() && !(n == top); child = n, n = n.parent()) {
    if (n.type() == "if_statement" && !(child == n.field("condition")) &&
        testsFlagAt(n.field("condition"), variable, scope))
      return true;
    if (n.type() != "compound_statement") continue;
    for (const Node& statement : childrenOf(n)) {
      if (statement == child) break;
      if (statement.type() == "if_statement" &&
          !findDescendant(statement.field("consequence"), {"continue_statement"}).null() &&
          testsFlagAt(statement.field("condition"), variable, scope))
        return true;
    }
  }
  return false;
}

}  // namespace

bool filledUnderFlagTest(const Model& model, const std::string& container) {
  if (container.empty()) return false;
  int pushes = 0;
  bool all = true;
  visitNodes(model.root, [&](const Node& n) {
    if (!all) return false;
    if (n.type() != "call_expression") return true;
    const Node f = n.field("function");
    if (f.type() != "field_expression" || containerName(f.field("argument")) != container)
      return true;
    const std::string_view method = f.field("field").text();
    if (method != "push_back" && method != "emplace_back" && method != "insert") return true;
    ++pushes;
    const Node value = unwrap(n.field("arguments").child(0));
    all = value.type() == "identifier" &&
          guardedBetween(n, model.root, std::string(value.text()), model.root);
    return all;
  });
  return pushes > 0 && all;
}

bool stepsOverPrimes(const Model& model, const Node& loop, const EnclosingLoop& outer,
                     const std::string& stepList) {
  if (!outer.variable.empty() && guardedBetween(loop, outer.node, outer.variable, outer.node))
    return true;
  if (filledUnderFlagTest(model, stepList)) return true;
  return outer.node.type() == "for_range_loop" &&
         filledUnderFlagTest(model, containerName(unwrap(outer.node.field("right"))));
}

}  // namespace quorbel
