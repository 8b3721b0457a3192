// The folders of src/ are levels: a file includes its own folder's headers and those of folders
// on lower levels, never a level above or a room beside it on its own level, so that a reader
// can tell from the folders which code may call which.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace quorbel {
namespace {

namespace fs = std::filesystem;

// The runner stands beside the analysis: it includes only itself, and only the levels that
// run programs (measure and above) include it.
constexpr int kBeside = -1;

const std::map<std::string, int>& levels() {
  static const std::map<std::string, int> table = {
      {"base", 0},        {"cost", 1},     {"syntax", 2},  {"model", 3},   {"estimate", 4},
      {"constraints", 5}, {"analysis", 6}, {"verdict", 7}, {"storage", 8}, {"measure", 8},
      {"regression", 9},  {"server", 10},  {"lsp", 11},    {"cli", 12},    {"runner", kBeside},
  };
  return table;
}

constexpr int kFirstRunnerUser = 8;

// The project folder each `#include "folder/..."` line of a file names.
std::vector<std::string> includedFolders(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> folders;
  for (std::string line; std::getline(in, line);) {
    const std::string directive = "#include \"";
    if (line.rfind(directive, 0) != 0) continue;
    const size_t slash = line.find('/', directive.size());
    if (slash == std::string::npos) continue;
    folders.push_back(line.substr(directive.size(), slash - directive.size()));
  }
  return folders;
}

bool mayInclude(const std::string& from, const std::string& to) {
  if (from == to) return true;
  const int fromLevel = levels().at(from), toLevel = levels().at(to);
  if (fromLevel == kBeside) return false;
  if (toLevel == kBeside) return fromLevel >= kFirstRunnerUser;
  return toLevel < fromLevel;
}

TEST(LayersTest, EveryIncludeRunsDown) {
  const fs::path src = fs::path(QUORBEL_SOURCE_DIR) / "src";
  int files = 0;
  for (const auto& room : fs::directory_iterator(src)) {
    const std::string from = room.path().filename().string();
    ASSERT_TRUE(levels().count(from)) << "src/" << from << " has no level in the table";
    for (const auto& entry : fs::directory_iterator(room.path())) {
      ++files;
      for (const std::string& to : includedFolders(entry.path())) {
        ASSERT_TRUE(levels().count(to)) << entry.path() << " includes unknown folder " << to;
        EXPECT_TRUE(mayInclude(from, to)) << entry.path() << " includes " << to << "/";
      }
    }
  }
  EXPECT_GT(files, 100);
}

struct IncludeRow {
  std::string from, to;
  bool allowed;
};

TEST(LayersTest, LevelRules) {
  const std::vector<IncludeRow> rows = {
      {"model", "syntax", true},     {"syntax", "model", false},    {"syntax", "base", true},
      {"base", "syntax", false},     {"storage", "measure", false}, {"measure", "runner", true},
      {"estimate", "runner", false}, {"runner", "base", false},     {"cli", "server", true},
      {"cli", "lsp", true},          {"lsp", "server", true},       {"server", "lsp", false},
      {"server", "cli", false},      {"verdict", "analysis", true}, {"analysis", "verdict", false},
  };
  for (const IncludeRow& row : rows)
    EXPECT_EQ(mayInclude(row.from, row.to), row.allowed) << row.from << " -> " << row.to;
}

}  // namespace
}  // namespace quorbel
