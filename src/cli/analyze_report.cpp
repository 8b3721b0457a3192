#include "cli/analyze_report.h"

#include "base/file_text.h"

namespace quorbel {

namespace {

// "line 39 (time): ..." or "(space): ..." for an assumption of no one line.
std::string describeAssumption(const Assumption& assumption) {
  std::string text = assumption.line > 0 ? "line " + std::to_string(assumption.line) + " " : "";
  return text + "(" + assumption.dimension + "): " + assumption.text;
}

std::string confidenceLine(const Confidence& confidence) {
  return "Confidence: time " + confidence.time + ", space " + confidence.space;
}

}  // namespace

void printNotationReport(const Analysis& analysis, std::ostream& out) {
  out << "Time: " << analysis.notation << '\n';
  out << "Space: " << analysis.space.notation << '\n';
  out << confidenceLine(analysis.confidence) << '\n';
  // A high answer assumed nothing worth reading; a weaker one says what it rests on.
  for (const Assumption& assumption : analysis.assumptions) {
    const std::string& level =
        assumption.dimension == "space" ? analysis.confidence.space : analysis.confidence.time;
    if (level != "high") out << "  - " << describeAssumption(assumption) << '\n';
  }
}

void printFullReport(const std::string& path, std::string_view contents, const Analysis& analysis,
                     std::ostream& out, std::string_view verdictSection) {
  out << "quorbel analysis\n";
  out << "File: " << path << '\n';
  out << "Lines: " << countCodeLines(contents) << "\n\n";

  out << "Worst-case time: " << analysis.notation << '\n';
  out << "  Label: " << analysis.label << '\n';
  out << "  Pattern: " << analysis.pattern << "\n\n";

  out << "Auxiliary space: " << analysis.space.notation << '\n';
  out << "  Label: " << analysis.space.label << '\n';
  out << "  Pattern: " << analysis.space.pattern << "\n\n";

  out << confidenceLine(analysis.confidence) << '\n';
  std::vector<std::string> assumptions;
  for (const Assumption& assumption : analysis.assumptions)
    assumptions.push_back(describeAssumption(assumption));
  printList("Assumptions", assumptions, out);
  out << '\n';

  out << "Rough constraints:\n";
  for (const ConstraintEstimate& estimate : analysis.constraints) {
    out << "  - " << estimate.variable << ": " << estimate.maxValue;
    if (!estimate.assumption.empty()) out << " (" << estimate.assumption << ")";
    out << '\n';
  }
  if (analysis.constraints.empty()) out << "  - none\n";
  out << '\n' << verdictSection;

  printList("Time signals", analysis.signals, out);
  out << '\n';
  printList("Space signals", analysis.space.signals, out);
  if (!analysis.notes.empty()) {
    out << '\n';
    printList("Notes", analysis.notes, out);
  }
}

void printList(const std::string& title, const std::vector<std::string>& items, std::ostream& out) {
  out << title << ":\n";
  for (const std::string& item : items) out << "  - " << item << '\n';
  if (items.empty()) out << "  - none\n";
}

}  // namespace quorbel
