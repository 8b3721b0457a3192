#include "base/file_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "base/text.h"

namespace quorbel {

std::string readFile(const std::string& path) {
  std::string contents;
  readRegularFile(path, contents);
  return contents;
}

bool readRegularFile(const std::string& path, std::string& contents) {
  contents.clear();
  // Each folder of the path is opened without following a symbolic link, and so is the file:
  // a link placed under public/ must not serve what it points at.
  int folder = path.starts_with("/") ? open("/", O_DIRECTORY | O_CLOEXEC) : AT_FDCWD;
  size_t start = path.starts_with("/") ? 1 : 0;
  int file = -1;
  while (true) {
    const size_t slash = path.find('/', start);
    const std::string part = path.substr(start, slash == std::string::npos ? slash : slash - start);
    const int flags =
        O_RDONLY | O_CLOEXEC | O_NOFOLLOW | (slash == std::string::npos ? 0 : O_DIRECTORY);
    const int next = part.empty() ? -1 : openat(folder, part.c_str(), flags);
    if (folder != AT_FDCWD) close(folder);
    if (next < 0) return false;
    if (slash == std::string::npos) {
      file = next;
      break;
    }
    folder = next;
    start = slash + 1;
  }
  struct stat info {};
  if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(file);
    return false;
  }
  std::string buffer;
  char chunk[65536];
  ssize_t got = 0;
  while ((got = read(file, chunk, sizeof chunk)) > 0)
    buffer.append(chunk, static_cast<size_t>(got));
  close(file);
  if (got < 0) return false;
  contents = std::move(buffer);
  return true;
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  size_t start = 0;
  while (true) {
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      return lines;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// A final line break ends the last line rather than starting one, as editors and wc count.
int countCodeLines(std::string_view code) {
  if (trim(code).empty()) return 0;
  const auto feeds = std::count(code.begin(), code.end(), '\n');
  return static_cast<int>(code.back() == '\n' ? feeds : feeds + 1);
}

}  // namespace quorbel
