#include "model/alphabet_constants.h"

#include <algorithm>
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

bool isWordByte(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

AlphabetUses readAlphabetUses(const Node& root) {
  AlphabetUses uses;
  std::set<std::string> strings;
  for (const Node& declaration : descendantsOfType(root, {"declaration", "field_declaration"})) {
    const Node type = declaration.field("type");
    const bool text = type.text() == "string" || type.text() == "std::string";
    for (const Node& declarator : childrenOf(declaration)) {
      const std::string declared = declaredName(declarator);
      if (declared.empty() || declarator == type) continue;
      if (text) strings.insert(declared);
      if (declarator.type() == "identifier") continue;
      // The whole words of the declarator: namesWord finds a name exactly among these.
      const std::string_view spelled = declarator.text();
      uses.besideDeclarators.push_back({spelled, declared});
      for (size_t at = 0; at < spelled.size();) {
        if (!isWordByte(spelled[at])) {
          ++at;
          continue;
        }
        size_t end = at;
        while (end < spelled.size() && isWordByte(spelled[end])) ++end;
        uses.declaredBesideWord[std::string(spelled.substr(at, end - at))].insert(declared);
        at = end;
      }
    }
  }
  for (const Node& subscript : descendantsOfType(root, {"subscript_expression"})) {
    const Node base = stripped(subscript.field("argument"));
    if (base.type() == "identifier" && isCharacter(firstIndex(subscript), strings))
      uses.indexedByCharacter.insert(std::string(base.text()));
  }
  return uses;
}

bool sizesAlphabet(const AlphabetUses& uses, const std::string& name, double value) {
  if (value > 256 || value < 1) return false;
  if (!name.empty() && std::all_of(name.begin(), name.end(), isWordByte)) {
    auto declared = uses.declaredBesideWord.find(name);
    if (declared == uses.declaredBesideWord.end()) return false;
    for (const std::string& sized : declared->second)
      if (uses.indexedByCharacter.count(sized)) return true;
    return false;
  }
  for (const auto& [spelled, declared] : uses.besideDeclarators)
    if (namesWord(spelled, name) && uses.indexedByCharacter.count(declared)) return true;
  return false;
}

bool sizesAlphabet(const Node& root, const std::string& name, double value) {
  if (value > 256 || value < 1) return false;
  return sizesAlphabet(readAlphabetUses(root), name, value);
}

}  // namespace quorbel
