#include "model/tree.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "base/analysis_bounds.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

// Deeper trees come only from pathological input; the model reads no further down.
constexpr int kMaxVisitDepth = 40000;

// Field names resolved to the grammar's ids once: looking a name up scans the grammar's names
// with strcmp, and the model asks for fields on nearly every node it reads.
TSFieldId fieldIdByName(const TSLanguage* language, const char* name) {
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

// Callers name fields with string literals: an id is kept by the literal's address, and the
// name is compared again, so a buffer reused for another name never reads a stale id.
TSFieldId fieldIdOf(const TSLanguage* language, const char* name) {
  struct Kept {
    const char* asked = nullptr;
    const char* field = nullptr;  // the grammar's own copy of the name
    TSFieldId id = 0;
  };
  static thread_local Kept kept[64];
  Kept& slot = kept[(reinterpret_cast<uintptr_t>(name) >> 3) % 64];
  if (slot.asked == name && std::strcmp(slot.field, name) == 0) return slot.id;
  const TSFieldId id = fieldIdByName(language, name);
  if (id != 0) slot = {name, ts_language_field_name_for_id(language, id), id};
  return id;
}

// The grammar's node type names, measured once per symbol: ts_node_type hands back a C string
// whose length every comparison would measure again, and the model compares the type of nearly
// every node it reads, many times over. Built from the first tree's language, the only one.
struct Grammar {
  const TSLanguage* language = nullptr;
  std::vector<std::string_view> names;  // by symbol
  std::unordered_map<std::string_view, std::vector<TSSymbol>> symbolsNamed;
};

const Grammar& grammarOf(const TSTree* tree) {
  static const Grammar grammar = [tree] {
    Grammar read;
    read.language = ts_tree_language(tree);
    read.names.resize(ts_language_symbol_count(read.language));
    for (uint32_t id = 0; id < read.names.size(); ++id) {
      const char* name = ts_language_symbol_name(read.language, static_cast<TSSymbol>(id));
      if (name == nullptr) continue;
      read.names[id] = name;
      read.symbolsNamed[read.names[id]].push_back(static_cast<TSSymbol>(id));
    }
    return read;
  }();
  return grammar;
}

// The symbol a node's type is read by; one past the grammar's names when tree-sitter must be
// asked (an error node, another language).
uint32_t symbolOf(TSNode node) {
  const Grammar& grammar = grammarOf(node.tree);
  const TSSymbol symbol = ts_node_symbol(node);
  if (ts_tree_language(node.tree) != grammar.language || symbol >= grammar.names.size())
    return static_cast<uint32_t>(grammar.names.size());
  return symbol;
}

std::string_view typeNameOf(TSNode node, uint32_t symbol) {
  const Grammar& grammar = grammarOf(node.tree);
  return symbol < grammar.names.size() ? grammar.names[symbol] : ts_node_type(node);
}

void visitBounded(const Node& node, const std::function<bool(const Node&)>& descend, int depth) {
  if (node.null() || depth > kMaxVisitDepth || !descend(node)) return;
  const uint32_t count = node.childCount();
  for (uint32_t i = 0; i < count; ++i) visitBounded(node.child(i), descend, depth + 1);
}

constexpr uint32_t kNoSlot = UINT32_MAX;

// A cursor over a subtree, deleted however the walk ends (a stopped analysis throws).
struct Cursor {
  TSTreeCursor raw;
  explicit Cursor(TSNode node) : raw(ts_tree_cursor_new(node)) {}
  ~Cursor() { ts_tree_cursor_delete(&raw); }
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;
};

}  // namespace

// The tree's visible nodes in pre-order, read once with a cursor: a node's named children, its
// fields and its parent are then found in constant time, where tree-sitter walks the earlier
// siblings for a child or a field and searches down from the root for a parent, and the model
// asks these of nearly every node, many times over.
struct NodeTable {
  struct Entry {
    TSNode node{};
    uint32_t parent = kNoSlot;
    uint32_t end = 0;                         // the slot after its last descendant
    uint32_t depth = 0;                       // levels below the root
    uint32_t firstNamed = 0, namedCount = 0;  // its named children, in `named`
    uint32_t firstField = 0, fieldCount = 0;  // its children that fill a field, in `fields`
    TSFieldId field = 0;                      // the field it fills in its parent
    uint32_t symbol = 0;                      // its type, as symbolOf gives it
    std::string_view typeName;                // and the type's name
    uint32_t unnamedAbove = kNoSlot;          // its nearest unnamed ancestor, if any
    // Where its text ends: tree-sitter sums the sizes of the node's subtree to answer, and the
    // model reads the text of nearly every node it compares.
    uint32_t endByte = 0;
    bool isNamed = false;
  };
  std::vector<Entry> entries;
  std::vector<uint32_t> named;
  std::vector<uint32_t> fields;
  // Every node's slot, grouped by symbol and in pre-order within a group: the nodes of symbol s
  // are bySymbol[firstOfSymbol[s]] up to bySymbol[firstOfSymbol[s + 1]].
  std::vector<uint32_t> firstOfSymbol;
  std::vector<uint32_t> bySymbol;

