// The connection loop's slots under a client that holds many half-sent requests: a full table
// or an address over its share gives up its longest-idle reader, so others are still served.
// Clients bind to different loopback addresses (127.0.0.2, 127.0.0.3) to be different hosts.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "server/connection_loop.h"
#include "test_support.h"

namespace quorbel {
namespace {

using std::chrono::milliseconds;

class ConnectionSlotsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    address_.sin_family = AF_INET;
    address_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address_;
    ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address_), length), 0);
    ASSERT_EQ(getsockname(listener_, reinterpret_cast<sockaddr*>(&address_), &length), 0);
    ASSERT_EQ(listen(listener_, 64), 0);
  }
  void TearDown() override {
    stop_ = true;
    if (server_.joinable()) server_.join();
    for (int client : clients_) close(client);
    close(listener_);
  }

  void serve(const LoopLimits& limits) {
    server_ = std::thread([this, limits] { serveWithLoop(listener_, store_, limits, stop_); });
  }

  // A connection from `from` (a loopback address) that has sent `bytes`.
  int connectFrom(const char* from, const std::string& bytes = "") {
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from, &local.sin_addr);
    EXPECT_EQ(bind(client, reinterpret_cast<sockaddr*>(&local), sizeof local), 0) << from;
    EXPECT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address_), sizeof address_), 0);
    if (!bytes.empty()) testing::sendAll(client, bytes);
    clients_.push_back(client);
    return client;
  }

  // True when the server has closed or reset `client` (a read returns at once with nothing).
  static bool dropped(int client) {
    timeval wait{0, 300000};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char byte;
    const ssize_t got = recv(client, &byte, 1, 0);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
  }

  std::string healthz(const char* from) {
    const int client = connectFrom(from, "GET /healthz HTTP/1.1\r\n\r\n");
    return testing::receiveAll(client);
  }

  testing::ScratchDir scratch_;
  AnalysisStore store_{scratch_.path() + "/history.db"};
  int listener_ = -1;
  sockaddr_in address_{};
  std::atomic<bool> stop_{false};
  std::thread server_;
  std::vector<int> clients_;
};

const char* const kHalfSent = "POST /api/analyze HTTP/1.1\r\nContent-Length: 100\r\n\r\n{";

// A full table: the next client is served, and the connection that waited longest for a byte
// is the one given up.
TEST_F(ConnectionSlotsTest, FullTableGivesUpTheLongestIdle) {
  LoopLimits limits;
  limits.maxConnections = 6;
  limits.maxConnectionsPerAddress = 6;
  serve(limits);
  std::vector<int> held;
  for (int i = 0; i < 6; ++i) {
    held.push_back(connectFrom("127.0.0.2", kHalfSent));
    std::this_thread::sleep_for(milliseconds(20));
  }
  testing::sendAll(held[0], "x");  // the first is no longer the longest idle
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_TRUE(healthz("127.0.0.3").starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_TRUE(dropped(held[1])) << "the longest idle";
  for (int i : {0, 2, 3, 4, 5}) EXPECT_FALSE(dropped(held[i])) << i;
}

// One address over its share recycles its own connections; another address keeps its own.
TEST_F(ConnectionSlotsTest, AnAddressOverItsShareGivesUpItsOwn) {
  LoopLimits limits;
  limits.maxConnections = 8;
  limits.maxConnectionsPerAddress = 3;
  serve(limits);
  const int other = connectFrom("127.0.0.3", kHalfSent);
  std::this_thread::sleep_for(milliseconds(20));
  std::vector<int> held;
  for (int i = 0; i < 5; ++i) {
    held.push_back(connectFrom("127.0.0.2", kHalfSent));
    std::this_thread::sleep_for(milliseconds(20));
  }
  EXPECT_FALSE(dropped(other)) << "older, but of another address";
  EXPECT_TRUE(dropped(held[0]));
  EXPECT_TRUE(dropped(held[1]));
  for (int i : {2, 3, 4}) EXPECT_FALSE(dropped(held[i])) << i;
}

// One client holding three times the table in half-sent requests, reconnecting whenever one
// is dropped: /healthz from another client is still answered nearly every time. The table and
// the share of one address stand in the defaults' proportion (a quarter each), so the attacker
// recycles its own connections however slowly a loaded machine runs the loop.
TEST_F(ConnectionSlotsTest, OneClientCannotStarveOthers) {
  LoopLimits limits;
  limits.maxConnections = 16;
  limits.maxConnectionsPerAddress = 4;
  serve(limits);
  std::atomic<bool> attacking{true};
  std::thread attacker([&] {
    std::vector<int> held;
    while (attacking) {
      for (int& client : held) {
        if (!attacking) break;
        char byte;
        const ssize_t got = recv(client, &byte, 1, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
          close(client);
          client = -1;
        }
      }
      std::erase(held, -1);
      while (held.size() < 48 && attacking) {
        const int client = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, "127.0.0.2", &local.sin_addr);
        bind(client, reinterpret_cast<sockaddr*>(&local), sizeof local);
        if (connect(client, reinterpret_cast<sockaddr*>(&address_), sizeof address_) == 0)
          send(client, kHalfSent, std::char_traits<char>::length(kHalfSent), MSG_NOSIGNAL);
        held.push_back(client);
      }
      std::this_thread::sleep_for(milliseconds(5));
    }
    for (int client : held) close(client);
  });
  std::this_thread::sleep_for(milliseconds(200));
  int answered = 0;
  for (int i = 0; i < 20; ++i) {
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    connect(client, reinterpret_cast<sockaddr*>(&address_), sizeof address_);
    testing::sendAll(client, "GET /healthz HTTP/1.1\r\n\r\n");
    answered += testing::receiveAll(client).starts_with("HTTP/1.1 200 OK\r\n");
    close(client);
  }
  attacking = false;
  attacker.join();
  EXPECT_GE(answered, 18);
}

}  // namespace
}  // namespace quorbel
