#include "analysis/confidence.h"

#include <algorithm>
#include <string>

namespace quorbel {
namespace {

int strength(const std::string& level) {
  if (level == "low") return 0;
  if (level == "medium") return 1;
  return 2;
}

const std::string& weaker(const std::string& a, const std::string& b) {
  return strength(a) <= strength(b) ? a : b;
}

int sortLine(const Assumption& a) { return a.line > 0 ? a.line : 1 << 30; }

}  // namespace

Confidence rateConfidence(const std::vector<Assumption>& assumptions) {
  Confidence confidence;
  for (const Assumption& a : assumptions) {
    std::string& level = a.dimension == "space" ? confidence.space : confidence.time;
    level = weaker(level, a.level);
  }
  return confidence;
}

std::vector<Assumption> orderAssumptions(std::vector<Assumption> assumptions) {
  std::stable_sort(
      assumptions.begin(), assumptions.end(),
      [](const Assumption& a, const Assumption& b) { return sortLine(a) < sortLine(b); });
  std::vector<Assumption> kept;
  for (Assumption& a : assumptions) {
    auto same = std::find_if(kept.begin(), kept.end(), [&](const Assumption& k) {
      return k.dimension == a.dimension && k.text == a.text;
    });
    if (same == kept.end()) {
      kept.push_back(std::move(a));
    } else {
      same->level = weaker(same->level, a.level);
    }
  }
  return kept;
}

}  // namespace quorbel