  Node at(uint32_t slot, std::string_view source) const {
    return {entries[slot].node, source, this, slot, entries[slot].typeName};
  }
};

namespace {

// Groups the children of every entry, in order, into `into`; `take` picks which children.
template <typename Take>
void groupChildren(NodeTable& table, std::vector<uint32_t>& into, Take take,
                   uint32_t NodeTable::Entry::*first, uint32_t NodeTable::Entry::*count) {
  auto& entries = table.entries;
  for (uint32_t slot = 1; slot < entries.size(); ++slot)
    if (take(entries[slot])) ++(entries[entries[slot].parent].*count);
  uint32_t next = 0;
  for (auto& entry : entries) {
    entry.*first = next;
    next += entry.*count;
    entry.*count = 0;
  }
  into.resize(next);
  for (uint32_t slot = 1; slot < entries.size(); ++slot) {
    if (!take(entries[slot])) continue;
    auto& parent = entries[entries[slot].parent];
    into[parent.*first + (parent.*count)++] = slot;
  }
}

}  // namespace

std::shared_ptr<const NodeTable> readNodeTable(TSNode root) {
  auto table = std::make_shared<NodeTable>();
  if (ts_node_is_null(root)) return table;
  auto& entries = table->entries;
  // About one node for every two or three bytes of source: reserved at once, the table is not
  // copied and faulted in again as it grows (a 16,000-line program has some 300,000 nodes).
  entries.reserve(ts_node_end_byte(root) / 2 + 16);
  Cursor cursor(root);
  std::vector<uint32_t> path;  // slots from the root to the cursor's node
  while (true) {
    const uint32_t slot = static_cast<uint32_t>(entries.size());
    NodeTable::Entry entry;
    entry.node = ts_tree_cursor_current_node(&cursor.raw);
    entry.isNamed = ts_node_is_named(entry.node);
    entry.endByte = ts_node_end_byte(entry.node);
    entry.symbol = symbolOf(entry.node);
    entry.typeName = typeNameOf(entry.node, entry.symbol);
    entry.depth = static_cast<uint32_t>(path.size());
    if (!path.empty()) {
      entry.parent = path.back();
      entry.field = ts_tree_cursor_current_field_id(&cursor.raw);
    }
    entries.push_back(entry);
    pollAnalysisBounds();
    if (ts_tree_cursor_goto_first_child(&cursor.raw)) {
      path.push_back(slot);
      continue;
    }
    entries[slot].end = slot + 1;
    while (!ts_tree_cursor_goto_next_sibling(&cursor.raw)) {
      if (path.empty() || !ts_tree_cursor_goto_parent(&cursor.raw)) {
        path.clear();
        break;
      }
      entries[path.back()].end = static_cast<uint32_t>(entries.size());
      path.pop_back();
      if (path.empty()) break;
    }
    if (path.empty()) break;
  }
  groupChildren(
      *table, table->named, [](const NodeTable::Entry& e) { return e.isNamed; },
      &NodeTable::Entry::firstNamed, &NodeTable::Entry::namedCount);
  groupChildren(
      *table, table->fields, [](const NodeTable::Entry& e) { return e.field != 0; },
      &NodeTable::Entry::firstField, &NodeTable::Entry::fieldCount);
  for (uint32_t slot = 1; slot < entries.size(); ++slot) {
    const NodeTable::Entry& parent = entries[entries[slot].parent];
    entries[slot].unnamedAbove = parent.isNamed ? parent.unnamedAbove : entries[slot].parent;
  }
  const size_t symbols = grammarOf(root.tree).names.size() + 1;
  table->firstOfSymbol.assign(symbols + 1, 0);
  for (const NodeTable::Entry& entry : entries) ++table->firstOfSymbol[entry.symbol + 1];
  for (size_t s = 1; s <= symbols; ++s) table->firstOfSymbol[s] += table->firstOfSymbol[s - 1];
  table->bySymbol.resize(entries.size());
  std::vector<uint32_t> next(table->firstOfSymbol.begin(), table->firstOfSymbol.end() - 1);
  for (uint32_t slot = 0; slot < entries.size(); ++slot)
    table->bySymbol[next[entries[slot].symbol]++] = slot;
  return table;
}

Node tableRoot(const NodeTable& table, std::string_view source) {
  if (table.entries.empty()) return {TSNode{}, source};
  return table.at(0, source);
}

std::string_view Node::typeOutsideTable() const {
  if (null()) return {};
  return typeNameOf(raw, symbolOf(raw));
}

std::string_view Node::text() const {
  if (null()) return {};
  const uint32_t start = ts_node_start_byte(raw);
  const uint32_t end = table != nullptr ? table->entries[slot].endByte : ts_node_end_byte(raw);
  if (start >= source.size() || end > source.size() || end < start) return {};
  return source.substr(start, end - start);
}

