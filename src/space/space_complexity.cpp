// Recognises the storage a program allocates for itself:
//   void f(const vector<int>& a)                    -> input of size n, not counted
//   vector<vector<int>> dp(n + 1, vector<int>(m));  -> O(m * n)
//   int grid[N][M];                                 -> O(M * N)
//   int* buf = new int[n];   a.resize(m);           -> O(n), O(m)
//   vector<vector<pair<int,int>>> g; priority_queue<...> pq; ... dist[v] ...
//                                                   -> a frontier of O(v + e) on line 1
// then recursion stacks and pushes inside loops.
#include "space/space_complexity.h"

#include <map>

#include "space/container_growth.h"
#include "space/graph_storage.h"
#include "space/growth_loop.h"
#include "space/recursion_stack.h"
#include "space/space_accumulator.h"
#include "space/space_symbols.h"
#include "space/storage_declarations.h"
#include "syntax/context.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

using space::SpaceAccumulator;

bool isDeclaration(const SyntaxNodeInfo& node) {
  return node.type == "declaration" || node.type == "field_declaration";
}

int lineOf(const SyntaxNodeInfo& node) { return static_cast<int>(node.startLine); }

bool isBinarySearchCursor(const std::string& symbol) {
  const std::string lower = lowerCopy(symbol);
  return lower == "hi" || lower == "high" || lower == "left" || lower == "lo" || lower == "low" ||
         lower == "mid" || lower == "middle" || lower == "right";
}

// The variables parameters' sizes are stored in: "int n = a.size();" makes a of size n, while
// "int mid = a.size() / 2;" names a search cursor, not a size. Each ".size" of the source is
// read once, and each name's answer is remembered, however many functions reuse the name.
struct SizeAliases {
  std::string_view source;
  std::map<std::string, std::vector<size_t>> sizeCallsByOwner;
  std::map<std::string, std::string> aliasByName;
};

SizeAliases indexSizeCalls(std::string_view source) {
  SizeAliases aliases;
  aliases.source = source;
  for (size_t p = source.find(".size"); p != std::string_view::npos;
       p = source.find(".size", p + 1)) {
    aliases.sizeCallsByOwner[previousIdentifierBefore(source, p)].push_back(p);
  }
  return aliases;
}

// Empty when no ".size" of the name is assigned to a size variable.
std::string containerSizeAlias(SizeAliases& aliases, const std::string& parameter) {
  auto [known, added] = aliases.aliasByName.try_emplace(parameter);
  if (!added) return known->second;
  auto calls = aliases.sizeCallsByOwner.find(parameter);
  if (calls == aliases.sizeCallsByOwner.end()) return "";
  for (size_t p : calls->second) {
    const std::string alias = space::assignedSymbolBefore(aliases.source, p);
    if (alias.empty() || isBinarySearchCursor(alias)) continue;
    known->second = space::normalizeSpaceSymbol(alias);
    break;
  }
  return known->second;
}

// ---- Container parameters: input, remembered but not counted ----

void rememberContainerParameters(SpaceAccumulator& acc, std::string_view source,
                                 const std::vector<SyntaxNodeInfo>& nodes) {
  SizeAliases aliases = indexSizeCalls(source);
  for (const SyntaxNodeInfo& node : nodes) {
    if (node.type != "function_definition") continue;
    const std::string function = functionNameFromDefinition(node.text);
    if (function.empty()) continue;
    const std::string parameters = space::parameterTextFromFunction(node.text, function);
    for (const std::string& piece : space::splitTopLevel(parameters, ',')) {
      const space::ParsedStorage parsed = space::parseStorageDeclaration(piece);
      if (!parsed.ok) continue;
      Term size;
      // vector<vector<int>>& g is a whole graph handed in.
      if (parsed.containerType == "vector" && occurrencesRegex(piece, "vector") >= 2) {
        size = space::graphStorageTerm(acc.graph);
      } else {
        const std::string alias = containerSizeAlias(aliases, parsed.name);
        size = linearTerm("Input container storage", alias.empty() ? "n" : alias);
      }
      acc.inputContainers.insert(parsed.name);
      acc.inputTerms[parsed.name] = size;
    }
  }
}

// ---- Declared containers, C arrays, new[] and resizes ----

void addDeclaredContainers(SpaceAccumulator& acc, const std::vector<SyntaxNodeInfo>& nodes) {
  for (const SyntaxNodeInfo& node : nodes) {
    if (!isDeclaration(node)) continue;
    const space::ParsedStorage parsed = space::parseStorageDeclaration(node.text);
    if (!parsed.ok) continue;
    acc.containerTerms.try_emplace(parsed.name, constantTerm("Default container storage"));
    acc.containerTypes[parsed.name] = parsed.containerType;

    const std::vector<std::string> arguments = space::splitTopLevel(parsed.arguments, ',');
    if (arguments.empty()) continue;
    Term size = space::dimensionTerm(arguments.front(), "Container allocation");
    // The inner rows of dp(n + 1, vector<int>(m + 1, 0)) multiply the outer count.
    for (size_t i = 1; i < arguments.size(); ++i) {
      RegexMatch inner;
      if (!searchRegex(arguments[i], "\\bvector\\s*<[^;{}]+>\\s*\\(([^)]*)\\)", inner)) continue;
      const std::vector<std::string> rowArguments = space::splitTopLevel(inner.groups[1], ',');
      if (rowArguments.empty()) continue;
      size = multiplyTerms(size,
                           space::dimensionTerm(rowArguments.front(), "Nested vector allocation"));
    }
    if (isConstant(size)) continue;
    acc.containerTerms[parsed.name] = size;
    space::addSpaceTerm(acc, lineOf(node), "Container allocation", size, "decl:" + parsed.name);
  }
}

