// The SQLite history: opening (directory creation, bad paths, foreign files), the schema, and
// what one save writes, read back with plain SQL.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "storage/analysis_store.h"
#include "test_support.h"

namespace quorbel {
namespace {

using Rows = std::vector<std::string>;
using testing::query;

AnalysisRecord sampleRecord() {
  AnalysisRecord record{"int main() {\n  sort(v.begin(), v.end());\n}\n", Analysis{}, 4};
  record.analysis.notation = "O(n log n)";
  record.analysis.label = "Linearithmic";
  record.analysis.pattern = "Sorting";
  record.analysis.signals = {"sort call", "vector v"};
  record.analysis.breakdown = {{"2", "std::sort", "O(n log n)"}, {"-", "input", "O(n)"}};
  record.analysis.notes = {"first", "second"};
  return record;
}

std::string directoryError(const std::string& file) {
  return "Could not create database directory for " + file;
}

class StoreTest : public ::testing::Test {
 protected:
  testing::ScratchDir scratch_;
  const std::string dir_ = scratch_.path();
};

// One missing directory level is created, with the usual mode.
TEST_F(StoreTest, FreshDatabaseInANewDirectoryGetsTheSchema) {
  const std::string file = dir_ + "/data/quorbel.db";
  AnalysisStore store(file);
  EXPECT_TRUE(store.ok()) << store.lastError();
  struct stat info {};
  ASSERT_EQ(stat((dir_ + "/data").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0755 & ~mask);
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "other users' code: the owner's eyes only";
  EXPECT_EQ(query(file,
                  "SELECT name FROM sqlite_master WHERE type IN ('table','index') AND "
                  "name NOT LIKE 'sqlite_%' ORDER BY name;"),
            (Rows{"analyses", "idx_analyses_created_at"}));
  // The schema runs on every open: a second store on the same file is fine.
  AnalysisStore again(file);
  EXPECT_TRUE(again.ok()) << again.lastError();
  EXPECT_TRUE(again.initialize());
  EXPECT_FALSE(again.exec("NOT SQL;"));
  EXPECT_EQ(again.lastError(), "near \"NOT\": syntax error");
}

TEST_F(StoreTest, EachSaveWritesOneRow) {
  const std::string file = dir_ + "/rows.db";
  AnalysisStore store(file);
  ASSERT_TRUE(store.saveAnalysis(sampleRecord())) << store.lastError();
  ASSERT_TRUE(store.saveAnalysis(sampleRecord())) << store.lastError();
  ASSERT_TRUE(store.saveAnalysis(AnalysisRecord{"x", Analysis{}, 0})) << store.lastError();
  const std::string want =
      "|int main() {\n  sort(v.begin(), v.end());\n}\n|cpp|O(n log n)|Linearithmic|Sorting|4|"
      "sort call\nvector v|2\tstd::sort\tO(n log n)\n-\tinput\tO(n)|first\nsecond|1";
  EXPECT_EQ(query(file,
                  "SELECT id, code, language, notation, label, pattern, line_count, signals, "
                  "breakdown, notes, created_at IS NOT NULL FROM analyses WHERE id < 3;"),
            (Rows{"1" + want, "2" + want}));
  // Empty lists are stored as empty text, not NULL.
  EXPECT_EQ(query(file,
                  "SELECT quote(signals), quote(breakdown), quote(notes), line_count "
                  "FROM analyses WHERE id = 3;"),
            (Rows{"''|''|''|0"}));
}

// Each save drops the oldest rows beyond the cap; a cap that is no positive number is ignored.
TEST_F(StoreTest, HistoryKeepsTheNewestRows) {
  const std::pair<std::optional<std::string>, long long> limits[] = {
      {std::nullopt, 10000}, {"3", 3}, {"0", 10000}, {"-2", 10000}, {"5x", 10000}};
  for (const auto& [text, want] : limits) {
    testing::ScopedEnv cap("QUORBEL_HISTORY_MAX_ROWS", text);
    EXPECT_EQ(historyRowLimit(), want) << text.value_or("unset");
  }
  testing::ScopedEnv cap("QUORBEL_HISTORY_MAX_ROWS", "2");
  const std::string file = dir_ + "/capped.db";
  AnalysisStore store(file);
  for (const char* code : {"a", "b", "c", "d"})
    ASSERT_TRUE(store.saveAnalysis(AnalysisRecord{code, Analysis{}, 1})) << store.lastError();
  EXPECT_EQ(query(file, "SELECT id, code FROM analyses ORDER BY id;"), (Rows{"3|c", "4|d"}));
}

// The byte cap: its setting, then a flood of large saves that never lets the file pass it,
// the newest rows kept and the oldest gone.
TEST_F(StoreTest, HistoryStaysWithinItsByteCap) {
  const std::pair<std::optional<std::string>, long long> limits[] = {
      {std::nullopt, 16 << 20}, {"4", 4 << 20},   {"0.5", 512 << 10}, {"0", 16 << 20},
      {"-1", 16 << 20},         {"2x", 16 << 20}, {"", 16 << 20},     {"1e9", 16 << 20},
  };
  for (const auto& [text, want] : limits) {
    testing::ScopedEnv cap("QUORBEL_HISTORY_MAX_MB", text);
    EXPECT_EQ(historyByteLimit(), want) << text.value_or("unset");
  }
  testing::ScopedEnv cap("QUORBEL_HISTORY_MAX_MB", "1");
  const std::string file = dir_ + "/bytes.db";
  AnalysisStore store(file);
  // 40 saves of 200 KB: 8 MB posted, at most five rows' worth (1 MB) kept at any time.
  for (int i = 0; i < 40; ++i) {
    const std::string code = std::to_string(i) + ":" + std::string(200 << 10, 'x');
    ASSERT_TRUE(store.saveAnalysis(AnalysisRecord{code, Analysis{}, 1})) << store.lastError();
    EXPECT_LE(std::filesystem::file_size(file), 1u << 20) << "after save " << i;
  }
  const Rows kept = query(file, "SELECT substr(code, 1, 3) FROM analyses ORDER BY id;");
  ASSERT_FALSE(kept.empty());
  EXPECT_LE(kept.size(), 5u);
  EXPECT_EQ(kept.back(), "39:");
}

// A history that grew under a larger cap, or before the cap existed (a file without
// incremental vacuum), shrinks at its next save: freed pages go back to the file system.
TEST_F(StoreTest, HistoryHandsFreedSpaceBack) {
  const std::string file = dir_ + "/old.db";
  query(file,
        "CREATE TABLE analyses (id INTEGER PRIMARY KEY AUTOINCREMENT, code TEXT NOT NULL, "
        "language TEXT NOT NULL DEFAULT 'cpp', notation TEXT NOT NULL, label TEXT NOT NULL, "
        "pattern TEXT NOT NULL, line_count INTEGER NOT NULL, signals TEXT NOT NULL, breakdown "
        "TEXT NOT NULL, notes TEXT NOT NULL, created_at TEXT NOT NULL DEFAULT "
        "CURRENT_TIMESTAMP);");
  query(file,
        "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < 40) INSERT INTO "
        "analyses (code, notation, label, pattern, line_count, signals, breakdown, notes) "
        "SELECT hex(zeroblob(50000)), '', '', '', 1, '', '', '' FROM k;");
  ASSERT_GT(std::filesystem::file_size(file), 3u << 20);
  testing::ScopedEnv cap("QUORBEL_HISTORY_MAX_MB", "1");
  AnalysisStore store(file);
  ASSERT_TRUE(store.ok()) << store.lastError();
  EXPECT_EQ(query(file, "PRAGMA auto_vacuum;"), (Rows{"2"})) << "incremental from now on";
  ASSERT_TRUE(store.saveAnalysis(AnalysisRecord{"new", Analysis{}, 1})) << store.lastError();
  EXPECT_LE(std::filesystem::file_size(file), 1u << 20);
  EXPECT_EQ(query(file, "SELECT code FROM analyses ORDER BY id DESC LIMIT 1;"), (Rows{"new"}));
}

// A store that could not open fails every save and statement and keeps its opening error.
TEST_F(StoreTest, OpeningFailures) {
  scratch_.write("plain-file", "x");
  scratch_.write("notes.txt", std::string(4096, 'x'));
  const std::string deep = dir_ + "/one/two/quorbel.db";
  const std::string underFile = dir_ + "/plain-file/quorbel.db";
  // The file, and the error (nullopt: the engine's own words).
  const testing::Case<std::string, std::optional<std::string>> kCases[] = {
      {"two levels missing: only one is ever created", deep, directoryError(deep)},
      {"the parent is a file", underFile, directoryError(underFile)},
      {"not a database", dir_ + "/notes.txt", "file is not a database"},
      {"a directory", dir_, std::nullopt},
  };
  for (const auto& c : kCases) {
    AnalysisStore store(c.in);
    EXPECT_FALSE(store.ok()) << c.name;
    const std::string error = store.lastError();
    EXPECT_EQ(error, c.want.value_or(error)) << c.name;
    EXPECT_NE(error, "") << c.name;
    EXPECT_FALSE(store.saveAnalysis(sampleRecord())) << c.name;
    EXPECT_FALSE(store.exec("SELECT count(*) FROM analyses;")) << c.name;
    EXPECT_EQ(store.lastError(), error) << c.name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/one"));

  // Permissions do not bind root: this part runs as "nobody" there.
  const std::string locked = dir_ + "/locked";
  ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
  const int failedCheck = testing::runWithoutRoot([&] {
    const std::string file = locked + "/sub/quorbel.db";
    AnalysisStore store(file);
    if (store.ok() || store.lastError() != directoryError(file)) return 1;
    AnalysisStore direct(locked + "/quorbel.db");
    if (direct.ok() || direct.lastError().empty()) return 2;
    return direct.saveAnalysis(AnalysisRecord{"int main() {}", Analysis{}, 1}) ? 3 : 0;
  });
  EXPECT_EQ(failedCheck, 0) << "unwritable directory: failed check number";
}

// Tables made by older versions or by something else: the schema script only adds what is
// missing, and what it cannot add or save shows as the engine's message.
TEST_F(StoreTest, ExistingTables) {
  struct Case {
    const char* name;
    const char* columns;
    const char* openError;
    const char* saveError;  // empty: saved
  };
  const Case kCases[] = {
      {"legacy confidence column",
       "id INTEGER PRIMARY KEY AUTOINCREMENT, code, language, notation, label, pattern, "
       "confidence REAL NOT NULL, line_count, signals, breakdown, notes, created_at",
       "", ""},
      {"no code column", "id INTEGER PRIMARY KEY, created_at TEXT", "",
       "table analyses has no column named code"},
      {"no column for the index", "id INTEGER PRIMARY KEY", "no such column: created_at",
       "table analyses has no column named code"},
  };
  for (const Case& c : kCases) {
    const std::string file = dir_ + "/" + c.name + ".db";
    query(file, std::string("CREATE TABLE analyses (") + c.columns + ");");
    AnalysisStore store(file);
    EXPECT_EQ(store.lastError(), c.openError) << c.name;
    EXPECT_EQ(store.saveAnalysis(sampleRecord()), *c.saveError == '\0') << c.name;
    EXPECT_EQ(store.lastError(), *c.saveError ? c.saveError : c.openError) << c.name;
    EXPECT_EQ(store.ok(), store.lastError().empty()) << c.name;
    EXPECT_TRUE(store.exec("SELECT 1;")) << c.name << ": the connection itself still works";
  }
  EXPECT_EQ(query(dir_ + "/legacy confidence column.db",
                  "SELECT confidence, notation, line_count FROM analyses;"),
            (Rows{"0.0|O(n log n)|4"}));
}

// The in-memory and temporary databases work and leave nothing in the working directory.
TEST(StorePathTest, PrivateDatabasesLeaveNoFile) {
  testing::ScratchWorkingDirectory cwd;
  for (const std::string path : {":memory:", ""}) {
    AnalysisStore store(path);
    EXPECT_TRUE(store.ok()) << '"' << path << "\": " << store.lastError();
    EXPECT_TRUE(store.saveAnalysis(sampleRecord())) << '"' << path << '"';
  }
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(cwd.path()))
    if (entry.path().filename() != "public") left.push_back(entry.path().filename());
  EXPECT_EQ(left, Rows{});
}

TEST(StorePathTest, DefaultDatabasePath) {
  testing::ScopedEnv unset("QUORBEL_DB_PATH", std::nullopt);
  EXPECT_EQ(defaultDatabasePath(), "data/quorbel.db");
  testing::ScopedEnv empty("QUORBEL_DB_PATH", "");
  EXPECT_EQ(defaultDatabasePath(), "data/quorbel.db");
  testing::ScopedEnv set("QUORBEL_DB_PATH", " /srv/q.db");
  EXPECT_EQ(defaultDatabasePath(), " /srv/q.db") << "used unchanged";
}

}  // namespace
}  // namespace quorbel
