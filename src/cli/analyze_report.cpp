#include "cli/analyze_report.h"

#include "base/file_text.h"

namespace quorbel {

void printNotationReport(const Analysis& analysis, std::ostream& out) {
  out << "Time: " << analysis.notation << '\n';
  out << "Space: " << analysis.space.notation << '\n';
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
