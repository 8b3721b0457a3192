// Union-find's find in the spellings real code uses: links kept in an array, in a member of an
// entry or in the object a pointer names, followed by recursion or by a loop. Path compression
// makes m finds cost O(m log n); without it, or on a tree descended by two different children,
// a climb is as long as the chain. Programs of our own with answers derived by hand.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {
namespace {

struct Case {
  const char* name;
  const char* helper;  // the find, with what it needs declared before main
  const char* want;
};

// main unites m pairs over n entries set to themselves through `init` and `find`.
std::string programWith(const Case& c, const char* init, const char* find, const char* link) {
  return std::string("#include <bits/stdc++.h>\nusing namespace std;\n") + c.helper +
         "\nint main() { int n, m; cin >> n >> m; for (int i = 1; i <= n; i++) " + init +
         ";\n  int k = n; for (int i = 0; i < m; i++) { int a, b; cin >> a >> b;\n" +
         "    a = " + find + "(a); b = " + find + "(b); if (a != b) { " + link +
         " = b; k--; } }\n  cout << k; }\n";
}

std::string timeOf(const std::string& program) {
  Model model = buildModel(program);
  return formatCost(estimateTime(model).total);
}

TEST(LinkChainsTest, CompressedClimbsInAnArray) {
  const Case kCases[] = {
      {"halving the path while climbing",
       "int p[200005];\nint root(int x) { while (x != p[x]) { p[x] = p[p[x]]; x = p[x]; } "
       "return x; }",
       "O(m * log n + n)"},
      {"climbing to the root, then pointing the path at it",
       "int p[200005];\nint root(int x) { int r = x; while (p[r] != r) r = p[r];\n"
       "  while (x != r) { int nx = p[x]; p[x] = r; x = nx; } return r; }",
       "O(m * log n + n)"},
      {"a for loop halving through its update",
       "int p[200005];\nint root(int x) { for (; p[x] != x; x = p[x]) p[x] = p[p[x]]; return x; }",
       "O(m * log n + n)"},
      {"near miss: climbing without compressing",
       "int p[200005];\nint root(int x) { while (p[x] != x) x = p[x]; return x; }",
       "O(m * (n + |p|))"},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(timeOf(programWith(c, "p[i] = i", "root", "p[a]")), c.want) << c.name;
}

// Compressed climbs beside union by size or rank: alpha(n) per find, as the recursive find.
TEST(LinkChainsTest, CompressedClimbsWithUnionBySize) {
  const std::string head = "#include <bits/stdc++.h>\nusing namespace std;\n";
  const std::string main =
      "\nint main() { int n, m; cin >> n >> m; init(n); for (int i = 0; i < m; i++) { int a, b; "
      "cin >> a >> b; unite(a, b); } }\n";
  const struct {
    const char* name;
    const char* helpers;
    const char* want;
  } kCases[] = {
      {"halving written as one chain of assignments, union by size",
       "vector<int> up, cnt; void init(int n) { up.resize(n); cnt.assign(n, 1); iota(up.begin(), "
       "up.end(), 0); }\nint top(int x) { while (up[x] != x) x = up[x] = up[up[x]]; return x; }\n"
       "void unite(int a, int b) { a = top(a); b = top(b); if (a == b) return; if (cnt[a] < "
       "cnt[b]) swap(a, b); up[b] = a; cnt[a] += cnt[b]; }",
       "O(m * alpha(n) + n)"},
      {"halving by two statements, union by rank",
       "int par[200005], rk[200005]; void init(int n) { for (int i = 0; i < n; i++) par[i] = i; "
       "}\nint root(int x) { while (par[x] != x) { par[x] = par[par[x]]; x = par[x]; } return x; "
       "}\nvoid unite(int a, int b) { a = root(a); b = root(b); if (a == b) return; if (rk[a] < "
       "rk[b]) swap(a, b); par[b] = a; if (rk[a] == rk[b]) rk[a]++; }",
       "O(m * alpha(n) + n)"},
      {"the path pointed at the root, compared through the entry it stands on",
       "vector<int> lead; void init(int n) { lead.resize(n); iota(lead.begin(), lead.end(), 0); "
       "}\nint get(int x) { int r = x; while (lead[r] != r) r = lead[r]; while (lead[x] != r) { "
       "int nx = lead[x]; lead[x] = r; x = nx; } return r; }\nvoid unite(int a, int b) { a = "
       "get(a); b = get(b); if (a != b) lead[a] = b; }",
       "O(m * log n + n)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(timeOf(head + c.helpers + main), c.want) << c.name;
}

TEST(LinkChainsTest, CompressedLinksKeptInEntries) {
  const Case kCases[] = {
      {"a member of an array's entry",
       "struct Cell { int up, size; };\nCell cells[200005];\n"
       "int root(int v) { if (cells[v].up == v) return v; return cells[v].up = "
       "root(cells[v].up); }",
       "O(m * log n + n)"},
      {"a member of an entry climbed by a loop",
       "struct Cell { int up, size; };\nCell cells[200005];\n"
       "int root(int v) { while (cells[v].up != v) { cells[v].up = cells[cells[v].up].up; v = "
       "cells[v].up; } return v; }",
       "O(m * log n + n)"},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(timeOf(programWith(c, "cells[i].up = i", "root", "cells[a].up")), c.want) << c.name;
}

TEST(LinkChainsTest, PointerLinksAndTreeDescents) {
  const Case kCases[] = {
      {"a link in the object a pointer names",
       "#include <bits/stdc++.h>\nusing namespace std;\nstruct Item { Item* boss; };\n"
       "Item* top(Item* s) { if (s->boss != s) s->boss = top(s->boss); return s->boss; }\n"
       "vector<Item> all;\nint main() { int n, m; cin >> n >> m; all.resize(n + 1);\n"
       "  for (int i = 0; i <= n; i++) all[i].boss = &all[i];\n"
       "  int k = n; for (int i = 0; i < m; i++) { int a, b; cin >> a >> b;\n"
       "    Item* x = top(&all[a]); Item* y = top(&all[b]); if (x != y) { x->boss = y; k--; } }\n"
       "  cout << k; }",
       "O(m * log n + n)"},
      {"near miss: a search tree grown by two different children",
       "#include <bits/stdc++.h>\nusing namespace std;\n"
       "struct T { T* left = nullptr; T* right = nullptr; int key; T(int k) : key(k) {} };\n"
       "T* ins(T* t, int k) { if (!t) return new T(k);\n"
       "  if (k < t->key) t->left = ins(t->left, k); else t->right = ins(t->right, k); return t; "
       "}\n"
       "int main() { int n; cin >> n; T* r = nullptr;\n"
       "  for (int i = 0; i < n; i++) { int x; cin >> x; r = ins(r, x); } cout << r->key; }",
       "O(n^2)"},
  };
  for (const Case& c : kCases) EXPECT_EQ(timeOf(c.helper), c.want) << c.name;
}

}  // namespace
}  // namespace quorbel
