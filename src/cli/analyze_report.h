// The two reports of the analyze command: the two-line notation summary and the full report.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"

namespace quorbel {

// "Time: <notation>" and "Space: <space notation>", one line each.
void printNotationReport(const Analysis& analysis, std::ostream& out);
// Header with the resolved path and line count, time and space with label and pattern, the
// rough constraints, `verdictSection` as given (the verdict at the limits), both signal lists,
// and the notes when there are any.
void printFullReport(const std::string& path, std::string_view contents, const Analysis& analysis,
                     std::ostream& out, std::string_view verdictSection = "");
// "<title>:" then "  - <item>" per item, or "  - none" for an empty list.
void printList(const std::string& title, const std::vector<std::string>& items, std::ostream& out);

}  // namespace quorbel
