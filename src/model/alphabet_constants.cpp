#include "model/alphabet_constants.h"

#include <cctype>
#include <set>
#include <string_view>

#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

Node stripped(Node node) {
  while (!node.null() && node.type() == "parenthesized_expression") node = node.child(0);
  return node;
}

// (unsigned char)c, c - 'a', 'z', s[i] of a string declared under `root`: a character's value.
bool isCharacter(const Node& index, const std::set<std::string>& strings) {
  const Node e = stripped(index);
  if (e.type() == "char_literal") return true;
  if (e.type() == "cast_expression")
    return e.field("type").text().find("char") != std::string_view::npos;
  if (e.type() == "binary_expression")
    return stripped(e.field("right")).type() == "char_literal" ||
           stripped(e.field("left")).type() == "char_literal";
  if (e.type() == "subscript_expression") {
    const Node base = stripped(e.field("argument"));
    return base.type() == "identifier" && strings.count(std::string(base.text())) > 0;
  }
  return false;
}

// True when `text` holds `name` as a whole word: hits(BYTES) parses BYTES as a type, a[N + 1]
// as an identifier; both name it.
bool namesWord(std::string_view text, std::string_view name) {
  const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  for (size_t at = text.find(name); at != std::string_view::npos; at = text.find(name, at + 1))
    if ((at == 0 || !word(text[at - 1])) &&
        (at + name.size() == text.size() || !word(text[at + name.size()])))
      return true;
  return false;
}

// The first index of a subscript: i of a[i], also when written as a subscript argument list.
Node firstIndex(const Node& subscript) {
  const Node indices = subscript.field("indices");
  return indices.type() == "subscript_argument_list" ? indices.child(0) : indices;
}

}  // namespace

bool sizesAlphabet(const Node& root, const std::string& name, double value) {
  if (value > 256 || value < 1) return false;
  std::set<std::string> sized, strings;
  for (const Node& declaration : descendantsOfType(root, {"declaration", "field_declaration"})) {
    const std::string_view type = declaration.field("type").text();
    const bool text = type == "string" || type == "std::string";
    for (const Node& declarator : childrenOf(declaration)) {
      const std::string declared = declaredName(declarator);
      if (declared.empty() || declarator == declaration.field("type")) continue;
      if (text) strings.insert(declared);
      if (declarator.type() != "identifier" && namesWord(declarator.text(), name))
        sized.insert(declared);
    }
  }
  if (sized.empty()) return false;
  for (const Node& subscript : descendantsOfType(root, {"subscript_expression"})) {
    const Node base = stripped(subscript.field("argument"));
    if (base.type() == "identifier" && sized.count(std::string(base.text())) &&
        isCharacter(firstIndex(subscript), strings))
      return true;
  }
  return false;
}

}  // namespace quorbel
