// The analyze command line: "quorbel analyze [notation|full|json] <file.cpp|->" and its help
// words. Reports go to the out stream, messages prefixed "quorbel: " to the error stream; the
// out stream is written only when a report is. Exit statuses: 0 report or requested help,
// 1 file or limit problem (missing, directory, unreadable, too large), 2 usage problem or
// empty input, 3 a report whose verdict reached --fail-on, 4 an analysis stopped by its
// bounds (base/analysis_bounds.h).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quorbel {

// True when argv[1] is exactly "analyze", "help", "-h" or "--help".
bool isAnalyzeCliCommand(int argc, char** argv);
// Runs the command on argv[1..] (a null entry counts as empty text) with standard output,
// standard error, and progress text only when standard error is a terminal.
int dispatchCli(int argc, char** argv);
// The command without progress text, for callers that capture the output.
int runAnalyzeCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
// The whole command. `arguments` exclude the program name: the first is the command word.
// With `showProgress`, "Analyzing..." is written to `err` while the analysis runs and then
// erased.
int runAnalyzeCliImpl(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool showProgress);

}  // namespace quorbel
