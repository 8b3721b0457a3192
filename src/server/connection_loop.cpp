#include "server/connection_loop.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <malloc.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "server/http_server.h"
#include "server/routes.h"
#include "server/run_gate.h"

namespace quorbel {
namespace {

using Clock = std::chrono::steady_clock;

enum class Stage { kReading, kWorking, kWriting };

constexpr int kAcceptsPerTurn = 64;
constexpr size_t kLargeBufferBytes = size_t{1} << 20;

struct Connection {
  Stage stage = Stage::kReading;
  std::string peer;  // the client's address as slots are counted (addressKey)
  std::string in;
  RequestProgress progress;  // the header block is parsed once, when it is whole
  bool peerClosed = false;
  Clock::time_point lastByte;        // accept or the last byte received: the oldest idle goes first
  unsigned long acceptedInTurn = 0;  // a connection accepted this turn has not been read yet
  Clock::time_point readDeadline;
  Clock::time_point idleDeadline;
  std::string out;
  size_t sent = 0;
  Clock::time_point writeDeadline;
};

// Answers finished on other threads, handed back to the loop, which a byte on the pipe wakes.
class Completions {
 public:
  Completions() {
    if (pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0) pipe_[0] = pipe_[1] = -1;
  }
  ~Completions() {
    for (int end : pipe_)
      if (end >= 0) close(end);
  }
  Completions(const Completions&) = delete;
  Completions& operator=(const Completions&) = delete;

  int wakeDescriptor() const { return pipe_[0]; }
  void post(int socket, std::string bytes) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ready_.emplace_back(socket, std::move(bytes));
    }
    const char byte = 0;
    [[maybe_unused]] const ssize_t wrote = write(pipe_[1], &byte, 1);  // full pipe: awake already
  }
  std::vector<std::pair<int, std::string>> take() {
    char drain[256];
    while (read(pipe_[0], drain, sizeof drain) > 0) {
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(ready_, {});
  }

 private:
  int pipe_[2] = {-1, -1};
  std::mutex mutex_;
  std::vector<std::pair<int, std::string>> ready_;
};

// A fixed number of analysis workers and a bounded queue in front of them.
class WorkerPool {
 public:
  WorkerPool(int workers, size_t queueLimit) : queueLimit_(queueLimit) {
    for (int i = 0; i < std::max(1, workers); ++i) threads_.emplace_back([this] { work(); });
  }
  ~WorkerPool() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  bool trySubmit(std::function<void()> job) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.size() >= queueLimit_) return false;
      queue_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
  }

 private:
  void work() {
    while (true) {
      std::function<void()> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        job = std::move(queue_.front());
        queue_.pop_front();
      }
      job();
    }
  }

  size_t queueLimit_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// The client's address as connection slots count it: an IPv4 address, or the /64 an IPv6
// client holds (one host commonly has all of it). Empty for other families.
std::string addressKey(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    return text;
  }
  if (address.ss_family == AF_INET6) {
    in6_addr prefix = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
    std::fill(prefix.s6_addr + 8, prefix.s6_addr + 16, 0);
    inet_ntop(AF_INET6, &prefix, text, sizeof text);
    return std::string(text) + "/64";
  }
  return "";
}

enum class Work { kQuick, kAnalysis, kRun };

Work workOf(const Request& request) {
  if (request.method != "POST") return Work::kQuick;
  if (request.path == "/api/analyze" || request.path == "/analyze") return Work::kAnalysis;
  // Measuring runs the program many times: it takes a run's thread, never the loop.
  if (request.path == "/api/run" || request.path == "/api/measure") return Work::kRun;
  return Work::kQuick;
}

int positiveSetting(const char* name, int fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr) return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value > 0 && value <= 256 ? static_cast<int>(value)
                                                                  : fallback;
}

class Loop {
 public:
  Loop(int listener, AnalysisStore& store, const LoopLimits& limits)
      : listener_(listener),
        store_(store),
        limits_(limits),
        completions_(std::make_shared<Completions>()),
        activeRuns_(std::make_shared<std::atomic<int>>(0)),
        analyses_(limits.analysisWorkers, limits.analysisQueue) {}

  ~Loop() {
    for (auto& [socket, connection] : connections_) close(socket);
  }

