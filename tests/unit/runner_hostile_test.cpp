// Hostile programs sent to a real server started with PORT set (listening on every interface),
// each twenty times at once: every run ends as an error or a clean failure, the server keeps
// answering, and nothing is left on the host. Rows that only the box can contain are skipped
// where the server has no box; they are never sent there.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "runner/runner_process_tree.h"
#include "server/render_json.h"
#include "test_support.h"

namespace quorbel {
namespace {

namespace fs = std::filesystem;

constexpr int kCopies = 20;
constexpr int kAnyExit = -2;
const std::string kSecret = "hostile-test-secret-7f3a";

struct Hostile {
  const char* name;
  const char* code;  // @PORT@, @DB@, @MARKER@ and @ESCAPE@ are replaced by quoted values
  const char* status;
  int exitCode;
  bool needsBox;
};

const Hostile kRows[] = {
    {"read /etc/passwd",
     R"(#include <cstdio>
int main(){ if (std::fopen("/etc/passwd", "r") == nullptr) return 1; std::puts("LEAK"); })",
     "runtime_error", 1, true},
    // In the box /proc/1 is the box's own init, started with an empty environment.
    {"read the host's /proc/1/environ",
     R"(#include <cstdio>
int main(){ std::FILE* f = std::fopen("/proc/1/environ", "r"); if (f == nullptr) return 1;
  char text[4096]; size_t n = std::fread(text, 1, sizeof text, f); if (n == 0) return 1;
  std::fwrite(text, 1, n, stdout); std::puts("LEAK"); })",
     "runtime_error", 1, true},
    {"read the server's database",
     R"(#include <cstdio>
int main(){ if (std::fopen(@DB@, "rb") == nullptr) return 1; std::puts("LEAK"); })",
     "runtime_error", 1, true},
    // The box's own /tmp takes the write; the host's never sees it.
    {"write outside its directory",
     R"(#include <cstdio>
int main(){ const char* targets[] = {@ESCAPE@, @DB@ ".escape", "/escape.txt"}; int written = 0;
  for (const char* t : targets) if (std::FILE* f = std::fopen(t, "w")) { std::fputs("LEAK", f); std::fclose(f); ++written; }
  return written == 3 ? 0 : 1; })",
     "runtime_error", 1, true},
    {"connect to the server's port",
     R"(#include <arpa/inet.h>
#include <cstdio>
#include <sys/socket.h>
int main(){ int s = socket(AF_INET, SOCK_STREAM, 0); if (s < 0) return 1;
  sockaddr_in a{}; a.sin_family = AF_INET; a.sin_port = htons(@PORT@); a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return 1; std::puts("LEAK"); })",
     "runtime_error", 1, true},
    // Sends nothing where it can see an interface other than the loopback: outside a box it
    // would reach the network. 192.0.2.1 is a documentation address.
    {"reach an outside address, bind, look up a name",
     R"(#include <arpa/inet.h>
#include <cstdio>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>
int main(){ ifaddrs* list = nullptr;
  if (getifaddrs(&list) == 0) for (ifaddrs* i = list; i; i = i->ifa_next) if (!(i->ifa_flags & IFF_LOOPBACK)) { std::puts("LEAK interface"); return 0; }
  addrinfo* found = nullptr; if (getaddrinfo("example.com", "80", nullptr, &found) == 0) { std::puts("LEAK dns"); return 0; }
  int s = socket(AF_INET, SOCK_STREAM, 0); if (s < 0) return 1;
  sockaddr_in a{}; a.sin_family = AF_INET;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) std::puts("LEAK bind");
  a.sin_port = htons(80); inet_pton(AF_INET, "192.0.2.1", &a.sin_addr);
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) std::puts("LEAK connect");
  return 1; })",
     "runtime_error", 1, true},
    {"fork bomb", "#include <unistd.h>\nint main(){ for (;;) fork(); }", "timeout", 137, false},
    {"allocate beyond the memory limit",
     R"(#include <cstdio>
#include <cstdlib>
#include <cstring>
int main(){ for (int i = 0; i < 64; ++i) { char* p = static_cast<char*>(std::malloc(64 << 20)); if (p == nullptr) return 1; std::memset(p, 1, 64 << 20); }
  std::puts("LEAK"); })",
     "runtime_error", 1, false},
    {"sleep past the wall limit", "#include <unistd.h>\nint main(){ sleep(30); }", "timeout", 137,
     false},
    // The parent leaves at once and cleanly; the daemon must not outlive the run.
    {"daemon that outlives its parent (setsid, double fork)",
     R"(#include <unistd.h>
int main(){ if (fork() == 0) { setsid(); if (fork() == 0) { close(0); close(1); close(2); for (;;) pause(); } _exit(0); } })",
     "success", 0, false},
    {"flood output",
     "#include <cstdio>\nint main(){ for (;;) std::fputs(\"flood flood flood\\n\", stdout); }",
     "runtime_error", kAnyExit, false},
    {"symlink its output to a host file",
     R"(#include <cstdio>
#include <unistd.h>
int main(){ if (symlink(@MARKER@, "output.txt") != 0) return 1;
  std::FILE* f = std::fopen("output.txt", "w"); if (f == nullptr) return 1; std::fputs("LEAK", f); std::fclose(f); })",
     "runtime_error", 1, true},
    // Signals only where its parent is pid 1, the box's init: outside a box kill(-1) would
    // reach every process of the user.
    {"kill its parent and everything it can",
     R"(#include <csignal>
#include <unistd.h>
int main(){ if (getppid() != 1) return 2; kill(getppid(), SIGKILL); kill(-1, SIGKILL); return 1; })",
     "runtime_error", 1, true},
};

