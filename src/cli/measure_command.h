// The measure command line: "quorbel measure FILE.cpp [--budget SECONDS] [--vary NAME]
// [--shape tree|permutation|connected|random] [--json]". A progress line per size goes to the
// error stream when it is a terminal; the report (or the JSON document) to the out stream.
// Exit statuses: 0 measured or undecided, 1 the file or the program failed (the message says
// at which size), 2 usage problem.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quorbel {

// True when argv[1] is exactly "measure".
bool isMeasureCliCommand(int argc, char** argv);
// `arguments` exclude the program name: the first is "measure".
int runMeasureCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                  bool showProgress);
// Runs the command on argv with the standard streams.
int dispatchMeasureCli(int argc, char** argv);

}  // namespace quorbel
