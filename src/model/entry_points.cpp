#include "model/entry_points.h"

#include "model/tree.h"

namespace quorbel {
namespace {

// The names a body calls: `f(x)`, `obj.f(x)`, `ptr->f(x)`.
std::set<std::string, std::less<>> namesCalledIn(const Node& body) {
  std::set<std::string, std::less<>> called;
  visitNodes(body, [&](const Node& node) {
    if (node.type() != "call_expression") return true;
    Node function = node.field("function");
    if (function.type() == "field_expression") function = function.field("field");
    if (function.type() == "identifier" || function.type() == "field_identifier")
      called.insert(std::string(function.text()));
    return true;
  });
  return called;
}

// The names of the non-lambda functions no other function calls; all of them when none is.
std::set<std::string> searchEntryFunctions(const Model& model) {
  std::set<std::string, std::less<>> calledByOthers;
  std::set<std::string> all;
  for (const auto& [name, function] : model.functions) {
    if (function.isLambda) continue;
    all.insert(name);
    for (const std::string& callee : namesCalledIn(function.body))
      if (callee != function.name) calledByOthers.insert(callee);
  }
  std::set<std::string> entries;
  for (const std::string& name : all)
    if (!calledByOthers.contains(model.functions.at(name).name)) entries.insert(name);
  return entries.empty() ? all : entries;
}

}  // namespace

const std::set<std::string>& findEntryFunctions(const Model& model) {
  // Asked for every helper's locals and every loop: found once per model, since the search
  // reads every function's body.
  thread_local std::set<std::string> unkept;
  if (!model.answers) return unkept = searchEntryFunctions(model);
  std::lock_guard<std::mutex> lock(model.answers->mutex);
  auto& kept = model.answers->entryFunctions;
  if (!kept || model.answers->entryFunctionsAmong != model.functions.size()) {
    kept = searchEntryFunctions(model);
    model.answers->entryFunctionsAmong = model.functions.size();
  }
  return *kept;
}

}  // namespace quorbel
