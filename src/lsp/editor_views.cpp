#include "lsp/editor_views.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "base/limit_values.h"
#include "cost/cost_values.h"
#include "server/verdict_report.h"

namespace quorbel {
namespace {

// ---- Evaluating a contribution at the limits ----

std::map<std::string, double> limitValues(const Verdict& verdict) {
  std::map<std::string, double> values;
  for (const SizeLimit& size : verdict.sizes)
    if (size.known) values[size.name] = size.value;
  return values;
}

// The contribution that costs the most at the limits; without a value for one of its sizes,
// the one that grows fastest. Of equal ones, the first in the program.
const Contribution* dominatingContribution(const Analysis& analysis, const Verdict& verdict) {
  const std::map<std::string, double> values = limitValues(verdict);
  const Contribution* best = nullptr;
  double bestValue = NAN;
  for (const Contribution& c : analysis.timeContributions) {
    const double value = log10OfCost(c.cost, values);
    bool larger = best == nullptr;
    if (!larger && !std::isnan(value) && !std::isnan(bestValue)) {
      larger = value > bestValue + 1e-9 || (value > bestValue - 1e-9 && c.line < best->line);
    } else if (!larger) {
      const int growth = compareGrowth(dominantTerm(c.cost), dominantTerm(best->cost));
      larger = growth > 0 || (growth == 0 && c.line < best->line);
    }
    if (larger) {
      best = &c;
      bestValue = value;
    }
  }
  return best;
}

// ---- Texts ----

std::string withAbout(const std::string& count) {
  return count.starts_with("about") ? count : "about " + count;
}

// "n = 2*10^5, q = 10^5" for the sizes the time verdict evaluated.
std::string valuesText(const Verdict& verdict) {
  std::string text;
  for (const std::string& name : verdict.time.sizes)
    for (const SizeLimit& size : verdict.sizes)
      if (size.name == name && size.known)
        text += (text.empty() ? "" : ", ") + name + " = " + formatLimitValue(size.value);
  return text;
}

// "too slow: about 4*10^10 operations at n = 2*10^5 (limit 1 s); for loop over j: O(n^2)"
std::string timeMessage(const Verdict& verdict, const Contribution* at) {
  std::string message = verdict.time.status + ": " + withAbout(verdict.time.operationsText) +
                        " operations at " + valuesText(verdict) + " (limit " +
                        formatSeconds(verdict.timeLimitSeconds) + ")";
  if (verdict.time.status == "tight") message += ", so the constant factor decides";
  if (at != nullptr) message += "; " + at->what + ": " + formatCost(at->cost);
  return message;
}

int lineNumber(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  return text.size() > 9 ? 0 : std::stoi(text);
}

// The analysis's note on the parse error, which names its line.
std::string parseErrorMessage(const Analysis& analysis) {
  const std::string mark = "line " + std::to_string(analysis.parseErrorLine) + ",";
  for (const std::string& note : analysis.notes)
    if (note.find(mark) != std::string::npos) return note;
  return "The code does not parse cleanly from line " + std::to_string(analysis.parseErrorLine) +
         "; what it hides may be missing from the estimate.";
}

// Markdown would read "2*10^5 ... n * m" as emphasis.
std::string escapeMarkdown(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '*' || c == '_' || c == '`' || c == '<' || c == '[' || c == ']')
      out += '\\';
    out += c;
  }
  return out;
}

std::string codeSpan(const std::string& text) { return "`" + text + "`"; }

// "100%", "37%", "under 1%" of the total at the limits; empty when it cannot be evaluated.
std::string shareText(const Contribution& c, const Analysis& analysis, const Verdict& verdict) {
  if (verdict.time.evaluated) {
    const double value = log10OfCost(c.cost, limitValues(verdict));
    if (!std::isnan(value) && std::isfinite(verdict.time.log10Operations)) {
      const double share = std::min(1.0, std::pow(10.0, value - verdict.time.log10Operations));
      char percent[32];
      std::snprintf(percent, sizeof percent, "%.0f%%", share * 100);
      return (share < 0.005 ? std::string("under 1%") : std::string(percent)) +
             " of the total at " + valuesText(verdict) + " (" + describeCount(value) + " of " +
             verdict.time.operationsText + " operations)";
    }
  }
  const int growth = compareGrowth(dominantTerm(c.cost), dominantTerm(analysis.timeCost));
  return growth >= 0 ? "grows as fast as the whole estimate " + formatCost(analysis.timeCost)
                     : "grows slower than the whole estimate " + formatCost(analysis.timeCost);
}

// Assumptions and notes that name `line`.
std::vector<std::string> notesOnLine(const Analysis& analysis, int line) {
  std::vector<std::string> notes;
  for (const Assumption& assumption : analysis.assumptions)
    if (assumption.line == line)
      notes.push_back(assumption.dimension + ", " + assumption.level +
                      " confidence: " + assumption.text);
  return notes;
}

