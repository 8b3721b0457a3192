// Inner loops that depend on their enclosing loop's iterator, charged by the true sum:
//   for (mask...; mask < (1 << n); ...) for (int s = mask; s > 0; s = (s - 1) & mask)  3^n
//   for (mask...; mask < (1 << n); ...) for (int i = 0; i < n; i++)                   2^n * n
//   for (i = 2; i <= n; i++) if (isPrime[i]) for (j = i * i; j <= n; j += i)
//       isPrime[j] = false;                                                   n log log n
//   for (i = 1; i <= n; i++) for (j = i; j <= n; j += i)                      n log n
//   for (i = 1; i <= n; i++) for (j = i; j <= i * 2; j += i)                  n
//   for (i = 0; i < n; i++) for (j = 0; j < i; j++)                           n^2
//   for (i = 1; i * i <= n; i++) for (j = 0; j < i; j++)                      n
//   for (i = 1; i <= n; i++) for (j = 1; j * j <= i; j++)                     n sqrt n
//   for (i = 1; i <= n; i++) for (j = 1; j < i; j *= 2)                       n log n
//   for (i = 1; i <= n; i++) for (x = 2; x < i; x *= x)                       n log log n
#include "detectors/dependent_loops.h"

#include "detectors/loop_model.h"
#include "detectors/power_of_two.h"
#include "syntax/bound_symbols.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

ReducedNestedLoop reducedTo(const Term& prefix, const Term& term, const std::string& signal) {
  return ReducedNestedLoop{true, multiplyTerms(prefix, term), signal};
}

bool isWhileType(std::string_view type) {
  return type == "while_statement" || type == "do_statement";
}

// `for (int s = m; ...; s = (s - 1) & m)` where the enclosing loop names m.
bool enumeratesSubmasks(std::string_view innerText, std::string_view outerText) {
  RegexMatch header;
  if (!searchRegex(innerText, "for\\s*\\([^;]*\\b([A-Za-z_]\\w*)\\s*=\\s*([A-Za-z_]\\w*)\\s*;",
                   header))
    return false;
  const std::string& s = header.groups[1];
  const std::string& m = header.groups[2];
  return containsRegex(innerText, "\\b" + s + "\\b\\s*=\\s*\\(\\s*" + s +
                                      "\\s*-\\s*1\\s*\\)\\s*&\\s*" + m + "\\b") &&
         containsIdentifierToken(outerText, m);
}

bool isOnlyLinearIn(const Term& term, const std::string& symbol) {
  return term.kind == "poly" && term.linear.size() == 1 && term.linear[0] == symbol &&
         term.roots.empty() && term.logs.empty() && term.logLogs.empty();
}

int countToken(std::string_view text, const std::string& token) {
  int count = 0;
  for (const std::string& found : identifierTokens(text))
    if (found == token) ++count;
  return count;
}

// An inner loop stepping by the outer iterator: the sieve, the harmonic sum, or a bound that
// grows with the step so each outer pass costs the same.
ReducedNestedLoop reduceSteppedByOuter(const SyntaxNodeInfo& node, std::string_view outerText,
                                       const LoopModel& inner, const LoopModel& outer,
                                       const Term& prefix) {
  const bool startsAtSquare =
      countToken(inner.start, outer.iterator) >= 2 && inner.start.find('*') != std::string::npos;
  if (startsAtSquare && !inner.boundSymbol.empty() && inner.boundSymbol == outer.boundSymbol &&
      marksCompositeMultiple(node.text, primeGuardArray(outerText, outer.iterator), inner.iterator))
    return reducedTo(
        prefix, symbolLogLogTerm(inner.boundSymbol, inner.boundSymbol, "sieve of Eratosthenes"),
        "Sieve of Eratosthenes");
  if (!mentionsIdentifier(inner.boundExpression, outer.iterator))
    return reducedTo(prefix,
                     symbolLogTerm(inner.boundSymbol, outer.boundSymbol, "harmonic nested loop"),
                     "Harmonic nested loop");
  return reducedTo(prefix, linearTerm("dependent step cancels dependent bound", outer.boundSymbol),
                   "Dependent-step nested loop");
}

}  // namespace

