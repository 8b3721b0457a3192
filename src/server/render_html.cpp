#include "server/render_html.h"

#include <algorithm>
#include <map>

#include "analysis/pipeline.h"
#include "base/file_text.h"
#include "runner/run_outcome.h"
#include "server/verdict_report.h"
#include "verdict/verdict.h"

namespace quorbel {
namespace {

std::string renderConstraintItems(const std::vector<ConstraintEstimate>& constraints) {
  std::string out;
  for (const ConstraintEstimate& c : constraints) {
    out += "<li><strong>" + htmlEscape(c.variable) + "</strong><span>" + htmlEscape(c.maxValue) +
           "</span><small>" + htmlEscape(c.assumption) + "</small></li>";
  }
  return out;
}

std::string renderBreakdownRows(const std::vector<Row>& rows) {
  std::string out;
  for (const Row& row : rows) {
    out += "<tr><td>" + htmlEscape(row.line) + "</td><td>" + htmlEscape(row.signal) + "</td><td>" +
           htmlEscape(row.cost) + "</td></tr>";
  }
  return out;
}

}  // namespace

std::string htmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void replaceAll(std::string& text, std::string_view pattern, std::string_view replacement) {
  if (pattern.empty()) return;
  size_t position = text.find(pattern);
  while (position != std::string::npos) {
    text.replace(position, pattern.size(), replacement);
    position = text.find(pattern, position + replacement.size());
  }
}

std::string renderList(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += "<li>" + htmlEscape(item) + "</li>";
  return out;
}

std::string fillTemplate(std::string_view page, const std::map<std::string, std::string>& values) {
  std::string out;
  out.reserve(page.size());
  size_t at = 0;
  while (at < page.size()) {
    const size_t open = page.find("{{", at);
    const size_t close = open == std::string_view::npos ? open : page.find("}}", open + 2);
    if (close == std::string_view::npos) break;
    const auto value = values.find(std::string(page.substr(open + 2, close - open - 2)));
    if (value == values.end()) {
      out.append(page.substr(at, open + 2 - at));  // not a placeholder: resume after "{{"
      at = open + 2;
      continue;
    }
    out.append(page.substr(at, open - at));
    out.append(value->second);
    at = close + 2;
  }
  out.append(page.substr(std::min(at, page.size())));
  return out;
}

std::string renderPage(std::string_view code, const Analysis& analysis) {
  const std::string page = readFile("public/complexity.html");
  if (page.empty()) return page;
  // The form carries no limits: the verdict is judged at the source's own.
  Verdict verdict;
  std::string error;
  judgeAtLimits(analysis, {}, verdict, error);
  // One pass over the template: the user's code and everything derived from it are inserted
  // and never scanned again, so "{{BREAKDOWN}}" typed into the code stays as typed.
  return fillTemplate(page, {{"CODE", htmlEscape(code)},
                             {"LINE_COUNT", std::to_string(countCodeLines(code))},
                             {"COMPLEXITY", htmlEscape(analysis.notation)},
                             {"LABEL", htmlEscape(analysis.label)},
                             {"SPACE_COMPLEXITY", htmlEscape(analysis.space.notation)},
                             {"SPACE_LABEL", htmlEscape(analysis.space.label)},
                             {"SPACE_PATTERN", htmlEscape(analysis.space.pattern)},
                             {"SPACE_SIGNALS", renderList(analysis.space.signals)},
                             {"PATTERN", htmlEscape(analysis.pattern)},
                             {"CONSTRAINT_BUDGET", htmlEscape(analysis.constraintBudget)},
                             {"CONSTRAINTS", renderConstraintItems(analysis.constraints)},
                             {"SIGNALS", renderList(analysis.signals)},
                             {"BREAKDOWN", renderBreakdownRows(analysis.breakdown)},
                             {"NOTES", renderList(analysis.notes)},
                             {"VERDICT", renderList(verdictLines(verdict))}});
}

std::string renderPage(std::string_view code) { return renderPage(code, analyze(code)); }

std::string renderIde() {
  // The time limit field offers what the operator allows, in seconds ("10", "2.5").
  std::string page = readFile("public/ide.html");
  const int64_t capMs = runTimeCapMs();
  std::string seconds = std::to_string(capMs / 1000);
  if (capMs % 1000 != 0) {
    std::string fraction = std::to_string(1000 + capMs % 1000).substr(1);
    while (fraction.back() == '0') fraction.pop_back();
    seconds += "." + fraction;
  }
  constexpr std::string_view kCap = "{{RUN_TIME_CAP_SECONDS}}";
  for (size_t at; (at = page.find(kCap)) != std::string::npos;)
    page.replace(at, kCap.size(), seconds);
  return page;
}

std::string renderStorage() { return readFile("public/storage.html"); }

std::string renderCli() { return readFile("public/cli.html"); }

}  // namespace quorbel
