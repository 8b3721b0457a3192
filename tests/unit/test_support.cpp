#include "test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace quorbel::testing {

std::string sourceDir() { return QUORBEL_SOURCE_DIR; }
std::string quorbelBinary() { return QUORBEL_BINARY; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

CommandOutput runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& input) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) return {};
  pid_t child = fork();
  if (child == 0) {
    dup2(inPipe[0], 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    for (const std::string& entry : environment) {
      size_t equals = entry.find('=');
      if (equals == std::string::npos)
        unsetenv(entry.c_str());
      else
        setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  CommandOutput result;
  size_t written = 0;
  if (input.empty()) close(inPipe[1]);
  fcntl(inPipe[1], F_SETFL, O_NONBLOCK);
  bool outOpen = true, errOpen = true, inOpen = !input.empty();
  while (outOpen || errOpen) {
    pollfd fds[3];
    int count = 0;
    if (outOpen) fds[count++] = {outPipe[0], POLLIN, 0};
    if (errOpen) fds[count++] = {errPipe[0], POLLIN, 0};
    if (inOpen) fds[count++] = {inPipe[1], POLLOUT, 0};
    if (poll(fds, count, 30000) <= 0) break;
    for (int i = 0; i < count; ++i) {
      if (!fds[i].revents) continue;
      if (fds[i].fd == inPipe[1]) {
        ssize_t n = write(inPipe[1], input.data() + written, input.size() - written);
        if (n > 0) written += static_cast<size_t>(n);
        if (n < 0 || written == input.size()) {
          close(inPipe[1]);
          inOpen = false;
        }
        continue;
      }
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof(buffer));
      bool isOut = fds[i].fd == outPipe[0];
      if (n <= 0) {
        (isOut ? outOpen : errOpen) = false;
      } else {
        (isOut ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      }
    }
  }
  if (inOpen) close(inPipe[1]);
  close(outPipe[0]);
  close(errPipe[0]);
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace quorbel::testing
