// Walks the tree with a tree-sitter cursor and an explicit stack rather than by recursion: a
// source nested 100,000 levels deep must not overflow the call stack. The cursor also reaches
// each child in constant time, where asking a node for child i walks its earlier siblings again.
#include "syntax/syntax_reader.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tree_sitter/api.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

extern "C" const TSLanguage* tree_sitter_cpp(void);

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

// The tree-sitter runtime corrupts its heap when error recovery gathers more than 65535 pending
// subtrees into one node (an unterminated run of "(" or "!" tens of thousands long, say) and then
// aborts the process in ts_tree_delete. Such input needs at least that many tokens, so a source
// with fewer non-blank bytes is parsed directly; a larger one is first parsed in a throw-away
// child process, and only parsed here when the child survived.
constexpr size_t kDirectParseLimit = 60000;

std::atomic<size_t> parses{0};

size_t nonBlankBytes(std::string_view source) {
  size_t count = 0;
  for (char c : source) count += !(c == ' ' || c == '\t' || c == '\n' || c == '\r');
  return count;
}

bool parseSurvivesInChild(std::string_view source) {
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // The child may abort: no core file, and no message on the caller's standard error.
    rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, 2);
    TSParser* parser = ts_parser_new();
    if (parser && ts_parser_set_language(parser, tree_sitter_cpp())) {
      TSTree* tree = ts_parser_parse_string(parser, nullptr, source.data(),
                                            static_cast<uint32_t>(source.size()));
      if (tree) ts_tree_delete(tree);
    }
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool safeToParse(std::string_view source) {
  return nonBlankBytes(source) < kDirectParseLimit || parseSurvivesInChild(source);
}

}  // namespace

bool isLoopNodeType(std::string_view type) {
  if (type == "for_statement" || type == "while_statement" || type == "do_statement") return true;
  return type.find("range") != std::string_view::npos && type.find("for") != std::string_view::npos;
}

SyntaxReaderResult readCppSyntax(std::string_view source) {
  SyntaxReaderResult result;
  result.source = std::make_shared<const std::string>(source);
  result.lines = splitLines(source);

  if (!safeToParse(source)) return result;
  TSParser* parser = ts_parser_new();
  if (!parser) return result;
  if (!ts_parser_set_language(parser, tree_sitter_cpp())) {
    ts_parser_delete(parser);
    return result;
  }
  const std::string& owned = *result.source;
  TSTree* tree =
      ts_parser_parse_string(parser, nullptr, owned.data(), static_cast<uint32_t>(owned.size()));
  ++parses;
  if (tree) {
    result.parsed = true;
    result.tree = std::shared_ptr<TSTree>(tree, ts_tree_delete);
    TSNode root = ts_tree_root_node(tree);
    if (!ts_node_is_null(root)) walkTree(root, result);
  }
  ts_parser_delete(parser);
  return result;
}

size_t parsesRun() { return parses; }

}  // namespace quorbel
