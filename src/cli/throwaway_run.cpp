#include "cli/throwaway_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

namespace quorbel {
namespace {

bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

std::string readAll(int fd) {
  std::string bytes;
  char buffer[1 << 16];
  while (true) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return bytes;
    bytes.append(buffer, static_cast<size_t>(got));
  }
}

// The report travels as its status and the two texts, each text after its length, so that a
// child cut short mid-write is told from one that finished.
void appendNumber(std::string& into, uint64_t number) {
  into.append(reinterpret_cast<const char*>(&number), sizeof number);
}

bool takeNumber(const std::string& from, size_t& at, uint64_t& number) {
  if (from.size() - at < sizeof number) return false;
  std::memcpy(&number, from.data() + at, sizeof number);
  at += sizeof number;
  return true;
}

bool takeText(const std::string& from, size_t& at, std::string& text) {
  uint64_t length = 0;
  if (!takeNumber(from, at, length) || from.size() - at < length) return false;
  text = from.substr(at, length);
  at += length;
  return true;
}

[[noreturn]] void runChild(const ReportedWork& work, int into) {
  // A child that dies leaves no core file and says nothing: the parent answers instead.
  rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  const int devNull = open("/dev/null", O_WRONLY);
  if (devNull >= 0) dup2(devNull, STDERR_FILENO);
  std::ostringstream out, err;
  const int status = work(out, err);
  std::string report;
  appendNumber(report, static_cast<uint64_t>(static_cast<uint32_t>(status)));
  appendNumber(report, out.str().size());
  report += out.str();
  appendNumber(report, err.str().size());
  report += err.str();
  // _exit: what the work built is the system's to free, at no cost to the answer's time.
  _exit(writeAll(into, report) ? 0 : 1);
}

}  // namespace

std::optional<ChildReport> runInThrowAwayChild(const ReportedWork& work) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return std::nullopt;
  // Text the parent's buffers still hold would be written again by the child's.
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    close(ends[0]);
    close(ends[1]);
    return std::nullopt;
  }
  if (child == 0) {
    close(ends[0]);
    runChild(work, ends[1]);
  }
  close(ends[1]);
  const std::string report = readAll(ends[0]);
  close(ends[0]);
  int wait = 0;
  while (waitpid(child, &wait, 0) < 0)
    if (errno != EINTR) return std::nullopt;
  if (!WIFEXITED(wait) || WEXITSTATUS(wait) != 0) return std::nullopt;
  size_t at = 0;
  uint64_t status = 0;
  ChildReport got;
  if (!takeNumber(report, at, status) || !takeText(report, at, got.out) ||
      !takeText(report, at, got.err) || at != report.size())
    return std::nullopt;
  got.status = static_cast<int>(static_cast<uint32_t>(status));
  return got;
}

}  // namespace quorbel
