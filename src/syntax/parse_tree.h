// The one way the program parses C++ with tree-sitter: under the active analysis bounds
// (base/analysis_bounds.h), through the parser's timeout and cancellation flag, since
// error recovery on hostile text can run for minutes inside a single parse call.
#pragma once

#include <tree_sitter/api.h>

#include <memory>
#include <string_view>

namespace quorbel {

struct TreeDeleter {
  void operator()(TSTree* tree) const { ts_tree_delete(tree); }
};
using TreePointer = std::unique_ptr<TSTree, TreeDeleter>;

// The tree of `text`, or null when tree-sitter gives none. Inside bounded work a parse that
// outlives the time limit or the memory ceiling is abandoned and AnalysisStopped thrown; a
// parse interrupted by the wall clock while CPU time remains is resumed where it stopped.
TreePointer parseCppTree(std::string_view text);

// Whether parseCppTree parses `text` twice: first in a throw-away child, since the parser can
// abort the process on some large inputs, then here.
bool parseNeedsGuard(std::string_view text);
// For a process whose death costs nothing (a child whose parent answers when it dies): every
// later parse in it is made once, directly.
void parseWithoutGuardFromNowOn();

}  // namespace quorbel
