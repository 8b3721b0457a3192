#include "estimate/indexed_words.h"

#include "model/loop_parts.h"
#include "model/magnitude.h"
#include "model/nodes_of_type.h"

namespace quorbel {

Cost lengthWalked(const Model& model, const Symbol& word, bool nested) {
  for (const Node& loop : descendantsOfType(model.root, {"for_statement"})) {
    const uint32_t at = ts_node_start_byte(loop.raw);
    if (at < word.scopeStart || at >= word.scopeEnd) continue;
    const Node condition = unwrap(loop.field("condition"));
    if (condition.type() != "binary_expression") continue;
    const std::string_view op = condition.field("operator").text();
    const Node variable = unwrap(condition.field("left"));
    const Node bound = unwrap(condition.field("right"));
    if ((op != "<" && op != "<=") || variable.type() != "identifier" ||
        bound.type() != "identifier")
      continue;
    const Symbol* limit = findSymbolAt(model, bound.text(), bound);
    if (limit == nullptr || limit->kind != ContainerKind::kScalar || !limit->fromInput) continue;
    bool indexes = false;
    visitNodes(loop.field("body"), [&](const Node& n) {
      if (indexes) return false;
      const Node inner = unwrap(n.field("argument"));
      if (n.type() == "subscript_expression" && containerName(n) == word.name &&
          (!nested || inner.type() == "subscript_expression"))
        indexes = mentionsIdentifier(n.field("indices"), variable.text());
      return !indexes;
    });
    if (indexes) return sizeCost(std::string(bound.text()));
  }
  return constantCost();
}

}  // namespace quorbel
