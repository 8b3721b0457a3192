// Hostile programs sent to a real server started with PORT set (listening on every interface),
// each twenty times at once: every run ends as an error or a clean failure, the server keeps
// answering, and nothing is left on the host. Rows that only the box (or only the box whose
// launcher mounts its folders) can contain are skipped where the server has none; they are
// never sent there.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "runner/runner_process_tree.h"
#include "server/json_value.h"
#include "server/render_json.h"
#include "test_support.h"

namespace quorbel {
namespace {

namespace fs = std::filesystem;

constexpr int kCopies = 20;
constexpr int kAnyExit = -2;
const std::string kSecret = "hostile-test-secret-7f3a";
constexpr const char* kRunnerSecret = "hostile-runner-secret";

// What contains a row: the runner's own limits, the box, or the box's own noexec, file-capped
// folders.
enum class Needs { kLimits, kBox, kBoxFolders };

struct Hostile {
  const char* name;
  const char* code;  // placeholders such as @PORT@ and @TMP@ are replaced by quoted values
  const char* status;
  int exitCode;
  Needs needs;
};

// Each program prints LEAK for every attempt that worked. The run stage's memory cap is
// runner_test.cpp's: a second program here would only repeat it.
const Hostile kRows[] = {
    // In the box /proc/1 is the box's own init, started with an empty environment.
    {"read /etc/passwd, the host's /proc/1/environ, the server's database",
     R"(#include <cstdio>
int main(){ const char* paths[] = {"/etc/passwd", "/proc/1/environ", @DB@}; for (const char* path : paths) {
    char text[4096]; std::FILE* f = std::fopen(path, "rb");
    if (f != nullptr && std::fread(text, 1, sizeof text, f) > 0) std::printf("LEAK %s\n", path); }
  return 1; })",
     "runtime_error", 1, Needs::kBox},
    // The box's own /tmp takes a write; the host's never sees it.
    {"write outside its directory, also through a link to a host file",
     R"(#include <cstdio>
#include <unistd.h>
int main(){ symlink(@MARKER@, "output.txt"); const char* targets[] = {@ESCAPE@, @DB@ ".escape", "/escape.txt", "output.txt"};
  for (const char* t : targets)
    if (std::FILE* f = std::fopen(t, "w")) { std::fputs("LEAK", f); std::fclose(f); std::printf("LEAK %s\n", t); }
  return 1; })",
     "runtime_error", 1, Needs::kBox},
    // Sends nothing where it can see an interface other than the loopback or resolve a name:
    // outside a box it would reach the network. 192.0.2.1 is a documentation address.
    {"see an interface, look up a name, connect to the server or outside, bind",
     R"(#include <arpa/inet.h>
#include <cstdio>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>
bool connects(const char* address, int port) { int s = socket(AF_INET, SOCK_STREAM, 0); if (s < 0) return false;
  sockaddr_in a{}; a.sin_family = AF_INET; a.sin_port = htons(port); inet_pton(AF_INET, address, &a.sin_addr);
  return connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0; }
int main(){ ifaddrs* list = nullptr;
  if (getifaddrs(&list) == 0) for (ifaddrs* i = list; i; i = i->ifa_next) if (!(i->ifa_flags & IFF_LOOPBACK)) { std::puts("LEAK interface"); return 0; }
  addrinfo* found = nullptr; if (getaddrinfo("example.com", "80", nullptr, &found) == 0) { std::puts("LEAK dns"); return 0; }
  if (connects("127.0.0.1", @PORT@)) std::puts("LEAK server");
  if (connects("192.0.2.1", 80)) std::puts("LEAK connect");
  int s = socket(AF_INET, SOCK_STREAM, 0); sockaddr_in a{}; a.sin_family = AF_INET;
  if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) std::puts("LEAK bind");
  return 1; })",
     "runtime_error", 1, Needs::kBox},
    // Segments outlive their mapping: without a refusal they hold memory outside any address
    // space, beyond the run's 512 MiB.
    {"hold SysV shared memory beyond the memory cap",
     R"(#include <cstdio>
#include <cstring>
#include <sys/shm.h>
int main(){ long held = 0;
  for (int i = 0; i < 18; ++i) { int id = shmget(IPC_PRIVATE, 64L << 20, IPC_CREAT | 0600); if (id < 0) break;
    void* at = shmat(id, nullptr, 0); if (at == reinterpret_cast<void*>(-1)) break;
    std::memset(at, 1, 64L << 20); shmdt(at); held += 64; }
  if (held > 512) std::printf("LEAK %ld MiB\n", held);
  return 1; })",
     "runtime_error", 1, Needs::kBox},
    // A mount's source shows in /proc/self/mountinfo as its path inside its file system, and a
    // descriptor's in /proc/self/fd: neither may name the run folder (quorbel-run-...), the
    // server's temporary folder or the folder of its executables (where the box's launcher is).
    {"find a host path in its mount tables, descriptors and mappings",
     R"(#include <dirent.h>
#include <unistd.h>
#include <cstdio>
#include <string>
std::string text(const char* path) { std::string all; if (std::FILE* f = std::fopen(path, "r")) { char b[4096];
    for (size_t n; (n = std::fread(b, 1, sizeof b, f)) > 0;) all.append(b, n); std::fclose(f); } return all; }
std::string target(const std::string& path) { char b[4096]; const ssize_t n = readlink(path.c_str(), b, sizeof b); return n > 0 ? std::string(b, n) + "\n" : ""; }
int main(){ const std::string table = text("/proc/self/mountinfo"); std::string seen = table + text("/proc/mounts") + text("/proc/self/maps");
  for (const char* name : {"exe", "cwd", "root"}) seen += target(std::string("/proc/self/") + name);
  if (DIR* fds = opendir("/proc/self/fd")) { while (dirent* e = readdir(fds)) seen += target(std::string("/proc/self/fd/") + e->d_name); closedir(fds); }
  for (const char* host : {"quorbel-run-", @TMP@, @BIN@}) if (seen.find(host) != std::string::npos) std::printf("LEAK %s\n", host);
  return table.empty() ? 2 : 1; })",
     "runtime_error", 1, Needs::kBox},
    // The parent only sleeps: the wall limit, not the CPU limit, must end it.
    {"fork bomb behind a sleeping parent",
     "#include <unistd.h>\nint main(){ if (fork() == 0) for (;;) fork(); sleep(30); }", "timeout",
     137, Needs::kLimits},
    // The parent leaves at once and cleanly; the daemon must not outlive the run.
    {"daemon that outlives its parent (setsid, double fork)",
     R"(#include <unistd.h>
int main(){ if (fork() == 0) { setsid(); if (fork() == 0) { close(0); close(1); close(2); for (;;) pause(); } _exit(0); } })",
     "success", 0, Needs::kLimits},
    {"flood output",
     "#include <cstdio>\nint main(){ for (;;) std::fputs(\"flood flood flood\\n\", stdout); }",
     "runtime_error", kAnyExit, Needs::kLimits},
    // Signals only where its parent is pid 1, the box's init: outside a box kill(-1) would
    // reach every process of the user.
    {"kill its parent and everything it can",
     R"(#include <csignal>
#include <unistd.h>
int main(){ if (getppid() != 1) return 2; kill(getppid(), SIGKILL); kill(-1, SIGKILL); return 1; })",
     "runtime_error", 1, Needs::kBox},
    // Its own executable copied where it may write, made executable and started: the copy
    // would print LEAK. Exit 1 only when a copy was made and every start refused.
    {"write an executable into /tmp and the working directory and run it",
     R"(#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
bool copied(const char* to) { std::FILE* in = std::fopen("/proc/self/exe", "rb"); std::FILE* out = std::fopen(to, "wb");
  if (in == nullptr || out == nullptr) return false;
  char buffer[65536]; for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) std::fwrite(buffer, 1, n, out);
  std::fclose(in); return std::fclose(out) == 0 && chmod(to, 0700) == 0; }
