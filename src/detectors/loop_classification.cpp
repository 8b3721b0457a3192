// Classifies one loop by its own text, the first recogniser that fires deciding.
// While and do loops:
//   while (!q.empty()) { ... q.pop(); }                   queue traversal
//   while (lo <= hi) { int mid = (lo + hi) / 2; ... }      binary search
//   while (!st.empty() && a[st.back()] >= x) st.pop_back(); monotonic stack (amortised)
//   while (j > 0 && s[i] != s[j]) j = pi[j - 1];           prefix function (amortised)
//   while (r < n && a[r] - a[l] <= k) r++;                 two pointers (amortised)
//   while (b) { t = a % b; a = b; b = t; }                 Euclid
//   while (t--) ...    while (n > 1) n /= 2;               decrementing, multiplicative
// For loops:
//   for (auto x : v)   for (int v : adj[u])               range-for
//   for (int i = 0; i < 100; i++)                         constant
//   for (int mask = 0; mask < (1 << n); mask++)           bitmask
//   for (int i = 1; i * i <= n; i++)                      root
//   for (; i <= n; i += i & -i)   x *= x   i *= 2         Fenwick, log-log, logarithmic
//   for (int i = 0; i < n; i++)                           counted
#include "detectors/loop_classification.h"

#include <unordered_map>

#include "syntax/bound_symbols.h"
#include "syntax/context.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

const char kWhileFallbackNote[] =
    "A while loop was treated as linear because the update pattern is not provably halving.";

LoopInfo loopInfo(Term term, std::string signal, bool amortized = false) {
  LoopInfo info;
  info.recognized = true;
  info.term = std::move(term);
  info.signal = std::move(signal);
  info.amortized = amortized;
  return info;
}

// ---- While loops ----

bool looksLikeBinarySearch(std::string_view text) {
  return containsRegex(text, "\\b(mid|middle)\\b") && containsRegex(text, "\\b(lo|low|left)\\b") &&
         containsRegex(text, "\\b(hi|high|right)\\b") && containsRegex(text, "(/\\s*2|>>\\s*1)");
}

// The range a binary search halves: the bound's first assigned value when it is a plain name,
// "C" for a constant range.
std::string binarySearchSymbol(std::string_view cond) {
  Comparison comparison = splitComparison(cond);
  if (!comparison.found) return "n";
  std::string bound = comparisonBoundSide(comparison);
  std::string name;
  if (gContext != nullptr && singleBoundIdentifier(bound, name)) {
    auto assigned = gContext->assignments.find(name);
    if (assigned != gContext->assignments.end()) bound = assigned->second;
  }
  return isConstantBoundExpression(bound) ? "C" : symbolFromBoundExpression(bound);
}

bool looksLikePrefixFunction(std::string_view text, std::string_view cond) {
  size_t conjunction = cond.find("&&");
  Comparison comparison = splitComparison(cond.substr(0, conjunction));
  std::string name;
  return comparison.found && comparison.op == ">" && singleBoundIdentifier(comparison.left, name) &&
         isConstantBoundExpression(comparison.right) && containsIdentifierToken(text, name) &&
         text.find('[') != std::string_view::npos && text.find("- 1") != std::string_view::npos;
}

bool looksLikeTwoPointers(std::string_view text) {
  return text.find('[') != std::string_view::npos &&
         containsRegex(text, "\\b(left|right|lo|hi|l|r|i|j)\\b") &&
         containsRegex(text, "(\\+\\+|--|\\+=\\s*1|-\\=\\s*1)");
}

// `while (b) { t = a % b; ... }` names a and b; false when the condition is not one name or no
// remainder by it appears.
bool euclidOperands(std::string_view text, std::string_view cond, std::string& a, std::string& b) {
  if (!singleBoundIdentifier(cond, b)) return false;
  RegexMatch match;
  if (!searchRegex(text, "(" + identifierRegexPattern() + ")\\s*%\\s*" + regexEscape(b), match))
    return false;
  a = match.matched[1] ? match.groups[1] : "";
  return true;
}

// The variable a multiplicative while loop scales: the condition's left side when the loop
// names it, else the bound.
std::string multiplicativeWhileSymbol(std::string_view text, std::string_view cond) {
  std::string symbol = inferBoundSymbol(cond);
  Comparison comparison = splitComparison(cond);
  if (comparison.found) {
    std::string left = symbolFromBoundExpression(comparison.left);
    if (!left.empty() && containsIdentifierToken(text, left)) symbol = left;
  }
  return symbol;
}

