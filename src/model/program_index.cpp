#include "model/program_index.h"

#include <string_view>
#include <unordered_map>

#include "model/nodes_of_type.h"
#include "model/program_answers.h"

namespace quorbel {

// Keys are views into the model's text, which the model keeps as long as the index.
struct ProgramIndex {
  std::unordered_map<std::string_view, std::vector<Node>> callsByCallee;
  std::unordered_map<std::string_view, std::vector<Node>> identifiersByText;
  std::unordered_map<const void*, const Function*> functionsByDefinition;
  // The functions it points into, and how many there were: a copy of the model, or one whose
  // functions changed since, builds its own.
  const void* functionsAt = nullptr;
  size_t functionsAmong = 0;
};

namespace {

const std::vector<Node> kNone;

std::shared_ptr<const ProgramIndex> buildIndex(const Model& model) {
  auto index = std::make_shared<ProgramIndex>();
  for (const Node& call : descendantsOfType(model.root, {"call_expression"})) {
    Node callee = call.field("function");
    if (callee.type() == "template_function") callee = callee.field("name");  // f<ll>(xs)
    index->callsByCallee[callee.text()].push_back(call);
  }
  for (const Node& identifier : descendantsOfType(model.root, {"identifier"}))
    index->identifiersByText[identifier.text()].push_back(identifier);
  // In name order, so that of two functions sharing a definition the first by name answers.
  for (const auto& [name, function] : model.functions)
    if (!function.definition.null())
      index->functionsByDefinition.emplace(function.definition.raw.id, &function);
  index->functionsAt = &model.functions;
  index->functionsAmong = model.functions.size();
  return index;
}

const ProgramIndex& indexOf(const Model& model) {
  // A model without its answers (moved from) keeps no index; the last one built serves it.
  thread_local std::shared_ptr<const ProgramIndex> unkept;
  std::shared_ptr<const ProgramIndex>& kept = model.answers ? model.answers->index : unkept;
  std::unique_lock<std::mutex> lock;
  if (model.answers) lock = std::unique_lock<std::mutex>(model.answers->mutex);
  if (!kept || kept->functionsAt != &model.functions ||
      kept->functionsAmong != model.functions.size())
    kept = buildIndex(model);
  return *kept;
}

const std::vector<Node>& lookUp(const std::unordered_map<std::string_view, std::vector<Node>>& by,
                                std::string_view name) {
  const auto found = by.find(name);
  return found == by.end() ? kNone : found->second;
}

}  // namespace

const std::vector<Node>& callsSpelled(const Model& model, std::string_view name) {
  return lookUp(indexOf(model).callsByCallee, name);
}

const std::vector<Node>& identifiersSpelled(const Model& model, std::string_view name) {
  return lookUp(indexOf(model).identifiersByText, name);
}

const Function* functionDefinedBy(const Model& model, const Node& definition) {
  if (definition.null()) return nullptr;
  const auto& by = indexOf(model).functionsByDefinition;
  const auto found = by.find(definition.raw.id);
  return found == by.end() ? nullptr : found->second;
}

const Function* functionAround(const Model& model, const Node& node) {
  // As deep as any real nesting goes; a pathological tree is not searched to its root.
  int guard = 0;
  for (Node p = node.parent(); !p.null() && guard < 400; p = p.parent(), ++guard)
    if (const Function* function = functionDefinedBy(model, p)) return function;
  return nullptr;
}

}  // namespace quorbel