int main(int argc, char** argv){ if (argc > 1) { std::printf("LEAK started %s\n", argv[0]); return 0; }
  const char* targets[] = {"/tmp/copy", "copy"};
  for (const char* to : targets) { if (!copied(to)) return 2;
    char* args[] = {const_cast<char*>(to), const_cast<char*>("again"), nullptr}; execv(to, args); }
  return 1; })",
     "runtime_error", 1, Needs::kBoxFolders},
    // noexec folders are no barrier to a copy held in memory: memfd_create is refused. Exit 1
    // when it was; the copy would print LEAK.
    {"run its own executable from memory",
     R"(#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>
int main(int argc, char** argv){ if (argc > 1) { std::printf("LEAK started from memory\n"); return 0; }
  int fd = memfd_create("copy", 0); if (fd < 0) return 1;
  std::FILE* in = std::fopen("/proc/self/exe", "rb"); if (in == nullptr) return 2;
  char buffer[65536]; for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) if (write(fd, buffer, n) < 0) return 2;
  char* args[] = {argv[0], const_cast<char*>("again"), nullptr}; fexecve(fd, args, environ); return 2; })",
     "runtime_error", 1, Needs::kBox},
    // Empty files cost kernel memory that no byte cap counts. Exit 1 when the cap stopped it.
    {"create 100,000 empty files in /tmp",
     R"(#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
int main(){ int made = 0; char name[32];
  for (; made < 100000; ++made) { std::snprintf(name, sizeof name, "/tmp/f%d", made);
    const int fd = open(name, O_CREAT | O_WRONLY, 0600); if (fd < 0) break; close(fd); }
  if (made >= 100000) std::printf("LEAK %d files\n", made);
  return made > 0 && made < 2000 ? 1 : 2; })",
     "runtime_error", 1, Needs::kBoxFolders},
};

