#include "model/call_arity.h"

namespace quorbel {
namespace {

size_t argumentCount(const Node& arguments) {
  size_t count = 0;
  for (const Node& argument : childrenOf(arguments)) count += argument.type() != "comment";
  return count;
}

// f(int, ...) and f(Args&&... rest) take any number after their fixed parameters.
bool isVariadic(const Function& function) {
  const Node list = findDescendant(function.definition, {"parameter_list"});
  return !list.null() && list.text().find("...") != std::string_view::npos;
}

}  // namespace

bool mayCall(const Node& call, const Function& function) {
  const Node arguments = call.field("arguments");
  if (arguments.null() || function.definition.null() || function.isLambda) return true;
  // Fewer arguments than parameters is no evidence: a parameter list the parser split wrongly
  // (a template argument's comma) only ever shows more parameters than there are.
  return argumentCount(arguments) <= function.parameters.size() || isVariadic(function);
}

}  // namespace quorbel
