#include "measure/compile_retry.h"

#include <cstdlib>
#include <sstream>
#include <string_view>

namespace quorbel {
namespace {

constexpr std::string_view kSourceName = "main.cpp:";
constexpr std::string_view kMissing = ": No such file or directory";

// The line of main.cpp each "fatal error: X: No such file or directory" names.
std::vector<int> missingHeaderLines(const std::string& output) {
  std::vector<int> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (!line.starts_with(kSourceName) || line.find("fatal error:") == std::string::npos ||
        line.find(kMissing) == std::string::npos)
      continue;
    const int number = std::atoi(line.c_str() + kSourceName.size());
    if (number > 0) lines.push_back(number);
  }
  return lines;
}

bool isIncludeLine(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos || line[first] != '#') return false;
  const size_t word = line.find_first_not_of(" \t", first + 1);
  return word != std::string_view::npos && line.substr(word).starts_with("include");
}

}  // namespace

std::string withoutMissingHeaders(const std::string& code, const std::string& compilerOutput) {
  const std::vector<int> missing = missingHeaderLines(compilerOutput);
  if (missing.empty()) return std::string();
  std::string result;
  bool blanked = false;
  int number = 1;
  size_t from = 0;
  while (from <= code.size()) {
    const size_t end = code.find('\n', from);
    const std::string_view line(code.data() + from,
                                (end == std::string::npos ? code.size() : end) - from);
    bool drop = false;
    for (int wanted : missing) drop = drop || (wanted == number && isIncludeLine(line));
    if (!drop) result.append(line);
    blanked = blanked || drop;
    if (end == std::string::npos) break;
    result += '\n';
    from = end + 1;
    ++number;
  }
  return blanked ? result : std::string();
}

std::vector<std::string> olderStandards() { return {"-std=gnu++17", "-std=gnu++14"}; }

}  // namespace quorbel
