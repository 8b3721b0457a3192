// The memory of the structures an analysis found, at the limits: every array of fixed length
// the program declares, and every structure of the space estimate, found by the declaration of
// the symbol its row stores (on the row's line, else the first one).
//   int dp[5005][5005];                      5005 * 5005 ints: about 100 MB
//   vector<vector<long long>> dp(n + 1, vector<long long>(m + 1));   the row's n * m, 8 bytes
//   adj[u].push_back(v);                     the row's count of list entries, 2 words each
#pragma once

#include <map>
#include <string>
#include <vector>

#include "estimate/time_cost.h"
#include "model/source_facts.h"
#include "verdict/verdict.h"

namespace quorbel {

struct MemoryEstimate {
  std::vector<MemoryItem> items;
  std::vector<std::string> missing;  // sizes some item needs and has no limit for
};

// `limits` holds the known size values by name, `unlimited` the sizes without one.
MemoryEstimate estimateMemory(const std::vector<Contribution>& spaceRows, const SourceFacts& facts,
                              const std::map<std::string, double>& limits,
                              const std::vector<std::string>& unlimited);

}  // namespace quorbel
