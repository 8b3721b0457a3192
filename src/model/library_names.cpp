#include "model/library_names.h"

#include <array>
#include <utility>
#include <vector>

#include "model/types.h"

namespace quorbel {
namespace {

constexpr std::string_view kNamespace = "atcoder::";

constexpr std::array<std::string_view, 8> kStructures = {"segtree",  "lazy_segtree", "fenwick_tree",
                                                         "dsu",      "scc_graph",    "two_sat",
                                                         "mf_graph", "mcf_graph"};
constexpr std::array<std::string_view, 5> kModints = {"modint998244353", "modint1000000007",
                                                      "static_modint", "dynamic_modint", "modint"};
constexpr std::array<std::string_view, 9> kFunctions = {
    "convolution", "convolution_ll", "floor_sum", "suffix_array", "lcp_array",
    "z_algorithm", "pow_mod",        "inv_mod",   "crt"};

template <size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::string_view known : names)
    if (known == name) return true;
  return false;
}

// The name a definition gives: struct dsu { ... }, long long floor_sum(...) { ... },
// using mint = ...; a declaration without a body hides nothing.
std::string definedName(const Node& n) {
  const std::string_view type = n.type();
  if ((type == "struct_specifier" || type == "class_specifier") && !n.field("body").null())
    return std::string(n.field("name").text());
  if (type == "function_definition") {
    Node declarator = n.field("declarator");
    for (int guard = 0;
         guard < 6 && !declarator.null() && declarator.type() != "function_declarator"; ++guard)
      declarator = declarator.field("declarator");
    return std::string(declarator.field("declarator").text());
  }
  if (type == "alias_declaration") return std::string(n.field("name").text());
  return "";
}

bool isKnown(std::string_view name) {
  return among(kStructures, name) || among(kModints, name) || among(kFunctions, name);
}

// The name an alias gives and what it stands for: using mint = modint998244353;
// typedef static_modint<MOD> mint.
std::pair<std::string, std::string_view> aliasOf(const Node& n) {
  if (n.type() == "alias_declaration")
    return {std::string(n.field("name").text()), n.field("type").text()};
  if (n.type() == "type_definition")
    return {std::string(n.field("declarator").text()), n.field("type").text()};
  return {};
}

}  // namespace

LibraryNames readLibraryNames(const Node& root) {
  bool opened = false;
  std::set<std::string> defined;
  std::vector<std::pair<std::string, std::string>> aliases;
  // Directives and definitions that could hide the library sit at file scope, in namespaces or
  // in conditional blocks; function bodies are not entered.
  visitNodes(root, [&](const Node& n) {
    const std::string_view type = n.type();
    if (type == "using_declaration") {
      const std::string_view text = n.text();
      if (text.find("namespace") != std::string_view::npos &&
          text.find("atcoder") != std::string_view::npos)
        opened = true;
      return false;
    }
    const std::string name = definedName(n);
    if (!name.empty()) defined.insert(name);
    auto [alias, meaning] = aliasOf(n);
    if (!alias.empty()) aliases.emplace_back(alias, std::string(meaning));
    return type == "translation_unit" || type == "namespace_definition" ||
           type == "declaration_list" || type == "linkage_specification" ||
           type.substr(0, 7) == "preproc" || type == "template_declaration";
  });
  LibraryNames names;
  const auto open = [&](const auto& list) {
    for (std::string_view name : list)
      if (opened && !defined.count(std::string(name))) names.bare.insert(std::string(name));
  };
  open(kStructures);
  open(kModints);
  open(kFunctions);
  for (const auto& [alias, meaning] : aliases) {
    const std::string name = libraryNameOf(meaning, names);
    if (!name.empty()) names.aliases[alias] = name;
  }
  return names;
}

std::string libraryNameOf(std::string_view spelling, const LibraryNames& names) {
  const size_t start = spelling.find_first_not_of(" \t");
  if (start == std::string_view::npos) return "";
  spelling.remove_prefix(start);
  if (spelling.substr(0, 2) == "::") spelling.remove_prefix(2);
  const bool qualified = spelling.substr(0, kNamespace.size()) == kNamespace;
  if (qualified) spelling.remove_prefix(kNamespace.size());
  const std::string name = templateName(spelling);
  if (name.size() != spelling.size() && spelling[name.size()] != '<' &&
      spelling[name.size()] != ' ')
    return "";  // dsu::find, segtree* ...: not the name itself
  if (qualified) return isKnown(name) ? name : "";
  if (names.bare.count(name)) return name;
  auto alias = names.aliases.find(name);
  return alias == names.aliases.end() ? "" : alias->second;
}

bool isLibraryStructureName(std::string_view name) { return among(kStructures, name); }

bool isModularName(std::string_view name) { return among(kModints, name); }

}  // namespace quorbel