// ---- The server ----

std::string quoted(const std::string& text) { return jsonString(text); }

std::string substituted(std::string code,
                        const std::vector<std::pair<std::string, std::string>>& values) {
  for (const auto& [from, to] : values) {
    for (size_t at; (at = code.find(from)) != std::string::npos;) code.replace(at, from.size(), to);
  }
  return code;
}

int freePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  socklen_t length = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  close(s);
  return ntohs(address.sin_port);
}

// One request on a fresh connection; the whole response, or empty when it failed.
std::string request(int port, const std::string& text) {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const timeval timeout{180, 0};
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      send(s, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
    char buffer[4096];
    for (ssize_t n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, n);
  }
  close(s);
  return reply;
}

std::string postRun(int port, const std::string& code) {
  const std::string body = "{\"code\":" + quoted(code) + "}";
  return request(port,
                 "POST /api/run HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                 "application/json\r\nContent-Length: " +
                     std::to_string(body.size()) + "\r\n\r\n" + body);
}

// The raw text of a JSON string field ("status") or number field ("exitCode").
std::string field(const std::string& json, const std::string& name) {
  const std::string key = "\"" + name + "\":";
  size_t at = json.find(key);
  if (at == std::string::npos) return "";
  at += key.size();
  if (json[at] != '"') return json.substr(at, json.find_first_of(",}", at) - at);
  size_t end = at + 1;
  while (end < json.size() && json[end] != '"') end += json[end] == '\\' ? 2 : 1;
  return json.substr(at + 1, end - at - 1);
}

// Every process below `pid`.
std::vector<int> descendantsOf(int pid) {
  const std::vector<ProcessEntry> table = readProcessTable();
  std::vector<int> found = {pid};
  for (size_t next = 0; next < found.size(); ++next) {
    for (const ProcessEntry& entry : table) {
      if (entry.parentPid == found[next]) found.push_back(entry.pid);
    }
  }
  found.erase(found.begin());
  return found;
}

class RunnerHostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorbel-hostile-XXXXXX";
    scratch_ = mkdtemp(pattern);
    fs::permissions(scratch_, fs::perms(0755));  // the runner user must reach its TMPDIR
    fs::create_directories(scratch_ + "/tmp");
    fs::permissions(scratch_ + "/tmp", fs::perms(0755));
    fs::create_directories(scratch_ + "/host");
    std::ofstream(marker()) << "keep me";
    port_ = freePort();
    server_ = fork();
    if (server_ == 0) {
      const int log = open((scratch_ + "/server.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(log, 1);
      dup2(log, 2);
      setenv("PORT", std::to_string(port_).c_str(), 1);
      setenv("QUORBEL_DB_PATH", database().c_str(), 1);
      setenv("TMPDIR", (scratch_ + "/tmp").c_str(), 1);
      setenv("QUORBEL_HOSTILE_SECRET", kSecret.c_str(), 1);
      execl(testing::quorbelBinary().c_str(), "quorbel", nullptr);
      _exit(127);
    }
    for (int attempt = 0; attempt < 200 && health().empty(); ++attempt) usleep(50000);
    ASSERT_FALSE(health().empty()) << testing::readFile(scratch_ + "/server.log");
    databaseBytes_ = testing::readFile(database());
  }
  void TearDown() override {
    if (server_ > 0) {
      kill(server_, SIGKILL);
      waitpid(server_, nullptr, 0);
    }
    fs::remove_all(scratch_);
  }

  std::string health() { return request(port_, "GET /healthz HTTP/1.1\r\n\r\n"); }
  std::string database() const { return scratch_ + "/data/quorbel.db"; }
  std::string marker() const { return scratch_ + "/host/marker"; }
  std::string escape() const { return scratch_ + "/escape.txt"; }

  // What must hold on the host after each row.
  void expectNothingLeft(const std::string& row) {
    std::vector<int> left = descendantsOf(server_);
    for (int attempt = 0; attempt < 40 && !left.empty(); ++attempt) {
      usleep(50000);
      left = descendantsOf(server_);
    }
    EXPECT_TRUE(left.empty()) << row << ": " << left.size() << " processes left";
    EXPECT_TRUE(fs::is_empty(scratch_ + "/tmp")) << row;
    EXPECT_EQ(testing::readFile(marker()), "keep me") << row;
    EXPECT_EQ(testing::readFile(database()), databaseBytes_) << row;
    EXPECT_FALSE(fs::exists(escape())) << row;
    EXPECT_FALSE(fs::exists(database() + ".escape")) << row;
    EXPECT_FALSE(fs::exists("/escape.txt")) << row;
    EXPECT_NE(health().find("\"ok\":true"), std::string::npos) << row << ": server gone";
  }

  std::string scratch_;
  std::string databaseBytes_;
  int port_ = 0;
  pid_t server_ = -1;
};

TEST_F(RunnerHostileTest, EachIsContainedTwentyTimesAtOnce) {
  const bool boxed = health().find("\"isolation\":\"bubblewrap\"") != std::string::npos;
  const std::string log = testing::readFile(scratch_ + "/server.log");
  EXPECT_NE(log.find(boxed ? "runner isolation: bubblewrap box\n"
                           : "runner isolation: process limits only ("),
            std::string::npos)
      << log;
  for (const Hostile& row : kRows) {
    if (row.needsBox && !boxed) {
      std::cout << "[ SKIPPED  ] " << row.name << ": only the box contains it\n";
      continue;
    }
    const std::string code = substituted(row.code, {{"@PORT@", std::to_string(port_)},
                                                    {"@DB@", quoted(database())},
                                                    {"@MARKER@", quoted(marker())},
                                                    {"@ESCAPE@", quoted(escape())}});
    std::vector<std::string> replies(kCopies);
    std::vector<std::thread> clients;
    for (int i = 0; i < kCopies; ++i) {
      clients.emplace_back([&, i] { replies[i] = postRun(port_, code); });
    }
    for (std::thread& client : clients) client.join();
    for (const std::string& reply : replies) {
      const std::string json = reply.substr(std::min(reply.size(), reply.find("\r\n\r\n")));
      EXPECT_EQ(field(json, "status"), row.status) << row.name << "\n" << reply;
      if (row.exitCode != kAnyExit) {
        EXPECT_EQ(field(json, "exitCode"), std::to_string(row.exitCode)) << row.name << "\n"
                                                                         << reply;
      }
      EXPECT_EQ(field(json, "stdout").find("LEAK"), std::string::npos) << row.name;
      EXPECT_EQ(json.find(kSecret), std::string::npos) << row.name;
    }
    expectNothingLeft(row.name);
  }
}

}  // namespace
}  // namespace quorbel