const std::string& arrayPattern() {
  static const std::string pattern =
      "\\b(?:bool|char|double|float|int|ll|long\\s+long|short|size_t)\\s+(" +
      identifierRegexPattern() + ")\\s*((?:\\[[^\\]]+\\])+)";
  return pattern;
}

Term productOfBrackets(std::string_view text, const std::string& reason) {
  Term size = constantTerm(reason);
  for (const RegexMatch& bracket : findAllRegex(text, "\\[([^\\]]+)\\]")) {
    size = multiplyTerms(size, space::dimensionTerm(bracket.groups[1], reason));
  }
  return size;
}

void addArrays(SpaceAccumulator& acc, const std::vector<SyntaxNodeInfo>& nodes) {
  for (const SyntaxNodeInfo& node : nodes) {
    RegexMatch array;
    if (!isDeclaration(node) || !searchRegex(node.text, arrayPattern(), array)) continue;
    const Term size = productOfBrackets(array.groups[2], "Array storage");
    space::addSpaceTerm(acc, lineOf(node), "Array storage", size, "array:" + array.groups[1]);
  }
}

void addHeapAllocation(SpaceAccumulator& acc, const SyntaxNodeInfo& node,
                       space::LoopGrowthCache& loops) {
  Term size = productOfBrackets(node.text, "Heap allocation");
  const space::LoopGrowth growth = space::nearestGrowthLoop(node, loops);
  if (!isConstant(growth.term)) {
    size = isConstant(size) ? growth.term : multiplyTerms(growth.term, size);
  }
  space::addSpaceTerm(acc, lineOf(node), "Heap allocation", size, "");
}

void addResize(SpaceAccumulator& acc, const SyntaxNodeInfo& node) {
  const std::string_view text = node.text;
  const size_t dot = text.find('.');
  const std::string object = previousIdentifierBefore(text, dot);
  const size_t p = space::skipSpaces(text, dot + 1);
  std::string method;
  size_t methodEnd = p;
  if (!readIdentifierAt(text, p, method, methodEnd)) return;
  if (method != "resize" && method != "assign") return;
  const size_t open = text.find('(', methodEnd);
  if (open == std::string_view::npos) return;
  size_t end = 0;
  const std::vector<std::string> arguments =
      space::splitTopLevel(space::readBalanced(text, open, '(', ')', end), ',');
  if (arguments.empty()) return;
  const Term size = space::dimensionTerm(arguments.front(), "Container resize");
  if (acc.inputContainers.count(object) == 0) acc.containerTerms[object] = size;
  // A resized parameter is counted too: the program chose that size.
  space::addSpaceTerm(acc, lineOf(node), "Container resize", size, "resize:" + object);
}

void addAllocationsAndResizes(SpaceAccumulator& acc, const std::vector<SyntaxNodeInfo>& nodes,
                              space::LoopGrowthCache& loops) {
  for (const SyntaxNodeInfo& node : nodes) {
    if (node.type == "new_expression") {
      addHeapAllocation(acc, node, loops);
    } else if (node.type == "call_expression" && node.text.find('.') != std::string_view::npos) {
      addResize(acc, node);
    }
  }
}

// ---- Dijkstra frontier ----

void addPriorityQueueFrontier(SpaceAccumulator& acc, std::string_view source) {
  const bool graph =
      containsRegex(source, "vector\\s*<\\s*vector\\s*<") || containsRegex(source, "\\badj\\s*\\[");
  if (graph && containsRegex(source, "\\bpriority_queue\\s*<") &&
      containsRegex(source, "\\[[^\\]]+\\]")) {
    space::addSpaceTerm(acc, 1, "Priority queue frontier", space::graphStorageTerm(acc.graph),
                        "dijkstra-frontier");
  }
}

}  // namespace

SpaceSummary detectSpaceComplexity(std::string_view source, const SyntaxReaderResult& syntax,
                                   std::vector<std::string>& notes) {
  SpaceAccumulator acc;
  acc.graph = space::inferGraphSymbols(source);
  const std::vector<SyntaxNodeInfo>& nodes = syntax.nodes;
  rememberContainerParameters(acc, source, nodes);
  addDeclaredContainers(acc, nodes);
  addArrays(acc, nodes);
  space::LoopGrowthCache loops;
  addAllocationsAndResizes(acc, nodes, loops);
  addPriorityQueueFrontier(acc, source);
  space::addRecursionStacks(acc, source, nodes);
  bool unknownGrowthNoted = false;
  space::addContainerGrowth(acc, nodes, loops, notes, unknownGrowthNoted);
  return space::finishSummary(acc);
}

}  // namespace quorbel
