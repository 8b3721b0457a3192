// The tree-sitter C++ parse flattened into a list of nodes in pre-order, each with its exact
// source text, line and byte span and the loops that enclose it.
//
// Texts are views into one copy of the source held by the result, and enclosing loops are a
// shared chain of frames, so memory grows with the number of nodes, not with nodes times text
// length times loop depth. Copies of a result share that storage and stay valid.
#pragma once

#include <tree_sitter/api.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

// One enclosing loop: its node's type, text and start, and the loop around it.
struct LoopFrame {
  std::string_view type;
  std::string_view text;
  uint32_t startByte = 0;
  size_t nodeIndex = 0;
  int depth = 0;  // loops enclosing this loop
  const LoopFrame* parent = nullptr;
};

struct SyntaxNodeInfo {
  std::string_view type;   // grammar type: "for_statement", "identifier", "(", ...
  std::string_view text;   // exact source bytes; empty when the span lies outside the source
  uint32_t startLine = 0;  // 1-based
  uint32_t endLine = 0;
  uint32_t startByte = 0;
  uint32_t endByte = 0;
  int loopDepth = 0;                         // enclosing loop nodes, the node itself not counted
  const LoopFrame* innermostLoop = nullptr;  // null when no loop encloses the node
};

struct SyntaxReaderResult {
  bool parsed = false;
  uint32_t firstErrorLine = 0;  // the first ERROR or MISSING node's line; 0 for a clean parse
  std::vector<std::string> lines;
  std::vector<SyntaxNodeInfo> nodes;
  // Storage the views above point into.
  std::shared_ptr<const std::string> source;
  std::shared_ptr<std::deque<LoopFrame>> loopFrames;
  // The tree itself, for the model to read: the program is parsed once per analysis.
  std::shared_ptr<TSTree> tree;
};

// Parses and flattens the text. Never fails: without a tree, `parsed` is false and `nodes`
// empty, while `lines` is still filled. Deep trees are walked without recursion.
SyntaxReaderResult readCppSyntax(std::string_view source);
// How many sources this process has parsed so far; the guard's throw-away child is not counted.
size_t parsesRun();

// "for_statement", "while_statement", "do_statement", or any type naming both "range" and
// "for" ("for_range_loop").
bool isLoopNodeType(std::string_view type);

// The enclosing loops of a node, outermost first (as many as `loopDepth`).
std::vector<const LoopFrame*> enclosingLoops(const SyntaxNodeInfo& node);
std::vector<std::string_view> loopTypes(const SyntaxNodeInfo& node);
std::vector<std::string_view> loopTexts(const SyntaxNodeInfo& node);

}  // namespace quorbel