// ---- The server ----

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
    scratch_.makeDirectory("tmp");  // the runner user must reach its TMPDIR
    scratch_.makeDirectory("host");
    scratch_.write("host/marker", "keep me");
    port_ = freePort();
    server_ = fork();
    if (server_ == 0) {
      const int log = open(path("server.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(log, 1);
      dup2(log, 2);
      setenv("PORT", std::to_string(port_).c_str(), 1);
      setenv("QUORBEL_DB_PATH", database().c_str(), 1);
      setenv("TMPDIR", path("tmp").c_str(), 1);
      setenv("QUORBEL_HOSTILE_SECRET", kSecret.c_str(), 1);
      // Listening on every interface, runs need the runner secret; the queue admits every copy.
      setenv("QUORBEL_RUNNER_SHARED_SECRET", kRunnerSecret, 1);
      setenv("QUORBEL_RUN_QUEUE", "24", 1);
      // The header's build is a compile of the server's own, not a hostile run's: off here,
      // so that every process below the server after a row is a run's.
      setenv("QUORBEL_RUNNER_PCH", "0", 1);
      execl(testing::quorbelBinary().c_str(), "quorbel", nullptr);
      _exit(127);
    }
    for (int attempt = 0; attempt < 200 && health().empty(); ++attempt) usleep(50000);
    ASSERT_FALSE(health().empty()) << testing::readFile(path("server.log"));
    databaseBytes_ = testing::readFile(database());
  }
  void TearDown() override {
    if (server_ > 0) {
      kill(server_, SIGKILL);
      waitpid(server_, nullptr, 0);
    }
  }

  std::string request(const std::string& text) {
    return testing::loopbackExchange(port_, text, 180);
  }
  std::string health() { return request("GET /healthz HTTP/1.1\r\n\r\n"); }
  std::string path(const std::string& name) const { return scratch_.path() + "/" + name; }
  std::string database() const { return path("data/quorbel.db"); }

  // What must hold on the host after each row.
  void expectNothingLeft(const std::string& row) {
    std::vector<int> left = descendantsOf(server_);
    for (int attempt = 0; attempt < 40 && !left.empty(); ++attempt) {
      usleep(50000);
      left = descendantsOf(server_);
    }
    EXPECT_TRUE(left.empty()) << row << ": " << left.size() << " processes left";
    // The precompiled header is the server's own cache, built once for every run; anything
    // else in the temporary folder is a run's leftover.
    for (const auto& entry : fs::directory_iterator(path("tmp")))
      EXPECT_TRUE(entry.path().filename().string().starts_with("quorbel-pch-"))
          << row << ": " << entry.path();
    EXPECT_EQ(testing::readFile(path("host/marker")), "keep me") << row;
    EXPECT_EQ(testing::readFile(database()), databaseBytes_) << row;
    for (const std::string& escape :
         {path("escape.txt"), database() + ".escape", std::string("/escape.txt")})
      EXPECT_FALSE(fs::exists(escape)) << row << ": " << escape;
    EXPECT_NE(health().find("\"ok\":true"), std::string::npos) << row << ": server gone";
  }

  testing::ScratchDir scratch_;
  std::string databaseBytes_;
  int port_ = 0;
  pid_t server_ = -1;
};

