#include "model/tree.h"

#include <string_view>
#include <unordered_map>

#include "analysis/analysis_bounds.h"

namespace quorbel {
namespace {

// Deeper trees come only from pathological input; the model reads no further down.
constexpr int kMaxVisitDepth = 40000;

// Field names resolved to the grammar's ids once: looking a name up scans the grammar's names
// with strcmp, and the model asks for fields on nearly every node it reads.
TSFieldId fieldIdOf(const TSLanguage* language, const char* name) {
  static const std::unordered_map<std::string_view, TSFieldId> ids = [language] {
    std::unordered_map<std::string_view, TSFieldId> byName;
    const uint32_t count = ts_language_field_count(language);
    for (uint32_t id = 1; id <= count; ++id)
      if (const char* field = ts_language_field_name_for_id(language, static_cast<TSFieldId>(id)))
        byName.emplace(field, static_cast<TSFieldId>(id));
    return byName;
  }();
  const auto found = ids.find(name);
  return found == ids.end() ? 0 : found->second;
}

void visitBounded(const Node& node, const std::function<bool(const Node&)>& descend, int depth) {
  if (node.null() || depth > kMaxVisitDepth || !descend(node)) return;
  const uint32_t count = node.childCount();
  for (uint32_t i = 0; i < count; ++i) visitBounded(node.child(i), descend, depth + 1);
}

}  // namespace

std::string_view Node::text() const {
  if (null()) return {};
  const uint32_t start = ts_node_start_byte(raw), end = ts_node_end_byte(raw);
  if (start >= source.size() || end > source.size() || end < start) return {};
  return source.substr(start, end - start);
}

Node Node::field(const char* name) const {
  if (null()) return {};
  const TSFieldId id = fieldIdOf(ts_tree_language(raw.tree), name);
  if (id == 0) return {TSNode{}, source};  // a name the grammar has no field for
  return {ts_node_child_by_field_id(raw, id), source};
}

Node Node::child(uint32_t index) const {
  if (null()) return {};
  pollAnalysisBounds();  // walks that allocate nothing still end at the analysis's time limit
  return {ts_node_named_child(raw, index), source};
}

Node Node::parent() const {
  if (null()) return {};
  return {ts_node_parent(raw), source};
}

std::vector<Node> childrenOf(const Node& node) {
  std::vector<Node> children;
  const uint32_t count = node.childCount();
  for (uint32_t i = 0; i < count; ++i) children.push_back(node.child(i));
  return children;
}

void visitNodes(const Node& node, const std::function<bool(const Node&)>& descend) {
  visitBounded(node, descend, 0);
}

Node findDescendant(const Node& node, std::initializer_list<std::string_view> types) {
  Node found;
  visitNodes(node, [&](const Node& n) {
    if (!found.null()) return false;
    for (std::string_view type : types)
      if (n.type() == type) {
        found = n;
        return false;
      }
    return true;
  });
  return found;
}

std::string declaredName(const Node& declarator) {
  Node current = declarator;
  for (int guard = 0; guard < 16 && !current.null(); ++guard) {
    const std::string_view type = current.type();
    if (type == "identifier" || type == "field_identifier") return std::string(current.text());
    Node inner = current.field("declarator");
    if (inner.null()) inner = current.child(0);
    current = inner;
  }
  return "";
}

bool isLoopNode(const Node& node) {
  const std::string_view type = node.type();
  return type == "for_statement" || type == "while_statement" || type == "do_statement" ||
         type == "for_range_loop";
}

bool mentionsIdentifier(const Node& node, std::string_view name) {
  bool found = false;
  visitNodes(node, [&](const Node& n) {
    if (found) return false;
    if (n.type() == "identifier" && n.text() == name) found = true;
    // this->t is the member t; sa.t is another object's member, not a variable named t.
    if (n.type() == "field_identifier" && n.text() == name) {
      const Node object = n.parent().field("argument");
      found = n.parent().type() != "field_expression" || object.null() || object.type() == "this";
    }
    return !found;
  });
  return found;
}

}  // namespace quorbel