LoopInfo classifyWhileLoop(std::string_view text) {
  const std::string cond = whileCondition(text);
  if (isQueueTraversalText(text))
    return loopInfo(linearTerm("queue traversal", "n"), "Queue traversal loop");
  if (looksLikeBinarySearch(text))
    return loopInfo(logTerm("binary search interval halving", binarySearchSymbol(cond)),
                    "Binary-search loop");
  if (containsRegex(text, "\\.\\s*pop_back\\s*\\(\\)") &&
      containsRegex(text, "\\.\\s*back\\s*\\(\\)"))
    return loopInfo(linearTerm("monotonic stack amortized scan", "n"),
                    "Monotonic stack amortized loop", true);
  if (looksLikePrefixFunction(text, cond))
    return loopInfo(linearTerm("prefix-function amortized fallback", "n"),
                    "Prefix-function amortized fallback", true);
  if (looksLikeTwoPointers(text))
    return loopInfo(linearTerm("two-pointer scan", "n"), "Two-pointer inner loop", true);
  std::string a, b;
  if (euclidOperands(text, cond, a, b))
    return loopInfo(customTerm("O(log min(" + a + ", " + b + "))", "Euclidean GCD loop", 35),
                    "Euclidean GCD loop");
  std::string counter;
  if (decrementingWhileSymbol(text, counter)) {
    if (whileBodyUnconditionallyHalves(text, counter))
      return loopInfo(logTerm("decrementing while with guaranteed halving", counter),
                      "Halving decrementing while loop");
    return loopInfo(linearTerm("decrementing while loop", counter), "Decrementing while loop");
  }
  if (multiplicativeUpdate(text))
    return loopInfo(logTerm("multiplicative while update", multiplicativeWhileSymbol(text, cond)),
                    "Logarithmic while loop");
  LoopInfo fallback = loopInfo(linearTerm("while loop", inferBoundSymbol(text)), "While loop");
  fallback.note = kWhileFallbackNote;
  return fallback;
}

// ---- Range-for loops ----

// The range expression of a range-for header (the text inside its first parentheses): after
// the first ':' outside (), [] and <>.
std::string rangeExpression(std::string_view header) {
  int paren = 0, bracket = 0, angle = 0;
  for (size_t i = 0; i < header.size(); ++i) {
    char c = header[i];
    if (c == '(') ++paren;
    if (c == ')' && paren > 0) --paren;
    if (c == '[') ++bracket;
    if (c == ']' && bracket > 0) --bracket;
    if (c == '<') ++angle;
    if (c == '>' && angle > 0) --angle;
    if (c == ':' && paren == 0 && bracket == 0 && angle == 0) return trim(header.substr(i + 1));
  }
  return "";
}

// The text between the first '(' and the first ')' after it when it is a range-for header.
bool rangeForHeader(std::string_view text, std::string_view& header) {
  size_t open = text.find('(');
  if (open == std::string_view::npos) return false;
  size_t close = text.find(')', open + 1);
  if (close == std::string_view::npos) return false;
  header = text.substr(open + 1, close - open - 1);
  return header.find(':') != std::string_view::npos && header.find(';') == std::string_view::npos;
}

LoopInfo classifyRangeFor(std::string_view text, std::string_view header) {
  const std::string range = rangeExpression(header);
  std::string symbol = "n";
  std::string signal = "Range-for collection loop";
  std::string name;
  if (mentionsAdjacencyAccess(range)) {
    symbol = firstAdjacencyRangeSymbol(text);
    if (symbol.empty()) symbol = "e";
    signal = "Adjacency-list edge loop";
  } else if (gContext != nullptr && singleBoundIdentifier(range, name) &&
             gContext->edgeLists.count(name) > 0) {
    symbol = name;
    signal = "Edge-list loop";
  }
  return loopInfo(linearTerm("range-for iteration", symbol), signal);
}

// ---- Counted loops ----

