#include "cli/suggestion.h"

#include <algorithm>
#include <vector>

#include "base/text.h"

namespace quorbel {
namespace {

// Edits between a and b, an adjacent swap counting as one (optimal string alignment).
size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t replace = d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, replace});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string closestWord(std::string_view typed, std::initializer_list<std::string_view> known) {
  const std::string word = lowerCopy(std::string(typed));
  // Arguments may be whole files: a long word is never a typo of a short command.
  if (word.empty() || word.size() > 32) return "";
  std::string best;
  size_t bestDistance = 3;
  for (const std::string_view candidate : known) {
    const size_t distance = editDistance(word, lowerCopy(std::string(candidate)));
    if (distance == 0) return "";
    if (distance < bestDistance && distance * 2 < word.size()) {
      best = std::string(candidate);
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace quorbel
