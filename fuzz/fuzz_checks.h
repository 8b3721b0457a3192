// Invariant checks shared by the fuzz targets: a broken invariant aborts with a message, so
// libFuzzer saves the input like any crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace quorbel::fuzz {

inline void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

// "O(" ... ")" with something inside.
inline bool isBigO(std::string_view notation) {
  return notation.size() > 3 && notation.substr(0, 2) == "O(" && notation.back() == ')';
}

}  // namespace quorbel::fuzz