// `for (int i = n; i > 0; i--)` runs over its start value, not over the iterator it compares.
std::string decrementingStartBound(const std::string& init, const std::string& cond,
                                   const std::string& update, std::string bound) {
  Comparison comparison = splitComparison(cond);
  if (!comparison.found || (comparison.op != ">" && comparison.op != ">=")) return bound;
  const std::string iterator = loopIteratorFromHeader(init, cond);
  std::string name;
  if (!singleBoundIdentifier(comparison.left, name) || name != iterator || iterator.empty() ||
      !containsIdentifierToken(update, name))
    return bound;
  bool decrements =
      update.find("--") != std::string::npos ||
      (update.find('=') != std::string::npos && update.find('-') != std::string::npos);
  if (!decrements) return bound;
  std::string start = forInitializerExpression(init, name);
  if (!start.empty() && !isConstantBoundExpression(start)) return symbolFromBoundExpression(start);
  return bound;
}

bool isConstantCountedLoop(const std::string& init, const std::string& cond,
                           const std::string& update) {
  Comparison comparison = splitComparison(cond);
  if (!comparison.found) return false;
  const std::string bound = comparisonBoundSide(comparison);
  if (isConstantBoundExpression(bound)) return true;
  // `for (int i = 10; 0 < i; i--)`: the iterator runs between two constants.
  std::string name;
  if (!isConstantBoundExpression(comparisonIteratorSide(comparison)) ||
      !singleBoundIdentifier(bound, name) || !containsIdentifierToken(update, name))
    return false;
  size_t equals = init.find('=');
  if (equals == std::string::npos) return false;
  return lastUsefulIdentifier(std::string_view(init).substr(0, equals)) == name &&
         isConstantBoundExpression(std::string_view(init).substr(equals + 1));
}

// `i * i <= n`, `pow(i, 3) <= n`, `i <= n / i`, `i < sqrt(n)`: the symbol under the root and
// the root's degree.
bool rootBound(const std::string& cond, const std::string& update, std::string& symbol,
               int& degree) {
  Comparison comparison = splitComparison(cond);
  if (!comparison.found) return false;
  const std::string& left = comparison.left;
  const std::string& right = comparison.right;
  std::string iterator;
  degree = 2;
  auto inUpdate = [&update, &iterator] { return containsIdentifierToken(update, iterator); };
  if (poweredIteratorExpression(left, iterator, degree) && inUpdate()) {
    symbol = symbolFromBoundExpression(right);
    return true;
  }
  if (poweredIteratorExpression(right, iterator, degree) && inUpdate()) {
    symbol = symbolFromBoundExpression(left);
    return true;
  }
  if (powIteratorExpression(left, iterator, degree) && inUpdate()) {
    symbol = symbolFromBoundExpression(right);
    return true;
  }
  if (powIteratorExpression(right, iterator, degree) && inUpdate()) {
    symbol = symbolFromBoundExpression(left);
    return true;
  }
  if ((divisionByIteratorBound(left, right, iterator, symbol) && inUpdate()) ||
      (divisionByIteratorBound(right, left, iterator, symbol) && inUpdate())) {
    degree = 2;
    return true;
  }
  const std::string bound = comparisonBoundSide(comparison);
  size_t sqrtWord = bound.find("sqrt");
  if (sqrtWord == std::string::npos) return false;
  size_t open = bound.find('(', sqrtWord + 4);
  if (open == std::string::npos) return false;
  size_t close = bound.find(')', open + 1);
  if (close == std::string::npos || close == open + 1) return false;
  symbol = symbolFromBoundExpression(std::string_view(bound).substr(open + 1, close - open - 1));
  degree = 2;
  return true;
}

LoopInfo classifyCountedLoop(std::string_view text) {
  const std::string init = forInitializer(text);
  const std::string cond = forCondition(text);
  const std::string update = forUpdate(text);
  const std::string bound = decrementingStartBound(init, cond, update, inferBoundSymbol(cond));
  if (isConstantCountedLoop(init, cond, update))
    return loopInfo(constantTerm("constant counted loop"), "Constant counted loop");
  std::string display, exponent;
  if (conditionBitShiftBound(cond, display, exponent))
    return loopInfo(customTerm("O(2^" + display + ")", "bitmask counted loop", 220),
                    "Bitmask counted loop");
  std::string root;
  int degree = 2;
  if (rootBound(cond, update, root, degree))
    return loopInfo(rootTerm("root counted loop", root, degree),
                    degree == 2 ? "Square-root counted loop" : "Root counted loop");
  if (lowbitUpdate(update, loopIteratorFromHeader(init, cond)))
    return loopInfo(logTerm("fenwick lowbit loop", bound), "Fenwick lowbit loop");
  if (selfPowerUpdate(update))
    return loopInfo(logLogTerm("self-power counted loop", bound), "Log-log counted loop");
  if (multiplicativeUpdate(update))
    return loopInfo(logTerm("multiplicative counted loop", bound), "Logarithmic counted loop");
  return loopInfo(linearTerm("counted loop", bound), "Counted loop");
}

