// The verdict as the command line and the JSON API show it. Both print the same sentences,
// made once by judgeAtLimits.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/result.h"
#include "verdict/verdict.h"

namespace quorbel {

// The verdict as lines: sizes with their sources, time and memory limits, operations, the time
// and memory verdicts, memory items, notes.
std::vector<std::string> verdictLines(const Verdict& verdict);
// The full report's section "Verdict at the limits:" (sizes with their sources, time and
// memory limits, operations, the time and memory verdicts, memory items, notes), ending in a
// blank line.
void printVerdictSection(const Verdict& verdict, std::ostream& out);
// One line for the short report: "Verdict: time fits, memory fits".
void printVerdictLine(const Verdict& verdict, std::ostream& out);

// The "verdict" object of the /api/analyze document.
std::string renderJsonVerdict(const Verdict& verdict);
// The whole /api/analyze document for `code`, as the server answers it and as
// "quorbel analyze json" prints it.
std::string renderAnalysisJson(std::string_view code, const Analysis& analysis,
                               const Verdict& verdict, bool saved, std::string_view storageError);

}  // namespace quorbel
