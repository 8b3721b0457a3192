// Recognises pushes and inserts, and what bounds them:
//   for (int i = 0; i < n; i++) a.push_back(x);          -> a grows by n
//   for (int v : adj[u]) q.push(v);                      -> a queue frontier of the vertices
//   for (int i = 0; i < n; i++) rows.push_back(row);     -> n rows of row's size
//   adj[u].push_back(v);                                 -> about adj, not u
#include "space/container_growth.h"

#include <unordered_map>

#include "space/growth_loop.h"
#include "space/space_symbols.h"
#include "space/storage_declarations.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel::space {
namespace {

const char* const kUnknownGrowthNote =
    "Some containers have unknown growth because pushes are not tied to a clear bound.";

void noteUnknownGrowth(std::vector<std::string>& notes, bool& noted) {
  if (noted) return;
  notes.push_back(kUnknownGrowthNote);
  noted = true;
}

bool isGrowthMethod(const std::string& method) {
  return method == "push" || method == "insert" || method == "emplace" || method == "push_back" ||
         method == "emplace_back";
}

struct Push {
  std::string object;
  std::string firstArgument;
};

// "adj[u].push_back(v)" is a push into adj with argument v; false for other member calls.
bool readPush(std::string_view call, Push& push) {
  const size_t dot = call.find('.');
  if (dot == std::string_view::npos) return false;
  const size_t bracket = call.rfind('[', dot);
  push.object = previousIdentifierBefore(call, bracket == std::string_view::npos ? dot : bracket);
  const size_t p = skipSpaces(call, dot + 1);
  std::string method;
  size_t methodEnd = p;
  if (!readIdentifierAt(call, p, method, methodEnd) || !isGrowthMethod(method)) return false;
  push.firstArgument.clear();
  const size_t open = call.find('(', methodEnd);
  if (open != std::string_view::npos) {
    size_t end = 0;
    const std::vector<std::string> arguments =
        splitTopLevel(readBalanced(call, open, '(', ')', end), ',');
    if (!arguments.empty()) push.firstArgument = trim(arguments.front());
  }
  return true;
}

bool isFrontierType(const std::string& type) {
  return type == "deque" || type == "queue" || type == "stack";
}

// One push pass over a syntax result, with what it remembers per loop.
struct GrowthPass {
  SpaceAccumulator& acc;
  LoopGrowthCache& loops;
  std::vector<std::string>& notes;
  bool& noted;
  std::unordered_map<const LoopFrame*, bool> indexingLoops;
};

bool insideIndexingLoop(GrowthPass& pass, const SyntaxNodeInfo& node) {
  for (const LoopFrame* loop : enclosingLoops(node)) {
    auto [known, added] = pass.indexingLoops.try_emplace(loop, false);
    if (added) known->second = containsRegex(loop->text, "\\[[^\\]]+\\]");
    if (known->second) return true;
  }
  return false;
}

Term pushedValue(const SpaceAccumulator& acc, const std::string& argument) {
  const std::string name = directIdentifier(argument);
  if (auto it = acc.containerTerms.find(name); it != acc.containerTerms.end()) return it->second;
  if (auto it = acc.inputTerms.find(name); it != acc.inputTerms.end()) return it->second;
  return constantTerm("Pushed value storage");
}

// Pushing a row of size i in a loop i < n stores rows of size n.
void substituteLoopVariable(Term& value, const LoopGrowth& growth) {
  auto rename = [&](std::string& symbol) {
    if (symbol == growth.variable) symbol = growth.bound;
  };
  for (std::string& symbol : value.linear) rename(symbol);
  for (RootFactor& root : value.roots) rename(root.symbol);
  for (std::string& symbol : value.logs) rename(symbol);
  for (std::string& symbol : value.logLogs) rename(symbol);
}

void addPush(GrowthPass& pass, const SyntaxNodeInfo& node, const Push& push) {
  SpaceAccumulator& acc = pass.acc;
  const bool declared = acc.containerTerms.count(push.object) > 0;
  const bool input = acc.inputContainers.count(push.object) > 0;
  if (!declared && !input) {
    noteUnknownGrowth(pass.notes, pass.noted);
    return;
  }

  LoopGrowth growth = nearestGrowthLoop(node, pass.loops);
  // A BFS queue filled while iterating adj[u] holds each vertex at most once.
  if (declared && isFrontierType(acc.containerTypes[push.object]) &&
      insideIndexingLoop(pass, node)) {
    growth.found = true;
    growth.term = linearTerm("Graph frontier storage", acc.graph.vertices);
    growth.bound = acc.graph.vertices;
  }

  Term value = pushedValue(acc, push.firstArgument);
  if (!isConstant(value) && !growth.variable.empty() && !growth.bound.empty() &&
      growth.variable != growth.bound && value.kind == "poly") {
    substituteLoopVariable(value, growth);
  }

  const Term base =
      declared ? acc.containerTerms[push.object] : constantTerm("Input container growth");
  Term grown = constantTerm("Container growth");
  if (isConstant(value)) {
    if (!isConstant(growth.term)) grown = growth.term;
  } else {
    grown = isConstant(growth.term) ? value : multiplyTerms(growth.term, value);
  }

  if (!isConstant(grown)) {
    // Later pushes of this container as a value carry its grown size.
    acc.containerTerms[push.object] = summarizeTerms({base, grown});
    addSpaceTerm(acc, static_cast<int>(node.startLine), "Container growth", grown,
                 "growth:" + push.object);
  } else if (node.loopDepth > 0) {
    noteUnknownGrowth(pass.notes, pass.noted);
  }
}

}  // namespace

void addContainerGrowth(SpaceAccumulator& acc, const std::vector<SyntaxNodeInfo>& nodes,
                        LoopGrowthCache& loops, std::vector<std::string>& notes, bool& noted) {
  GrowthPass pass{acc, loops, notes, noted, {}};
  for (const SyntaxNodeInfo& node : nodes) {
    if (node.type != "call_expression" || node.text.find('.') == std::string_view::npos) continue;
    Push push;
    if (readPush(node.text, push)) addPush(pass, node, push);
  }
}

}  // namespace quorbel::space
