#include "storage/analysis_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "base/text.h"

namespace quorbel {
namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr long long kDefaultHistoryRows = 10000;
constexpr double kDefaultHistoryMegabytes = 16;
// Rows dropped at a time while the history is over its byte cap: few enough that one large
// save costs only the oldest rows, enough that a flood of them does not loop long.
constexpr int kRowsPerTrim = 8;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS analyses (id INTEGER PRIMARY KEY AUTOINCREMENT,code TEXT NOT "
    "NULL,language TEXT NOT NULL DEFAULT 'cpp',notation TEXT NOT NULL,label TEXT NOT "
    "NULL,pattern TEXT NOT NULL,line_count INTEGER NOT NULL,signals TEXT NOT NULL,breakdown "
    "TEXT NOT NULL,notes TEXT NOT NULL,created_at TEXT NOT NULL DEFAULT "
    "CURRENT_TIMESTAMP);CREATE INDEX IF NOT EXISTS idx_analyses_created_at ON "
    "analyses(created_at);";

constexpr const char* kInsertCurrent =
    "INSERT INTO analyses (code, language, notation, label, pattern, line_count, signals, "
    "breakdown, notes) VALUES (?, 'cpp', ?, ?, ?, ?, ?, ?, ?);";

// Tables created before the confidence score was dropped still require a value for it.
constexpr const char* kInsertLegacy =
    "INSERT INTO analyses (code, language, notation, label, pattern, confidence, line_count, "
    "signals, breakdown, notes) VALUES (?, 'cpp', ?, ?, ?, 0, ?, ?, ?, ?);";

// Only the last directory level is created: a deeper missing tree is a misconfigured path,
// and creating it silently would hide the mistake.
bool ensureParentDirectory(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  const std::string directory = path.substr(0, slash);
  struct stat info {};
  if (stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
  return mkdir(directory.c_str(), 0755) == 0;
}

// ":memory:" and "" are SQLite's private in-memory and temporary databases: creating a file of
// that name would leave an empty stray file in the working directory.
bool namesAFile(const std::string& path) { return !path.empty() && path != ":memory:"; }

bool hasLegacyConfidenceColumn(sqlite3* db) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA table_info(analyses);", -1, &statement, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(statement);
    return false;
  }
  bool legacy = false;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const unsigned char* name = sqlite3_column_text(statement, 1);
    if (name != nullptr && std::string(reinterpret_cast<const char*>(name)) == "confidence") {
      legacy = true;
    }
  }
  sqlite3_finalize(statement);
  return legacy;
}

// One line per row: line, tab, signal, tab, cost.
std::string breakdownText(const std::vector<Row>& rows) {
  std::vector<std::string> lines;
  lines.reserve(rows.size());
  for (const Row& row : rows) lines.push_back(row.line + "\t" + row.signal + "\t" + row.cost);
  return joinStrings(lines);
}

void bindText(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

}  // namespace

long long historyByteLimit() {
  const char* text = std::getenv("QUORBEL_HISTORY_MAX_MB");
  double megabytes = kDefaultHistoryMegabytes;
  if (text != nullptr) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end != text && *end == '\0' && std::isfinite(value) && value > 0 && value < 1e6)
      megabytes = value;
  }
  return static_cast<long long>(megabytes * 1024 * 1024);
}

long long historyRowLimit() {
  const char* text = std::getenv("QUORBEL_HISTORY_MAX_ROWS");
  if (text == nullptr) return kDefaultHistoryRows;
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  return end != text && *end == '\0' && value > 0 ? value : kDefaultHistoryRows;
}

std::string defaultDatabasePath() {
  const char* configured = std::getenv("QUORBEL_DB_PATH");
  if (configured != nullptr && configured[0] != '\0') return configured;
  return "data/quorbel.db";
}

