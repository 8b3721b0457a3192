// Walks the tree with a tree-sitter cursor and an explicit stack rather than by recursion: a
// source nested 100,000 levels deep must not overflow the call stack. The cursor also reaches
// each child in constant time, where asking a node for child i walks its earlier siblings again.
#include "syntax/syntax_reader.h"

#include <tree_sitter/api.h>

#include <algorithm>
#include <atomic>

#include "syntax/parse_tree.h"

namespace quorbel {
namespace {

std::vector<std::string> splitLines(std::string_view source) {
  std::vector<std::string> lines;
  if (source.empty()) return lines;
  size_t start = 0;
  while (true) {
    size_t end = source.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(source.substr(start));
      break;
    }
    lines.emplace_back(source.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Records how deeply loops nest and the first syntax error. `loops` holds, for each level of
// the cursor's path, the loops around that level's node.
void walkTree(TSNode root, SyntaxReaderResult& result) {
  TSTreeCursor cursor = ts_tree_cursor_new(root);
  std::vector<int> loops;
  int current = 0;  // loops enclosing the cursor's node, the node itself included
  while (true) {
    const TSNode node = ts_tree_cursor_current_node(&cursor);
    const std::string_view type = ts_node_type(node);
    if (result.firstErrorLine == 0 && (type == "ERROR" || ts_node_is_missing(node)))
      result.firstErrorLine = ts_node_start_point(node).row + 1;
    const int here = current + (isLoopNodeType(type) ? 1 : 0);
    result.deepestLoopNesting = std::max(result.deepestLoopNesting, here);
    if (ts_tree_cursor_goto_first_child(&cursor)) {
      loops.push_back(current);
      current = here;
      continue;
    }
    // Climb until a next sibling exists.
    while (!ts_tree_cursor_goto_next_sibling(&cursor)) {
      if (!ts_tree_cursor_goto_parent(&cursor)) {
        ts_tree_cursor_delete(&cursor);
        return;
      }
      current = loops.back();
      loops.pop_back();
    }
  }
}

std::atomic<size_t> parses{0};

}  // namespace

bool isLoopNodeType(std::string_view type) {
  if (type == "for_statement" || type == "while_statement" || type == "do_statement") return true;
  return type.find("range") != std::string_view::npos && type.find("for") != std::string_view::npos;
}

SyntaxReaderResult readCppSyntax(std::string_view source) {
  SyntaxReaderResult result;
  result.source = std::make_shared<const std::string>(source);
  result.lines = splitLines(source);

  TreePointer tree = parseCppTree(*result.source);
  ++parses;
  if (tree) {
    result.parsed = true;
    result.tree = std::shared_ptr<TSTree>(tree.release(), ts_tree_delete);
    TSNode root = ts_tree_root_node(result.tree.get());
    if (!ts_node_is_null(root)) walkTree(root, result);
  }
  return result;
}

size_t parsesRun() { return parses; }

}  // namespace quorbel
