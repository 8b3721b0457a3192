#include "server/render_html.h"

#include "analysis/pipeline.h"
#include "server/file_text.h"
#include "verdict/verdict.h"
#include "verdict/verdict_report.h"

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

std::string renderPage(std::string_view code, const Analysis& analysis) {
  std::string page = readFile("public/complexity.html");
  if (page.empty()) return page;
  // The order is part of the page's contract: the code goes first, so placeholder text that
  // a user typed into the code is filled in by the later steps like the template's own.
  replaceAll(page, "{{CODE}}", htmlEscape(code));
  replaceAll(page, "{{LINE_COUNT}}", std::to_string(countCodeLines(code)));
  replaceAll(page, "{{COMPLEXITY}}", htmlEscape(analysis.notation));
  replaceAll(page, "{{LABEL}}", htmlEscape(analysis.label));
  replaceAll(page, "{{SPACE_COMPLEXITY}}", htmlEscape(analysis.space.notation));
  replaceAll(page, "{{SPACE_LABEL}}", htmlEscape(analysis.space.label));
  replaceAll(page, "{{SPACE_PATTERN}}", htmlEscape(analysis.space.pattern));
  replaceAll(page, "{{SPACE_SIGNALS}}", renderList(analysis.space.signals));
  replaceAll(page, "{{PATTERN}}", htmlEscape(analysis.pattern));
  replaceAll(page, "{{CONSTRAINT_BUDGET}}", htmlEscape(analysis.constraintBudget));
  replaceAll(page, "{{CONSTRAINTS}}", renderConstraintItems(analysis.constraints));
  replaceAll(page, "{{SIGNALS}}", renderList(analysis.signals));
  replaceAll(page, "{{BREAKDOWN}}", renderBreakdownRows(analysis.breakdown));
  replaceAll(page, "{{NOTES}}", renderList(analysis.notes));
  // The form carries no limits: the verdict is judged at the source's own.
  Verdict verdict;
  std::string error;
  judgeAtLimits(analysis, {}, verdict, error);
  replaceAll(page, "{{VERDICT}}", renderList(verdictLines(verdict)));
  return page;
}

std::string renderPage(std::string_view code) { return renderPage(code, analyze(code)); }

std::string renderIde() { return readFile("public/ide.html"); }

std::string renderStorage() { return readFile("public/storage.html"); }

std::string renderCli() { return readFile("public/cli.html"); }

}  // namespace quorbel
