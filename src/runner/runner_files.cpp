#include "runner/runner_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <vector>

#include "runner/runner_config.h"

namespace quorbel {
namespace {

// One directory on the way down. Only the deepest level holds a descriptor, so a tree nested
// a hundred thousand levels deep needs neither that many descriptors nor that much stack.
struct Level {
  int fd = -1;
  std::string name;  // this directory's name inside its parent
  dev_t device = 0;  // identity, checked when climbing back up through ".."
  ino_t inode = 0;
  std::vector<std::string> subdirectories;  // still to remove
};

// Unlinks every entry of the directory on `fd` except subdirectories, whose names it returns.
// Unlinking needs rights on the directory only; a chmod of an entry would follow a link.
std::vector<std::string> clearEntries(int fd) {
  std::vector<std::string> subdirectories;
  // Searchable and writable for us even if the run left the directory with mode 0.
  fchmod(fd, 0700);
  int scanFd = dup(fd);
  DIR* dir = scanFd >= 0 ? fdopendir(scanFd) : nullptr;
  if (dir == nullptr) {
    if (scanFd >= 0) close(scanFd);
    return subdirectories;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  closedir(dir);
  for (std::string& name : names) {
    struct stat info {};
    if (fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      subdirectories.push_back(std::move(name));
    } else {
      unlinkat(fd, name.c_str(), 0);
    }
  }
  return subdirectories;
}

Level enterLevel(int fd, std::string name) {
  Level level;
  level.fd = fd;
  level.name = std::move(name);
  struct stat info {};
  if (fstat(fd, &info) == 0) {
    level.device = info.st_dev;
    level.inode = info.st_ino;
  }
  level.subdirectories = clearEntries(fd);
  return level;
}

}  // namespace

TempDir::TempDir(TempDir&& other) noexcept : path(std::move(other.path)), identity(other.identity) {
  other.path.clear();
}

TempDir& TempDir::operator=(TempDir&& other) noexcept {
  if (this != &other) {
    if (!path.empty()) removeTree(path);
    path = std::move(other.path);
    identity = other.identity;
    other.path.clear();
  }
  return *this;
}

TempDir::~TempDir() {
  if (!path.empty()) removeTree(path);
}

TempDir makeTempDir() {
  TempDir dir;
  dir.identity = currentRunnerIdentity();
  std::string pattern = tempBaseDirectory() + "/quorbel-run-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) return dir;
  dir.path = buffer.data();
  chmod(dir.path.c_str(), 0700);
  if (dir.identity.active) {
    // Nothing has run in the fresh directory yet, so the name cannot have been swapped.
    if (chown(dir.path.c_str(), dir.identity.uid, dir.identity.gid) != 0) {
      // The children then cannot write here; the compile reports that on its own.
    }
  }
  return dir;
}

bool writeSourceFile(const TempDir& dir, std::string_view code, std::string& error) {
  return writeRunFile(dir, "main.cpp", code, error);
}

bool writeRunFile(const TempDir& dir, const std::string& name, std::string_view text,
                  std::string& error) {
  const std::string path = dir.path + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = "Could not create source file.";
    return false;
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  chmod(path.c_str(), 0600);
  if (dir.identity.active && chown(path.c_str(), dir.identity.uid, dir.identity.gid) != 0) {
    // The compiler then fails to read it and says so in its diagnostics.
  }
  return true;
}

void prepareExecutable(const std::string& path, const RunnerIdentity& identity) {
  // The compiler wrote this name as the runner identity; open it without following a link so
  // that root never changes the mode or owner of a file outside the run directory.
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    fchmod(fd, 0700);
    if (identity.active && fchown(fd, identity.uid, identity.gid) != 0) {
      // Left as the compiler made it; the run reports any failure to execute.
    }
  }
  close(fd);
}

void removeTree(const std::string& path) {
  int rootFd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (rootFd < 0) {
    rmdir(path.c_str());
    return;
  }
  std::vector<Level> stack;
  stack.push_back(enterLevel(rootFd, ""));
  while (!stack.empty()) {
    Level& top = stack.back();
    if (!top.subdirectories.empty()) {
      std::string name = std::move(top.subdirectories.back());
      top.subdirectories.pop_back();
      int childFd = openat(top.fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (childFd < 0) {
        unlinkat(top.fd, name.c_str(), AT_REMOVEDIR);
        continue;
      }
      close(top.fd);
      top.fd = -1;
      stack.push_back(enterLevel(childFd, std::move(name)));
      continue;
    }
    Level done = std::move(top);
    stack.pop_back();
    if (stack.empty()) {
      close(done.fd);
      break;
    }
    Level& parent = stack.back();
    int parentFd = openat(done.fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(done.fd);
    struct stat info {};
    // Everything the run started is dead by now, so ".." is the directory we came from; if it
    // is not, something moved the tree and we stop rather than delete outside it.
    if (parentFd < 0 || fstat(parentFd, &info) != 0 || info.st_dev != parent.device ||
        info.st_ino != parent.inode) {
      if (parentFd >= 0) close(parentFd);
      return;
    }
    parent.fd = parentFd;
    unlinkat(parentFd, done.name.c_str(), AT_REMOVEDIR);
  }
  rmdir(path.c_str());
}

}  // namespace quorbel
