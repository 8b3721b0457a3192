// Walks the tree with a tree-sitter cursor and an explicit stack of enclosing loops rather than
// by recursion: a source nested 100,000 levels deep must not overflow the call stack. The
// cursor also reaches each child in constant time, where asking a node for child i walks its
// earlier siblings again.
#include "syntax/syntax_reader.h"

#include <tree_sitter/api.h>

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

SyntaxNodeInfo describeNode(TSNode node, std::string_view source, const LoopFrame* loop) {
  SyntaxNodeInfo info;
  info.type = ts_node_type(node);
  info.startLine = ts_node_start_point(node).row + 1;
  info.endLine = ts_node_end_point(node).row + 1;
  info.startByte = ts_node_start_byte(node);
  info.endByte = ts_node_end_byte(node);
  const uint32_t length = static_cast<uint32_t>(source.size());
  if (info.startByte < length && info.endByte >= info.startByte && info.endByte <= length)
    info.text = source.substr(info.startByte, info.endByte - info.startByte);
  info.loopDepth = loop ? loop->depth + 1 : 0;
  info.innermostLoop = loop;
  return info;
}

// Pre-order walk. `loops` holds, for each level of the cursor's path, the innermost loop
// enclosing the children of that level's node.
void walkTree(TSNode root, SyntaxReaderResult& result) {
  std::string_view source = *result.source;
  TSTreeCursor cursor = ts_tree_cursor_new(root);
  std::vector<const LoopFrame*> loops;
  const LoopFrame* current = nullptr;  // innermost loop enclosing the cursor's node
  while (true) {
    TSNode node = ts_tree_cursor_current_node(&cursor);
    SyntaxNodeInfo info = describeNode(node, source, current);
    if (result.firstErrorLine == 0 && (info.type == "ERROR" || ts_node_is_missing(node)))
      result.firstErrorLine = info.startLine;
    result.nodes.push_back(info);
    const LoopFrame* forChildren = current;
    if (isLoopNodeType(info.type)) {
      result.loopFrames->push_back(
          {info.type, info.text, info.startByte, result.nodes.size() - 1, info.loopDepth, current});
      forChildren = &result.loopFrames->back();
    }
    if (ts_tree_cursor_goto_first_child(&cursor)) {
      loops.push_back(current);
      current = forChildren;
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
  result.loopFrames = std::make_shared<std::deque<LoopFrame>>();
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

std::vector<const LoopFrame*> enclosingLoops(const SyntaxNodeInfo& node) {
  std::vector<const LoopFrame*> frames(node.loopDepth > 0 ? node.loopDepth : 0);
  size_t index = frames.size();
  for (const LoopFrame* frame = node.innermostLoop; frame && index > 0; frame = frame->parent)
    frames[--index] = frame;
  return frames;
}

std::vector<std::string_view> loopTypes(const SyntaxNodeInfo& node) {
  std::vector<std::string_view> types;
  for (const LoopFrame* frame : enclosingLoops(node)) types.push_back(frame->type);
  return types;
}

std::vector<std::string_view> loopTexts(const SyntaxNodeInfo& node) {
  std::vector<std::string_view> texts;
  for (const LoopFrame* frame : enclosingLoops(node)) texts.push_back(frame->text);
  return texts;
}

}  // namespace quorbel
