// Shared helpers for the unit tests.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorbel::testing {

// The repository root and the built quorbel executable.
std::string sourceDir();
std::string quorbelBinary();

// One row of a table test: its name, what goes in and what must come out.
template <typename In, typename Want>
struct Case {
  const char* name;
  In in;
  Want want;
};

// ---- Processes ----

struct CommandOutput {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

struct CommandOptions {
  std::vector<std::string> environment = {};  // NAME=value added or replaced; "NAME" unsets it
  std::string directory = {};                 // working directory; empty: the current one
  bool withoutRoot = false;                   // as root, run as "nobody" (root reads any file)
  bool stderrTerminal = false;                // standard error on a pseudo-terminal, not a pipe
  std::string input = "/dev/null";            // the file on standard input
};

// Runs a program (argv[0] is its path) with `options.input` on standard input; captures both
// outputs.
CommandOutput runCommand(const std::vector<std::string>& argv, const CommandOptions& options = {});

// Runs `body` and returns its result; as root, in a child process that is "nobody" first, so
// that file permissions bind it.
int runWithoutRoot(const std::function<int()>& body);

// True when no process `pid` exists any more.
inline bool processGone(int pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

// ---- Programs ----

// The time a whole program is estimated at, as a notation: "O(n * log n)".
std::string estimatedTime(const std::string& program);

// A program whose analysis is slow for what it must build: `functions` functions, each looping
// over a size of its own and calling the next, so the first one's cost is the product of every
// size and the costs of all of them hold functions^2 / 2 factors. A few hundred take seconds.
std::string sizeChainProgram(int functions);

// ---- Files and the environment ----

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

// Runs one SQL statement on a connection of its own to the SQLite file; the rows, each with
// its columns joined by "|".
std::vector<std::string> query(const std::string& file, const std::string& sql);

// Sets (or, with nullopt, unsets) one environment variable until the end of the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  }
  ~ScopedEnv() { saved_ ? setenv(name_, saved_->c_str(), 1) : unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// A fresh directory under /tmp, mode 0755 so that a runner's unprivileged children and
// "nobody" can enter it, removed with everything below it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  // `relative` below the directory: a file holding `contents`, or directories (mode 0755).
  std::string write(const std::string& relative, const std::string& contents,
                    mode_t mode = 0644) const;
  std::string makeDirectory(const std::string& relative) const;

 private:
  std::string path_;
};

// A scratch directory used as TMPDIR for its life: counts of run directories are then not
// disturbed by runner tests in other test processes.
class ScopedTmpDir : public ScratchDir {
 private:
  ScopedEnv env_{"TMPDIR", path()};
};

// A scratch directory holding an empty public/, the working directory for its life (the server
// reads its pages relative to the working directory).
class ScratchWorkingDirectory : public ScratchDir {
 public:
  ScratchWorkingDirectory();
  ~ScratchWorkingDirectory();

 private:
  std::string old_;
};

// ---- Sockets ----

// Sends all of `data`; false when the peer stopped taking it.
bool sendAll(int socket, const std::string& data);
// Everything received until the peer closes or the receive times out.
std::string receiveAll(int socket);

// Sends `request` on a fresh loopback TCP connection to `port` and returns all that comes back
// until the server closes (empty when the connection fails); each direction gives up after
// `timeoutSeconds`.
std::string loopbackExchange(int port, const std::string& request, int timeoutSeconds = 10);

}  // namespace quorbel::testing
