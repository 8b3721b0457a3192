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
  return symbol == nullptr || symbol->kind == ContainerKind::kScalar;
}

}  // namespace quorbel
