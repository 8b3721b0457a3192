#include "analysis/cpp_presence.h"

#include <tree_sitter/api.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "model/model.h"

namespace quorbel {
namespace {

// Marks the lines an ERROR node spans or a MISSING node stands on. ERROR nodes are not entered:
// what lies inside one is broken as a whole.
void markErrorLines(TSNode root, std::vector<bool>& broken) {
  TSTreeCursor cursor = ts_tree_cursor_new(root);
  while (true) {
    const TSNode node = ts_tree_cursor_current_node(&cursor);
    const bool error = std::string_view(ts_node_type(node)) == "ERROR";
    if (error || ts_node_is_missing(node)) {
      const uint32_t first = ts_node_start_point(node).row;
      const uint32_t last = ts_node_end_point(node).row;
      for (uint32_t row = first; row <= last && row < broken.size(); ++row) broken[row] = true;
    }
    if (!error && ts_node_has_error(node) && ts_tree_cursor_goto_first_child(&cursor)) continue;
    while (!ts_tree_cursor_goto_next_sibling(&cursor)) {
      if (!ts_tree_cursor_goto_parent(&cursor)) {
        ts_tree_cursor_delete(&cursor);
        return;
      }
    }
  }
}

}  // namespace

std::optional<std::string> whyNotCpp(const Analysis& analysis) {
  if (analysis.parseErrorLine == 0) return std::nullopt;
  const std::shared_ptr<const Model>& model = analysis.model;
  if (model == nullptr || model->text == nullptr || model->tree == nullptr) return std::nullopt;
  if (!model->functions.empty()) return std::nullopt;

  const std::string_view text = *model->text;
  // Directive lines are left out: "# Title" in a README reads as one, and a C++ file's
  // includes say nothing of whether the rest is C++.
  std::vector<bool> blank;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = trim(text.substr(start, end - start));
    blank.push_back(line.empty() || line.front() == '#');
    start = end + 1;
  }
  std::vector<bool> broken(blank.size(), false);
  markErrorLines(ts_tree_root_node(model->tree.get()), broken);
  size_t lines = 0, brokenLines = 0;
  for (size_t row = 0; row < blank.size(); ++row) {
    if (blank[row]) continue;
    ++lines;
    brokenLines += broken[row];
  }
  if (lines == 0 || brokenLines * 2 <= lines) return std::nullopt;
  return "This does not look like C++: it defines no function and " + std::to_string(brokenLines) +
         " of its " + std::to_string(lines) + " lines do not parse (the first on line " +
         std::to_string(analysis.parseErrorLine) + "), so nothing was estimated.";
}

}  // namespace quorbel
