// Facts gathered once per analysis from the raw source text: heaps, ordered containers,
// adjacency and edge lists, first assignments, container sizes, division aliases and the
// graph's vertex and edge symbols. Detectors read them through `gContext`.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "syntax/syntax_reader.h"

namespace quorbel {

struct AliasInfo {
  std::string base;     // the normalised symbol that is divided, such as "n"
  int32_t divisor = 2;  // always 2 or more
};

struct GraphSymbols {
  std::string vertices = "v";
  std::string edges = "e";
};

struct Context {
  std::set<std::string> priorityQueues;
  std::set<std::string> logContainers;
  std::set<std::string> adjacencyLists;
  std::set<std::string> edgeLists;
  std::map<std::string, std::string> assignments;
  std::map<std::string, std::string> containerSizes;
  std::map<std::string, AliasInfo> aliases;
  GraphSymbols graph;
  // Distinct for every collectContext call (0 for a hand-built context); keys the caches that
  // live for one analysis, such as the per-loop classifications.
  uint64_t analysisId = 0;
};

// The context of the analysis in progress; null outside the detectors. Whoever sets it
// restores the previous value.
extern const Context* gContext;

// Points gContext at a context for the life of the guard and restores it on every path.
struct ActiveContext {
  explicit ActiveContext(const Context* context) : saved(gContext) { gContext = context; }
  ~ActiveContext() { gContext = saved; }
  ActiveContext(const ActiveContext&) = delete;
  ActiveContext& operator=(const ActiveContext&) = delete;
  const Context* saved;
};

// Gathers every fact from the whole source text.
Context collectContext(std::string_view code);

// The declared name after the first occurrence of `templateName` and its template arguments:
// "vector<vector<int>> adj(n);" gives adj, "const vector<int>& a" gives a.
bool declarationNameAfterTemplate(std::string_view text, std::string_view templateName,
                                  std::string& name);
// Recognises "owner . member (" at the first '.' of the text.
bool memberCall(std::string_view text, std::string& owner, std::string& member);
// The called function's name from a call node's text ("f(x)" gives f, "v.push_back(x)" gives
// push_back); empty when neither form is found.
std::string callName(const SyntaxNodeInfo& node);
// The name of the function a definition text defines; empty for none or for if, for, while,
// switch and catch.
std::string functionNameFromDefinition(std::string_view text);
// The single bound symbol inside the first indexed access name[...] of the code.
bool indexedAccessSymbol(std::string_view code, std::string_view name, std::string& symbol);

}  // namespace quorbel