ReducedNestedLoop reduceDependentNestedLoop(const SyntaxNodeInfo& node, const LoopInfo& info) {
  if (node.innermostLoop == nullptr) return {};
  const LoopFrame& parent = *node.innermostLoop;
  // A while or do loop has no counted header; the header regexes would read a for loop
  // inside its body instead.
  if (isWhileType(parent.type)) return {};
  const std::string_view parentText = parent.text;
  const Term prefix = productForAncestorPrefix(node, static_cast<size_t>(parent.depth));

  std::string display, exponent;
  const bool bitmaskParent = conditionBitShiftBound(forCondition(parentText), display, exponent);
  if (bitmaskParent && enumeratesSubmasks(node.text, parentText))
    return reducedTo(prefix, customTerm("O(3^" + exponent + ")", "submask enumeration", 260),
                     "Submask enumeration");

  const LoopModel inner = extractForLoopModel(node.text);
  const LoopModel outer = extractForLoopModel(parentText);
  if (!inner.valid || !outer.valid) return {};
  const LoopInfo outerInfo = classifyLoop(parent);

  if (bitmaskParent) {
    std::string power =
        display.find('/') != std::string::npos ? "2^(" + display + ")" : "2^" + display;
    std::string factor = inner.boundSymbol.empty() ? exponent : inner.boundSymbol;
    return reducedTo(prefix,
                     customTerm("O(" + power + " * " + factor + ")", "bitmask nested loop", 240),
                     "Bitmask nested loop");
  }
  if (inner.stepKind == kSymbolStep && inner.stepSymbol == outer.iterator)
    return reduceSteppedByOuter(node, parentText, inner, outer, prefix);

  int degree = 2;
  if (isOnlyLinearIn(info.term, outer.iterator)) {
    if (outerInfo.recognized && termIsSingleRoot(outerInfo.term, outer.boundSymbol, degree)) {
      Term summed =
          degree == 2
              ? linearTerm("summed linear bound over square-root range", outer.boundSymbol)
              : customTerm("O((" + rootInnerNotation(outer.boundSymbol, degree) + ")^2)",
                           "summed linear bound over root range", 2 * rankTerm(outerInfo.term));
      return reducedTo(prefix, summed, "Summed root-range dependent loop");
    }
    Term linear = linearTerm("summed linear bound", outer.boundSymbol);
    return reducedTo(prefix, multiplyTerms(linear, linear), "Summed linear-dependent loop");
  }
  if (termIsSingleRoot(info.term, outer.iterator, degree))
    return reducedTo(
        prefix,
        symbolRootTerm(outer.boundSymbol, outer.boundSymbol, degree, "summed root-dependent loop"),
        "Summed root-dependent loop");
  if (termIsSingleLog(info.term, outer.iterator))
    return reducedTo(prefix, linearithmicTerm("summed logarithmic loop", outer.boundSymbol),
                     "Summed logarithmic loop");
  if (termIsSingleLogLog(info.term, outer.iterator))
    return reducedTo(prefix,
                     symbolLogLogTerm(outer.boundSymbol, outer.boundSymbol, "summed log-log loop"),
                     "Summed log-log loop");
  return {};
}

// ---- Term shapes ----

Term symbolLogTerm(const std::string& a, const std::string& b, const std::string& reason) {
  return multiplyTerms(linearTerm(reason, a), logTerm(reason, b));
}

Term symbolLogLogTerm(const std::string& a, const std::string& b, const std::string& reason) {
  return multiplyTerms(linearTerm(reason, a), logLogTerm(reason, b));
}

Term symbolRootTerm(const std::string& a, const std::string& b, int degree,
                    const std::string& reason) {
  return multiplyTerms(linearTerm(reason, a), rootTerm(reason, b, degree));
}

bool termIsSingleRoot(const Term& term, const std::string& symbol, int& degree) {
  if (term.kind != "poly" || !term.linear.empty() || !term.logs.empty() || !term.logLogs.empty() ||
      term.roots.size() != 1 || term.roots[0].symbol != symbol)
    return false;
  degree = term.roots[0].degree;
  return true;
}

bool termIsSingleLog(const Term& term, const std::string& symbol) {
  return term.kind == "poly" && term.linear.empty() && term.roots.empty() && term.logLogs.empty() &&
         term.logs.size() == 1 && term.logs[0] == symbol;
}

bool termIsSingleLogLog(const Term& term, const std::string& symbol) {
  return term.kind == "poly" && term.linear.empty() && term.roots.empty() && term.logs.empty() &&
         term.logLogs.size() == 1 && term.logLogs[0] == symbol;
}

std::string rootInnerNotation(const std::string& symbol, int degree) {
  if (degree == 2) return "sqrt " + symbol;
  if (degree == 3) return "cuberoot " + symbol;
  return "root" + std::to_string(degree) + " " + symbol;
}

bool expressionSingleSymbol(std::string_view expression, std::string& symbol) {
  std::string name;
  if (!singleBoundIdentifier(expression, name)) return false;
  symbol = normalizeBoundSymbol(name);
  return true;
}

// ---- Sieve ----

std::string primeGuardArray(std::string_view outerText, std::string_view iterator) {
  RegexMatch match;
  if (!searchRegex(outerText,
                   "\\bif\\s*\\(\\s*(" + identifierRegexPattern() + ")\\s*\\[\\s*" +
                       regexEscape(iterator) + "\\s*\\]",
                   match))
    return "";
  return match.groups[1];
}

bool marksCompositeMultiple(std::string_view innerText, std::string_view array,
                            std::string_view iterator) {
  if (array.empty() || iterator.empty()) return false;
  return containsRegex(innerText, regexEscape(array) + "\\s*\\[\\s*" + regexEscape(iterator) +
                                      "\\s*\\]\\s*=\\s*(?:false|0)\\b");
}

}  // namespace quorbel
