// Union-find whose unions compare a table of the roots: a rank (grown only when two tie) or a
// size (sizes added) keeps trees shallow, alpha(n) per find with path compression; a count of
// the unions each root won (grown after every union) keeps nothing shallow, and path compression
// alone gives log n per find. Programs of our own; answers derived by hand.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"
#include "test_support.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& program) { return testing::estimatedTime(program); }

// n elements, q unions read one by one; `unite` is the body of the union of roots a and b.
std::string unions(const std::string& table, const std::string& unite) {
  return "#include <bits/stdc++.h>\nusing namespace std;\nint up[200005], " + table +
         "[200005];\nint root(int x) { return up[x] == x ? x : up[x] = root(up[x]); }\n"
         "void join(int a, int b) {\n  a = root(a); b = root(b);\n  if (a == b) return;\n  " +
         unite +
         "\n}\nint main() {\n  int n, q;\n  scanf(\"%d %d\", &n, &q);\n"
         "  for (int i = 1; i <= n; i++) up[i] = i;\n"
         "  for (int k = 0; k < q; k++) { int a, b; scanf(\"%d %d\", &a, &b); join(a, b); }\n}\n";
}

struct Case {
  const char* name;
  const char* table;
  const char* unite;
  const char* want;
};

TEST(UnionCountsTest, CountsOfUnionsWonAreNoRank) {
  const Case kCases[] = {
      {"counted in both branches", "won",
       "if (won[a] >= won[b]) { up[b] = a; ++won[a]; } else { up[a] = b; ++won[b]; }",
       "O(q * log n + n)"},
      {"counted after a swap", "cnt",
       "if (cnt[a] < cnt[b]) swap(a, b);\n  up[b] = a;\n  cnt[a] += 1;", "O(q * log n + n)"},
      {"counted with a postfix step", "lvl",
       "if (lvl[b] > lvl[a]) { up[a] = b; lvl[b]++; return; }\n  up[b] = a;\n  lvl[a]++;",
       "O(q * log n + n)"},
      {"near miss: a rank grown on a tie", "rk",
       "if (rk[a] < rk[b]) swap(a, b);\n  up[b] = a;\n  if (rk[a] == rk[b]) rk[a]++;",
       "O(q * alpha(n) + n)"},
      {"near miss: sizes added", "sz",
       "if (sz[a] < sz[b]) swap(a, b);\n  up[b] = a;\n  sz[a] += sz[b];", "O(q * alpha(n) + n)"},
      {"near miss: a rank raised to one past the other", "h",
       "if (h[a] < h[b]) swap(a, b);\n  up[b] = a;\n  h[a] = max(h[a], h[b] + 1);",
       "O(q * alpha(n) + n)"},
  };
  for (const Case& c : kCases) EXPECT_EQ(timeOf(unions(c.table, c.unite)), c.want) << c.name;
}

}  // namespace
}  // namespace quorbel
