#include "estimate/library_costs.h"

#include <optional>
#include <set>

#include "model/end_positions.h"
#include "model/loop_parts.h"
#include "model/types.h"

namespace quorbel {
namespace {

const std::set<std::string_view> kLinearAlgorithms = {"reverse",
                                                      "accumulate",
                                                      "fill",
                                                      "count",
                                                      "count_if",
                                                      "find",
                                                      "find_if",
                                                      "max_element",
                                                      "min_element",
                                                      "unique",
                                                      "iota",
                                                      "copy",
                                                      "partial_sum",
                                                      "all_of",
                                                      "any_of",
                                                      "none_of",
                                                      "rotate",
                                                      "remove",
                                                      "remove_if",
                                                      "replace",
                                                      "is_sorted",
                                                      "equal",
                                                      "merge",
                                                      "nth_element",
                                                      "next_permutation",
                                                      "prev_permutation",
                                                      "fill_n",
                                                      "adjacent_difference",
                                                      "inner_product",
                                                      "minmax_element",
                                                      "transform",
                                                      "set_intersection",
                                                      "set_union",
                                                      "set_difference",
                                                      "memset",
                                                      "memcpy",
                                                      "inplace_merge",
                                                      "is_permutation",
                                                      "partition",
                                                      "shuffle",
                                                      "random_shuffle",
                                                      "search",
                                                      "mismatch",
                                                      "lexicographical_compare",
                                                      "max",
                                                      "min"};
const std::set<std::string_view> kSorts = {"sort", "stable_sort", "partial_sort"};
const std::set<std::string_view> kSearches = {"lower_bound", "upper_bound", "binary_search",
                                              "equal_range"};
const std::set<std::string_view> kTreeOperations = {
    "insert", "erase", "find", "count", "lower_bound", "upper_bound", "emplace", "at",
    "equal_range", "push", "pop", "emplace_hint", "contains",
    // the policy tree's rank queries walk one path as a lookup does
    "order_of_key", "find_by_order"};
const std::set<std::string_view> kLinearMethods = {"assign", "resize",        "substr",  "compare",
                                                   "rfind",  "find_first_of", "replace", "reverse"};

std::string_view bareName(std::string_view name) {
  const size_t scope = name.rfind("::");
  return scope == std::string_view::npos ? name : name.substr(scope + 2);
}

// views::iota(a, b) makes its numbers as they are asked for: a view, not a fill.
bool isView(const Node& function) {
  return function.text().find("views::") != std::string_view::npos ||
         function.text().find("ranges::") != std::string_view::npos;
}

// The number of entries in the range of an algorithm call: a.begin(), a.end() / a, a + n, and
// views::iota(lo, hi) for the ranges algorithms.
Cost rangeSize(const Model& model, const Node& arguments, const std::vector<LoopVariable>& loops) {
  const Node first = arguments.child(0);
  const Node second = arguments.child(1);
  if (first.type() == "call_expression" && isView(first.field("function")) &&
      bareName(first.field("function").text()) == "iota") {
    const Node bounds = first.field("arguments");
    return bounds.childCount() == 2 ? magnitudeOf(model, bounds.child(1), loops) : constantCost();
  }
  const std::string name = containerName(first);
  const Symbol* symbol = findSymbol(model, name);
  const bool whole = first.type() == "call_expression" || first.type() == "field_expression" ||
                     first.type() == "identifier";
  if (symbol && whole && symbol->kind != ContainerKind::kScalar &&
      (second.null() || second.text().find("end") != std::string_view::npos ||
       first.type() == "identifier")) {
    Cost size = containerSize(model, name, first);
    if (!second.null() && second.text().find("end") == std::string_view::npos) {
      Cost explicitEnd = magnitudeOf(model, second, loops);
      if (!isConstantCost(explicitEnd)) return explicitEnd;
    }
    return size;
  }
  if (!second.null()) {
    const Cost end = magnitudeOf(model, second, loops);
    if (!isConstantCost(end)) return end;
  }
  return symbol ? containerSize(model, name, first) : constantCost();
}

// The kind of what `object` names: adj[u] in a vector<set<int>> is a set, so adj[u].insert is a
// tree operation; g[k] in a map<int, vector<int>> is a vector.
ContainerKind kindAt(const Symbol& symbol, const Node& object) {
  int depth = 0;
  for (Node e = object; e.type() == "subscript_expression"; e = e.field("argument")) ++depth;
  std::string type = symbol.typeText;
  // a C array of containers: its own extents are indexed first
  if (symbol.kind == ContainerKind::kArray && kindOfType(type) != ContainerKind::kArray) {
    depth -= static_cast<int>(symbol.dimensions.size());
    // set<int> bag[N]: bag[i] is a set
    const ContainerKind element = kindOfType(type);
    if (depth == 0 && symbol.dimensions.size() > 0 && element != ContainerKind::kScalar)
      return element;
  }
  if (depth < 0 || (depth == 0 && symbol.kind == ContainerKind::kArray)) return symbol.kind;
  for (; depth > 0; --depth) {
    const std::vector<std::string> arguments = templateArguments(type);
    if (arguments.empty()) return symbol.kind;
    const ContainerKind kind = kindOfType(type);
    type = kind == ContainerKind::kOrdered || kind == ContainerKind::kHashed ? arguments.back()
                                                                             : arguments.front();
  }
  const ContainerKind kind = kindOfType(type);
  return kind == ContainerKind::kScalar ? symbol.kind : kind;
}

// mint x; mint(2); modint998244353 y: the library's modular integers.
bool isModular(const Model& model, const Node& object) {
  if (object.type() == "call_expression")
    return isModularName(libraryNameOf(object.field("function").text(), model.library));
  const Symbol* symbol = findSymbol(model, containerName(object));
  // the declared type is kept normalised, its namespace and aliases resolved: modint998244353
  return symbol && isModularName(templateName(symbol->typeText));
}

// The AtCoder Library's structures at their documented bounds: a tree's operations take log n,
// a union-find's alpha(n) amortised, a graph's edges O(1) each and its one pass over the graph
// n + m (a flow n^2 m); what lists every entry, every entry.
LibraryCost structureCost(const Model& model, const Symbol& symbol, std::string_view method,
                          const Cost& size) {
  const std::string what(method);
  const std::string structure = templateName(symbol.typeText);
  if (structure == "dsu") {
    if (method == "groups") return {true, size, "union-find " + what};
    return {true, alphaCost(size), "union-find " + what};
  }
  if (structure == "scc_graph" || structure == "two_sat" || structure == "mf_graph" ||
      structure == "mcf_graph") {
    if (method == "add_edge" || method == "add_clause" || method == "get_edge" ||
        method == "change_edge" || method == "answer")
      return {true, method == "answer" ? size : constantCost(), "graph " + what};
    if (method == "flow" && structure == "mf_graph" && !symbol.dimensions.empty()) {
      const Cost vertices = symbol.dimensions.front();
      return {true, multiplyCosts(multiplyCosts(vertices, vertices), edgeCount(model, symbol.name)),
              "max flow"};
    }
    if ((method == "flow" || method == "slope") && structure == "mcf_graph")
      return {true, multiplyCosts(size, logCost(size)), "min-cost flow"};
    return {true, size, "graph " + what};
  }
  if (method == "all_prod" || (structure == "segtree" && method == "get"))
    return {true, constantCost(), "tree " + what};
  return {true, logCost(size), "tree " + what};
}

// A free function of the AtCoder Library at its documented bound: a convolution of a and b
// (|a| + |b|) log(|a| + |b|); suffix and lcp arrays and the Z-function the string's length;
// floor_sum, pow_mod and inv_mod the log of their value.
LibraryCost libraryFunctionCost(const Model& model, std::string_view name, const Node& arguments,
                                const std::vector<LoopVariable>& loops) {
  const std::string what(name);
  const auto sizeOf = [&](uint32_t i) {
    const Node argument = arguments.child(i);
    const Symbol* symbol = findSymbol(model, containerName(argument));
    // convolution(dp[v], t): one row of a table, not the table
    if (symbol && unwrap(argument).type() == "subscript_expression" &&
        unwrap(unwrap(argument).field("argument")).type() == "identifier" &&
        symbol->dimensions.size() >= 2)
      return rowLength(model, *symbol);
    return symbol && symbol->kind != ContainerKind::kScalar
               ? containerSize(model, containerName(argument), argument)
               : magnitudeOf(model, argument, loops);
  };
  if (name == "convolution" || name == "convolution_ll") {
    const Cost both = addCosts(sizeOf(0), sizeOf(1));
    return {true, multiplyCosts(both, logCost(both)), what};
  }
  if (name == "suffix_array" || name == "lcp_array" || name == "z_algorithm")
    return {true, sizeOf(0), what};
  if (name == "floor_sum")
    return {true, logCost(magnitudeOf(model, arguments.child(1), loops)), what};
  if (name == "pow_mod")
    return {true, logCost(magnitudeOf(model, arguments.child(1), loops)), what};
  if (name == "crt") return {true, sizeOf(0), what};
  return {true, constantCost(), what};  // inv_mod: the log of a modulus
}

// to[v] or dp[i][j] of a table with more extents than indices: the product of the extents
// past the indices (26 of to[v] in int to[N][26]); nothing when `target` is no such row.
std::optional<Cost> rowExtent(const Model& model, const Node& target) {
  size_t indices = 0;
  Node base = target;
  while (base.type() == "subscript_expression") {
    base = unwrap(base.field("argument"));
    ++indices;
  }
  const Symbol* symbol =
      base.type() == "identifier" ? findSymbolAt(model, base.text(), base) : nullptr;
  if (indices == 0 || !symbol || symbol->kind != ContainerKind::kArray ||
      symbol->dimensions.size() <= indices)
    return std::nullopt;
  Cost extent = constantCost();
  for (size_t k = indices; k < symbol->dimensions.size(); ++k)
    extent = multiplyCosts(extent, symbol->dimensions[k]);
  return extent;
}

// v.insert(v.end(), ...): the position is the end of the very container inserted into.
bool insertsAtOwnEnd(const Node& function, const Node& call) {
  const Node position = call.field("arguments").child(0);
  if (position.type() != "call_expression") return false;
  const Node end = position.field("function");
  return end.type() == "field_expression" && end.field("field").text() == "end" &&
         end.field("argument").text() == function.field("argument").text();
}

// What an append at the end copies: one value, k copies of one, or the range [first, last).
Cost appendedSize(const Model& model, const Node& call, const std::vector<LoopVariable>& loops) {
  const Node arguments = call.field("arguments");
  if (arguments.childCount() == 2) return constantCost();
  const Node first = arguments.child(1);
  const Node last = arguments.child(2);
  if (first.type() != "call_expression") return magnitudeOf(model, first, loops);
  if (const Node row = nestedRow(model, first); !row.null()) return rowShare(model, row, {});
  const std::string source = containerName(first);
  const Symbol* symbol = findSymbol(model, source);
  if (symbol && symbol->kind != ContainerKind::kScalar &&
      last.text().find("end") != std::string_view::npos)
    return containerSize(model, source, first);
  return magnitudeOf(model, last, loops);
}

// A std::list or forward_list, whose insert and erase at an iterator touch one place: one
// element erased, or one value inserted (l.insert(it, n, x) and ranges copy more).
bool relinksOnePlace(const Symbol& symbol, std::string_view method, const Node& call) {
  const std::string_view type = symbol.typeText;
  const bool linked = type.rfind("list<", 0) == 0 || type.rfind("std::list<", 0) == 0 ||
                      type.rfind("forward_list<", 0) == 0 ||
                      type.rfind("std::forward_list<", 0) == 0;
  if (!linked) return false;
  const uint32_t arguments = call.field("arguments").childCount();
  if (method == "erase" || method == "erase_after") return arguments == 1;
  if (method == "insert" || method == "insert_after" || method == "emplace" ||
      method == "emplace_after")
    return arguments <= 2;
  return false;
}

LibraryCost methodCost(const Model& model, const Node& call,
                       const std::vector<LoopVariable>& loops) {
  const Node function = call.field("function");
  const std::string object = containerName(function.field("argument"));
  const std::string_view method = function.field("field").text();
  const Symbol* symbol = findSymbol(model, object);
  // x.pow(k) on the library's modular integers takes log k; inv() the log of the modulus, a
  // constant.
  if (method == "pow" && isModular(model, function.field("argument")))
    return {true, logCost(magnitudeOf(model, call.field("arguments").child(0), loops)),
            "modular pow"};
  if (!symbol || symbol->kind == ContainerKind::kScalar) return {};
  Cost size = containerSize(model, object, function);
  if (isConstantCost(size)) size = primarySize(model);
  const std::string what = std::string(method);
  switch (kindAt(*symbol, function.field("argument"))) {
    case ContainerKind::kOrdered:
      if (kTreeOperations.count(method))
        return {true, keyedBySmallType(*symbol) ? constantCost() : logCost(size),
                "ordered " + what};
      break;
    case ContainerKind::kHeap:
      if (method == "push" || method == "pop" || method == "emplace")
        return {true, logCost(size), "heap " + what};
      break;
    case ContainerKind::kString:
      if (method == "find" || kLinearMethods.count(method) || method == "insert" ||
          method == "erase")
        return {true, size, "string " + what};
      break;
    case ContainerKind::kVector:
    case ContainerKind::kArray:
      // l.erase(it), l.insert(it, x), l.erase_after(it): a linked list relinks the neighbours
      // of one place, wherever it is
      if (relinksOnePlace(*symbol, method, call)) return {true, constantCost(), "list " + what};
      // v.insert(v.end(), a.begin(), a.end()) appends: it copies a, whatever v holds
      if (method == "insert" && insertsAtOwnEnd(function, call))
        return {true, appendedSize(model, call, loops), "vector insert"};
      // v.erase(v.end() - 2), v.insert(v.end(), x): only the entries after the place move
      if ((method == "insert" || method == "erase") && placedNearEnd(call, object))
        return {true, constantCost(), "vector " + what};
      if (method == "insert" || method == "erase" || kLinearMethods.count(method))
        return {true,
                method == "resize" || method == "assign"
                    ? magnitudeOf(model, call.field("arguments").child(0), loops)
                    : size,
                "vector " + what};
      break;
    case ContainerKind::kStructure:
      return structureCost(model, *symbol, method, size);
    default:
      break;
  }
  return {true, constantCost(), what};
}

}  // namespace

namespace {

// The slots a container built from `arguments` holds: the product of its extents, read down
// the nested fills (n, vector<int>(m)) as a declaration's are.
Cost constructedSize(const Model& model, const Node& arguments,
                     const std::vector<LoopVariable>& loops) {
  Cost size = constantCost();
  Node current = arguments;
  for (int guard = 0; guard < 4 && !current.null() && current.childCount() > 0; ++guard) {
    const Node extent = current.child(0);
    // vector<int>(v.begin(), v.end()), vector<int>{1, 2}: a copy or a list, not extents
    if (extent.type() == "call_expression" || current.type() == "initializer_list") break;
    size = multiplyCosts(size, magnitudeOf(model, extent, loops));
    current = constructorArguments(current.child(1));
  }
  return simplifyCost(size);
}

}  // namespace

LibraryCost libraryCallCost(const Model& model, const Node& call,
                            const std::vector<LoopVariable>& loops) {
  const Node function = call.field("function");
  if (function.type() == "field_expression") return methodCost(model, call, loops);
  const std::string_view name = bareName(function.text());
  const Node arguments = call.field("arguments");
  const std::string library = libraryNameOf(function.text(), model.library);
  if (!library.empty() && !isModularName(library) && !isLibraryStructureName(library))
    return libraryFunctionCost(model, library, arguments, loops);
  // sort(adj[u].begin(), adj[u].end()): one list, its share of all the entries
  const Node row = nestedRow(model, arguments.child(0));
  if (!row.null() && (kSorts.count(name) || kLinearAlgorithms.count(name))) {
    const Cost all = edgeCount(model, containerName(row.field("argument")));
    // sort(byCount[c]) in a loop over c: the rows the loop walks share the entries
    std::vector<EnclosingLoop> walked;
    for (const LoopVariable& loop : loops)
      walked.push_back({Node{}, loop.name, loop.range, loop.range, {}});
    const Cost share = rowShare(model, row, walked);
    return {true, kSorts.count(name) ? multiplyCosts(share, logCost(all)) : share,
            std::string(name)};
  }
  // upper_bound(pos[v].begin(), pos[v].end(), x): one list, no longer than all the entries
  if (!row.null() && kSearches.count(name)) {
    const Cost all = edgeCount(model, containerName(row.field("argument")));
    if (!isConstantCost(all)) return {true, logCost(all), std::string(name)};
  }
  if (kSorts.count(name)) {
    const Cost size = rangeSize(model, arguments, loops);
    return {true, multiplyCosts(size, logCost(size)), "sort"};
  }
  if (kSearches.count(name))
    return {true, logCost(rangeSize(model, arguments, loops)), std::string(name)};
  if (name == "gcd" || name == "__gcd" || name == "lcm")
    return {true, logCost(magnitudeOf(model, arguments.child(0), loops)), "gcd"};
  if (name == "max" || name == "min") {
    // max({a, b, c}) or max(a, b): constant unless given a whole range
    return {true, constantCost(), std::string(name)};
  }
  if (name == "iota" && isView(function)) return {true, constantCost(), "view"};
  if (kLinearAlgorithms.count(name)) {
    Cost size = rangeSize(model, arguments, loops);
    // memset(a, 0, sizeof a) clears a; memset(num, 0, n) and memcpy(b, a, 4 * n) touch the
    // bytes they are told to.
    if (name == "memset" || name == "memcpy") {
      const Node bytes = arguments.child(2);
      const std::string target = containerName(unwrap(arguments.child(0)));
      size = containerSize(model, target, arguments);
      // memcpy(to[v], to[u], sizeof to[v]): one row of a table, the extents past its index
      if (const auto row = rowExtent(model, unwrap(arguments.child(0)))) size = *row;
      if (!bytes.null() && !mentionsIdentifier(bytes, target)) {
        const Cost count = magnitudeOf(model, bytes, loops);
        if (!isConstantCost(count) || bytes.text().find("sizeof") == std::string_view::npos)
          size = count;
      }
    }
    if (name == "fill_n") size = magnitudeOf(model, arguments.child(1), loops);
    return {true, size, std::string(name)};
  }
  // d = vector<long long>(n, -1), vector<vector<int>>(h, vector<int>(w)): a container built
  // as a value fills every slot, as a declaration with those arguments does.
  if (function.type() == "template_function" &&
      kindOfType(normaliseType(function.text(), {})) != ContainerKind::kScalar)
    return {true, constructedSize(model, arguments, loops), "construct"};
  return {};
}

Cost subscriptCost(const Model& model, const Node& subscript) {
  const std::string name = containerName(subscript.field("argument"));
  const Symbol* symbol = findSymbol(model, name);
  if (!symbol || symbol->kind != ContainerKind::kOrdered || keyedBySmallType(*symbol))
    return constantCost();
  Cost size = containerSize(model, name, subscript);
  if (isConstantCost(size)) size = primarySize(model);
  return logCost(size);
}

bool keyedBySmallType(const Symbol& symbol) {
  const std::string& type = symbol.typeText;
  const size_t open = type.find('<');
  if (open == std::string::npos) return false;
  size_t end = type.find_first_of(",>", open);
  std::string key = type.substr(open + 1, end == std::string::npos ? 0 : end - open - 1);
  while (!key.empty() && key.front() == ' ') key.erase(key.begin());
  while (!key.empty() && key.back() == ' ') key.pop_back();
  return key == "char" || key == "bool" || key == "unsigned char" || key == "signed char";
}

}  // namespace quorbel
