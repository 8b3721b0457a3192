// Path compression is what makes a chain walk cheap, however the link is stored: the readers
// find a link followed and written back; the union-find shape and log n per climb price it.
#include "model/link_chains.h"

#include "model/loop_parts.h"
#include "model/recursion_guards.h"

namespace quorbel {
namespace {

// p[x], p[x].up, x->boss, (*x).boss: a link stored for the entry `variable` names.
bool isLinkOf(const Node& expression, std::string_view variable) {
  const Node e = unwrap(expression);
  if (e.type() == "subscript_expression") {
    const Node indices = e.field("indices");
    const Node index =
        unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
    return isIdentifierNamed(index, variable);
  }
  if (e.type() != "field_expression") return false;
  const Node object = unwrap(e.field("argument"));
  if (isIdentifierNamed(object, variable)) return e.field("operator").text() == "->";
  if (object.type() == "pointer_expression")
    return isIdentifierNamed(unwrap(object.field("argument")), variable);
  return isLinkOf(object, variable);
}

// The function or lambda a node sits in.
Node enclosingFunction(const Node& node) {
  Node scope = node;
  while (!scope.null() && scope.type() != "function_definition" &&
         scope.type() != "lambda_expression")
    scope = scope.parent();
  return scope;
}

// The entry `variable` moves to in `body`: p[x] of x = p[x], or of x = nx with nx = p[x] set in
// the same body. Null when the body moves it otherwise or not at all.
Node climbedLink(const Node& body, const std::string& variable) {
  Node link, through;
  std::string local;
  visitNodes(body, [&](const Node& n) {
    if (n.type() == "lambda_expression") return false;
    Node target, value;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=") {
      target = unwrap(n.field("left"));
      value = unwrap(n.field("right"));
    } else if (n.type() == "init_declarator") {
      value = unwrap(n.field("value"));
      if (!value.null() && isLinkOf(value, variable)) {
        local = declaredName(n);
        through = value;
      }
      return true;
    } else {
      return true;
    }
    if (!isIdentifierNamed(target, variable)) return true;
    // x = p[x] = p[p[x]]: halving, written as one chain of assignments
    if (value.type() == "assignment_expression" && value.field("operator").text() == "=")
      value = unwrap(value.field("left"));
    if (isLinkOf(value, variable)) link = value;
    if (!local.empty() && isIdentifierNamed(value, local)) link = through;
    return true;
  });
  return link;
}

// The table or member a link is stored in: p of p[x], up of cells[v].up, boss of x->boss.
std::string linkStore(const Node& link) {
  const Node e = unwrap(link);
  if (e.type() == "field_expression") return std::string(e.field("field").text());
  return containerName(e);
}

// The names a loop's condition may climb with: each side that is a name, and the entry a side
// that is a link stands on (x of `leader[x] != r`).
std::vector<std::string> climbCandidates(const Node& condition) {
  std::vector<Comparison> comparisons;
  collectComparisons(condition, comparisons);
  std::vector<std::string> names;
  for (const Comparison& c : comparisons)
    for (const Node& side : {unwrap(c.left), unwrap(c.right)}) {
      if (side.type() == "identifier") names.emplace_back(side.text());
      if (side.type() != "subscript_expression") continue;
      const Node indices = side.field("indices");
      const Node index =
          unwrap(indices.type() == "subscript_argument_list" ? indices.child(0) : indices);
      if (index.type() == "identifier") names.emplace_back(index.text());
    }
  return names;
}

// A loop that climbs links of `store` and writes a link of the entry it stands on: p[x] = p[p[x]]
// or p[x] = root.
bool compressesWhileClimbing(const Node& loop, const std::string& store) {
  // A pair, not a structured binding: clang's lambdas (the fuzz build) cannot capture one.
  const std::pair<std::string, Node> climb = [&]() -> std::pair<std::string, Node> {
    const Node update = unwrap(loop.field("update"));
    for (const std::string& name : climbCandidates(loop.field("condition"))) {
      Node climbed = climbedLink(loop.field("body"), name);
      if (climbed.null() && !update.null()) climbed = climbedLink(update, name);
      if (!climbed.null()) return {name, climbed};
    }
    return {"", Node{}};
  }();
  const std::string& variable = climb.first;
  if (variable.empty() || linkStore(climb.second) != store) return false;
  bool writes = false;
  visitNodes(loop.field("body"), [&](const Node& n) {
    if (writes) return false;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=") {
      const Node target = unwrap(n.field("left"));
      writes = isLinkOf(target, variable) && linkStore(target) == store;
    }
    return !writes;
  });
  return writes;
}

}  // namespace

Node compressedLink(const Function& function, const std::vector<Node>& calls) {
  Node link;
  for (const Node& call : calls) {
    const Node arguments = call.field("arguments");
    Node passed;
    for (size_t k = 0; k < function.parameters.size() && k < arguments.childCount(); ++k) {
      const Node argument = unwrap(arguments.child(static_cast<uint32_t>(k)));
      if (!function.parameters[k].empty() && argument.type() == "field_expression" &&
          isLinkOf(argument, function.parameters[k]))
        passed = argument;
    }
    if (passed.null() || (!link.null() && passed.text() != link.text())) return {};
    // written back: the call is the value assigned to the very link it was passed
    const Node assignment = call.parent();
    if (assignment.type() != "assignment_expression" ||
        unwrap(assignment.field("left")).text() != passed.text())
      return {};
    link = passed;
  }
  return link;
}

LoopFacts compressedChainFacts(const Model& model, const Node& loop) {
  LoopFacts facts;
  facts.line = loop.line();
  if (loop.type() != "while_statement" && loop.type() != "for_statement") return facts;
  std::string variable;
  Node link;
  for (const std::string& name : climbCandidates(loop.field("condition"))) {
    if (!link.null()) break;
    link = climbedLink(loop.field("body"), name);
    if (link.null() && !loop.field("update").null()) link = climbedLink(loop.field("update"), name);
    if (!link.null()) variable = name;
  }
  if (link.null()) return facts;
  const std::string store = linkStore(link);
  bool compressed = false;
  const Node function = enclosingFunction(loop);
  visitNodes(function, [&](const Node& n) {
    if (compressed || (n.type() == "lambda_expression" && !(n == function))) return false;
    if (isLoopNode(n)) compressed = compressesWhileClimbing(n, store);
    return !compressed;
  });
  if (!compressed) return facts;
  const Node entry = unwrap(link);
  // the entries the table is used for, not its capacity
  Cost size = entry.type() == "subscript_expression" ? vertexCount(model, store) : constantCost();
  if (isConstantCost(size)) size = primarySize(model);
  facts.variable = variable;
  facts.step = StepKind::kGeometric;
  // Compression with union by size or rank: alpha(n) per find, as the recursive find.
  facts.trips = unitesBySize(model, store) ? alphaCost(size) : logCost(size);
  facts.range = size;
  return facts;
}

}  // namespace quorbel
