#include "estimate/c_allocations.h"

#include <string_view>

namespace quorbel {

std::vector<Node> allocatedFactors(const Node& call) {
  if (call.type() != "call_expression") return {};
  Node callee = call.field("function");
  // std::malloc and ::malloc name the same allocator.
  if (callee.type() == "qualified_identifier") callee = callee.field("name");
  if (callee.type() != "identifier") return {};
  const std::string_view name = callee.text();
  const std::vector<Node> arguments = childrenOf(call.field("arguments"));
  if (name == "malloc" && arguments.size() == 1) return arguments;
  if (name == "realloc" && arguments.size() == 2) return {arguments[1]};
  if (name == "calloc" && arguments.size() == 2) return arguments;
  return {};
}

}  // namespace quorbel