  void turn() {
    ++turns_;
    std::vector<pollfd> watched{{listener_, POLLIN, 0},
                                {completions_->wakeDescriptor(), POLLIN, 0}};
    for (const auto& [socket, connection] : connections_) {
      if (connection.stage == Stage::kReading) watched.push_back({socket, POLLIN, 0});
      if (connection.stage == Stage::kWriting) watched.push_back({socket, POLLOUT, 0});
    }
    if (poll(watched.data(), watched.size(), nextWakeMs()) < 0 && errno != EINTR) return;
    if (watched[1].revents != 0) collectCompletions();
    for (size_t i = 2; i < watched.size(); ++i) {
      if (watched[i].revents == 0) continue;
      const auto found = connections_.find(watched[i].fd);
      if (found == connections_.end()) continue;
      if (found->second.stage == Stage::kReading)
        readFrom(found->first, found->second);
      else if (found->second.stage == Stage::kWriting)
        writeTo(found->first, found->second);
    }
    if (watched[0].revents != 0) acceptAll();
    dropLate();
  }

 private:
  int nextWakeMs() const {
    Clock::time_point next = Clock::now() + std::chrono::milliseconds(200);
    for (const auto& [socket, connection] : connections_) {
      if (connection.stage == Stage::kReading)
        next = std::min({next, connection.readDeadline, connection.idleDeadline});
      if (connection.stage == Stage::kWriting) next = std::min(next, connection.writeDeadline);
    }
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::max<long long>(wait, 0) + 1);
  }

  // At most a backlog's worth per turn: the requests of connections already accepted are read
  // before a flood of new ones can push them out.
  void acceptAll() {
    for (int accepted = 0; accepted < kAcceptsPerTurn; ++accepted) {
      sockaddr_storage address{};
      socklen_t length = sizeof address;
      const int client = accept4(listener_, reinterpret_cast<sockaddr*>(&address), &length,
                                 SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (client < 0) return;
      const std::string peer = addressKey(address);
      if (!makeRoomFor(peer)) {
        close(client);
        continue;
      }
      Connection& connection = connections_[client];
      const Clock::time_point now = Clock::now();
      connection.peer = peer;
      connection.lastByte = now;
      connection.acceptedInTurn = turns_;
      connection.readDeadline = now + std::chrono::milliseconds(limits_.readDeadlineMs);
      connection.idleDeadline = now + std::chrono::milliseconds(limits_.idleTimeoutMs);
      // A request sent with the connection is usually here already: read at once, so that a
      // quick one is answered before a flood of later connections could need its slot.
      readFrom(client, connection);
    }
  }

  // Slots are shared fairly: the connection given up is the one that has waited longest for a
  // request byte, of the new client's own address when that is over its share, else of the
  // address holding the most; never one accepted in this turn, which has not been read yet.
  // One client holding hundreds of half-sent requests then recycles its own connections while
  // others are served. False when no such connection is left: the new one is closed.
  bool makeRoomFor(const std::string& peer) {
    std::map<std::string, size_t> held;  // connections per client address
    for (const auto& [socket, connection] : connections_) ++held[connection.peer];
    const bool peerFull = held[peer] >= limits_.maxConnectionsPerAddress;
    if (!peerFull && connections_.size() < limits_.maxConnections) return true;
    // Over its share, an address gives up one of its own; a full table takes the slot from the
    // address holding the most, so a client with one request waiting is never the one to go.
    std::string giver = peer;
    if (!peerFull)
      for (const auto& [address, count] : held)
        if (count > held[giver]) giver = address;
    int oldest = -1;
    Clock::time_point oldestByte = Clock::time_point::max();
    for (const auto& [socket, connection] : connections_) {
      if (connection.stage != Stage::kReading || connection.peer != giver ||
          connection.acceptedInTurn == turns_)
        continue;
      if (connection.lastByte < oldestByte) {
        oldest = socket;
        oldestByte = connection.lastByte;
      }
    }
    if (oldest < 0) return false;
    drop(oldest, true);
    return true;
  }

  void readFrom(int socket, Connection& connection) {
    char chunk[16384];
    while (true) {
      const ssize_t got = recv(socket, chunk, sizeof chunk, 0);
      if (got > 0) {
        connection.in.append(chunk, static_cast<size_t>(got));
        connection.lastByte = Clock::now();
        connection.idleDeadline =
            connection.lastByte + std::chrono::milliseconds(limits_.idleTimeoutMs);
        if (connection.in.size() > kMaxRequestHeadBytes + kMaxRunRequestBodyBytes) break;
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      connection.peerClosed = true;
      break;
    }
    const RequestRead read =
        continueRequest(connection.in, connection.peerClosed, connection.progress);
    if (read == RequestRead::kIncomplete) return;
    Request request = std::move(connection.progress.request);
    releaseBuffer(connection);
    if (read == RequestRead::kNoRequest) return drop(socket);
    if (const std::optional<Response> refusal = refusalOfRead(read, request.path))
      return startWriting(connection, serializeResponse(*refusal));
    dispatch(socket, connection, std::move(request));
  }

  void dispatch(int socket, Connection& connection, Request request) {
    const Work work = workOf(request);
    request.socket = socket;
    if (work == Work::kQuick)
      return startWriting(connection, serializeResponse(routeRequest(request, store_)));
    connection.stage = Stage::kWorking;
    std::shared_ptr<Completions> completions = completions_;
    AnalysisStore& store = store_;
    if (work == Work::kAnalysis) {
      auto shared = std::make_shared<Request>(std::move(request));
      const bool queued = analyses_.trySubmit([completions, &store, shared, socket] {
        completions->post(socket, serializeResponse(routeRequest(*shared, store)));
      });
      if (!queued)
        startWriting(connection, serializeResponse(busyResponse(
                                     *shared, 503, "The server is busy with other analyses.")));
      return;
    }
    if (activeRuns_->load() >= limits_.runThreads)
      return startWriting(connection,
                          serializeResponse(busyResponse(request, 429, kRunsBusyMessage)));
    ++*activeRuns_;
    std::thread([completions, &store, request = std::move(request), socket, active = activeRuns_] {
      completions->post(socket, serializeResponse(routeRequest(request, store)));
      --*active;
    }).detach();
  }

  void startWriting(Connection& connection, std::string bytes) {
    connection.stage = Stage::kWriting;
    connection.out = std::move(bytes);
    connection.sent = 0;
    connection.writeDeadline = Clock::now() + std::chrono::milliseconds(limits_.writeDeadlineMs);
  }

  void collectCompletions() {
    for (auto& [socket, bytes] : completions_->take()) {
      const auto found = connections_.find(socket);
      if (found != connections_.end()) startWriting(found->second, std::move(bytes));
    }
  }

  void writeTo(int socket, Connection& connection) {
    while (connection.sent < connection.out.size()) {
      const ssize_t wrote = send(socket, connection.out.data() + connection.sent,
                                 connection.out.size() - connection.sent, MSG_NOSIGNAL);
      if (wrote > 0) {
        connection.sent += static_cast<size_t>(wrote);
        continue;
      }
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      break;
    }
    drop(socket);
  }

  void dropLate() {
    const Clock::time_point now = Clock::now();
    std::vector<int> late;
    for (const auto& [socket, connection] : connections_) {
      const bool reading = connection.stage == Stage::kReading &&
                           (now >= connection.readDeadline || now >= connection.idleDeadline);
      const bool writing = connection.stage == Stage::kWriting && now >= connection.writeDeadline;
      if (reading || writing) late.push_back(socket);
    }
    for (int socket : late) drop(socket, true);
  }

  // A late connection is reset, not closed: a plain close would leave the kernel handing the
  // rest of a large answer to a slow reader for as long as it keeps reading.
  void drop(int socket, bool reset = false) {
    if (reset) {
      const linger abort{1, 0};
      setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    const auto found = connections_.find(socket);
    if (found != connections_.end()) releaseBuffer(found->second);
    connections_.erase(socket);
    close(socket);
  }

  // Hundreds of clients that each sent most of a large body leave the heap holding their
  // buffers after they are gone: large ones are handed back to the system, at most once a
  // second.
  void releaseBuffer(Connection& connection) {
    const bool large = connection.in.capacity() >= kLargeBufferBytes;
    std::string().swap(connection.in);
    const Clock::time_point now = Clock::now();
    if (large && now - lastTrim_ >= std::chrono::seconds(1)) {
      malloc_trim(0);
      lastTrim_ = now;
    }
  }

  int listener_;
  AnalysisStore& store_;
  LoopLimits limits_;
  std::map<int, Connection> connections_;
  std::shared_ptr<Completions> completions_;
  std::shared_ptr<std::atomic<int>> activeRuns_;
  WorkerPool analyses_;
  Clock::time_point lastTrim_;
  unsigned long turns_ = 0;
};

}  // namespace

LoopLimits loopLimitsFromEnvironment() {
  LoopLimits limits;
  limits.analysisWorkers = positiveSetting("QUORBEL_ANALYSIS_WORKERS", limits.analysisWorkers);
  limits.analysisQueue = static_cast<size_t>(
      positiveSetting("QUORBEL_ANALYSIS_QUEUE", static_cast<int>(limits.analysisQueue)));
  // Every run the gate may hold gets a thread at once; beyond them the loop answers 429 itself.
  const RunGateSize gate = runGateSizeFromEnvironment();
  limits.runThreads = gate.boxes + gate.waiting;
  return limits;
}

void serveWithLoop(int listener, AnalysisStore& store, const LoopLimits& limits,
                   const std::atomic<bool>& stop) {
  fcntl(listener, F_SETFL, fcntl(listener, F_GETFL) | O_NONBLOCK);
  Loop loop(listener, store, limits);
  while (!stop.load()) loop.turn();
}

}  // namespace quorbel
