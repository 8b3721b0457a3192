// A thin layer over tree-sitter's nodes for the model: a node with the text it spans.
#pragma once

#include <tree_sitter/api.h>

#include <cstdint>
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

  // Asked of nearly every node the model and the estimate read: kept inline, where
  // tree-sitter's own functions are calls into the shared library.
  bool null() const { return raw.id == nullptr; }
  inline std::string_view type() const;
  std::string_view text() const;
  int line() const { return null() ? 0 : static_cast<int>(ts_node_start_point(raw).row) + 1; }
  Node field(const char* name) const;
  inline uint32_t childCount() const;
  Node child(uint32_t index) const;
  inline Node parent() const;
  uint32_t id() const {
    return null() ? 0 : ts_node_start_byte(raw) * 131u + ts_node_end_byte(raw);
  }
  bool operator==(const Node& other) const { return ts_node_eq(raw, other.raw); }

 private:
  std::string_view typeAsked() const;  // tree-sitter's answer, for nodes outside a table
};

// The tree's visible nodes in pre-order, read once with a cursor: a node's named children, its
// fields and its parent are then found in constant time, where tree-sitter walks the earlier
// siblings for a child or a field and searches down from the root for a parent, and the model
// asks these of nearly every node, many times over.
struct NodeTable {
  static constexpr uint32_t kNoSlot = UINT32_MAX;
  struct Entry {
    TSNode node{};
    uint32_t parent = kNoSlot;
    uint32_t end = 0;                         // the slot after its last descendant
    uint32_t depth = 0;                       // levels below the root
    uint32_t firstNamed = 0, namedCount = 0;  // its named children, in `named`
    uint32_t firstField = 0, fieldCount = 0;  // its children that fill a field, in `fields`
    TSFieldId field = 0;                      // the field it fills in its parent
    uint32_t symbol = 0;                      // its type: an index into typeNames, or past them
    uint32_t unnamedAbove = kNoSlot;          // its nearest unnamed ancestor, if any
    bool isNamed = false;
  };
  std::vector<Entry> entries;
  std::vector<uint32_t> named;
  std::vector<uint32_t> fields;
  // Every node's slot, grouped by symbol and in pre-order within a group: the nodes of symbol s
  // are bySymbol[firstOfSymbol[s]] up to bySymbol[firstOfSymbol[s + 1]].
  std::vector<uint32_t> firstOfSymbol;
  std::vector<uint32_t> bySymbol;
  // The grammar's type names by symbol, measured once (they outlive every table).
  const std::string_view* typeNames = nullptr;
  uint32_t typeCount = 0;

  Node at(uint32_t slot, std::string_view source) const {
    return {entries[slot].node, source, this, slot};
  }
};

std::string_view Node::type() const {
  if (null()) return {};
  if (table != nullptr) {
    const uint32_t symbol = table->entries[slot].symbol;
    if (symbol < table->typeCount) return table->typeNames[symbol];
  }
  return typeAsked();
}

uint32_t Node::childCount() const {
  if (null()) return 0;
  return table != nullptr ? table->entries[slot].namedCount : ts_node_named_child_count(raw);
}

Node Node::parent() const {
  if (null()) return {};
  if (table == nullptr) return {ts_node_parent(raw), source};
  const uint32_t above = table->entries[slot].parent;
  return above == NodeTable::kNoSlot ? Node{TSNode{}, source} : table->at(above, source);
}

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
// True for for, while, do and range-for statements.
bool isLoopNode(const Node& node);
// Whether `name` appears as an identifier anywhere under `node`, or as a member of `this`
// (another object's member `o.name` is not the variable).
bool mentionsIdentifier(const Node& node, std::string_view name);

}  // namespace quorbel
