// The SQLite history: opening (directory creation, bad paths, foreign files), the schema, and
// what one save writes, read back with plain SQL.
#include <grp.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "storage/analysis_store.h"
#include "test_support.h"

namespace quorbel {
namespace {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorbel-store-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override {
    chmod(dir_.c_str(), 0700);
    std::filesystem::remove_all(dir_);
  }

  // Runs one SQL statement on a separate connection; returns the rows, columns joined with "|".
  std::vector<std::string> query(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    std::vector<std::string> rows;
    EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        if (i > 0) row += "|";
        const unsigned char* text = sqlite3_column_text(statement, i);
        row += text != nullptr ? reinterpret_cast<const char*>(text) : "NULL";
      }
      rows.push_back(row);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
  }

  static AnalysisRecord sampleRecord() {
    AnalysisRecord record;
    record.code = "int main() {\n  sort(v.begin(), v.end());\n}\n";
    record.lineCount = 4;
    record.analysis.notation = "O(n log n)";
    record.analysis.label = "Linearithmic";
    record.analysis.pattern = "Sorting";
    record.analysis.signals = {"sort call", "vector v"};
    record.analysis.breakdown = {{"2", "std::sort", "O(n log n)"}, {"-", "input", "O(n)"}};
    record.analysis.notes = {"first", "second"};
    return record;
  }

  std::string dir_;
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
  EXPECT_EQ(query(file,
                  "SELECT name FROM sqlite_master WHERE type IN ('table','index') AND "
                  "name NOT LIKE 'sqlite_%' ORDER BY name;"),
            (std::vector<std::string>{"analyses", "idx_analyses_created_at"}));
  // The schema runs on every open: a second store on the same file is fine.
  AnalysisStore again(file);
  EXPECT_TRUE(again.ok()) << again.lastError();
  EXPECT_TRUE(again.initialize());
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
            (std::vector<std::string>{"1" + want, "2" + want}));
  // Empty lists are stored as empty text, not NULL.
  EXPECT_EQ(query(file,
                  "SELECT quote(signals), quote(breakdown), quote(notes), line_count "
                  "FROM analyses WHERE id = 3;"),
            (std::vector<std::string>{"''|''|''|0"}));
}

TEST_F(StoreTest, DirectoryCreationFailures) {
  std::ofstream(dir_ + "/plain-file") << "x";
  const std::string cases[] = {
      dir_ + "/one/two/quorbel.db",     // two levels missing: only one is ever created
      dir_ + "/plain-file/quorbel.db",  // the parent is a file
  };
  for (const std::string& file : cases) {
    AnalysisStore store(file);
    EXPECT_FALSE(store.ok()) << file;
    EXPECT_EQ(store.lastError(), "Could not create database directory for " + file);
    EXPECT_FALSE(store.saveAnalysis(sampleRecord()));
    EXPECT_FALSE(store.exec("SELECT 1;"));
    EXPECT_EQ(store.lastError(), "Could not create database directory for " + file)
        << "a closed store keeps its opening error";
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/one"));
}

// 0 when a store in an unwritable directory fails to open and to save, with the directory
// message for a missing level; the failed check's number otherwise.
int checkUnwritableDirectory(const std::string& locked) {
  const std::string file = locked + "/sub/quorbel.db";
  AnalysisStore store(file);
  if (store.ok()) return 1;
  if (store.lastError() != "Could not create database directory for " + file) return 2;
  AnalysisStore direct(locked + "/quorbel.db");
  if (direct.ok() || direct.lastError().empty()) return 3;
  if (direct.saveAnalysis(AnalysisRecord{"int main() {}", Analysis{}, 1})) return 4;
  return 0;
}

TEST_F(StoreTest, UnwritableDirectory) {
  const std::string locked = dir_ + "/locked";
  ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
  if (geteuid() != 0) {
    EXPECT_EQ(checkUnwritableDirectory(locked), 0);
    return;
  }
  // Permissions do not bind root: check as the unprivileged user "nobody" in a child.
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    _exit(checkUnwritableDirectory(locked));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "failed check number";
}

TEST_F(StoreTest, ForeignFilesAreReported) {
  const std::string notDatabase = dir_ + "/notes.txt";
  std::ofstream(notDatabase) << std::string(4096, 'x');
  AnalysisStore text(notDatabase);
  EXPECT_FALSE(text.ok());
  EXPECT_EQ(text.lastError(), "file is not a database");

  AnalysisStore directory(dir_);
  EXPECT_FALSE(directory.ok());
  EXPECT_NE(directory.lastError(), "");
  EXPECT_FALSE(directory.saveAnalysis(sampleRecord()));
}

TEST_F(StoreTest, LegacyConfidenceColumnGetsZero) {
  const std::string file = dir_ + "/legacy.db";
  query(file,
        "CREATE TABLE analyses (id INTEGER PRIMARY KEY AUTOINCREMENT,code TEXT NOT NULL,language "
        "TEXT NOT NULL DEFAULT 'cpp',notation TEXT NOT NULL,label TEXT NOT NULL,pattern TEXT NOT "
        "NULL,confidence REAL NOT NULL,line_count INTEGER NOT NULL,signals TEXT NOT "
        "NULL,breakdown TEXT NOT NULL,notes TEXT NOT NULL,created_at TEXT NOT NULL DEFAULT "
        "CURRENT_TIMESTAMP);");
  AnalysisStore store(file);
  ASSERT_TRUE(store.ok()) << store.lastError();
  ASSERT_TRUE(store.saveAnalysis(sampleRecord())) << store.lastError();
  EXPECT_EQ(query(file, "SELECT confidence, notation, line_count FROM analyses;"),
            (std::vector<std::string>{"0.0|O(n log n)|4"}));
}

TEST_F(StoreTest, IncompatibleTableFailsTheSaveWithTheEngineMessage) {
  const std::string file = dir_ + "/odd.db";
  query(file, "CREATE TABLE analyses (id INTEGER PRIMARY KEY, created_at TEXT);");
  AnalysisStore store(file);
  EXPECT_TRUE(store.ok()) << "the schema script only adds what is missing";
  EXPECT_FALSE(store.saveAnalysis(sampleRecord()));
  EXPECT_EQ(store.lastError(), "table analyses has no column named code");
  EXPECT_FALSE(store.ok());
}

TEST_F(StoreTest, SchemaFailureLeavesTheConnectionOpen) {
  const std::string file = dir_ + "/noindex.db";
  query(file, "CREATE TABLE analyses (id INTEGER PRIMARY KEY);");
  AnalysisStore store(file);
  EXPECT_FALSE(store.ok());
  EXPECT_EQ(store.lastError(), "no such column: created_at");
  EXPECT_TRUE(store.exec("SELECT 1;")) << "the connection itself still works";
  EXPECT_FALSE(store.exec("NOT SQL;"));
  EXPECT_EQ(store.lastError(), "near \"NOT\": syntax error");
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