// ---- Per-analysis memory ----

struct RememberedLoop {
  std::string_view type;
  std::string_view text;
  LoopInfo info;
  bool hasProduct = false;
  Term product;  // this loop's term times those of every loop around it
};

struct LoopMemory {
  uint64_t analysisId = 0;
  const Context* context = nullptr;
  std::unordered_map<uint32_t, RememberedLoop> loops;
};

LoopMemory& loopMemory() {
  static LoopMemory memory;
  return memory;
}

// The remembered entry of a loop, classified on first sight; null without a collected context
// (a hand-built context, id 0, may change under us).
RememberedLoop* rememberedLoop(std::string_view type, std::string_view text, uint32_t startByte) {
  if (gContext == nullptr || gContext->analysisId == 0) return nullptr;
  LoopMemory& memory = loopMemory();
  if (memory.analysisId != gContext->analysisId || memory.context != gContext) {
    memory.loops.clear();
    memory.analysisId = gContext->analysisId;
    memory.context = gContext;
  }
  RememberedLoop& entry = memory.loops[startByte];
  // The same start in another syntax list of this analysis is another loop.
  if (entry.type.data() != type.data() || entry.type.size() != type.size() ||
      entry.text.data() != text.data() || entry.text.size() != text.size() ||
      !entry.info.recognized) {
    entry = RememberedLoop{type, text, classifyLoopNode(type, text), false, Term{}};
  }
  return &entry;
}

LoopInfo rememberedClassification(const LoopFrame& loop) {
  RememberedLoop* entry = rememberedLoop(loop.type, loop.text, loop.startByte);
  return entry != nullptr ? entry->info : classifyLoopNode(loop.type, loop.text);
}

// The product of the classifications of `innermost` and of every loop around it, outermost
// first. Each loop's product is remembered, so nested loops cost one multiplication each
// instead of one per enclosing loop.
Term productThrough(const LoopFrame* innermost) {
  std::vector<const LoopFrame*> pending;  // innermost first
  Term product = constantTerm("");
  for (const LoopFrame* loop = innermost; loop != nullptr; loop = loop->parent) {
    RememberedLoop* entry = rememberedLoop(loop->type, loop->text, loop->startByte);
    if (entry != nullptr && entry->hasProduct) {
      product = entry->product;
      break;
    }
    pending.push_back(loop);
  }
  for (auto loop = pending.rbegin(); loop != pending.rend(); ++loop) {
    LoopInfo info = rememberedClassification(**loop);
    if (info.recognized) product = multiplyTerms(product, info.term);
    RememberedLoop* entry = rememberedLoop((*loop)->type, (*loop)->text, (*loop)->startByte);
    if (entry != nullptr) {
      entry->hasProduct = true;
      entry->product = product;
    }
  }
  return product;
}

}  // namespace

LoopInfo classifyLoopNode(std::string_view type, std::string_view text) {
  if (type == "while_statement" || type == "do_statement") return classifyWhileLoop(text);
  std::string_view header;
  if (rangeForHeader(text, header)) return classifyRangeFor(text, header);
  return classifyCountedLoop(text);
}

LoopInfo classifyLoop(const LoopFrame& loop) { return rememberedClassification(loop); }

LoopInfo classifyLoop(const SyntaxNodeInfo& loopNode) {
  RememberedLoop* entry = rememberedLoop(loopNode.type, loopNode.text, loopNode.startByte);
  return entry != nullptr ? entry->info : classifyLoopNode(loopNode.type, loopNode.text);
}

Term productForAncestors(const SyntaxNodeInfo& node) { return productThrough(node.innermostLoop); }

Term productForAncestorPrefix(const SyntaxNodeInfo& node, size_t count) {
  if (count == 0) return constantTerm("");
  // The k-th enclosing loop from the outside is the one with k - 1 loops around it.
  const LoopFrame* loop = node.innermostLoop;
  while (loop != nullptr && static_cast<size_t>(loop->depth) >= count) loop = loop->parent;
  return productThrough(loop);
}

}  // namespace quorbel
