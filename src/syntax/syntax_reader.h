// The tree-sitter C++ parse of a source, guarded against the parser's own aborts, kept for the
// model to read: the tree, the text it indexes, the source's lines and how deeply loops nest.
#pragma once

#include <tree_sitter/api.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

struct SyntaxReaderResult {
  bool parsed = false;
  uint32_t firstErrorLine = 0;  // the first ERROR or MISSING node's line; 0 for a clean parse
  std::vector<std::string> lines;
  int deepestLoopNesting = 0;  // loops around the most deeply nested loop, itself included
  std::shared_ptr<const std::string> source;  // the text the tree indexes
  // The tree itself, for the model to read: the program is parsed once per analysis.
  std::shared_ptr<TSTree> tree;
};

// Parses the text. Never fails: without a tree, `parsed` is false, while `lines` is still
// filled. Deep trees are walked without recursion.
SyntaxReaderResult readCppSyntax(std::string_view source);
// How many sources this process has parsed so far; the guard's throw-away child is not counted.
size_t parsesRun();

// "for_statement", "while_statement", "do_statement", or any type naming both "range" and
// "for" ("for_range_loop").
bool isLoopNodeType(std::string_view type);

}  // namespace quorbel