Node Node::field(const char* name) const {
  if (null()) return {};
  const TSFieldId id = fieldIdOf(ts_tree_language(raw.tree), name);
  if (id == 0) return {TSNode{}, source};  // a name the grammar has no field for
  if (table == nullptr) return {ts_node_child_by_field_id(raw, id), source};
  const NodeTable::Entry& entry = table->entries[slot];
  for (uint32_t i = 0; i < entry.fieldCount; ++i) {
    const uint32_t child = table->fields[entry.firstField + i];
    if (table->entries[child].field == id) return table->at(child, source);
  }
  // A field the grammar passes up from a hidden rule can name a deeper node, as in `(x %= m)`,
  // whose `left` is x: tree-sitter finds it, and the answer keeps no place in the table.
  return {ts_node_child_by_field_id(raw, id), source};
}

uint32_t Node::childCount() const {
  if (null()) return 0;
  return table != nullptr ? table->entries[slot].namedCount : ts_node_named_child_count(raw);
}

Node Node::child(uint32_t index) const {
  if (null()) return {};
  pollAnalysisBounds();  // walks that allocate nothing still end at the analysis's time limit
  if (table == nullptr) return {ts_node_named_child(raw, index), source};
  const NodeTable::Entry& entry = table->entries[slot];
  if (index >= entry.namedCount) return {TSNode{}, source};
  return table->at(table->named[entry.firstNamed + index], source);
}

Node Node::parent() const {
  if (null()) return {};
  if (table == nullptr) return {ts_node_parent(raw), source};
  const uint32_t above = table->entries[slot].parent;
  return above == kNoSlot ? Node{TSNode{}, source} : table->at(above, source);
}

std::vector<Node> childrenOf(const Node& node) {
  std::vector<Node> children;
  const uint32_t count = node.childCount();
  children.reserve(count);
  for (uint32_t i = 0; i < count; ++i) children.push_back(node.child(i));
  return children;
}

void visitNodes(const Node& node, const std::function<bool(const Node&)>& descend) {
  if (node.table == nullptr || node.null()) {
    visitBounded(node, descend, 0);
    return;
  }
  // The table holds the nodes in pre-order: a subtree is the slots up to its entry's end, and
  // skipping one is a jump there. Unnamed nodes are leaves and not visited.
  const NodeTable& table = *node.table;
  if (!descend(node)) return;
  const uint32_t top = table.entries[node.slot].depth;
  const uint32_t last = table.entries[node.slot].end;
  uint32_t slot = node.slot + 1;
  while (slot < last) {
    const NodeTable::Entry& entry = table.entries[slot];
    if (!entry.isNamed || entry.depth - top > static_cast<uint32_t>(kMaxVisitDepth)) {
      slot = entry.end;
      continue;
    }
    pollAnalysisBounds();
    slot = descend(table.at(slot, node.source)) ? slot + 1 : entry.end;
  }
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

std::vector<Node> descendantsOfType(const Node& node,
                                    std::initializer_list<std::string_view> types) {
  std::vector<Node> found;
  if (node.null()) return found;
  if (node.table == nullptr) {
    visitNodes(node, [&](const Node& n) {
      for (std::string_view type : types)
        if (n.type() == type) {
          found.push_back(n);
          break;
        }
      return true;
    });
    return found;
  }
  // The subtree's nodes of those symbols that a walk would reach: named (or the node itself),
  // under no unnamed node below it, and within the depth a walk goes down to.
  const NodeTable& table = *node.table;
  const Grammar& grammar = grammarOf(node.raw.tree);
  const NodeTable::Entry& top = table.entries[node.slot];
  std::vector<uint32_t> slots;
  for (std::string_view type : types) {
    const auto symbols = grammar.symbolsNamed.find(type);
    if (symbols == grammar.symbolsNamed.end()) continue;
    for (TSSymbol symbol : symbols->second) {
      const auto first = table.bySymbol.begin() + table.firstOfSymbol[symbol];
      const auto last = table.bySymbol.begin() + table.firstOfSymbol[symbol + 1];
      for (auto at = std::lower_bound(first, last, node.slot); at != last && *at < top.end; ++at) {
        const NodeTable::Entry& entry = table.entries[*at];
        const bool visible = entry.unnamedAbove == kNoSlot || entry.unnamedAbove <= node.slot;
        const bool reached = *at == node.slot || (entry.isNamed && visible);
        if (reached && entry.depth - top.depth <= static_cast<uint32_t>(kMaxVisitDepth))
          slots.push_back(*at);
      }
    }
  }
  std::sort(slots.begin(), slots.end());
  slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
  found.reserve(slots.size());
  for (uint32_t slot : slots) {
    pollAnalysisBounds();
    found.push_back(table.at(slot, node.source));
  }
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

std::string typeAsCallee(const Node& type) {
  if (type.type() == "template_type") return std::string(type.field("name").text());
  return std::string(type.text());
}

Node callArgumentsOf(const Node& parameter) {
  if (parameter.type() != "parameter_declaration") return Node{};
  const Node declarator = parameter.field("declarator");
  if (declarator.type() == "abstract_function_declarator") return declarator.field("parameters");
  if (declarator.type() == "parenthesized_declarator" && declarator.childCount() == 1 &&
      declarator.child(0).type() == "identifier")
    return declarator;
  return Node{};
}

}  // namespace quorbel
