#include "server/file_text.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <utility>

#include "syntax/text.h"

namespace quorbel {

std::string readFile(const std::string& path) {
  std::string contents;
  readRegularFile(path, contents);
  return contents;
}

bool readRegularFile(const std::string& path, std::string& contents) {
  contents.clear();
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream buffer;
  buffer << file.rdbuf();
  if (file.bad()) return false;
  contents = std::move(buffer).str();
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