AnalysisStore::AnalysisStore(std::string path) : path_(std::move(path)) {
  if (!ensureParentDirectory(path_)) {
    lastError_ = "Could not create database directory for " + path_;
    return;
  }
  // The history holds other users' code: the file is created readable by its owner only
  // (SQLite gives its journal the database's mode).
  if (namesAFile(path_)) {
    const int created = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (created >= 0) close(created);
  }
  sqlite3* handle = nullptr;
  if (sqlite3_open(path_.c_str(), &handle) != SQLITE_OK) {
    lastError_ = handle != nullptr ? sqlite3_errmsg(handle) : "Could not open SQLite database";
    sqlite3_close(handle);
    return;
  }
  db_ = handle;
  // Another server on the same file holds its lock only briefly: wait instead of failing.
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  reclaimFreedPages();
  initialize();
}

AnalysisStore::~AnalysisStore() { sqlite3_close(db_); }

bool AnalysisStore::ok() const { return db_ != nullptr && lastError_.empty(); }

const std::string& AnalysisStore::path() const { return path_; }

const std::string& AnalysisStore::lastError() const { return lastError_; }

bool AnalysisStore::initialize() { return exec(kSchema); }

bool AnalysisStore::exec(const std::string& sql) {
  if (db_ == nullptr) return false;
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  lastError_ = message != nullptr ? message : sqlite3_errmsg(db_);
  sqlite3_free(message);
  return false;
}

long long AnalysisStore::pragmaValue(const char* name) {
  sqlite3_stmt* statement = nullptr;
  long long value = 0;
  const std::string sql = std::string("PRAGMA ") + name + ";";
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW)
    value = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  return value;
}

long long AnalysisStore::bytesInUse() {
  return (pragmaValue("page_count") - pragmaValue("freelist_count")) * pragmaValue("page_size");
}

// Deleted rows free pages inside the file, never the file itself: with incremental vacuum the
// freed pages are handed back to the file system after each trim. A file made before (no
// auto-vacuum) is converted once, by the full vacuum that mode switch requires.
void AnalysisStore::reclaimFreedPages() {
  constexpr long long kIncremental = 2;
  if (pragmaValue("auto_vacuum") != kIncremental) exec("PRAGMA auto_vacuum = INCREMENTAL; VACUUM;");
}

// Oldest rows first, so that one client saving in a loop cannot fill the disk: beyond the row
// cap, then while the rows' pages pass the byte cap (the newest row always stays).
void AnalysisStore::trimHistory() {
  const long long keep = historyRowLimit();
  exec("DELETE FROM analyses WHERE id <= (SELECT MAX(id) FROM analyses) - " + std::to_string(keep) +
       ";");
  const long long limit = historyByteLimit();
  while (bytesInUse() > limit) {
    const long long before = sqlite3_total_changes64(db_);
    exec(
        "DELETE FROM analyses WHERE id IN (SELECT id FROM analyses WHERE id < (SELECT MAX(id) "
        "FROM analyses) ORDER BY id LIMIT " +
        std::to_string(kRowsPerTrim) + ");");
    if (sqlite3_total_changes64(db_) == before) break;  // only the newest row is left
  }
  exec("PRAGMA incremental_vacuum;");
}

bool AnalysisStore::saveAnalysis(const AnalysisRecord& record) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (db_ == nullptr) return false;
  const char* insert = hasLegacyConfidenceColumn(db_) ? kInsertLegacy : kInsertCurrent;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, insert, -1, &statement, nullptr) != SQLITE_OK) {
    lastError_ = sqlite3_errmsg(db_);
    sqlite3_finalize(statement);
    return false;
  }
  const Analysis& analysis = record.analysis;
  bindText(statement, 1, record.code);
  bindText(statement, 2, analysis.notation);
  bindText(statement, 3, analysis.label);
  bindText(statement, 4, analysis.pattern);
  sqlite3_bind_int(statement, 5, record.lineCount);
  bindText(statement, 6, joinStrings(analysis.signals));
  bindText(statement, 7, breakdownText(analysis.breakdown));
  bindText(statement, 8, joinStrings(analysis.notes));
  const bool inserted = sqlite3_step(statement) == SQLITE_DONE;
  if (!inserted) lastError_ = sqlite3_errmsg(db_);
  sqlite3_finalize(statement);
  if (inserted) trimHistory();
  return inserted;
}

}  // namespace quorbel
