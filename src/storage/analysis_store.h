// The history of analysed submissions, one row per saved analysis in the SQLite table
// `analyses`. The server opens one store at start and appends to it; nothing reads rows back.
// A store that failed to open stays usable: every save then reports failure through
// lastError(), and the analysis itself is unaffected.
#pragma once

#include <mutex>
#include <string>

#include "analysis/result.h"

struct sqlite3;

namespace quorbel {

// What one save writes: the submitted code, its analysis and its line count.
struct AnalysisRecord {
  std::string code;
  Analysis analysis;
  int lineCount = 0;
};

// The value of QUORBEL_DB_PATH when set and not empty, else "data/quorbel.db" (relative to
// the working directory).
std::string defaultDatabasePath();

// QUORBEL_HISTORY_MAX_ROWS when a positive whole number, else 10000: the rows the history
// keeps; each save drops the oldest beyond it.
long long historyRowLimit();

// QUORBEL_HISTORY_MAX_MB (megabytes, a positive number) in bytes, else 16 MB: the pages the
// history's rows may fill. Each save drops the oldest rows beyond it and hands the freed pages
// back to the file system, so the file stays near this size whatever is posted.
long long historyByteLimit();

// One open SQLite connection for the life of the process, shared by the server's workers
// (saves are serialised). Not copyable. The file is created with mode 0600, and a save waits
// up to 5 s for another connection's lock.
class AnalysisStore {
 public:
  // Creates the file's directory (one level, mode 0755) when missing, opens or creates the
  // database and runs the schema script. Never throws; failures land in lastError().
  explicit AnalysisStore(std::string path);
  ~AnalysisStore();
  AnalysisStore(const AnalysisStore&) = delete;
  AnalysisStore& operator=(const AnalysisStore&) = delete;

  // True when the connection is open and no failure has been recorded.
  bool ok() const;
  const std::string& path() const;
  // Text of the most recent failure; empty when none.
  const std::string& lastError() const;

  // Runs the schema script again; false (and lastError set) on failure.
  bool initialize();
  // Runs an SQL script without results; false (and lastError set) on failure or when closed.
  bool exec(const std::string& sql);
  // Appends one row, then drops the oldest rows beyond historyRowLimit() and
  // historyByteLimit() (never the new one); true when it was inserted. Works on tables of the
  // earlier shape that also carry a `confidence` column (written as 0).
  bool saveAnalysis(const AnalysisRecord& record);

 private:
  void trimHistory();
  void reclaimFreedPages();
  long long bytesInUse();
  long long pragmaValue(const char* name);

  std::mutex mutex_;
  sqlite3* db_ = nullptr;
  std::string path_;
  std::string lastError_;
};

}  // namespace quorbel
