// Lists kept in plain arrays through counters, as C-style solutions write them:
//   heap[++hn] = x; ... x = heap[hn--];        an array used as a stack through a counter
//   adj[u][deg[u]++] = v;  for (i < deg[u])     a table of rows, each row's length kept apart
// Found in one walk when the model is built, so the loop rules ask a map.
#pragma once

#include <map>
#include <string>

#include "model/tree.h"

namespace quorbel {

struct CountedArrays {
  // counter -> array: a scalar that indexes the array's writes as it grows (a[++c] = x,
  // a[c++].w = x) and is counted down somewhere (c--, a[c--]): the array is a stack of c items.
  std::map<std::string, std::string> stacks;
  // count -> table: t[u][cnt[u]] = v with cnt[u] counted up: cnt[u] is the length of row u,
  // and the rows together hold every entry written that way.
  std::map<std::string, std::string> rowCounts;
  // table -> count: every table kept with the same lengths (adj[u][deg[u]] = v; w[u][deg[u]++] = c)
  std::map<std::string, std::string> countOfRows;
};

CountedArrays findCountedArrays(const Node& root);

}  // namespace quorbel
