#include "lsp/stdio_server.h"

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "lsp/framing.h"

namespace quorbel {
namespace {

// Messages wait here and one thread writes them: the reading thread and the analysis thread
// never block on a client that is slow to read (while it may be blocked writing to us).
class OutputQueue {
 public:
  explicit OutputQueue(int fd) : fd_(fd), writer_([this] { writeAll(); }) {}
  // Writes what is queued, then stops.
  ~OutputQueue() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
    }
    ready_.notify_all();
    writer_.join();
  }
  OutputQueue(const OutputQueue&) = delete;
  OutputQueue& operator=(const OutputQueue&) = delete;

  void push(std::string body) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      waiting_.push_back(frameMessage(body));
    }
    ready_.notify_all();
  }

 private:
  void writeAll() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ready_.wait(lock, [this] { return closing_ || !waiting_.empty(); });
      if (waiting_.empty()) return;
      const std::string message = std::move(waiting_.front());
      waiting_.pop_front();
      lock.unlock();
      writeFully(message);
      lock.lock();
    }
  }

  // A client gone (EPIPE; SIGPIPE is ignored) drops what follows.
  void writeFully(const std::string& data) {
    for (size_t done = 0; done < data.size() && !broken_;) {
      const ssize_t wrote = ::write(fd_, data.data() + done, data.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) broken_ = true;
      if (wrote > 0) done += static_cast<size_t>(wrote);
    }
  }

  int fd_;
  bool broken_ = false;  // the writer's own
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::string> waiting_;
  bool closing_ = false;
  std::thread writer_;
};

}  // namespace

bool isLspCommand(int argc, char** argv) {
  return argc >= 2 && argv != nullptr && argv[1] != nullptr && std::string(argv[1]) == "lsp";
}

int runLspCommand(int argc, char** argv) {
  // Clients start servers with --stdio (vscode-languageclient adds it): the only transport.
  for (int i = 2; i < argc; ++i) {
    const std::string word = argv[i] == nullptr ? "" : argv[i];
    if (word != "--stdio") {
      std::fprintf(stderr, "quorbel: lsp takes no argument but --stdio, not '%s'.\n", word.c_str());
      return 2;
    }
  }
  // The protocol keeps the real standard output; descriptor 1 becomes standard error, so a
  // stray print anywhere cannot corrupt a message.
  const int protocol = ::dup(STDOUT_FILENO);
  if (protocol < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    std::perror("quorbel lsp");
    return 1;
  }
  const int status = serveLanguageServer(STDIN_FILENO, protocol);
  ::close(protocol);
  return status;
}

int serveLanguageServer(int inputFd, int outputFd, const SessionOptions& options) {
  OutputQueue output(outputFd);
  LspSession session([&output](std::string body) { output.push(std::move(body)); }, options);
  FrameReader reader;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(inputFd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return session.statusAtEndOfInput();
    feedFrames(reader, std::string_view(buffer, static_cast<size_t>(got)));
    for (Frame frame = nextFrame(reader); frame.status != FrameStatus::kNeedMore;
         frame = nextFrame(reader)) {
      if (frame.status == FrameStatus::kBadHeader) {
        std::fprintf(stderr, "quorbel lsp: %s\n", frame.problem.c_str());
        session.answerBadFrame(frame.problem);
        continue;
      }
      if (const std::optional<int> status = session.handleMessage(frame.body)) return *status;
    }
  }
}

}  // namespace quorbel
