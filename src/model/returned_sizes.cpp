#include "model/returned_sizes.h"

#include "model/magnitude.h"

namespace quorbel {
namespace {

// The size of one returned container, in the function's own parameters.
Cost sizeOfReturned(const Model& model, const Node& returned) {
  if (returned.type() != "identifier") return constantCost();
  const std::string name(returned.text());
  const Symbol* local = declarationAt(const_cast<Model&>(model), name, returned);
  if (!local || local->kind == ContainerKind::kScalar) return constantCost();
  if (local->isParameter)
    return sizeCost(local->kind == ContainerKind::kString ? "|" + name + "|" : name);
  // The entry holding this declaration's facts: what was pushed or read into it counts too.
  const Symbol* entry = containerAt(model, name, returned);
  if (entry && entry->line == local->line) return containerSizeOf(model, *entry);
  Cost size = local->dimensions.empty() ? constantCost() : local->dimensions.front();
  for (size_t k = 1; k < local->dimensions.size(); ++k)
    size = multiplyCosts(size, local->dimensions[k]);
  return size;
}

// A size named by one of the function's parameters from `from` on (those no argument replaces).
bool namesParameter(const Function& function, const std::string& size, size_t from) {
  for (size_t i = from; i < function.parameters.size(); ++i) {
    const std::string& parameter = function.parameters[i];
    if (!parameter.empty() &&
        (size == parameter || size == "|" + parameter + "|" || size.rfind(parameter + "#", 0) == 0))
      return true;
  }
  return false;
}

// A size named by a local of the function that nothing read: no name its callers know.
bool namesLocal(const Model& model, const Function& function, const std::string& size) {
  const bool barred = size.size() > 2 && size.front() == '|' && size.back() == '|';
  const std::string name = barred ? size.substr(1, size.size() - 2) : size;
  const uint32_t start = ts_node_start_byte(function.definition.raw);
  const uint32_t end = ts_node_end_byte(function.definition.raw);
  auto [first, last] = model.declarations.equal_range(name);
  for (auto it = first; it != last; ++it)
    if (it->second.scopeStart >= start && it->second.scopeEnd <= end && !it->second.fromInput &&
        !it->second.isParameter)
      return true;
  return false;
}

}  // namespace

Cost returnedSize(const Model& model, const Function& function, const std::vector<Cost>& arguments,
                  const std::vector<RowShape>& shapes) {
  if (function.body.null()) return constantCost();
  Cost total;
  visitNodes(function.body, [&](const Node& n) {
    // A lambda's returns are its own.
    if (n.type() == "lambda_expression") return false;
    if (n.type() == "return_statement" && n.childCount() > 0)
      total = addCosts(total, sizeOfReturned(model, n.child(0)));
    return true;
  });
  // Locals are told apart before the arguments come in: an argument may share a local's name
  // (build(s) in a caller whose own string is s as well).
  total = simplifyCost(total);
  for (const std::string& size : sizesOf(total))
    if (!namesParameter(function, size, 0) && namesLocal(model, function, size))
      return constantCost();
  for (size_t i = 0; i < function.parameters.size() && i < arguments.size(); ++i) {
    const std::string& parameter = function.parameters[i];
    if (parameter.empty()) continue;
    total = substituteSize(total, parameter, arguments[i]);
    total = substituteSize(total, "|" + parameter + "|", arguments[i]);
    total = substituteSize(total, parameter + "#rows",
                           i < shapes.size() ? shapes[i].rows : arguments[i]);
    if (i < shapes.size()) total = substituteSize(total, parameter + "#row", shapes[i].rowLength);
  }
  total = simplifyCost(total);
  // A parameter no argument replaced is nothing the caller can name.
  for (const std::string& size : sizesOf(total))
    if (namesParameter(function, size, arguments.size())) return constantCost();
  return total;
}

}  // namespace quorbel
