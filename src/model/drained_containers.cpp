#include "model/drained_containers.h"

#include "model/loop_parts.h"
#include "model/magnitude.h"

namespace quorbel {
namespace {

// The container a statement takes one entry out of: q.pop(), st.pop_back(), d.pop_front(),
// s.erase(s.begin()), v.erase(v.end() - 2), s.erase(prev(s.end())). An erase by key may find
// nothing and is not one.
std::string removedByCall(const Node& expression);

std::string removedBy(const Node& statement) {
  if (statement.type() != "expression_statement" || statement.childCount() == 0) return "";
  // p = *s.begin(), s.erase(s.begin()): each part of a comma expression runs
  Node part = unwrap(statement.child(0));
  while (part.type() == "comma_expression") {
    const std::string left = removedByCall(unwrap(part.field("left")));
    if (!left.empty()) return left;
    part = unwrap(part.field("right"));
  }
  return removedByCall(part);
}

std::string removedByCall(const Node& expression) {
  const Node call = unwrap(expression);
  if (call.type() != "call_expression") return "";
  const Node function = call.field("function");
  if (function.type() != "field_expression") return "";
  const std::string_view method = function.field("field").text();
  const std::string name = containerName(function.field("argument"));
  if (name.empty()) return "";
  if (method == "pop" || method == "pop_back" || method == "pop_front") return name;
  if (method != "erase") return "";
  const Node arguments = call.field("arguments");
  if (arguments.childCount() != 1) return "";
  bool atEnd = false;
  visitNodes(arguments.child(0), [&](const Node& n) {
    if (atEnd) return false;
    if (n.type() == "call_expression" && n.field("function").type() == "field_expression") {
      const std::string_view end = n.field("function").field("field").text();
      atEnd = (end == "begin" || end == "end" || end == "rbegin") &&
              containerName(n.field("function").field("argument")) == name;
    }
    return !atEnd;
  });
  return atEnd ? name : "";
}

// True when a pass may cost more than a constant: a nested loop, or a call of one of the
// program's functions that loops or calls on.
bool growsPerPass(const Model& model, const Node& scope) {
  bool grows = false;
  visitNodes(scope, [&](const Node& n) {
    if (grows) return false;
    if (isLoopNode(n)) grows = true;
    if (n.type() != "call_expression") return !grows;
    const Node callee = n.field("function");
    const bool method = callee.type() == "field_expression";
    // st.pop() on a library container is the library's, whatever the program names its own
    if (method) {
      const Node object = callee.field("argument");
      const Symbol* symbol = findSymbolAt(model, containerName(object), object);
      if (symbol != nullptr && symbol->kind != ContainerKind::kScalar) return true;
    }
    const std::string name(method ? callee.field("field").text() : callee.text());
    auto own = model.functions.find(name);
    if (own == model.functions.end()) return true;
    const Node inner = findDescendant(
        own->second.body, {"for_statement", "for_range_loop", "while_statement", "do_statement"});
    grows = !inner.null();
    return !grows;
  });
  return grows;
}

// True when the entries of `name` as seen at `loop` were put there before the loops around it
// or outside the function: what the loop removes was added, and charged, elsewhere.
bool outlivesLoops(const Model& model, const std::string& name, const Node& loop,
                   const std::vector<EnclosingLoop>& frames) {
  const Symbol* symbol = findSymbolAt(model, name, loop);
  if (symbol == nullptr) return false;
  if (symbol->scope.empty() || symbol->member) return true;
  if (symbol->isParameter) return symbol->typeText.find('&') != std::string::npos;
  if (frames.empty() || symbol->declaredInLoop) return false;
  return symbol->scopeStart <= ts_node_start_byte(frames.front().node.raw) &&
         symbol->line < frames.front().node.line();
}

}  // namespace

std::string drainedAcrossPasses(const Model& model, const Node& loop,
                                const std::vector<EnclosingLoop>& frames) {
  const Node body = loop.field("body");
  if (body.null()) return "";
  std::vector<Node> statements =
      body.type() == "compound_statement" ? childrenOf(body) : std::vector<Node>{body};
  std::string drained;
  for (const Node& statement : statements) {
    drained = removedBy(statement);
    if (!drained.empty()) break;
  }
  if (drained.empty()) return "";
  if (pushesInto(body, drained, Node{}) || pushesInto(loop.field("condition"), drained, Node{}))
    return "";
  if (growsPerPass(model, body) || growsPerPass(model, loop.field("condition"))) return "";
  return outlivesLoops(model, drained, loop, frames) ? drained : "";
}

}  // namespace quorbel
