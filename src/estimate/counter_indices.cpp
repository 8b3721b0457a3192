#include "estimate/counter_indices.h"

#include <string>
#include <string_view>

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// The counter's own name: `c` of c and of c[u].
std::string counterName(const Node& counter) {
  Node base = counter;
  for (int guard = 0; guard < 4 && base.type() == "subscript_expression"; ++guard)
    base = base.field("argument");
  return base.type() == "identifier" ? std::string(base.text()) : std::string();
}

// `int c = 0`, `c = 0`, `deg[u] = 0` or memset/fill over the counter's array anywhere under
// `scope`.
bool setsAgain(const Node& scope, const std::string& name) {
  bool found = false;
  visitNodes(scope, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "assignment_expression" && n.field("operator").text() == "=" &&
        counterName(n.field("left")) == name)
      found = true;
    if (n.type() == "init_declarator" && declaredName(n.field("declarator")) == name) found = true;
    if (n.type() == "call_expression") {
      const std::string_view callee = n.field("function").text();
      if ((callee == "memset" || callee == "fill" || callee == "std::fill") &&
          mentionsIdentifier(n.field("arguments"), name))
        found = true;
    }
    return !found;
  });
  return found;
}

}  // namespace

std::optional<Cost> counterIndexReach(const Node& index, const std::vector<EnclosingLoop>& frames) {
  const Node bump = unwrap(index);
  if (bump.type() != "update_expression" || bump.text().find("++") == std::string_view::npos)
    return std::nullopt;
  const Node counter = unwrap(bump.field("argument"));
  const std::string name = counterName(counter);
  if (name.empty()) return std::nullopt;
  const Node slot = counter.type() == "subscript_expression" ? counter.field("indices") : Node{};
  Cost reach;
  for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) {
    if (setsAgain(frame->node, name)) break;
    if (!frame->variable.empty() && !slot.null() && mentionsIdentifier(slot, frame->variable))
      continue;
    reach = multiplyCosts(reach, frame->trips);
  }
  return reach;
}

}  // namespace quorbel
