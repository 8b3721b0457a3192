// Member calls through expressions, and names declared in more than one scope, each on the
// smallest program showing it.
#include "model/member_calls.h"

#include <gtest/gtest.h>

#include <string>

#include "estimate/space_cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"
#include "model/nodes_of_type.h"

namespace quorbel {
namespace {

const char* const kHead = "#include <bits/stdc++.h>\nusing namespace std;\n";

// A type whose update walks a tree over the n the program reads, in log n steps: calls that
// reach it cost log n each; its storage is fixed, so building one costs nothing that grows.
const char* const kTree =
    "int n, q;\nstruct Bit { long long d[1 << 18]; void push_back(int i, long long x) { for "
    "(i++; i <= n; i += i & -i) d[i] += x; } };\n";

std::string timeOf(const std::string& program) {
  Model model = buildModel(std::string(kHead) + kTree + program);
  return formatCost(estimateTime(model).total);
}

TEST(MemberCallTest, CallsThroughAnElementReachTheMember) {
  const struct {
    const char* name;
    const char* program;
    const char* want;
  } kCases[] = {
      {"element of a vector of the type",
       "int main() { cin >> n >> q; vector<Bit> t(3); for (int k = 0; k < q; k++) { int c, i; "
       "cin >> c >> i; t[c].push_back(i, 1); } }",
       "O(q * log n)"},
      {"element of an array of the type",
       "Bit t[2];\nint main() { cin >> n >> q; for (int k = 0; k < q; k++) { int i; cin >> i; "
       "t[k % 2].push_back(i, 1); } }",
       "O(q * log n)"},
      {"element handed out by back()",
       "int main() { cin >> n >> q; deque<Bit> t(1); for (int k = 0; k < q; k++) { int i; cin "
       ">> i; t.back().push_back(i, 1); } }",
       "O(q * log n)"},
      {"dereferenced pointer",
       "Bit pool[1];\nint main() { cin >> n >> q; Bit* p = &pool[0]; for (int k = 0; k < q; "
       "k++) { int i; cin >> i; (*p).push_back(i, 1); } }",
       "O(q * log n)"},
      {"pointer through an arrow",
       "Bit pool[1];\nint main() { cin >> n >> q; Bit* p = pool; for (int k = 0; k < q; k++) { "
       "int i; cin >> i; p->push_back(i, 1); } }",
       "O(q * log n)"},
      {"member of an object",
       "struct Holder { Bit inner; } h;\nint main() { cin >> n >> q; for (int k = 0; k < q; "
       "k++) { int i; cin >> i; h.inner.push_back(i, 1); } }",
       "O(q * log n)"},
      {"a library container's method of the same name is not the member",
       "int main() { cin >> n >> q; vector<vector<int>> s(n); for (int k = 0; k < q; k++) { int "
       "c; cin >> c; s[c].push_back(k); } }",
       "O(n + q)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(timeOf(c.program), c.want) << c.name;
}

TEST(MemberCallTest, OwnerIsTheTypeThatDefinesTheMember) {
  const struct {
    const char* name;
    const char* program;
    const char* function;
    const char* owner;
  } kCases[] = {
      {"inside the type", "struct Seg { void upd(int p) { p++; } };", "upd", "Seg"},
      {"inside a template type", "template <class T> class Pool { public: void put(T x) { } };",
       "put", "Pool"},
      {"outside the type", "struct Seg { void upd(int p); };\nvoid Seg::upd(int p) { p++; }", "upd",
       "Seg"},
      {"free function", "void upd(int p) { p++; }", "upd", ""},
      {"lambda", "int main() { auto upd = [&](int p) { return p + 1; }; upd(1); }", "upd", ""},
  };
  for (const auto& c : kCases) {
    const Model model = buildModel(std::string(kHead) + c.program);
    auto found = model.functions.find(c.function);
    ASSERT_NE(found, model.functions.end()) << c.name;
    EXPECT_EQ(ownerOf(found->second), c.owner) << c.name;
  }
}

// One symbol per scope: a name declared again elsewhere means what its own declaration says.
// Two types defining a member of one name: a call through an object reaches its own type's,
// and a member calling the other type's member of the same name is no recursion.
TEST(MemberCallTest, SameNamedMembersBelongToTheirObjectsTypes) {
  const char* const kTypes =
      "struct Cheap { int q(int x) { return x + 1; } };\n"
      "struct Full { vector<int> v; Full(int m) : v(m) {} long long q(int x) { long long s = 0; "
      "for (int i = 0; i < (int)v.size(); i++) s += v[i] ^ x; return s; } };\n";
  const struct {
    const char* name;
    const char* program;
    const char* want;
  } kCases[] = {
      {"declared by its constructor",
       "int main() { int m, k; cin >> m >> k; Full f(m); Cheap c; while (k--) { int x; cin >> x; "
       "cout << f.q(x) + c.q(x); } }",
       "O(k * m)"},
      {"auto from the type's constructor",
       "int main() { int m, k; cin >> m >> k; auto f = Full(m); while (k--) { int x; cin >> x; "
       "cout << f.q(x); } }",
       "O(k * m)"},
      {"the cheap one, though the costly one shares its name (building f fills m entries)",
       "int main() { int m, k; cin >> m >> k; Full f(m); Cheap c; while (k--) { int x; cin >> x; "
       "cout << c.q(x); } }",
       "O(m + k)"},
      {"a wrapper's member calling its part's member of the same name",
       "struct Wrap { Full part; Wrap(int m) : part(m) {} long long q(int x) { return part.q(x); "
       "} }; int main() { int m, k; cin >> m >> k; Wrap w(m); while (k--) { int x; cin >> x; "
       "cout << w.q(x); } }",
       "O(k * m)"},
  };
  for (const auto& c : kCases) {
    Model model = buildModel(std::string(kHead) + kTypes + c.program);
    EXPECT_EQ(formatCost(estimateTime(model).total), c.want) << c.name;
  }
}

// Graph::solve called from Solution::solve: two functions, each priced by its own body.
TEST(MemberCallTest, SameNamedFunctionsOfTwoTypesAreTwoFunctions) {
  const std::string program =
      std::string(kHead) +
      "struct Graph { int n; vector<int> a; void solve() { sort(a.begin(), a.end()); } };\n"
      "struct Solution { void solve() { Graph g; cin >> g.n; g.a.resize(g.n); for (auto& x : "
      "g.a) cin >> x; g.solve(); } };\n"
      "int main() { Solution s; s.solve(); }";
  Model model = buildModel(program);
  EXPECT_EQ(formatCost(estimateTime(model).total), "O(n * log n)");
}

// An operator of the program's type is a call of its body: a matrix power by squaring costs
// a product per halving of the exponent, however the operator is written.
TEST(MemberCallTest, OperatorsOfTheProgramsTypesAreCalls) {
  const char* const kPower =
      "int main() { int n; long long e; cin >> n >> e; M b(n), r(n); while (e > 0) { if (e & 1) "
      "r = r * b; b = b * b; e >>= 1; } cout << r.a[0][0]; }";
  const char* const kTypes[] = {
      "struct M { int n; vector<vector<long long>> a; M(int n) : n(n), a(n, "
      "vector<long long>(n)) {} M operator*(const M& o) const { M r(n); for (int i = 0; i < n; "
      "i++) for (int j = 0; j < n; j++) for (int k = 0; k < n; k++) r.a[i][j] += a[i][k] * "
      "o.a[k][j]; return r; } };\n",
      "struct M { int n; vector<vector<long long>> a; M(int n) : n(n), a(n, "
      "vector<long long>(n)) {} };\nM operator*(const M& x, const M& y) { M r(x.n); for (int i "
      "= 0; i < x.n; i++) for (int j = 0; j < x.n; j++) for (int k = 0; k < x.n; k++) r.a[i][j] "
      "+= x.a[i][k] * y.a[k][j]; return r; }\n",
  };
  for (const char* types : kTypes) {
    Model model = buildModel(std::string(kHead) + types + kPower);
    EXPECT_EQ(formatCost(estimateTime(model).total), "O(n^3 * log e)") << types;
  }
  // r *= b with only operator* defined
  const std::string compound = std::string(kHead) + kTypes[0] +
                               "int main() { int n; long long e; cin >> n >> e; M b(n), r(n); "
                               "while (e > 0) { if (e & 1) r *= b; b *= b; e >>= 1; } }";
  Model model = buildModel(compound);
  EXPECT_EQ(formatCost(estimateTime(model).total), "O(n^3 * log e)");
}

TEST(ScopeTest, ANameMeansItsOwnDeclarationWhereItIsUsed) {
  const struct {
    const char* name;
    const char* program;
    const char* want;
  } kCases[] = {
      {"a helper's string and main's count share a name",
       "int score(const string& w) { int c = 0; for (size_t i = 0; i < w.size(); i++) c += w[i]; "
       "return c; }\nvoid solve() { int k; cin >> k; while (k--) { string w; cin >> w; cout << "
       "score(w); } }\nint main() { int w = 1; while (w--) solve(); }",
       "O(|w|)"},
      {"a constant count in main beside a helper reading a string of that name",
       "void solve() { string r; cin >> r; for (char ch : r) cout << ch; }\nint main() { int r "
       "= 3; while (r--) solve(); }",
       "O(|r|)"},
      {"parameters of the same name in two functions",
       "void walk(int m) { for (int i = 0; i < m; i++) cout << i; }\nvoid root(int m) { for "
       "(int j = 1; j * j <= m; j++) cout << j; }\nint main() { int a, b; cin >> a >> b; "
       "walk(a); root(b); }",
       "O(a + sqrt b)"},
  };
  for (const auto& c : kCases) {
    Model model = buildModel(std::string(kHead) + c.program);
    EXPECT_EQ(formatCost(estimateTime(model).total), c.want) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
