// Resolves member calls whose object is an expression, by the type the object's declaration
// names, whatever the names of the container, the type or the member:
//   vector<Seg> seg(26, Seg(n));   seg[c].update(p, v)     -> Seg::update
//   Fenwick bit[3];                bit[k].add(i, 1)        -> Fenwick::add
//   deque<Node> st;                st.back().merge(x)      -> Node::merge
//   Node* p = &pool[0];            p->merge(x), (*p).merge(x)
//   struct Solver { Seg seg; ... } s;   s.seg.update(p, v)
#include "model/member_calls.h"

#include <cctype>

#include "model/magnitude.h"

namespace quorbel {
namespace {

bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// True when `type` names `owner` as a whole word: vector<Seg>, Seg*, array<Seg, 4>, Seg.
bool namesType(std::string_view type, std::string_view owner) {
  if (owner.empty()) return false;
  for (size_t at = type.find(owner); at != std::string_view::npos; at = type.find(owner, at + 1)) {
    const bool before = at == 0 || !isNameChar(type[at - 1]);
    const size_t end = at + owner.size();
    const bool after = end >= type.size() || !isNameChar(type[end]);
    if (before && after) return true;
  }
  return false;
}

// Calls that hand out one element of a container.
bool givesElement(std::string_view method) {
  for (std::string_view known : {"front", "back", "top", "at", "begin", "rbegin", "end", "rend",
                                 "find", "lower_bound", "upper_bound", "operator[]"})
    if (method == known) return true;
  return false;
}

// The declared name an object expression starts from, and whether an element, a member or a
// pointee of it is the object (rather than the named variable itself).
struct ObjectRoot {
  Node name;
  bool throughElement = false;
};

ObjectRoot objectRootOf(Node object) {
  ObjectRoot root;
  for (int guard = 0; guard < 8 && !object.null(); ++guard) {
    const std::string_view type = object.type();
    if (type == "parenthesized_expression") {
      object = object.child(0);
    } else if (type == "subscript_expression") {
      root.throughElement = true;
      object = object.field("argument");
    } else if (type == "pointer_expression") {
      root.throughElement = true;
      object = object.field("argument");
    } else if (type == "call_expression" && object.field("function").type() == "field_expression" &&
               givesElement(object.field("function").field("field").text())) {
      root.throughElement = true;
      object = object.field("function").field("argument");
    } else if (type == "field_expression") {
      // a.inner: the member's own declaration names its type.
      root.throughElement = true;
      root.name = object.field("field");
      return root;
    } else if (type == "identifier") {
      root.name = object;
      return root;
    } else {
      return {};
    }
  }
  return {};
}

}  // namespace

std::string ownerOf(const Function& function) {
  if (function.isLambda || function.definition.null()) return "";
  // void Seg::update(...) { ... } defined outside its type
  Node declarator = function.definition.field("declarator");
  for (int guard = 0; guard < 6 && !declarator.null(); ++guard) {
    if (declarator.type() == "function_declarator") {
      const std::string_view name = declarator.field("declarator").text();
      const size_t scope = name.rfind("::");
      if (scope != std::string_view::npos) {
        std::string owner(name.substr(0, scope));
        const size_t angle = owner.find('<');
        return angle == std::string::npos ? owner : owner.substr(0, angle);
      }
      break;
    }
    declarator = declarator.field("declarator");
  }
  Node n = function.definition.parent();
  for (int guard = 0; guard < 4 && !n.null(); ++guard, n = n.parent()) {
    const std::string_view type = n.type();
    if (type == "struct_specifier" || type == "class_specifier" || type == "union_specifier")
      return std::string(n.field("name").text());
    if (type != "field_declaration_list" && type != "template_declaration" &&
        type != "access_specifier")
      return "";
  }
  return "";
}

const Function* memberCalledThrough(const Model& model, const Node& call) {
  const Node function = call.field("function");
  if (function.type() != "field_expression") return nullptr;
  const std::string name(function.field("field").text());
  auto defined = model.functions.find(name);
  if (defined == model.functions.end()) return nullptr;
  const std::string owner = ownerOf(defined->second);
  if (owner.empty()) return nullptr;
  const bool arrow = function.field("operator").text() == "->";
  ObjectRoot root = objectRootOf(function.field("argument"));
  if (root.name.null() || (!root.throughElement && !arrow)) return nullptr;
  const Symbol* symbol = findSymbolAt(model, root.name.text(), root.name);
  if (!symbol) return nullptr;
  if (const Function* own = memberOfType(model, symbol->typeText, name)) return own;
  // auto it = s.begin(); it->f(): an iterator or pointer of an unstated type.
  const bool unstated = symbol->typeText.empty() || symbol->typeText == "auto";
  return unstated && arrow ? &defined->second : nullptr;
}

const Function* memberOfType(const Model& model, std::string_view typeText,
                             const std::string& name) {
  const auto [from, to] = model.members.equal_range(name);
  for (auto it = from; it != to; ++it)
    if (namesType(typeText, ownerOf(it->second))) return &it->second;
  return nullptr;
}

}  // namespace quorbel
