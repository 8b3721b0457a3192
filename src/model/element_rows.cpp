// A list per element is a list per slot: the rows of a container member of a struct that an
// array holds (g[u].out) add up to what the member received over the run, however the row is
// reached and in whichever direction a loop walks it.
#include "model/element_rows.h"

#include "model/loop_parts.h"

namespace quorbel {
namespace {

// X of X.size(), X.begin(), (int)X.size(): the container whose size or ends are taken.
Node containerOfEnds(const Node& expression) {
  const Node call = unwrap(expression);
  if (call.type() != "call_expression") return call;
  const Node f = call.field("function");
  if (f.type() != "field_expression") return {};
  const std::string_view method = f.field("field").text();
  if (method != "size" && method != "begin" && method != "end" && method != "rbegin" &&
      method != "rend" && method != "length")
    return {};
  return unwrap(f.field("argument"));
}

// a[i], p-> (not this->), (*it).: an element of some container, not one named object.
bool isElement(const Node& field) {
  const Node object = unwrap(field.field("argument"));
  if (object.type() == "subscript_expression") return true;
  if (object.type() == "pointer_expression") return true;  // (*it).kids
  if (field.field("operator").text() != "->") return false;
  return object.type() == "identifier" && object.text() != "this";
}

}  // namespace

Node memberRow(const Model& model, const Node& expression) {
  const Node row = containerOfEnds(expression);
  if (row.type() != "field_expression" || !isElement(row)) return {};
  const Symbol* member = findSymbol(model, row.field("field").text());
  if (!member || !member->member || member->nestedContainer) return {};
  if (member->kind != ContainerKind::kVector && member->kind != ContainerKind::kOrdered &&
      member->kind != ContainerKind::kHashed)
    return {};
  // Rows that receive nothing the walk can count would spread nothing over the elements.
  return isConstantCost(member->elements) ? Node{} : row;
}

Cost memberRowShare(const Model& model, const Node& row, const std::vector<EnclosingLoop>& frames) {
  const Symbol* member = findSymbol(model, row.field("field").text());
  if (!member) return constantCost();
  const Node object = unwrap(row.field("argument"));
  Cost rows;
  if (object.type() == "subscript_expression") {
    const Node indices = object.field("indices");
    const Node index = indices.type() == "subscript_argument_list" ? indices.child(0) : indices;
    const EnclosingLoop* owner = frameOf(frames, index.text());
    rows = owner ? owner->trips : vertexCount(model, containerName(object.field("argument")));
  }
  if (isConstantCost(rows)) rows = primarySize(model);
  return divideCosts(member->elements, rows);
}

Node stringRow(const Model& model, const Node& expression) {
  const Node row = containerOfEnds(expression);
  // w[0]: one fixed string, as long as itself in every pass
  if (row.type() != "subscript_expression" || !fixedRowOwner(row).null()) return {};
  const Node base = unwrap(row.field("argument"));
  if (base.type() != "identifier") return {};
  const Symbol* symbol = findSymbolAt(model, base.text(), base);
  if (!symbol || symbol->isParameter) return {};
  const bool strings =
      (symbol->kind == ContainerKind::kVector && symbol->typeText == "vector<string>") ||
      (symbol->kind == ContainerKind::kArray && symbol->typeText == "string");
  return strings ? row : Node{};
}

Cost stringRowShare(const Model& model, const Node& row, const std::vector<EnclosingLoop>& frames) {
  const Node base = unwrap(row.field("argument"));
  const Node indices = row.field("indices");
  const Node index = indices.type() == "subscript_argument_list" ? indices.child(0) : indices;
  const Cost all = sizeCost("|" + std::string(base.text()) + "|");
  // w[x] for a value x read per query: any one string, the longest as long as all of them
  const EnclosingLoop* owner = frameOf(frames, index.text());
  return owner ? divideCosts(all, owner->trips) : all;
}

Node rowWalkedDown(const Model& model, const Node& start) {
  Node top = unwrap(start);
  // g[u].size() - 1, minus any literal
  if (top.type() == "binary_expression" && top.field("operator").text() == "-" &&
      evaluateConstant(model, top.field("right")))
    top = unwrapConversions(model, top.field("left"));
  top = unwrapConversions(model, top);
  const Node nested = nestedRow(model, top);
  return nested.null() ? memberRow(model, top) : nested;
}

Node walkedRowOf(const Model& model, const Node& loop) {
  if (loop.null()) return {};
  if (loop.type() == "for_range_loop") {
    const Node right = unwrap(loop.field("right"));
    if (right.type() == "subscript_expression") {
      const Symbol* symbol = findSymbol(model, containerName(right.field("argument")));
      if (symbol && symbol->nestedContainer) return right;
    }
    return memberRow(model, right);
  }
  if (loop.type() != "for_statement") return {};
  std::vector<Comparison> comparisons;
  collectComparisons(loop.field("condition"), comparisons);
  for (const Comparison& c : comparisons)
    for (const Node& side : {c.left, c.right}) {
      const Node nested = nestedRow(model, side);
      if (!nested.null()) return nested;
    }
  return rowWalkedDown(model, readInitialiser(loop.field("initializer")).second);
}

}  // namespace quorbel
