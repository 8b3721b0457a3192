#include "runner/runner_pch.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>

#include "runner/runner_config.h"

namespace quorbel {
namespace {

constexpr const char* kSourceName = "main.cpp";

// The flags a compile shares with the header's build: everything but the source and output.
std::vector<std::string> sharedFlags(const std::vector<std::string>& args) {
  std::vector<std::string> flags;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == kSourceName || args[i] == "-static") continue;
    if (args[i] == "-o") {
      ++i;
      continue;
    }
    flags.push_back(args[i]);
  }
  return flags;
}

std::string folderFor(const std::vector<std::string>& flags) {
  std::string key;
  for (const std::string& flag : flags) key += flag + '\n';
  char name[64];
  std::snprintf(name, sizeof name, "/quorbel-pch-%016zx", std::hash<std::string>{}(key));
  return tempBaseDirectory() + name;
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// The folder is this server's own and nobody else may write into it: a .gch planted in a
// shared temporary directory would be compiled into other people's programs.
bool isOwnFolder(const std::string& folder) {
  struct stat info {};
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         info.st_uid == ::geteuid() && (info.st_mode & 022) == 0;
}

// Runs in a grandchild of the server, detached from it: compiles a header that includes the
// system's <bits/stdc++.h> into folder/bits/stdc++.h.gch, then marks the folder ready. Under
// its own limits: a .gch is about 100 MB, more than a compile stage may write.
[[noreturn]] void buildInBackground(const std::string& folder, std::vector<std::string> flags) {
  ::setsid();
  // Nothing of the server's: its listening socket and connections stay its own.
  if (::close_range(3, ~0U, 0) != 0)
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);
  const int devNull = ::open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    ::dup2(devNull, 0);
    ::dup2(devNull, 1);
    ::dup2(devNull, 2);
  }
  for (const auto& [resource, value] : {std::pair{RLIMIT_CPU, rlim_t{300}},
                                        {RLIMIT_FSIZE, rlim_t{512} << 20},
                                        {RLIMIT_AS, rlim_t{4096} << 20},
                                        {RLIMIT_CORE, rlim_t{0}}}) {
    const rlimit limit{value, value};
    ::setrlimit(resource, &limit);
  }
  const std::string header = folder + "/stdc++-wrapper.h";
  const std::string output = folder + "/bits/stdc++.h.gch";
  const std::string part = output + "." + std::to_string(::getpid());
  ::umask(022);
  ::mkdir(folder.c_str(), 0755);
  if (!isOwnFolder(folder)) ::_exit(1);
  ::mkdir((folder + "/bits").c_str(), 0755);
  // One build at a time across every server and test process; the lock dies with its holder.
  const int lock = ::open((folder + "/lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
  if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0 || exists(folder + "/ready")) ::_exit(0);
  FILE* file = std::fopen(header.c_str(), "w");
  if (file == nullptr) ::_exit(1);
  std::fputs("#include <bits/stdc++.h>\n", file);
  std::fclose(file);
  flags.insert(flags.end(), {"-x", "c++-header", header, "-o", part});
  const pid_t compiler = ::fork();
  if (compiler == 0) {
    // The compiler's temporaries stay in the cache folder, out of the runs' shared one.
    ::setenv("TMPDIR", folder.c_str(), 1);
    std::vector<char*> argv;
    for (std::string& flag : flags) argv.push_back(flag.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  while (compiler > 0 && ::waitpid(compiler, &status, 0) < 0 && errno == EINTR) {
  }
  if (compiler > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
      ::chmod(part.c_str(), 0444) == 0 && ::rename(part.c_str(), output.c_str()) == 0) {
    const int ready = ::open((folder + "/ready").c_str(), O_CREAT | O_WRONLY, 0444);
    if (ready >= 0) ::close(ready);
  }
  ::unlink(part.c_str());
  ::_exit(0);
}

}  // namespace

std::string precompiledHeaderDirectory(const std::vector<std::string>& compileArgs) {
  const std::vector<std::string> flags = sharedFlags(compileArgs);
  if (flags.empty()) return "";
  const std::string folder = folderFor(flags);
  if (isOwnFolder(folder) && exists(folder + "/ready") && exists(folder + "/bits/stdc++.h.gch"))
    return folder;
  // One attempt per server process and folder; a server started later tries again.
  static std::vector<std::string> started;
  if (std::find(started.begin(), started.end(), folder) != started.end()) return "";
  started.push_back(folder);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::fork() == 0) buildInBackground(folder, flags);
    ::_exit(0);
  }
  int status = 0;
  while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return "";
}

std::string precompiledHeaderFolder(const std::vector<std::string>& compileArgs) {
  return folderFor(sharedFlags(compileArgs));
}

std::vector<std::string> withPrecompiledHeader(std::vector<std::string> compileArgs) {
  const std::string folder = precompiledHeaderDirectory(compileArgs);
  const auto source = std::find(compileArgs.begin(), compileArgs.end(), kSourceName);
  if (folder.empty() || source == compileArgs.end()) return compileArgs;
  compileArgs.insert(source, {"-I", folder});
  return compileArgs;
}

}  // namespace quorbel
