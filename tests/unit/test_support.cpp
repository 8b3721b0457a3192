#include "test_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <limits.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel::testing {
namespace {

namespace fs = std::filesystem;

bool becomeNobody() {
  return setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
}

int statusOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

std::string sourceDir() { return QUORBEL_SOURCE_DIR; }
std::string quorbelBinary() { return QUORBEL_BINARY; }

// ---- Processes ----

// The outputs go to memory files, read once the program has exited; a terminal's master keeps
// what was written until it is read, and reads EIO after that.
CommandOutput runCommand(const std::vector<std::string>& argv, const CommandOptions& options) {
  const int out = memfd_create("stdout", MFD_CLOEXEC);
  int err = memfd_create("stderr", MFD_CLOEXEC), terminal = -1;
  if (options.stderrTerminal) {
    close(err);
    err = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (err < 0 || grantpt(err) != 0 || unlockpt(err) != 0) return {};
    terminal = open(ptsname(err), O_RDWR | O_NOCTTY | O_CLOEXEC);
  }
  const pid_t child = fork();
  if (child == 0) {
    const int input = open(options.input.c_str(), O_RDONLY | O_CLOEXEC);
    if (dup2(input, 0) < 0 || dup2(out, 1) < 0 || dup2(terminal >= 0 ? terminal : err, 2) < 0)
      _exit(125);
    if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) _exit(125);
    for (const std::string& entry : options.environment) {
      const size_t equals = entry.find('=');
      if (equals == std::string::npos)
        unsetenv(entry.c_str());
      else
        setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    if (options.withoutRoot && geteuid() == 0 && !becomeNobody()) _exit(126);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  if (terminal >= 0) close(terminal);
  CommandOutput result;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child) result.status = statusOf(status);
  for (const auto& [fd, text] : {std::pair{out, &result.out}, std::pair{err, &result.err}}) {
    char buffer[65536];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text->append(buffer, n);
    close(fd);
  }
  return result;
}

int runWithoutRoot(const std::function<int()>& body) {
  if (geteuid() != 0) return body();
  const pid_t child = fork();
  if (child == 0) _exit(becomeNobody() ? body() : 126);
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child ? statusOf(status) : -1;
}

// ---- Programs ----

std::string estimatedTime(const std::string& program) {
  Model model = buildModel(program);
  return formatCost(estimateTime(model).total);
}

std::string sizeChainProgram(int functions) {
  std::string sizes, reads, bodies;
  for (int k = 0; k < functions; ++k) {
    const std::string s = "s" + std::to_string(k);
    sizes += (k == 0 ? "int " : ", ") + s;
    reads += "  cin >> " + s + ";\n";
    const std::string next = k + 1 < functions ? "f" + std::to_string(k + 1) + "();" : "total++;";
    bodies += "void f" + std::to_string(k) + "() {\n  for (int i = 0; i < " + s + "; i++) " + next +
              "\n}\n";
  }
  std::string declarations;
  for (int k = 0; k < functions; ++k) declarations += "void f" + std::to_string(k) + "();\n";
  return "#include <bits/stdc++.h>\nusing namespace std;\n" + sizes + ";\nlong long total;\n" +
         declarations + bodies + "int main() {\n" + reads + "  f0();\n  cout << total;\n}\n";
}

// ---- Files and the environment ----

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> query(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  std::vector<std::string> rows;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK ||
      sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
    rows.push_back(std::string("error: ") + sqlite3_errmsg(db));
  while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const unsigned char* text = sqlite3_column_text(statement, i);
      if (i > 0) row += '|';
      row += text != nullptr ? reinterpret_cast<const char*>(text) : "NULL";
    }
    rows.push_back(row);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

ScratchDir::ScratchDir() {
  char pattern[] = "/tmp/quorbel-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  path_ = made != nullptr ? made : "";
  if (made != nullptr) chmod(made, 0755);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
}

std::string ScratchDir::write(const std::string& relative, const std::string& contents,
                              mode_t mode) const {
  const std::string file = path_ + "/" + relative;
  std::ofstream(file, std::ios::binary) << contents;
  chmod(file.c_str(), mode);
  return file;
}

std::string ScratchDir::makeDirectory(const std::string& relative) const {
  std::string at = path_;
  for (const auto& part : fs::path(relative)) {
    at += "/";
    at += part.string();
    fs::create_directory(at);
    chmod(at.c_str(), 0755);
  }
  return at;
}

ScratchWorkingDirectory::ScratchWorkingDirectory() {
  char cwd[PATH_MAX];
  old_ = getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".";
  makeDirectory("public");
  if (chdir(path().c_str()) != 0) old_.clear();
}

ScratchWorkingDirectory::~ScratchWorkingDirectory() {
  if (!old_.empty() && chdir(old_.c_str()) != 0) perror("quorbel tests: chdir back");
}

// ---- Sockets ----

bool sendAll(int socket, const std::string& data) {
  for (size_t sent = 0; sent < data.size();) {
    const ssize_t n = send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::string receiveAll(int socket) {
  std::string data;
  char buffer[65536];
  for (ssize_t n; (n = recv(socket, buffer, sizeof buffer, 0)) > 0;) data.append(buffer, n);
  return data;
}

// A server may answer and close before it has read everything: what it answered still counts.
std::string loopbackExchange(int port, const std::string& request, int timeoutSeconds) {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const timeval timeout{timeoutSeconds, 0};
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    sendAll(s, request);
    reply = receiveAll(s);
  }
  close(s);
  return reply;
}

}  // namespace quorbel::testing
