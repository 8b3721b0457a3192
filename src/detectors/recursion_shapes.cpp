// Recursion shapes that read more than one pattern:
//   int find(int x) { if (parent[x] == x) return x; return parent[x] = find(parent[x]); }
//       -> path-compressed union-find
//   void gen(int d) { if (d == n) ...; for (...) if (!used[i]) { used[i] = 1; gen(d + 1); } }
//   void gen(int k) { ...; for (...) { swap(a[k], a[i]); gen(k + 1); swap(a[k], a[i]); } }
//       -> permutation backtracking
//   fib(n - 1) + fib(n - 2)                 -> 2^n
//   for (int i = 0; i < k; i++) go(n - 1)   -> k^n
//   for (int i = 0; i < n; i++) go(d + 1)   -> n^n
//   f(d - 1) + f(d - 1) beside a loop over n -> 2^n * n
// Function and parameter names are spliced into the patterns as written; a pattern that does
// not compile simply does not match.
#include "detectors/recursion_shapes.h"

#include <algorithm>

#include "analysis/notation.h"
#include "detectors/loop_classification.h"
#include "detectors/recursion.h"
#include "syntax/bound_symbols.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

// ---- Depth parameter and the loop around the self-calls ----

// A self-call passing p + 1 (or 1 + p).
bool passesPlusOne(std::string_view callText, const std::string& function, const std::string& p) {
  return containsRegex(callText, "\\b" + function + "\\s*\\([^)]*\\b" + p + "\\b\\s*\\+\\s*1") ||
         containsRegex(callText, "\\b" + function + "\\s*\\([^)]*1\\s*\\+\\s*\\b" + p + "\\b");
}

// A self-call passing p - 1, p + 1, p - 2, p + 2, 1 + p or 2 + p.
bool passesNeighbour(std::string_view callText, const std::string& function, const std::string& p) {
  return containsRegex(callText,
                       "\\b" + function + "\\s*\\([^)]*\\b" + p + "\\b\\s*[-+]\\s*[12]") ||
         containsRegex(callText, "\\b" + function + "\\s*\\([^)]*[12]\\s*\\+\\s*\\b" + p + "\\b");
}

// The first parameter some self-call steps by one or two; else the first parameter.
std::string depthParameter(const RecursiveFunction& function) {
  for (const std::string& p : function.parameters) {
    for (const SyntaxNodeInfo* call : function.calls) {
      if (passesNeighbour(call->text, function.name, p)) return p;
    }
  }
  return function.parameters.empty() ? std::string() : function.parameters.front();
}

// The first linear symbol of a loop around a self-call, innermost loop first; each loop is
// read as a counted loop, whatever its kind.
bool selfCallLoopSymbol(const RecursiveFunction& function, std::string& symbol) {
  for (const SyntaxNodeInfo* call : function.calls) {
    const std::vector<std::string_view> texts = loopTexts(*call);
    for (auto text = texts.rbegin(); text != texts.rend(); ++text) {
      const LoopInfo info = classifyLoopNode("for_statement", *text);
      if (info.term.kind == "poly" && !info.term.linear.empty()) {
        symbol = info.term.linear.front();
        return true;
      }
    }
  }
  return false;
}

// ---- Work per call ----

// The costliest loop of the body that does not enclose a self-call.
Term workPerCall(const RecursiveFunction& function) {
  std::vector<std::string_view> callLoops;
  for (const SyntaxNodeInfo* call : function.calls) {
    for (std::string_view text : loopTexts(*call)) callLoops.push_back(text);
  }
  Term work = constantTerm("");
  for (const SyntaxNodeInfo& node : function.body) {
    if (!isLoopNodeType(node.type)) continue;
    if (std::find(callLoops.begin(), callLoops.end(), node.text) != callLoops.end()) continue;
    const LoopInfo info = classifyLoopNode(node.type, node.text);
    if (!info.recognized) continue;
    work = maxTerm(work, multiplyTerms(productForAncestors(node), info.term));
  }
  return work;
}

std::string powerPart(const std::string& base, size_t count, bool bracket) {
  if (count == 1) return base;
  return (bracket ? "(" + base + ")" : base) + "^" + std::to_string(count);
}

