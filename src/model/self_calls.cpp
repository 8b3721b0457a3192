#include "model/self_calls.h"

#include "model/magnitude.h"
#include "model/member_calls.h"

namespace quorbel {
namespace {

// How many arguments a call of `function` must and may pass; a pack takes any number.
bool acceptsArgumentCount(const Function& function, size_t count) {
  size_t required = 0;
  for (size_t i = 0; i < function.parameters.size(); ++i) {
    if (i < function.parameterTypes.size() &&
        function.parameterTypes[i].find("...") != std::string::npos)
      return true;
    if (i >= function.defaults.size() || function.defaults[i].null()) required = i + 1;
  }
  return count >= required && count <= function.parameters.size();
}

}  // namespace

bool callsFunctionItself(const Model& model, const Function& function, const Node& call) {
  const Node arguments = call.field("arguments");
  if (!arguments.null() && !acceptsArgumentCount(function, arguments.childCount())) return false;
  const Node callee = call.field("function");
  if (callee.type() != "field_expression") return true;
  // this->f(..), self.f(..) of a lambda: the function itself; seg[c].f(..) of its own type too
  if (memberCalledThrough(model, call) == &function) return true;
  const Node object = callee.field("argument");
  if (object.type() == "this") return true;
  const Symbol* symbol = findSymbolAt(model, containerName(object), object);
  // t.update(..) in Hld::update with t a Segtree: the member of t's own type, not this one
  if (symbol)
    if (const Function* own =
            memberOfType(model, symbol->typeText, std::string(callee.field("field").text())))
      return own->definition == function.definition;
  return symbol == nullptr || symbol->kind == ContainerKind::kScalar;
}

bool onlyReordersParameters(const Function& function, const Node& call) {
  const Node arguments = call.field("arguments");
  const size_t count = function.parameters.size();
  if (count < 2 || arguments.childCount() != count) return false;
  std::vector<bool> used(count, false);
  bool moved = false;
  for (size_t i = 0; i < count; ++i) {
    const Node argument = arguments.child(static_cast<uint32_t>(i));
    if (argument.type() != "identifier") return false;
    size_t k = 0;
    while (k < count &&
           (used[k] || function.parameters[k].empty() || argument.text() != function.parameters[k]))
      ++k;
    if (k == count) return false;
    used[k] = true;
    moved = moved || k != i;
  }
  return moved;
}

}  // namespace quorbel