std::string lineHover(const DocumentAnalysis& document, int line) {
  const Analysis& analysis = document.analysis;
  std::string text;
  for (const Contribution& c : analysis.timeContributions) {
    if (c.line != line) continue;
    text += (text.empty() ? "" : "\n\n") + std::string("**Time** ") + codeSpan(formatCost(c.cost)) +
            " — " + escapeMarkdown(c.what) +
            "  \nShare: " + escapeMarkdown(shareText(c, analysis, document.verdict));
  }
  for (const Contribution& c : analysis.spaceContributions) {
    if (c.line != line) continue;
    text += (text.empty() ? "" : "\n\n") + std::string("**Space** ") +
            codeSpan(formatCost(c.cost)) + " — " + escapeMarkdown(c.what);
    for (const MemoryItem& item : document.verdict.memory.items)
      if (lineNumber(item.line) == line && item.counted)
        text += "  \n" + escapeMarkdown(item.what + ": " + item.text);
  }
  if (text.empty()) return text;
  for (const std::string& note : notesOnLine(analysis, line))
    text += "\n\n*Assumed:* " + escapeMarkdown(note);
  return text;
}

std::string wholeHover(const DocumentAnalysis& document) {
  const Analysis& a = document.analysis;
  std::string text = "**Time** " + codeSpan(a.notation) + " — " +
                     escapeMarkdown(a.label + ", " + a.pattern) + ", confidence " +
                     a.confidence.time + "  \n**Space** " + codeSpan(a.space.notation) + " — " +
                     escapeMarkdown(a.space.label + ", " + a.space.pattern) + ", confidence " +
                     a.confidence.space + "\n\n**At the limits**\n";
  for (const std::string& line : verdictLines(document.verdict))
    text += "- " + escapeMarkdown(line) + "\n";
  if (!a.assumptions.empty()) {
    text += "\n**Assumptions**\n";
    for (const Assumption& assumption : a.assumptions)
      text +=
          "- " +
          escapeMarkdown((assumption.line > 0 ? "line " + std::to_string(assumption.line) + ", "
                                              : std::string()) +
                         assumption.dimension + ", " + assumption.level + ": " + assumption.text) +
          "\n";
  }
  for (const std::string& unused : document.unusedLimits)
    text += "\nEditor limit not used here: " + escapeMarkdown(unused) + "\n";
  return text;
}

}  // namespace

std::vector<EditorDiagnostic> diagnosticsOf(const DocumentAnalysis& document) {
  if (!document.refusal.empty())
    return {{0, kSeverityInformation, "not-analysed", document.refusal}};
  const Analysis& analysis = document.analysis;
  const Verdict& verdict = document.verdict;
  std::vector<EditorDiagnostic> out;
  const std::string& time = verdict.time.status;
  if (time == "too slow" || time == "tight") {
    const Contribution* at = dominatingContribution(analysis, verdict);
    out.push_back({at != nullptr ? at->line : document.mainLine,
                   time == "too slow" ? kSeverityWarning : kSeverityInformation,
                   time == "too slow" ? "too-slow" : "tight", timeMessage(verdict, at)});
  }
  if (verdict.memory.status == "too much") {
    const MemoryItem* largest = nullptr;
    for (const MemoryItem& item : verdict.memory.items)
      if (item.counted && (largest == nullptr || item.bytes > largest->bytes)) largest = &item;
    std::string message = "too much memory: " + verdict.memory.bytesText + " (limit " +
                          formatMegabytes(verdict.memoryLimitMb) + ")";
    if (largest != nullptr) message += "; " + largest->what + ": " + largest->text;
    out.push_back(
        {largest != nullptr ? lineNumber(largest->line) : 0, kSeverityWarning, "memory", message});
  }
  if (analysis.parseErrorLine > 0)
    out.push_back(
        {analysis.parseErrorLine, kSeverityHint, "parse-error", parseErrorMessage(analysis)});
  return out;
}

std::vector<LineCost> lineCostsOf(const DocumentAnalysis& document) {
  std::vector<LineCost> costs;
  for (const Contribution& c : document.analysis.timeContributions)
    if (c.line > 0) costs.push_back({c.line, formatCost(c.cost), c.what});
  std::stable_sort(costs.begin(), costs.end(),
                   [](const LineCost& a, const LineCost& b) { return a.line < b.line; });
  return costs;
}

std::string hoverTextOf(const DocumentAnalysis& document, int line) {
  if (!document.refusal.empty()) return line == 1 ? escapeMarkdown(document.refusal) : "";
  const std::string costs = lineHover(document, line);
  if (!costs.empty()) return costs;
  if (line == 1 || (document.mainLine > 0 && line == document.mainLine))
    return wholeHover(document);
  return "";
}

}  // namespace quorbel
