// Recognises the loops that fill a dynamic-programming table:
//   for (int i = 2; i <= n; i++) dp[i] = dp[i - 1] + dp[i - 2];          1D fill
//   for (i ...) for (j ...) dp[i][j] = dp[i - 1][j] + ...;               2D fill (inner loop)
//   for (item ...) for (w = W; w >= wt; w--) dp[w] = max(dp[w], ...);    rolling array
//   for (len ...) for (i ...) for (k = i; k < j; k++) dp[i][j] = ...;    interval DP, O(n^3)
//   for (mask = 0; mask < (1 << n); mask++) ... dp[mask] |= ...;         bitmask DP
// Tables are the names declared as vectors or indexed with '[' anywhere in the source; a name
// that does not look like a DP name still counts when its write reads the table back or has
// two index groups inside a nested loop.
#include "detectors/dp_patterns.h"

#include <map>
#include <optional>

#include "analysis/notation.h"
#include "detectors/loop_classification.h"
#include "syntax/regex.h"
#include "syntax/text.h"

namespace quorbel {
namespace {

// ---- Table candidates ----

// The name declared after the first `vector<...>` of a line ("vector<int> dp(n + 1);").
std::string vectorDeclaredName(std::string_view line) {
  size_t open = line.find("vector");
  if (open == std::string_view::npos) return "";
  open = line.find('<', open);
  if (open == std::string_view::npos) return "";
  int depth = 0;
  size_t position = open;
  for (; position < line.size(); ++position) {
    if (line[position] == '<') ++depth;
    if (line[position] == '>' && --depth == 0) break;
  }
  if (position >= line.size()) return "";
  position = skipSpaces(line, position + 1);
  while (position < line.size() && (line[position] == '*' || line[position] == '&')) ++position;
  position = skipSpaces(line, position);
  std::string name;
  size_t end = 0;
  readIdentifierAt(line, position, name, end);
  return name;
}

std::map<std::string, bool> tableCandidates(std::string_view code) {
  std::map<std::string, bool> candidates;
  auto record = [&](const std::string& name) { candidates[name] = looksLikeDpName(name); };
  size_t start = 0;
  while (start <= code.size()) {
    size_t stop = code.find('\n', start);
    if (stop == std::string_view::npos) stop = code.size();
    const std::string_view line = code.substr(start, stop - start);
    if (containsIdentifierToken(line, "vector")) {
      const std::string name = vectorDeclaredName(line);
      if (!name.empty()) record(name);
    }
    const size_t bracket = line.find('[');
    if (bracket != std::string_view::npos) {
      const std::string name = previousIdentifierBefore(line, bracket);
      if (!name.empty() && name != "vector") record(name);
    }
    start = stop + 1;
  }
  return candidates;
}

// ---- Writes ----

bool isCompoundOperator(char c) {
  return c == '+' || c == '-' || c == '*' || c == '/' || c == '%' || c == '&' || c == '|' ||
         c == '^';
}

struct TableWrite {
  std::string table;
  int dims = 0;
};

// Every identifier followed, after white space, by '['.
std::set<std::string> namesFollowedByBracket(std::string_view text) {
  std::set<std::string> names;
  size_t position = 0;
  while (position < text.size()) {
    std::string token;
    size_t end = 0;
    if (!readIdentifierAt(text, position, token, end)) {
      ++position;
      continue;
    }
    const size_t next = skipSpaces(text, end);
    if (next < text.size() && text[next] == '[') names.insert(token);
    position = end;
  }
  return names;
}

bool hasEnclosingLoop(const SyntaxNodeInfo& node) { return node.innermostLoop != nullptr; }

// The first candidate (name order) that the loop writes as a DP table would be written: a DP
// name, a write that reads the table back, or a two-index write inside another loop.
std::optional<TableWrite> dpTableWrittenBy(const SyntaxNodeInfo& loop,
                                           const std::map<std::string, bool>& candidates) {
  // Only names the loop indexes can be written, so a source with thousands of arrays does not
  // rescan every loop once per array. The set keeps the candidates' name order.
  for (const std::string& table : namesFollowedByBracket(loop.text)) {
    const auto candidate = candidates.find(table);
    if (candidate == candidates.end()) continue;
    const bool dpName = candidate->second;
    int dims = 0;
    if (!indexedWriteToTable(loop.text, table, dims)) continue;
    if (dpName || tableReadAfterWrite(loop.text, table) || (dims >= 2 && hasEnclosingLoop(loop)))
      return TableWrite{table, dims};
  }
  return std::nullopt;
}

// The symbol an interval DP is cubic in: the most frequent linear factor of its cost.
std::string dominantLinearSymbol(const Term& cost) {
  std::map<std::string, int> counts;
  for (const std::string& symbol : cost.linear) ++counts[symbol];
  std::string best = "n";
  int bestCount = 0;
  for (const auto& [symbol, count] : counts) {
    if (count > bestCount) {
      best = symbol;
      bestCount = count;
    }
  }
  return best;
}

std::string dpSignal(const SyntaxNodeInfo& loop, const TableWrite& write, const Term& cost) {
  if (hasBitmaskBound(cost)) return "Bitmask DP transition";
  if (likelyIntervalDp(loop, write.dims, cost)) return "Interval DP transition";
  if (write.dims < 2) {
    // A 1D table that reads itself while an outer loop runs is reused row after row.
    if (tableReadAfterWrite(loop.text, write.table) && hasEnclosingLoop(loop))
      return "Recognized rolling DP transition";
    return "Recognized 1D DP table fill";
  }
  return "Recognized 2D DP table fill";
}

bool strictlyInside(const SyntaxNodeInfo& inner, const SyntaxNodeInfo& outer) {
  return inner.startByte > outer.startByte && inner.endByte <= outer.endByte;
}

}  // namespace

// ---- Table scanning ----

bool indexedTableOccurrence(std::string_view text, std::string_view table, size_t start, int& dims,
                            size_t& end) {
  size_t position = start;
  while (position < text.size()) {
    std::string token;
    size_t afterToken = 0;
    if (!readIdentifierAt(text, position, token, afterToken)) {
      ++position;
      continue;
    }
    if (token == table) {
      int groups = 0;
      size_t cursor = afterToken;
      size_t lastClose = afterToken;
      while (true) {
        cursor = skipSpaces(text, cursor);
        if (cursor >= text.size() || text[cursor] != '[') break;
        const size_t close = text.find(']', cursor + 1);
        if (close == std::string_view::npos) break;
        ++groups;
        lastClose = close + 1;
        cursor = close + 1;
      }
      if (groups >= 1) {
        dims = groups;
        end = lastClose;
        return true;
      }
    }
    position = afterToken;
  }
  return false;
}

bool indexedWriteToTable(std::string_view text, std::string_view table, int& dims) {
  size_t from = 0;
  int groups = 0;
  size_t end = 0;
  while (indexedTableOccurrence(text, table, from, groups, end)) {
    const size_t next = skipSpaces(text, end);
    const char c = next < text.size() ? text[next] : '\0';
    const char after = next + 1 < text.size() ? text[next + 1] : '\0';
    if ((c == '=' && after != '=') || (isCompoundOperator(c) && after == '=')) {
      dims = groups;
      return true;
    }
    from = next + 1;
  }
  return false;
}

bool tableReadAfterWrite(std::string_view text, std::string_view table) {
  int dims = 0;
  size_t end = 0;
  if (!indexedTableOccurrence(text, table, 0, dims, end)) return false;
  const size_t next = skipSpaces(text, end);
  if (next >= text.size()) return false;
  if (isCompoundOperator(text[next]) && next + 1 < text.size() && text[next + 1] == '=')
    return true;
  // `dist[v] == -1` compares; it neither writes nor reads back the table.
  if (text[next] != '=' || (next + 1 < text.size() && text[next + 1] == '=')) return false;
  size_t stop = text.find(';', next + 1);
  if (stop == std::string_view::npos) stop = text.size();
  const std::string_view rightSide = text.substr(next + 1, stop - next - 1);
  return indexedTableOccurrence(rightSide, table, 0, dims, end);
}

bool looksLikeDpName(std::string_view name) {
  const std::string lower = lowerCopy(std::string(name));
  for (const char* word : {"dp", "memo", "ways", "best", "opt", "cost"})
    if (lower.find(word) != std::string::npos) return true;
  return false;
}

bool likelyIntervalDp(const SyntaxNodeInfo& loop, int dims, const Term& cost) {
  if (dims < 2 || loop.loopDepth < 2) return false;
  if (formatTerm(cost).find("^3") != std::string::npos) return true;
  if (lowerCopy(std::string(loop.text)).find("split") != std::string::npos) return true;
  return containsRegex(loop.text, "\\b(?:k|mid|cut)\\s*=") ||
         containsRegex(loop.text, "for\\s*\\([^;]*\\b(?:k|mid|cut)\\b");
}

bool hasBitmaskBound(const Term& term) { return formatTerm(term).find("2^") != std::string::npos; }

// ---- Entry point ----

DpPatternResult analyzeDpPatterns(std::string_view code, const std::vector<SyntaxNodeInfo>& nodes,
                                  const Context& context, Analysis& result,
                                  DetectionResult& detection) {
  (void)context;  // the loop classifier reads it through gContext
  DpPatternResult found;
  const std::map<std::string, bool> candidates = tableCandidates(code);
  if (candidates.empty() || nodes.empty()) return found;

  std::vector<const SyntaxNodeInfo*> loops;
  for (const SyntaxNodeInfo& node : nodes)
    if (isLoopNodeType(node.type)) loops.push_back(&node);
  // Whether a loop writes a table does not depend on the loop asking, so each loop's table is
  // found once.
  std::vector<std::optional<TableWrite>> writes;
  writes.reserve(loops.size());
  for (const SyntaxNodeInfo* loop : loops) writes.push_back(dpTableWrittenBy(*loop, candidates));

  for (size_t index = 0; index < loops.size(); ++index) {
    const SyntaxNodeInfo& loop = *loops[index];
    // The innermost DP loop is the transition; its parents only repeat it.
    // Pre-order lists a loop's descendants right after it.
    bool innerWriter = false;
    for (size_t other = index + 1;
         other < loops.size() && loops[other]->startByte < loop.endByte && !innerWriter; ++other)
      innerWriter = writes[other].has_value() && strictlyInside(*loops[other], loop);
    if (innerWriter || !writes[index]) continue;
    const TableWrite& write = *writes[index];

    const LoopInfo info = classifyLoop(loop);
    if (!info.recognized) continue;
    const Term ancestors = productForAncestors(loop);
    Term cost = multiplyTerms(ancestors, info.term);
    if (isConstant(cost)) continue;
    // Loops nested in a loop over masks are left to the loop detector's bitmask rules.
    if (hasBitmaskBound(ancestors) && hasEnclosingLoop(loop)) continue;
    if (likelyIntervalDp(loop, write.dims, cost))
      cost = customTerm("O(" + dominantLinearSymbol(cost) + "^3)", "Interval DP transition", 80);

    const std::string signal = dpSignal(loop, write, cost);
    detection.terms.push_back(cost);
    addSignal(result.signals, static_cast<int>(loop.startLine), signal, cost);
    addRow(result.breakdown, static_cast<int>(loop.startLine), signal, cost);

    for (size_t other = 0; other < index; ++other) {
      const SyntaxNodeInfo& enclosing = *loops[other];
      if (enclosing.startByte < loop.startByte && enclosing.endByte >= loop.endByte)
        found.loopStarts.insert(enclosing.startByte);
    }
    found.loopStarts.insert(loop.startByte);
    ++found.count;
  }
  return found;
}

}  // namespace quorbel
