// Work run in a forked child whose report the parent passes on only when the child ended well:
// the command line analyses a large file this way, so that the one parse of it is the guarded
// one (syntax/parse_tree.h) instead of a throw-away parse before the real one.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace quorbel {

// Work that prints to the two streams it is given and returns a status.
using ReportedWork = std::function<int(std::ostream& out, std::ostream& err)>;

// What the work printed and returned.
struct ChildReport {
  int status = 0;
  std::string out;
  std::string err;
};

// Runs `work` in a child process and returns its report when the child returned from the work
// and handed the report over whole; nothing when the child died (an abort, a signal) or could
// not be started: the caller then runs the work itself.
std::optional<ChildReport> runInThrowAwayChild(const ReportedWork& work);

}  // namespace quorbel
