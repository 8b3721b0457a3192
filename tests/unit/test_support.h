// Shared helpers for the unit tests.
#pragma once

#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace quorbel::testing {

// The repository root and the built quorbel executable.
std::string sourceDir();
std::string quorbelBinary();

struct CommandOutput {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Runs a program with arguments, extra NAME=value environment entries (added to or replacing
// the current environment; "NAME" alone unsets it) and standard input; captures both outputs.
CommandOutput runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {},
                         const std::string& input = "");

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

// True when no process `pid` exists any more.
inline bool processGone(int pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

// Sets (or, with nullopt, unsets) one environment variable until the end of the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    set(value);
  }
  ~ScopedEnv() { set(saved_); }

 private:
  void set(const std::optional<std::string>& value) {
    if (value) {
      setenv(name_, value->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  const char* name_;
  std::optional<std::string> saved_;
};

// A fresh directory of its own (mode 0755, so a runner's unprivileged children can enter it)
// used as TMPDIR for the life of the object, then removed: counts of run directories are then
// not disturbed by runner tests in other test processes.
class ScopedTmpDir {
 public:
  ScopedTmpDir() : path_(makeDirectory()), env_("TMPDIR", path_) {}
  ~ScopedTmpDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  static std::string makeDirectory() {
    char pattern[] = "/tmp/quorbel-tmpdir-XXXXXX";
    const char* made = mkdtemp(pattern);
    std::string path = made ? made : "/tmp";
    if (made) chmod(path.c_str(), 0755);
    return path;
  }
  std::string path_;
  ScopedEnv env_;
};

// A fresh scratch directory holding an empty public/, made the working directory until the end
// of the scope (the server reads its pages relative to the working directory).
class ScratchWorkingDirectory {
 public:
  ScratchWorkingDirectory() {
    char cwd[PATH_MAX];
    old_ = getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".";
    char pattern[] = "/tmp/quorbel-scratch-XXXXXX";
    dir_ = mkdtemp(pattern);
    std::filesystem::create_directory(dir_ + "/public");
    if (chdir(dir_.c_str()) != 0) dir_.clear();
  }
  ~ScratchWorkingDirectory() {
    if (chdir(old_.c_str()) == 0 && !dir_.empty()) std::filesystem::remove_all(dir_);
  }
  const std::string& path() const { return dir_; }
  void write(const std::string& relative, const std::string& contents) const {
    std::ofstream(dir_ + "/" + relative, std::ios::binary) << contents;
  }

 private:
  std::string old_;
  std::string dir_;
};

}  // namespace quorbel::testing
