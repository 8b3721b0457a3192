#include "measure/grown_sizes.h"

#include <algorithm>

namespace quorbel {

std::string readSizeName(const std::string& estimateSize) {
  std::string name = estimateSize;
  if (name.size() > 2 && name.front() == '|' && name.back() == '|')
    name = name.substr(1, name.size() - 2);
  for (const char* suffix : {".size()", ".length()"})
    if (name.ends_with(suffix)) name.resize(name.size() - std::string_view(suffix).size());
  return name;
}

std::vector<std::string> sizesNotGrown(const std::vector<std::string>& estimateSizes,
                                       const std::vector<std::map<std::string, double>>& runs) {
  std::vector<std::string> held;
  for (const std::string& size : estimateSizes) {
    const std::string name = readSizeName(size);
    bool seen = false;
    double least = 0, most = 0;
    for (const std::map<std::string, double>& run : runs) {
      auto found = run.find(name);
      if (found == run.end()) continue;
      least = seen ? std::min(least, found->second) : found->second;
      most = seen ? std::max(most, found->second) : found->second;
      seen = true;
    }
    if (!seen || most <= least) held.push_back(size);
  }
  return held;
}

}  // namespace quorbel
