// A word read inside a loop whose length the program names by how it walks it:
//   while (q--) { int n; string s; cin >> n >> s; for (int i = 0; i < n; i++) .. s[i] .. }
//   vector<string> grid(n); for (..) cin >> grid[i]; .. for (j < m) .. grid[i][j] ..
// The loop reads the word's characters up to n, so the word holds n of them.
#pragma once

#include "cost/cost.h"
#include "model/model.h"

namespace quorbel {

// The bound of a for loop in the scope of `word` (a string) whose variable indexes it
// (s[i] with i < n), when the bound is a scalar the program reads; O(1) when there is none.
// With `nested`, the strings a container of them holds: grid[i][j] with j < m.
Cost lengthWalked(const Model& model, const Symbol& word, bool nested = false);

}  // namespace quorbel