// " * n^2 * log n": the work rendered in the placeholder n, whatever its loops' symbols.
std::string workSuffix(const Term& work) {
  if (isConstant(work)) return "";
  if (work.kind != "poly") return " * " + innerTermNotation(work);
  std::vector<std::string> parts;
  if (!work.linear.empty()) parts.push_back(powerPart("n", work.linear.size(), false));
  if (!work.roots.empty()) parts.push_back(powerPart("sqrt n", work.roots.size(), true));
  if (!work.logs.empty()) parts.push_back(powerPart("log n", work.logs.size(), true));
  if (!work.logLogs.empty()) parts.push_back(powerPart("log log n", work.logLogs.size(), true));
  std::string suffix;
  for (const std::string& part : parts) suffix += " * " + part;
  return suffix;
}

}  // namespace

// ---- Shared helpers ----

bool dsuPathCompressionShape(std::string_view definition, const std::string& functionName,
                             const std::vector<std::string>& parameters) {
  if (parameters.empty()) return false;
  const std::string p = regexEscape(parameters.front());
  RegexMatch root;
  if (!searchRegex(definition,
                   "(" + identifierRegexPattern() + ")\\s*\\[\\s*" + p + "\\s*\\]\\s*==\\s*" + p,
                   root)) {
    return false;
  }
  const std::string parent = regexEscape(root.groups[1]);
  return containsRegex(definition, parent + "\\s*\\[\\s*" + p + "\\s*\\]\\s*=\\s*" +
                                       regexEscape(functionName) + "\\s*\\(\\s*" + parent +
                                       "\\s*\\[\\s*" + p + "\\s*\\]\\s*\\)");
}

std::string recursionLimitForDepth(std::string_view definition, const std::string& depth) {
  if (depth.empty()) return "";
  RegexMatch match;
  if (searchRegex(definition, "\\b" + depth + "\\b\\s*(?:==|>=|>)\\s*([A-Za-z_]\\w*)", match)) {
    return match.groups[1];
  }
  if (searchRegex(definition, "\\b([A-Za-z_]\\w*)\\s*(?:==|<=|<)\\s*" + depth + "\\b", match)) {
    return match.groups[1];
  }
  return "";
}

// ---- Permutation backtracking ----

bool isPermutationBacktracking(const RecursiveFunction& function) {
  if (function.parameters.empty()) return false;
  const std::string_view text = function.definition->text;
  if (!containsRegex(text, "\\bswap\\s*\\(") &&
      !containsRegex(text, "\\b(?:[A-Za-z_]\\w*)?(?:used|visited|vis)(?:[A-Za-z_]\\w*)?\\s*\\[")) {
    return false;
  }
  const std::string& depth = function.parameters.front();
  const std::string limit = recursionLimitForDepth(text, depth);
  for (const SyntaxNodeInfo* call : function.calls) {
    if (call->loopDepth == 0 || !passesPlusOne(call->text, function.name, depth)) continue;
    for (std::string_view loop : loopTexts(*call)) {
      if (mentionsIdentifier(loop, depth) || (!limit.empty() && mentionsIdentifier(loop, limit))) {
        return true;
      }
    }
  }
  return false;
}

// ---- Branching recursion ----

Term branchingRecursionTerm(const RecursiveFunction& function) {
  const std::string depth = depthParameter(function);
  const std::string limit = recursionLimitForDepth(function.definition->text, depth);

  std::string base;
  std::string symbol;
  if (selfCallLoopSymbol(function, symbol)) {
    const auto& params = function.parameters;
    if (!limit.empty() && symbol == limit) {
      base = "n";
    } else if (!depth.empty() && symbol == depth) {
      base = "n";
    } else if (std::find(params.begin(), params.end(), symbol) != params.end()) {
      base = "k";
    } else {
      base = symbol == "n" ? "n" : "k";
    }
  } else if (function.calls.size() >= 2) {
    base = std::to_string(function.calls.size());
  }
  // One self-call outside every loop does not branch.
  if (base.empty()) return constantTerm("");

  const std::string notation = "O(" + base + "^n" + workSuffix(workPerCall(function)) + ")";
  return customTerm(notation, base == "2" ? "Branching recursion" : "Multi-branch recursion", 260);
}

}  // namespace quorbel