TEST_F(RunnerHostileTest, EachIsContainedTwentyTimesAtOnce) {
  const bool boxed = health().find("\"isolation\":\"bubblewrap\"") != std::string::npos;
  const std::string log = testing::readFile(path("server.log"));
  const bool ownFolders =
      log.find("runner box folders: /tmp and the working directory noexec") != std::string::npos;
  EXPECT_NE(log.find(boxed ? "runner isolation: bubblewrap box\n"
                           : "runner isolation: process limits only ("),
            std::string::npos)
      << log;
  const std::string binaryFolder = fs::path(testing::quorbelBinary()).parent_path().string();
  for (const Hostile& row : kRows) {
    if ((row.needs == Needs::kBox && !boxed) || (row.needs == Needs::kBoxFolders && !ownFolders)) {
      std::cout << "[ SKIPPED  ] " << row.name << ": only the box"
                << (row.needs == Needs::kBoxFolders ? "'s own folders contain" : " contains")
                << " it\n";
      continue;
    }
    const std::string code = substituted(row.code, {{"@PORT@", std::to_string(port_)},
                                                    {"@DB@", jsonString(database())},
                                                    {"@MARKER@", jsonString(path("host/marker"))},
                                                    {"@ESCAPE@", jsonString(path("escape.txt"))},
                                                    {"@TMP@", jsonString(path("tmp"))},
                                                    {"@BIN@", jsonString(binaryFolder)}});
    const std::string body = "{\"code\":" + jsonString(code) + "}";
    const std::string post =
        "POST /api/run HTTP/1.1\r\nContent-Type: application/json\r\n"
        "X-Quorbel-Runner-Secret: " +
        std::string(kRunnerSecret) +
        "\r\n"
        "Content-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body;
    std::vector<std::string> replies(kCopies);
    std::vector<std::thread> clients;
    for (int i = 0; i < kCopies; ++i) clients.emplace_back([&, i] { replies[i] = request(post); });
    for (std::thread& client : clients) client.join();
    for (const std::string& reply : replies) {
      JsonValue json;
      parseJson(reply.substr(std::min(reply.size(), reply.find("\r\n\r\n") + 4)), json);
      const auto field = [&](const char* name) {
        const JsonValue* value = jsonMember(json, name);
        return value != nullptr ? value->text : "(missing)";
      };
      EXPECT_EQ(field("status"), row.status) << row.name << "\n" << reply;
      if (row.exitCode != kAnyExit) {
        EXPECT_EQ(field("exitCode"), std::to_string(row.exitCode)) << row.name << "\n" << reply;
      }
      EXPECT_EQ(field("stdout").find("LEAK"), std::string::npos) << row.name;
      EXPECT_EQ(reply.find(kSecret), std::string::npos) << row.name;
    }
    expectNothingLeft(row.name);
  }
}

}  // namespace
}  // namespace quorbel
