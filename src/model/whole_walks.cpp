// A walk over a whole container costs what the container holds where the walk stands; the
// time walk asks which container that is to charge a container filled by amortised work by
// its share per pass.
#include "model/whole_walks.h"

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// v of v.size(), (int)v.size(), v.end(): a named container whose size or end is taken.
std::string containerOfEnd(const Model& model, const Node& expression) {
  const Node call = unwrapConversions(model, expression);
  if (call.type() != "call_expression") return "";
  const Node f = call.field("function");
  if (f.type() != "field_expression") return "";
  const std::string_view method = f.field("field").text();
  if (method != "size" && method != "end" && method != "length") return "";
  const Node object = unwrap(f.field("argument"));
  return object.type() == "identifier" ? std::string(object.text()) : "";
}

bool isContainer(const Model& model, const std::string& name, const Node& use) {
  const Symbol* symbol = findSymbolAt(model, name, use);
  return symbol && symbol->kind != ContainerKind::kScalar && !symbol->nestedContainer;
}

}  // namespace

std::string containerWalkedWhole(const Model& model, const Node& loop) {
  if (loop.type() == "for_range_loop") {
    const Node right = unwrap(loop.field("right"));
    const std::string name = right.type() == "identifier" ? std::string(right.text()) : "";
    return !name.empty() && isContainer(model, name, right) ? name : "";
  }
  if (loop.type() != "for_statement") return "";
  std::vector<Comparison> comparisons;
  collectComparisons(loop.field("condition"), comparisons);
  for (const Comparison& c : comparisons)
    for (const Node& side : {c.left, c.right}) {
      const std::string name = containerOfEnd(model, side);
      if (!name.empty() && isContainer(model, name, side)) return name;
    }
  return "";
}

}  // namespace quorbel
