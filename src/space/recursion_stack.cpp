// Recognises self-recursion and how deep it goes:
//   int solve(int i) { if (i == n) return 0; return solve(i + 1); }   -> stack of n
//   void sort(int lo, int hi) { int mid = (lo + hi) / 2; sort(lo, mid); ... }
//                                                                       -> stack of log n
//   void dfs(int u) { for (int v : adj[u]) dfs(v); }                    -> stack of vertices
#include "space/recursion_stack.h"

#include <string>

#include "space/graph_storage.h"
#include "space/space_symbols.h"
#include "space/storage_declarations.h"
#include "syntax/context.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel::space {
namespace {

// Names as whole identifiers inside patterns. A word boundary never holds beside a byte
// 0x80-0xFF (the engine counts only ASCII as word characters), so a UTF-8 edge of a name spells
// out "no identifier byte there" instead; ASCII names keep their plain boundaries.
bool isHighByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

// The name where nothing of the pattern precedes it.
std::string nameFirst(const std::string& name) {
  return (isHighByte(name.front()) ? "(?:^|[^A-Za-z0-9_\\x80-\\xFF])" : "\\b") + regexEscape(name);
}

// The name right after an operator or white space, which already separates it.
std::string nameAfterSeparator(const std::string& name) {
  return (isHighByte(name.front()) ? "" : "\\b") + regexEscape(name);
}

// The name anywhere in an argument list whose "(" the pattern has just read.
std::string nameInArguments(const std::string& name) {
  return (isHighByte(name.front()) ? "(?:[^)]*[^)A-Za-z0-9_\\x80-\\xFF])?" : "[^)]*\\b") +
         regexEscape(name);
}

std::string endOfName(const std::string& name) {
  return isHighByte(name.back()) ? "(?![A-Za-z0-9_\\x80-\\xFF])" : "\\b";
}

bool isLoopCursor(const std::string& symbol) {
  const std::string lower = lowerCopy(symbol);
  return lower == "i" || lower == "j" || lower == "k" || lower == "idx" || lower == "it" ||
         lower == "pos";
}

// The value the depth parameter runs up to, from a base case such as "d == n" or "n <= d".
// A loop cursor on the far side ("i < d") says nothing about the input size.
std::string recursionLimitForDepth(std::string_view definition, const std::string& depth) {
  // Limits may be UTF-8 names too ("i == 個数").
  const std::string limitName = "(" + identifierRegexPattern() + ")";
  RegexMatch match;
  if (searchRegex(definition,
                  nameFirst(depth) + endOfName(depth) + "\\s*(?:==|>=|>)\\s*" + limitName, match)) {
    return normalizeSpaceSymbol(match.groups[1]);
  }
  if (searchRegex(definition,
                  "(?:^|[^A-Za-z0-9_\\x80-\\xFF])" + limitName + "\\s*(?:==|<=|<)\\s*" +
                      nameAfterSeparator(depth) + endOfName(depth),
                  match)) {
    std::string limit = normalizeSpaceSymbol(match.groups[1]);
    return isLoopCursor(limit) ? "" : limit;
  }
  return "";
}

// The stack depth of a recursion that steps one parameter by one or two per call.
std::string steppedLimit(std::string_view definition, const std::string& function,
                         const std::vector<std::string_view>& calls) {
  const std::string f = nameFirst(function);
  for (const std::string& piece :
       splitTopLevel(parameterTextFromFunction(definition, function), ',')) {
    const std::string depth = lastUsefulIdentifier(piece);
    const std::string stepAfter =
        f + "\\s*\\(" + nameInArguments(depth) + endOfName(depth) + "\\s*[-+]\\s*[12]";
    const std::string stepBefore =
        f + "\\s*\\([^)]*[12]\\s*\\+\\s*" + nameAfterSeparator(depth) + endOfName(depth);
    for (std::string_view call : calls) {
      if (!containsRegex(call, stepAfter) && !containsRegex(call, stepBefore)) continue;
      std::string limit = recursionLimitForDepth(definition, depth);
      return limit.empty() ? normalizeSpaceSymbol(depth) : limit;
    }
  }
  return "n";
}

// REQUIRES: nodes[index] is the function's definition.
void addRecursionStack(SpaceAccumulator& acc, std::string_view source,
                       const std::vector<SyntaxNodeInfo>& nodes, size_t index,
                       const std::string& function) {
  const SyntaxNodeInfo& definition = nodes[index];
  const std::string selfCall = nameFirst(function) + "\\s*\\(";
  std::vector<std::string_view> calls;
  int firstCallLine = 0;
  // Pre-order keeps the definition's descendants right after it.
  for (size_t i = index + 1; i < nodes.size() && nodes[i].startByte < definition.endByte; ++i) {
    const SyntaxNodeInfo& node = nodes[i];
    if (node.type != "call_expression" || node.endByte > definition.endByte ||
        !containsRegex(node.text, selfCall)) {
      continue;
    }
    if (calls.empty()) firstCallLine = static_cast<int>(node.startLine);
    calls.push_back(node.text);
  }
  if (calls.empty()) return;

  const bool dfs = containsRegex(function, "(dfs|DFS)") && containsRegex(source, "\\badj\\s*\\[");
  bool halving = containsRegex(definition.text, "=\\s*[^;]*(/\\s*[23]|>>\\s*1)");
  for (std::string_view call : calls) {
    halving = halving ||
              containsRegex(call, "(/\\s*2|>>\\s*1|\\.substr\\s*\\(|\\.begin\\s*\\(\\)\\s*\\+)");
  }

  std::string label;
  Term term;
  if (halving && !dfs) {
    label = "Logarithmic recursion stack";
    term = logTerm("Recursion stack", "n");
  } else if (dfs) {
    label = "Recursive DFS stack";
    term = linearTerm("Recursive DFS stack", acc.graph.vertices);
  } else {
    label = "Recursion stack";
    term = linearTerm("Recursion stack", steppedLimit(definition.text, function, calls));
  }
  addSpaceTerm(acc, firstCallLine, label, term, "recursion:" + function);
}

}  // namespace

void addRecursionStacks(SpaceAccumulator& acc, std::string_view source,
                        const std::vector<SyntaxNodeInfo>& nodes) {
  for (size_t i = 0; i < nodes.size(); ++i) {
    if (nodes[i].type != "function_definition") continue;
    const std::string function = functionNameFromDefinition(nodes[i].text);
    if (!function.empty()) addRecursionStack(acc, source, nodes, i, function);
  }
}

}  // namespace quorbel::space
