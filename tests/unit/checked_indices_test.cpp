// Indices kept below a size by a check before they are used: a grid with literal extents
// reaches the sizes its row and column indices are checked against, each on its own extent.
// Every program is our own; the answers are derived by hand (each cell enters the queue once,
// four neighbours each).
#include "model/checked_indices.h"

#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"
#include "model/nodes_of_type.h"
#include "test_support.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& program) { return testing::estimatedTime(program); }

// A breadth-first search over a grid of R rows and C columns read from the input; `globals`
// declares the tables and helpers, `check` is the statement that keeps (x, y) inside.
std::string gridSearch(const std::string& globals, const std::string& check) {
  return "#include <bits/stdc++.h>\nusing namespace std;\nint R, C;\n" + globals +
         "\nint main() {\n  scanf(\"%d %d\", &R, &C);\n"
         "  for (int i = 0; i < R; i++) scanf(\"%s\", wall[i]);\n"
         "  queue<pair<int, int>> q;\n  q.push({0, 0});\n"
         "  int sx[4] = {0, 0, 1, -1}, sy[4] = {1, -1, 0, 0};\n"
         "  while (!q.empty()) {\n    int a = q.front().first, b = q.front().second;\n"
         "    q.pop();\n    for (int k = 0; k < 4; k++) {\n"
         "      int x = a + sx[k], y = b + sy[k];\n      " +
         check + "\n    }\n  }\n}\n";
}

struct Case {
  const char* name;
  const char* globals;
  const char* check;
  const char* want;
};

TEST(CheckedIndicesTest, GridExtentsTakeTheSizesTheirIndicesAreCheckedAgainst) {
  const Case kCases[] = {
      {"sent away by continue", "char wall[1005][1005];\nint far_[1005][1005];",
       "if (x < 0 || x >= R || y < 0 || y >= C) continue;\n"
       "      if (wall[x][y] == '#' || far_[x][y]) continue;\n"
       "      far_[x][y] = far_[a][b] + 1;\n      q.push({x, y});",
       "O(C * R)"},
      {"kept by a condition around the push", "char wall[2048][2048];\nbool seen[2048][2048];",
       "if (0 <= x && x < R && y >= 0 && y < C && !seen[x][y]) {\n"
       "        seen[x][y] = true;\n        q.push({x, y});\n      }",
       "O(C * R)"},
      {"the size on the left", "char wall[1005][1005];\nint mark[1005][1005];",
       "if (x < 0 || R <= x || y < 0 || C <= y || mark[x][y]) continue;\n"
       "      mark[x][y] = 1;\n      q.push({x, y});",
       "O(C * R)"},
      {"checked by a helper",
       "char wall[1005][1005];\nint steps[1005][1005];\n"
       "bool inside(int r, int c) { return r >= 0 && r < R && c >= 0 && c < C; }",
       "if (!inside(x, y) || steps[x][y]) continue;\n"
       "      steps[x][y] = 1;\n      q.push({x, y});",
       "O(C * R)"},
      {"one-indexed, checked from above", "char wall[1005][1005];\nint mark[1005][1005];",
       "if (x < 1 || x > R || y < 1 || y > C || mark[x][y]) continue;\n"
       "      mark[x][y] = 1;\n      q.push({x, y});",
       "O(C * R)"},
  };
  for (const Case& c : kCases) EXPECT_EQ(timeOf(gridSearch(c.globals, c.check)), c.want) << c.name;
}

// The bound checkedBoundOf finds for the index `index` in the first loop of `body`.
std::string boundText(const std::string& globals, const std::string& body,
                      const std::string& index) {
  const std::string text = "int R, C;\n" + globals + "\nint main() {\n" + body + "\n}\n";
  Model model = buildModel(text);
  const std::vector<Node> loops = descendantsOfType(model.root, {"for_statement"});
  if (loops.empty()) return "no loop";
  Node named;
  for (const Node& n : descendantsOfType(loops.front(), {"identifier"}))
    if (n.text() == index && named.null()) named = n;
  const Node bound = checkedBoundOf(model, named, loops.front());
  return bound.null() ? "" : std::string(bound.text());
}

struct BoundCase {
  const char* name;
  const char* globals;
  const char* body;
  const char* index;
  const char* want;
};

TEST(CheckedIndicesTest, BoundsAreNamesNotLiteralsNorTheIndexItself) {
  const BoundCase kCases[] = {
      {"upper check", "", "for (int k = 0; k < 4; k++) { int x = k; if (x >= R) continue; }", "x",
       "R"},
      {"size call", "vector<int> v;",
       "for (int k = 0; k < 4; k++) { int x = k; if (x < (int)v.size()) v[x]++; }", "x",
       "v.size()"},
      {"helper compares its parameter", "bool ok(int r) { return r >= 0 && r < C; }",
       "for (int k = 0; k < 4; k++) { int x = k; if (!ok(x)) continue; }", "x", "C"},
      {"only literals", "",
       "for (int k = 0; k < 4; k++) { int x = k; if (x < 0 || x >= 8) break; }", "x", ""},
      {"the index against itself", "",
       "for (int k = 0; k < 4; k++) { int x = k; if (x < x + 1) break; }", "x", ""},
      {"a helper bounded by its own parameter", "bool ok(int r, int lim) { return r < lim; }",
       "for (int k = 0; k < 4; k++) { int x = k; if (!ok(x, 9)) continue; }", "x", ""},
      {"another variable's check", "",
       "for (int k = 0; k < 4; k++) { int x = k, y = k; if (y >= R) continue; }", "x", ""},
  };
  for (const BoundCase& c : kCases)
    EXPECT_EQ(boundText(c.globals, c.body, c.index), c.want) << c.name;
}

}  // namespace
}  // namespace quorbel
