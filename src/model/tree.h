// A thin layer over tree-sitter's nodes for the model: a node with the text it spans.
#pragma once

#include <tree_sitter/api.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

struct NodeTable;

// A syntax node together with the source it indexes into; `null()` for a missing node.
struct Node {
  TSNode raw{};
  std::string_view source;
  // Set on the nodes reached from a table's root (tableRoot): the node's place in it, where its
  // children, fields and parent are found in constant time. Without it tree-sitter is asked.
  const NodeTable* table = nullptr;
  uint32_t slot = 0;
  // The grammar's name for the node's type, kept for the nodes of a table: the model asks the
  // type of nearly every node it reads, many times over.
  std::string_view typeName{};

  bool null() const { return raw.id == nullptr; }  // as ts_node_is_null, without the call
  std::string_view type() const { return table != nullptr ? typeName : typeOutsideTable(); }
  std::string_view text() const;
  int line() const { return null() ? 0 : static_cast<int>(ts_node_start_point(raw).row) + 1; }
  Node field(const char* name) const;
  uint32_t childCount() const;
  Node child(uint32_t index) const;
  Node parent() const;
  uint32_t id() const {
    return null() ? 0 : ts_node_start_byte(raw) * 131u + ts_node_end_byte(raw);
  }
  bool operator==(const Node& other) const { return ts_node_eq(raw, other.raw); }
  // A node read from tree-sitter directly, or an error node: its type asked of tree-sitter.
  std::string_view typeOutsideTable() const;
};

// Every visible node of the tree under `root`, read once (model/tree.cpp).
std::shared_ptr<const NodeTable> readNodeTable(TSNode root);
// The table's root as a node: every node reached from it through these functions uses the table.
Node tableRoot(const NodeTable& table, std::string_view source);

// The named children of a node, in order.
std::vector<Node> childrenOf(const Node& node);
// Every named descendant in pre-order (the node itself first), stopping below nodes for which
// `descend` answers false and never deeper than a fixed depth.
void visitNodes(const Node& node, const std::function<bool(const Node&)>& descend);
// The first descendant of one of the given types, or a null node.
Node findDescendant(const Node& node, std::initializer_list<std::string_view> types);
// The identifier a declarator declares: "a" for `a[N]`, `*a`, `&a`, `a = 5`, `a(n)`.
std::string declaredName(const Node& declarator);
// The name a type spelling in a declaration calls when the parser took a call for a type:
// "build" of `build` and of `build<int>` in `auto r(build<int>(n));`.
std::string typeAsCallee(const Node& type);
// The node whose children are the arguments of such a call, read from the parameter it was
// taken for: the parameter list of `build(s, 2)` (an abstract function declarator) or the
// parentheses of `build(s)` (a parenthesised declarator naming s). Null for a real parameter.
Node callArgumentsOf(const Node& parameter);
// True for for, while, do and range-for statements.
bool isLoopNode(const Node& node);
// Whether `name` appears as an identifier anywhere under `node`, or as a member of `this`
// (another object's member `o.name` is not the variable).
bool mentionsIdentifier(const Node& node, std::string_view name);

}  // namespace quorbel
