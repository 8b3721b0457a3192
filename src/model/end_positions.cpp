#include "model/end_positions.h"

#include "model/loop_parts.h"
#include "model/magnitude.h"

namespace quorbel {
namespace {

// object.end() or object.cend(), parentheses stripped.
bool isEndOf(const Node& expression, const std::string& object) {
  const Node call = unwrap(expression);
  if (call.type() != "call_expression" || call.field("arguments").childCount() != 0) return false;
  const Node function = call.field("function");
  if (function.type() != "field_expression") return false;
  const std::string_view method = function.field("field").text();
  return (method == "end" || method == "cend") &&
         containerName(function.field("argument")) == object;
}

}  // namespace

bool isNearEnd(const Node& expression, const std::string& object) {
  const Node e = unwrap(expression);
  if (isEndOf(e, object)) return true;
  if (e.type() == "binary_expression" && e.field("operator").text() == "-")
    return isEndOf(e.field("left"), object) && unwrap(e.field("right")).type() == "number_literal";
  if (e.type() != "call_expression") return false;
  std::string_view callee = e.field("function").text();
  if (callee.rfind("std::", 0) == 0) callee.remove_prefix(5);
  const Node arguments = e.field("arguments");
  if (callee != "prev" || arguments.childCount() < 1 || arguments.childCount() > 2) return false;
  return isEndOf(arguments.child(0), object) &&
         (arguments.childCount() == 1 || unwrap(arguments.child(1)).type() == "number_literal");
}

bool placedNearEnd(const Node& call, const std::string& object) {
  const Node arguments = call.field("arguments");
  if (arguments.childCount() == 0 || !isNearEnd(arguments.child(0), object)) return false;
  const std::string_view method = call.field("function").field("field").text();
  // insert(pos, first, last) and insert(pos, count, value) add more than one entry
  if (method == "insert") return arguments.childCount() == 2;
  return arguments.childCount() == 1 || isNearEnd(arguments.child(1), object);
}

}  // namespace quorbel
