// Reads the headers of the loops around a node, innermost first:
//   for (int v : adj[u])            -> variable v, bound n
//   for (auto x : items)            -> variable x, bound items
//   for (int i = 0; i < n; i++)     -> variable i, bound n
//   for (int i = n; i >= 1; i--)    -> variable i, bound n
#include "space/growth_loop.h"

#include <array>

#include "space/space_symbols.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel::space {
namespace {

// The counted loop's own header; a while loop whose body holds a for loop must not borrow
// that inner loop's header, so only a match at the start of the loop text counts.
bool readCountedHeader(std::string_view loop, std::string& init, std::string& condition) {
  RegexMatch match;
  if (!searchRegex(loop, "for\\s*\\(([^;]*);([^;]*);[^)]*\\)", match)) return false;
  if (match.position != 0) return false;
  init = match.groups[1];
  condition = match.groups[2];
  return true;
}

LoopGrowth rangeGrowth(std::string_view header, size_t colon) {
  LoopGrowth growth;
  growth.found = true;
  growth.variable = lastUsefulIdentifier(header.substr(0, colon));
  const std::string range = trim(header.substr(colon + 1));
  growth.bound = directIdentifier(range).empty() ? "n" : normalizeSpaceSymbol(range);
  growth.term = linearTerm("Range growth", growth.bound);
  return growth;
}

LoopGrowth countedGrowth(std::string_view init, std::string_view condition) {
  LoopGrowth growth;
  growth.found = true;
  const size_t equals = init.find('=');
  if (equals != std::string_view::npos) {
    growth.variable = normalizeSpaceSymbol(lastUsefulIdentifier(init.substr(0, equals)));
  }
  constexpr std::array<std::string_view, 5> kOperators = {"<=", ">=", "!=", "<", ">"};
  std::string_view op;
  size_t at = std::string_view::npos;
  for (std::string_view candidate : kOperators) {
    at = condition.find(candidate);
    if (at != std::string_view::npos) {
      op = candidate;
      break;
    }
  }
  if (op.empty()) return growth;
  const std::string left = trim(condition.substr(0, at));
  const std::string right = trim(condition.substr(at + op.size()));
  std::string boundText = (op == ">" || op == ">=") ? left : right;
  // "i < n" and "n > i" alike: the bound is the side without the loop variable.
  if (!growth.variable.empty()) {
    const bool inLeft = containsIdentifierToken(left, growth.variable);
    const bool inRight = containsIdentifierToken(right, growth.variable);
    if (inLeft != inRight) boundText = inLeft ? right : left;
  }
  growth.term = dimensionTerm(boundText, "Container growth");
  const Term& t = growth.term;
  if (t.kind == "poly" && t.linear.size() == 1 && t.roots.empty() && t.logs.empty() &&
      t.logLogs.empty()) {
    growth.bound = t.linear.front();
  }
  return growth;
}

LoopGrowth growthOfLoop(std::string_view loop) {
  const size_t open = loop.find('(');
  const size_t close = open == std::string_view::npos ? open : loop.find(')', open + 1);
  if (close != std::string_view::npos) {
    const std::string_view header = loop.substr(open + 1, close - open - 1);
    const size_t colon = header.find(':');
    if (colon != std::string_view::npos && header.find(';') == std::string_view::npos) {
      return rangeGrowth(header, colon);
    }
  }
  std::string init;
  std::string condition;
  if (!readCountedHeader(loop, init, condition)) return LoopGrowth{};
  return countedGrowth(init, condition);
}

}  // namespace

LoopGrowth nearestGrowthLoop(const SyntaxNodeInfo& node, LoopGrowthCache& cache) {
  const std::vector<const LoopFrame*> loops = enclosingLoops(node);
  for (auto it = loops.rbegin(); it != loops.rend(); ++it) {
    auto [known, added] = cache.byLoop.try_emplace(*it);
    if (added) known->second = growthOfLoop((*it)->text);
    if (!isConstant(known->second.term)) return known->second;
  }
  return LoopGrowth{};
}

}  // namespace quorbel::space
