// How the model reads a program as it is written: type spellings, array extents, scopes,
// values, constructors and input, each on the smallest program showing it.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "estimate/entry_sizes.h"
#include "estimate/space_cost.h"
#include "estimate/time_cost.h"
#include "model/entry_points.h"
#include "model/loop_parts.h"
#include "model/magnitude.h"
#include "model/model.h"
#include "model/nodes_of_type.h"
#include "model/recursion_guards.h"
#include "model/test_loops.h"
#include "model/types.h"

namespace quorbel {
namespace {

struct Estimate {
  std::string time, space;
};

// A whole program and the time and space it should be read as.
struct ProgramCase {
  const char* name;
  const char* program;
  const char* time;
  const char* space;
};

Estimate estimateOf(const std::string& program) {
  Model model = buildModel(program);
  const TimeEstimate time = estimateTime(model);
  return {formatCost(time.total), formatCost(estimateSpace(model, time).total)};
}

const char* const kHead = "#include <bits/stdc++.h>\nusing namespace std;\n";

TEST(TypeReadingTest, SpellingsNormaliseToOneType) {
  const TypeAliases aliases = {{"vi", {"vector<int>", {}}},
                               {"vvi", {"vector<vi>", {}}},
                               {"V", {"vector<T>", {"T"}}},
                               {"ll", {"long long", {}}}};
  const struct {
    const char* spelling;
    const char* want;
  } kCases[] = {
      {"std::vector< std::vector<int> >", "vector<vector<int>>"},
      {"const vector<int> &", "vector<int>"},
      {"vvi", "vector<vector<int>>"},
      {"V<V<ll>>", "vector<vector<long long>>"},
      {"unsigned long long", "unsigned long long"},
      {"__gnu_pbds::tree<int, null_type>", "tree<int,null_type>"},
      {"vill", "vill"},  // an alias is a whole word, never a prefix
  };
  for (const auto& c : kCases) EXPECT_EQ(normaliseType(c.spelling, aliases), c.want) << c.spelling;
}

TEST(TypeReadingTest, KindIsTheOutermostTemplates) {
  const struct {
    const char* type;
    ContainerKind kind;
    bool nested;
  } kCases[] = {
      {"vector<vector<int>>", ContainerKind::kVector, true},
      {"vector<set<int>>", ContainerKind::kVector, true},
      {"vector<string>", ContainerKind::kVector, false},
      {"vector<pair<int,int>>", ContainerKind::kVector, false},
      {"pair<int,vector<int>>", ContainerKind::kScalar, false},
      {"map<int,vector<int>>", ContainerKind::kOrdered, true},  // a list per key
      {"unordered_map<long long,set<int>>", ContainerKind::kHashed, true},
      {"map<vector<int>,int>", ContainerKind::kOrdered, false},  // a list as the key only
      {"tree<int,null_type,less<int>,rb_tree_tag>", ContainerKind::kOrdered, false},
      {"unordered_map<int,int>", ContainerKind::kHashed, false},
      {"priority_queue<pair<int,int>>", ContainerKind::kHeap, false},
      {"array<array<int,3>,1000>", ContainerKind::kArray, false},
      {"vector<int>*", ContainerKind::kScalar, false},
      {"string", ContainerKind::kString, false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(kindOfType(c.type), c.kind) << c.type;
    EXPECT_EQ(isNestedType(c.type), c.nested) << c.type;
  }
}

TEST(TypeReadingTest, DeclarationsGiveTheirContainers) {
  // n vertices, m edges read; each program builds an adjacency structure and walks it once.
  const std::string walk =
      "int main() { int n, m; cin >> n >> m; for (int i = 0; i < m; i++) { int a, b; cin "
      ">> a >> b; g[a].push_back(b); } long long s = 0; for (int u = 0; u < n; u++) for (int v : "
      "g[u]) s += v; cout << s; }";
  const struct {
    const char* name;
    const char* declaration;
    const char* space;
  } kCases[] = {
      {"typedef alias of the list", "typedef vector<int> Bucket; Bucket g[200005];", "O(n + m)"},
      {"spaced template", "vector< vector<int> > g;", "O(m)"},
      {"std-qualified", "std::vector<std::vector<int> > g;", "O(m)"},
      {"template alias", "template <class T> using V = vector<T>; V<V<int>> g;", "O(m)"},
      {"named limit", "const int MAXN = 200005; vector<int> g[MAXN];", "O(MAXN + m)"},
  };
  for (const auto& c : kCases) {
    const std::string program = std::string(kHead) + c.declaration + "\n" + walk;
    const Estimate got = estimateOf(program);
    EXPECT_EQ(got.time, "O(m + n)") << c.name;
    EXPECT_EQ(got.space, c.space) << c.name;
  }
}

TEST(TypeReadingTest, ConstructorExpressionsAndCopiesTypeAnAuto) {
  const struct {
    const char* name;
    const char* body;
    const char* space;
  } kCases[] = {
      {"auto from a constructor",
       "auto d = std::vector<std::vector<long>>(n, std::vector<long>(n));", "O(n^2)"},
      {"auto copy of a container", "auto a = vector<int>(n); auto b = a;", "O(n)"},
      {"fill argument tells the element", "vector g(n, vector<int>(m));", "O(m * n)"},
      {"std::array of a named limit", "const int N = 100000; static array<int, N> a;", "O(N)"},
      {"auto scalar", "auto x = n + 1;", "O(1)"},
  };
  for (const auto& c : kCases) {
    const std::string program =
        std::string(kHead) + "int main() { int n, m; cin >> n >> m; " + c.body + " }";
    EXPECT_EQ(estimateOf(program).space, c.space) << c.name;
  }
}

TEST(LiteralExtentTest, ALiteralLimitIsTheArraysSizeUnlessItemsFillIt) {
  const struct {
    const char* name;
    const char* program;
    const char* space;
  } kCases[] = {
      {"swept table is its own size",
       "bool reach[100005]; int main() { int n; cin >> n; reach[0] = 1; cout << reach[n]; }",
       "O(|reach|)"},
      {"read items size it",
       "int a[200005]; int main() { int n; cin >> n; for (int i = 0; i < n; i++) cin >> a[i]; }",
       "O(n)"},
      {"scanf items size it",
       "int a[200005]; int main() { int n; scanf(\"%d\", &n); for (int i = 0; i < n; i++) "
       "scanf(\"%d\", &a[i]); }",
       "O(n)"},
      {"small literal grid filled by loops",
       "int g[100][100]; int main() { int a; cin >> a; for (int i = 0; i < a; i++) for (int j = "
       "0; j < a; j++) g[i][j] = i ^ j; }",
       "O(a^2)"},
      {"masks fill a table sized by a shift",
       "const int LIM = 18; long long w[1 << LIM]; int main() { int k; cin >> k; for (int s = 0; "
       "s < (1 << k); s++) w[s] = s; }",
       "O(2^k)"},
      {"a value read indexes anywhere", "int c[50]; int main() { int x; cin >> x; c[x] = 1; }",
       "O(1)"},
      {"small counts stay constant", "int d[26]; int main() { d[3] = 1; }", "O(1)"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(estimateOf(std::string(kHead) + c.program).space, c.space) << c.name;
}

TEST(InputReadingTest, ReadersAreKnownByWhatTheyDo) {
  // Each program reads n through its own means, then loops n times.
  const struct {
    const char* name;
    const char* program;
    const char* time;
  } kCases[] = {
      {"getchar helper filling a reference",
       "template <class T> void grab(T& x) { x = 0; int c = getchar(); while (c >= '0') { x = x "
       "* 10 + c - '0'; c = getchar(); } } int main() { int n; grab(n); for (int i = 0; i < n; "
       "i++) putchar('a'); }",
       "O(n)"},
      {"helper returning what cin gave",
       "long long nxt() { long long v; cin >> v; return v; } int main() { int n = nxt(); for (int "
       "i = 0; i < n; i++) cout << i; }",
       "O(n)"},
      {"helper through another helper",
       "int gc() { return getchar_unlocked(); } void take(int& x) { x = gc() - '0'; } int main() "
       "{ int n; take(n); for (int i = 0; i < n; i++) cout << i; }",
       "O(n)"},
      {"file stream",
       "int main() { ifstream fin(\"a.in\"); int n; fin >> n; for (int i = 0; i < n; "
       "i++) cout << i; }",
       "O(n)"},
      {"helper that only writes is no reader",
       "void show(int& x) { cout << x; } int main() { int n = 5; show(n); for (int i = 0; i < n; "
       "i++) cout << i; }",
       "O(1)"},
      {"variadic lambda folding over the stream",
       "int main() { auto in = [&](auto&... xs) { (cin >> ... >> xs); }; int n, m; in(n, m); "
       "for (int i = 0; i < n; i++) cout << i; }",
       "O(n)"},
      {"variadic template folding over a comma",
       "template <class... A> void scan(A&... a) { ((cin >> a), ...); } int main() { int n; "
       "scan(n); for (int i = 0; i < n; i++) cout << i; }",
       "O(n)"},
      {"member function of a scanner object",
       "struct In { long long get() { long long v = 0; int c = getchar(); while (c > 32) { v = v "
       "* 10 + c - 48; c = getchar(); } return v; } } io; int main() { int n = io.get(); for "
       "(int i = 0; i < n; i++) cout << i; }",
       "O(n)"},
      {"fread buffer behind a character helper",
       "char buf[1 << 16]; int p = 0, e = 0; int gc() { if (p == e) { e = fread(buf, 1, 1 << 16, "
       "stdin); p = 0; } return buf[p++]; } void rd(int& x) { x = 0; int c = gc(); while (c >= "
       "'0') { x = x * 10 + (c - '0'); c = gc(); } } int main() { int n; rd(n); for (int i = 0; "
       "i < n; i++) cout << i; }",
       "O(n)"},
      {"a reader's output parameter is no input",
       "void solve(int& best) { int k; cin >> k; best = 3; } int main() { int n = 0; solve(n); "
       "for (int i = 0; i < n; i++) cout << i; }",
       "O(1)"},
      {"a shift is no extraction",
       "int main() { int n = 8, in = 64; n = in >> 2; for (int i = 0; i < n; i++) cout << i; }",
       "O(1)"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(estimateOf(std::string(kHead) + c.program).time, c.time) << c.name;
}

TEST(InputReadingTest, CharacterBuffersReadWholeAreStrings) {
  const ProgramCase kCases[] = {
      {"from an offset, measured by strlen",
       "char s[1000005]; int f[1000005]; int main() { scanf(\"%s\", s + 1); int len = strlen(s + "
       "1); for (int i = 1; i <= len; i++) f[i] = s[i]; }",
       "O(len)", "O(len)"},
      {"cin into a buffer, never measured",
       "char w[200005]; int main() { cin >> w; cout << w[0]; }", "O(1)", "O(|w|)"},
  };
  for (const auto& c : kCases) {
    const Estimate got = estimateOf(std::string(kHead) + c.program);
    EXPECT_EQ(got.time, c.time) << c.name;
    EXPECT_EQ(got.space, c.space) << c.name;
  }
}

// A walk that stops at a string's terminating zero is as long as the string, whatever route
// filled it and however the stop is written.
TEST(InputReadingTest, WalksToTheTerminatingZeroAreAsLongAsTheString) {
  const ProgramCase kCases[] = {
      {"index tested bare",
       "char s[100005]; int main() { scanf(\"%s\", s); int c = 0; for (int i = 0; s[i]; i++) "
       "c += s[i] == 'a'; printf(\"%d\", c); }",
       "O(|s|)", "O(|s|)"},
      {"compared with the zero character, beside another stop",
       "char line[100005]; int main() { fgets(line, sizeof line, stdin); int i; for (i = 0; "
       "line[i] != '\\0' && line[i] != ' '; ++i) {} printf(\"%d\", i); }",
       "O(|line|)", "O(|line|)"},
      {"a pointer from the buffer",
       "char w[100005]; int main() { scanf(\"%s\", w); int c = 0; for (char *p = w; *p; p++) "
       "c++; printf(\"%d\", c); }",
       "O(|w|)", "O(|w|)"},
      {"a helper handed what gets returns",
       "char t[100005]; int vowels(const char *q) { int c = 0; for (int k = 0; q[k] != 0; k++) c "
       "+= q[k] == 'a'; return c; } int main() { printf(\"%d\", vowels(gets(t))); }",
       "O(|t|)", "O(|t|)"},
  };
  for (const auto& c : kCases) {
    const Estimate got = estimateOf(std::string(kHead) + c.program);
    EXPECT_EQ(got.time, c.time) << c.name;
    EXPECT_EQ(got.space, c.space) << c.name;
  }
}

// A bound computed by the math library: roots shrink the value, rounding keeps it.
TEST(ValueFactTest, MathFunctionsRootOrKeepTheValueTheyAreGiven) {
  const struct {
    const char* bound;
    const char* time;
  } kCases[] = {
      {"ceil(sqrtl(n))", "O(sqrt n)"},         {"floor(sqrt((double)n))", "O(sqrt n)"},
      {"std::llround(sqrtf(n))", "O(sqrt n)"}, {"(long long)cbrtl(n) + 1", "O(cuberoot n)"},
      {"std::round(n / 2.0)", "O(n)"},
  };
  for (const auto& c : kCases) {
    const std::string program =
        std::string(kHead) + "int main() { long long n; cin >> n; const long long D = " + c.bound +
        "; long long r = 0; for (long long i = 1; i <= D; i++) r += n / i; "
        "cout << r; }";
    EXPECT_EQ(estimateOf(program).time, c.time) << c.bound;
  }
}

// One row of a table of lists read once in main may hold every entry; rows read in turn share
// the entries among them.
TEST(ScopeReadingTest, ARowMainReadsOnceMayHoldEveryEntry) {
  const char* const kRead =
      "int n, m; cin >> n >> m; vector<vector<int>> g(n); for (int i = 0; i < m; i++) { int a, "
      "b; cin >> a >> b; g[a].push_back(b); } int best = 0; for (int v = 0; v < n; v++) if "
      "(g[v].size() > g[best].size()) best = v; ";
  const ProgramCase kCases[] = {
      {"sorted once", "sort(g[best].begin(), g[best].end()); cout << g[best][0];",
       "O(m * log m + n)", "O(n + m)"},
      {"walked once by a range-for", "long long s = 0; for (int x : g[best]) s += x; cout << s;",
       "O(n + m)", "O(n + m)"},
      {"walked once to its size",
       "long long s = 0; for (size_t k = 0; k < g[best].size(); k++) "
       "s += g[best][k]; cout << s;",
       "O(n + m)", "O(n + m)"},
      {"every row sorted in turn",
       "for (int v = 0; v < n; v++) sort(g[v].begin(), g[v].end()); cout << g[best][0];",
       "O(m * log m + n)", "O(n + m)"},
  };
  for (const auto& c : kCases) {
    const Estimate got =
        estimateOf(std::string(kHead) + "int main() { " + kRead + c.program + " }");
    EXPECT_EQ(got.time, c.time) << c.name;
    EXPECT_EQ(got.space, c.space) << c.name;
  }
}

// A loop that reads until the input ends passes once per value, however its header is written.
TEST(InputReadingTest, LoopsReadingUntilTheInputEndsPassOncePerValue) {
  const char* const kHeaders[] = {
      "int x; while (cin >> x) v.push_back(x);",
      "for (int x; cin >> x;) v.push_back(x);",
      "for (int x; scanf(\"%d\", &x) != EOF;) v.push_back(x);",
      "ifstream in(\"a.txt\"); for (int x; in >> x;) v.push_back(x);",
  };
  for (const char* header : kHeaders) {
    const Estimate got = estimateOf(std::string(kHead) + "int main() { vector<int> v; " + header +
                                    " sort(v.begin(), v.end()); for (int y : v) cout << y; }");
    EXPECT_EQ(got.time, "O(input * log input)") << header;
    EXPECT_EQ(got.space, "O(input)") << header;
  }
  // lines read until the end are counted as tests, T of them, in either spelling
  const auto lines = [](const char* header) {
    return estimateOf(std::string(kHead) + "int main() { vector<int> v; " + header +
                      " sort(v.begin(), v.end()); for (int y : v) cout << y; }")
        .time;
  };
  EXPECT_EQ(lines("for (string w; getline(cin, w);) v.push_back(w.size());"), "O(T * log T)");
  EXPECT_EQ(lines("string w; while (getline(cin, w)) v.push_back(w.size());"), "O(T * log T)");
  // a test per pass: the tests' items are summed, not multiplied by the count of tests
  for (const char* header : {"for (int n; cin >> n;)", "int n; while (cin >> n)"}) {
    const Estimate got = estimateOf(std::string(kHead) + "int main() { " + header +
                                    " { vector<int> a(n); for (int& x : a) cin >> x; sort("
                                    "a.begin(), a.end()); cout << a[0]; } }");
    EXPECT_EQ(got.time, "O(n * log n)") << header;
  }
}

// A grid declared with a small capacity holds the cells the program's loops fill: a search
// over it drains each of them.
TEST(ScopeReadingTest, AGridsCellsAreWhatItsLoopsReach) {
  const char* const kSearch =
      "while (!q.empty()) { auto [y, x] = q.front(); q.pop(); for (int k = 0; k < 4; k++) { int "
      "ny = y + dy[k], nx = x + dx[k]; if (ny < 0 || nx < 0 || ny >= h || nx >= w || d[ny][nx] "
      ">= 0) continue; d[ny][nx] = d[y][x] + 1; q.push({ny, nx}); } }";
  const ProgramCase kCases[] = {
      {"read h by w with for loops",
       "int h, w; int d[55][55]; int dy[] = {1, 0, -1, 0}, dx[] = {0, 1, 0, -1}; int main() { cin "
       ">> h >> w; for (int i = 0; i < h; i++) for (int j = 0; j < w; j++) d[i][j] = -1; "
       "queue<pair<int, int>> q; q.push({0, 0}); d[0][0] = 0; ",
       "O(h * w)", ""},
      {"filled by a while loop over rows and a for loop over columns",
       "int h, w; int d[60][60]; int dy[] = {1, 0, -1, 0}, dx[] = {0, 1, 0, -1}; int main() { cin "
       ">> h >> w; int i = 0; while (i < h) { for (int j = 0; j < w; j++) d[i][j] = -1; i++; } "
       "queue<pair<int, int>> q; q.push({0, 0}); d[0][0] = 0; ",
       "O(h * w)", ""},
  };
  for (const auto& c : kCases) {
    const Estimate got = estimateOf(std::string(kHead) + c.program + kSearch + " }");
    EXPECT_EQ(got.time, c.time) << c.name;
  }
}

TEST(LoopHeaderTest, MacroHeadersTheParserMisreadsAreLoops) {
  const struct {
    const char* name;
    const char* macro;
  } kCases[] = {
      {"typeof bound", "#define REP(i, a, b) for (__typeof(b) i = a; i < b; ++i)"},
      {"parenthesised variable of an alias type",
       "typedef long long ll;\n#define REP(i, a, b) for (ll (i) = (a); (i) < (b); (i)++)"},
  };
  for (const auto& c : kCases) {
    const std::string program = std::string(kHead) + c.macro +
                                "\nint main() { int n; cin >> n; long long s = 0; REP(i, 0, n) s "
                                "+= i; cout << s; }";
    EXPECT_EQ(estimateOf(program).time, "O(n)") << c.name;
  }
}

TEST(ScopeReadingTest, TheInnermostDeclarationNamesTheValue) {
  const struct {
    const char* name;
    const char* program;
    const char* time;
  } kCases[] = {
      {"parameter named like the caller's loop variable",
       "bool odd(int v) { for (int d = 2; d * d <= v; ++d) if (v % d == 0) return 1; return 0; } "
       "int main() { int n; cin >> n; int c = 0; for (int v = 2; v <= n; ++v) c += odd(v); }",
       "O(n * sqrt n)"},
      {"block local shadowing a size read",
       "int main() { int n; cin >> n; { int n = 3; for (int i = 0; i < n; i++) cout << i; } }",
       "O(1)"},
      {"the size read outside the shadowing block",
       "int main() { int n; cin >> n; { int n = 3; cout << n; } for (int i = 0; i < n; i++) cout "
       "<< i; }",
       "O(n)"},
      {"helper's parameter named like the caller's vector it is passed",
       "void go(vector<int>& a) { sort(a.begin(), a.end()); } int main() { int n; cin >> n; "
       "vector<int> a; for (int i = 0; i < n; i++) { int x; cin >> x; a.push_back(x); } go(a); }",
       "O(n * log n)"},
      {"member named like the test count, read through an object",
       "struct W { vector<int> t; int k = 0; W(int n) { t.resize(n); } void add(int c) { t[k++] = "
       "c; } }; int main() { int t; cin >> t; while (t--) { int n; cin >> n; W w(n); for (int i = "
       "0; i < n; i++) { int x; cin >> x; w.add(x); } long long s = 0; for (int i = 0; i < w.k; "
       "i++) s += w.t[w.t[i]]; cout << s; } }",
       "O(n)"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(estimateOf(std::string(kHead) + c.program).time, c.time) << c.name;
}

// The declarations of x below, by line: a global (3), a parameter (4), a block's local (5), a
// loop's variable (7), main's local (8) and a block's local of main (9).
const char* const kScopes =
    "#include <bits/stdc++.h>\n"
    "using namespace std;\n"
    "int x = 1;\n"
    "void f(int x) {\n"
    "  { int x = 3; g(x); }\n"
    "  h(x); }\n"
    "void k() { h(x); for (int x = 0; x < 2; x++) h(x); h(x); }\n"
    "int main() { int x = 6;\n"
    "  { int x = 7; h(x); }\n"
    "  h(x); }\n";

// The identifiers named `name`, in pre-order.
std::vector<Node> usesOf(const Model& model, std::string_view name) {
  std::vector<Node> uses;
  for (const Node& n : descendantsOfType(model.root, {"identifier"}))
    if (n.text() == name) uses.push_back(n);
  return uses;
}

TEST(ScopeReadingTest, EachUseFindsTheDeclarationOfItsInnermostScope) {
  Model model = buildModel(kScopes);
  // Per use of x in the text's order (declarators included): the line of the declaration found.
  const int kLines[] = {3, 4, 5, 5, 4, 3, 7, 7, 7, 7, 3, 8, 9, 9, 8};
  const std::vector<Node> uses = usesOf(model, "x");
  ASSERT_EQ(uses.size(), std::size(kLines));
  for (size_t i = 0; i < uses.size(); ++i) {
    const Symbol* found = declarationAt(model, "x", uses[i]);
    ASSERT_NE(found, nullptr) << "use " << i;
    EXPECT_EQ(found->line, kLines[i]) << "use " << i << " on line " << uses[i].line();
  }
  EXPECT_EQ(declarationAt(model, "absent", uses.front()), nullptr);
}

TEST(ScopeReadingTest, TheIndexOfScopesAnswersAsTheScanOfDeclarations) {
  // Without its index (dropped, or describing other declarations) the model scans; both answer
  // alike for every identifier of programs declaring names in nested and sibling scopes.
  for (const char* program :
       {kScopes,
        "int n; struct S { int n; void f() { for (int n = 0; n < 3; n++) g(n); g(n); } };\n"
        "int main() { int n; cin >> n; auto l = [&](int n) { return n; }; if (n) { int n = 2; "
        "g(n); } for (auto [n, m] : v) g(n); g(l(n)); }"}) {
    Model indexed = buildModel(std::string(program));
    Model scanned = buildModel(std::string(program));
    ASSERT_NE(scanned.declarationIndex, nullptr);
    scanned.declarationIndex.reset();
    const std::vector<Node> a = descendantsOfType(indexed.root, {"identifier"});
    const std::vector<Node> b = descendantsOfType(scanned.root, {"identifier"});
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      const Symbol* x = declarationAt(indexed, a[i].text(), a[i]);
      const Symbol* y = declarationAt(scanned, b[i].text(), b[i]);
      ASSERT_EQ(x == nullptr, y == nullptr) << a[i].text() << " on line " << a[i].line();
      if (x) EXPECT_TRUE(x->line == y->line && x->scopeStart == y->scopeStart) << a[i].text();
    }
  }
}

TEST(NotationNameTest, OnlySizesTheReaderKnowsReachTheNotation) {
  const ProgramCase kCases[] = {
      {"a member of a library pair is a value, not a size",
       "int main() { int n; cin >> n; pair<int, int> p = {0, 7}; for (int i = 0; i < p.second; "
       "i++) cout << i; for (int i = 0; i < n; i++) cout << i; }",
       "O(n)", "O(1)"},
      {"the parts of a returned pair span at most the program's size",
       "int main() { int n; cin >> n; vector<int> a(n); for (auto& x : a) cin >> x; auto [lo, "
       "hi] = [&]() { int l = 0, r = n - 1; while (l < r && a[l] == 0) l++; return make_pair(l, "
       "r); }(); multiset<int> s; for (int i = lo; i <= hi; i++) s.insert(a[i]); }",
       "O(n * log n)", "O(n)"},
      {"a helper's callee's stack told in the caller's sizes",
       "long long g(long long a, long long b) { return b ? g(b, a % b) : a; } long long l(long "
       "long a, long long b) { return a / g(a, b) * b; } int main() { long long x, y; cin >> x "
       ">> y; cout << l(x, y); }",
       "O(log y)", "O(log y)"},
      {"a member given a value through its object is no size",
       "struct Q { int l, id; } q[100005]; int ans[100005]; int main() { int n; cin >> n; for "
       "(int i = 0; i < n; i++) { cin >> q[i].l; q[i].id = i; } for (int i = 0; i < n; i++) "
       "ans[q[i].id] = q[i].l; }",
       "O(n)", "O(|ans| + n)"},
      {"a size helper the program defines is read from its body",
       "template <class T> int sz(const T& x) { return (int)x.size(); } int main() { int n; cin "
       ">> n; vector<int> a(n); for (auto& x : a) cin >> x; for (int i = 0; i < sz(a); i++) for "
       "(int j = 0; j < sz(a); j++) cout << a[i] + a[j]; }",
       "O(n^2)", "O(n)"},
      {"the program's own function wins over a library name",
       "int len(int k) { return 5; } int main() { int n; cin >> n; vector<int> a(n); for (auto& "
       "x : a) cin >> x; for (int i = 0; i < n; i++) for (int j = 0; j < len(a[i]); j++) cout << "
       "a[i]; }",
       "O(n)", "O(n)"},
      {"a helper's local list told in the caller's sizes",
       "vector<int> collect(int lo, int hi) { vector<int> v; for (int i = lo; i < hi; i++) "
       "v.push_back(i); return v; } int main() { int n; cin >> n; vector<int> a = collect(0, n); "
       "cout << a.size(); }",
       "O(n)", "O(n)"},
      {"indices a helper walks told in the caller's sizes",
       "int t[45]; long long part(int lo, int hi) { long long s = 0; for (int i = lo; i < hi; "
       "i++) s += t[i]; return s; } int main() { int n; cin >> n; for (int i = 0; i < n; i++) cin "
       ">> t[i]; cout << part(0, n / 2) + part(n / 2, n); }",
       "O(n)", "O(n)"},
  };
  for (const auto& c : kCases) {
    const Estimate estimate = estimateOf(std::string(kHead) + c.program);
    EXPECT_EQ(estimate.time, c.time) << c.name;
    EXPECT_EQ(estimate.space, c.space) << c.name;
  }
}

TEST(TestCountTest, ACountIsKnownByWhatItsLoopReads) {
  const struct {
    const char* name;
    const char* program;
    const char* count;
    bool isCount;
  } kCases[] = {
      {"rounds each reading a size and its items",
       "int main() { int rounds; cin >> rounds; while (rounds--) { int n; cin >> n; vector<int> "
       "a(n); for (int& x : a) cin >> x; } }",
       "rounds", true},
      {"a size named t whose loop reads single values",
       "int main() { int t; cin >> t; long long s = 0; for (int i = 0; i < t; i++) { int x; cin "
       ">> x; s += x; } }",
       "t", false},
      {"a size read inside the tests is not their count",
       "int main() { int q; cin >> q; for (int c = 1; c <= q; c++) { int m; cin >> m; string s; "
       "cin >> s; } }",
       "m", false},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(isTestCount(buildModel(std::string(kHead) + c.program), c.count), c.isCount)
        << c.name;
}

// Test loops read with one memo answer as each read alone: the comment bounding one count says
// nothing of another count's loop, and the memo must not hand the first answer to the second.
TEST(TestCountTest, LoopsReadWithOneMemoKeepTheirOwnComments) {
  const struct {
    const char* name;
    const char* program;
    std::vector<TestPricing> pricing;  // per test loop, in the order they are written
  } kCases[] = {
      {"a bounded count, then an unbounded one",
       "// 1 <= T <= 100\nint main() { int T; cin >> T; while (T--) { int n; cin >> n; "
       "vector<int> a(n); for (int& x : a) cin >> x; } int q; cin >> q; while (q--) { int m; "
       "cin >> m; vector<int> b(m); for (int& x : b) cin >> x; } }",
       {TestPricing::kMultiply, TestPricing::kSplit}},
      {"an unbounded count, then a bounded one",
       "// 1 <= q <= 100\nint main() { int T; cin >> T; while (T--) { int n; cin >> n; "
       "vector<int> a(n); for (int& x : a) cin >> x; } int q; cin >> q; while (q--) { int m; "
       "cin >> m; vector<int> b(m); for (int& x : b) cin >> x; } }",
       {TestPricing::kSplit, TestPricing::kMultiply}},
  };
  for (const auto& c : kCases) {
    const Model model = buildModel(std::string(kHead) + c.program);
    TestLoopMemo memo;
    std::vector<TestPricing> pricing;
    for (const Node& loop : descendantsOfType(model.root, {"while_statement"})) {
      const TestLoop alone = testLoopOf(model, loop);
      const TestLoop shared = testLoopOf(model, loop, &memo);
      EXPECT_EQ(shared.found, alone.found) << c.name;
      EXPECT_EQ(shared.count, alone.count) << c.name;
      EXPECT_EQ(shared.sizes, alone.sizes) << c.name;
      if (shared.found) pricing.push_back(shared.pricing);
    }
    EXPECT_EQ(pricing, c.pricing) << c.name;
  }
}

// Whole-program questions are kept once answered: asking of one table, then another, then the
// first again gives each its own answer, not the one found first.
TEST(ProgramAnswersTest, EachTableKeepsItsOwnAnswer) {
  const Model model = buildModel(
      std::string(kHead) +
      "int p[100], sz[100], q[100]; struct Query { int l, r; }; int find(int x) { while (p[x] != "
      "x) x = p[x]; return x; } void unite(int a, int b) { a = find(a); b = find(b); if (sz[a] < "
      "sz[b]) swap(a, b); p[b] = a; sz[a] += sz[b]; } int main() { vector<Query> qs, plain; "
      "sort(plain.begin(), plain.end(), [](Query a, Query b) { return a.l < b.l; }); "
      "sort(qs.begin(), qs.end(), [](Query a, Query b) { return a.l / 300 < b.l / 300; }); }");
  const struct {
    const char* table;
    bool unites;
    bool sorted;
  } kAsked[] = {
      {"p", true, false},      {"q", false, false}, {"qs", false, true},
      {"plain", false, false}, {"p", true, false},  {"qs", false, true},
  };
  for (const auto& asked : kAsked) {
    EXPECT_EQ(unitesBySize(model, asked.table), asked.unites) << asked.table;
    EXPECT_EQ(sortedInBlocks(model, asked.table), asked.sorted) << asked.table;
  }
}

TEST(ConstantUseTest, WhatAConstantDoesTellsALimitFromAModulusOrAMark) {
  const struct {
    const char* name;
    const char* program;
    const char* constant;
    bool limit;
    bool levels;
  } kCases[] = {
      {"a modulus takes remainders only",
       "const int P = 10007; int main() { long long n, s = 0; cin >> n; for (int i = 0; i < n; "
       "i++) s = (s * 31 + i) % P; }",
       "P", false, false},
      {"a mark stored and compared",
       "const int NONE = 5000; int d[100]; int main() { int n; cin >> n; for (int i = 0; i < n; "
       "i++) d[i] = NONE; if (d[0] == NONE) cout << 1; }",
       "NONE", false, false},
      {"an extent is a size even when also stored",
       "const int CAP = 5000; int d[CAP]; int main() { d[0] = CAP; }", "CAP", true, false},
      {"an extent beside a large one counts levels",
       "const int H = 17; const int N = 200005; int up[N][H]; int main() {}", "H", false, true},
      {"a loop shifting by its counter counts levels",
       "const int H = 17; int main() { int n; cin >> n; long long s = 0; for (int j = 0; j < H; "
       "j++) s += n >> j; }",
       "H", false, true},
      {"a square grid of a small side is no table of levels",
       "const int H = 17; int g[H][H]; int main() {}", "H", false, false},
  };
  for (const auto& c : kCases) {
    const Model model = buildModel(std::string(kHead) + c.program);
    const Symbol* symbol = findSymbol(model, c.constant);
    ASSERT_NE(symbol, nullptr) << c.name;
    EXPECT_EQ(isLimitConstant(*symbol), c.limit) << c.name;
    EXPECT_EQ(isLogConstant(*symbol), c.levels) << c.name;
  }
}

TEST(ObjectReadingTest, DeclarationsRunTheirConstructorsAndLambdasRunInPlace) {
  const ProgramCase kCases[] = {
      {"constructor sorting a copy of its argument",
       "struct R { vector<int> k; R(const vector<int>& src) : k(src) { sort(k.begin(), k.end()); "
       "} }; int main() { int n; cin >> n; vector<int> a(n); for (auto& x : a) cin >> x; R r(a); "
       "}",
       "O(n * log n)", "O(n)"},
      {"member sized by a parameter expression",
       "struct T { vector<int> t; T(int m) : t(4 * m) {} }; int main() { int n; cin >> n; T s(n); "
       "}",
       "O(n)", "O(n)"},
      {"immediately invoked lambda",
       "int main() { int n; cin >> n; [&] { for (int i = 0; i < n; i++) for (int j = 0; j < n; "
       "j++) cout << i; }(); }",
       "O(n^2)", "O(1)"},
      {"argument made by a call of the program's, parsed as a parameter",
       "vector<int> ids(const string& t) { vector<int> o(t.size()); iota(o.begin(), o.end(), 0); "
       "sort(o.begin(), o.end(), [&](int x, int y) { return t[x] < t[y]; }); return o; } struct "
       "K { vector<int> keep; K(const vector<int>& g) : keep(g) {} }; int main() { string s; cin "
       ">> s; K k(ids(s)); cout << k.keep[0]; }",
       "O(|s| * log |s|)", "O(|s|)"},
      {"auto initialised in parentheses by a template function's call",
       "template <class T> vector<T> squares(int n) { vector<T> f(n); for (int i = 1; i < n; i++) "
       "for (int j = 1; j * j <= i; j++) f[i] += f[i - j * j]; return f; } int main() { int n; "
       "cin >> n; auto got(squares<long long>(n)); for (auto x : got) cout << x; }",
       "O(n * sqrt n)", "O(n)"},
      {"the same call without template arguments, into a named type",
       "template <class T> vector<T> squares(int n) { vector<T> f(n); for (int i = 1; i < n; i++) "
       "for (int j = 1; j * j <= i; j++) f[i] += f[i - j * j]; return f; } int main() { int n; "
       "cin >> n; vector<int> got(squares<int>(n)); cout << got[0]; }",
       "O(n * sqrt n)", "O(n)"},
      {"auto in parentheses from a plain function",
       "vector<int> ones(int m) { vector<int> o(m, 1); return o; } int main() { int n; cin >> n; "
       "auto "
       "got(ones(n)); for (int x : got) cout << x; }",
       "O(n)", "O(n)"},
      {"an empty constructor gives way to the working one",
       "struct P { vector<int> v; P() {} P(const vector<int>& g) : v(g) { sort(v.begin(), "
       "v.end()); } }; int main() { int n; cin >> n; vector<int> a(n); for (auto& x : a) cin >> "
       "x; P p(a); }",
       "O(n * log n)", "O(n)"},
      {"a member resized by its constructor beside a scalar of the same name in main",
       "struct B { vector<int> t; B(int m) { t.resize(m); } int get(int i) { int s = 0; for (; "
       "i > 0; i -= i & -i) s += t[i]; return s; } }; int main() { int n; cin >> n; B b(n); for "
       "(int i = 1; i <= n; i++) { int t = b.get(i); cout << t; } }",
       "O(n * log n)", "O(n)"},
      {"a parameter left out takes its default",
       "vector<int> tally(const string& w, int alpha = 26) { vector<int> c(alpha); for (char ch "
       ": w) c[ch - 'a']++; return c; } int main() { string s; cin >> s; vector<int> c = "
       "tally(s); cout << c[0]; }",
       "O(|s|)", "O(|s|)"},
      {"an object built from a list a helper returned, the helper's string named like main's",
       "vector<int> ids(const string& s) { vector<int> v(s.size()); return v; } struct K { "
       "vector<int> a; K(const vector<int>& from) : a(from) {} }; int main() { string s; int q; "
       "cin >> s >> q; vector<int> got = ids(s); K k(got); while (q--) for (int x : k.a) cout << "
       "x; }",
       "O(q * |s|)", "O(|s|)"},
  };
  for (const auto& c : kCases) {
    const Estimate got = estimateOf(std::string(kHead) + c.program);
    EXPECT_EQ(got.time, c.time) << c.name;
    EXPECT_EQ(got.space, c.space) << c.name;
  }
}

TEST(LiteralExtentTest, ALiteralLoopBoundIsTheSizeOfTheArrayItWalks) {
  const ProgramCase kCases[] = {
      {"down from a literal over a literal table",
       "bool reach[100005]; int main() { for (int s = 100000; s > 0; --s) reach[s] = reach[s - "
       "1]; }",
       "O(|reach|)", "O(|reach|)"},
      {"up to a literal over a table of a named limit",
       "const int MAXN = 200005; int dp[MAXN]; int main() { for (int j = 1; j <= 100000; j++) "
       "dp[j] = dp[j - 1] + j; }",
       "O(MAXN)", "O(MAXN)"},
      {"a literal bound walking no array",
       "int main() { long long s = 0; for (int i = 0; i < 100000; i++) s += i; cout << s; }",
       "O(1)", "O(1)"},
  };
  for (const auto& c : kCases) {
    const Estimate got = estimateOf(std::string(kHead) + c.program);
    EXPECT_EQ(got.time, c.time) << c.name;
    EXPECT_EQ(got.space, c.space) << c.name;
  }
}

TEST(ScopeReadingTest, ContainersOfOneNameKeepTheirOwnFacts) {
  const ProgramCase kCases[] = {
      {"a helper's small local beside main's table",
       "int f(int k) { vector<int> v(k); int s = 0; for (int x : v) s += x; return s; } int "
       "main() { int n; cin >> n; vector<int> v(n * n); for (int i = 0; i < n * n; i++) cin >> "
       "v[i]; long long t = 0; for (int i = 0; i < n; i++) t += f(3); for (int x : v) t += x; }",
       "O(n^2)", "O(n^2)"},
      {"a global list the input fills beside a helper's local",
       "vector<int> v; int g(int k) { vector<int> v(k, 0); int c = 0; for (int x : v) c += x; "
       "return c; } int main() { int n; cin >> n; for (int i = 0; i < n; i++) { int x; cin >> x; "
       "v.push_back(x); } long long t = 0; for (int i = 0; i < n; i++) t += g(5); }",
       "O(n)", "O(n)"},
      {"sibling blocks each with their own list",
       "int main() { int n, m; cin >> n >> m; { vector<int> w; for (int i = 0; i < n; i++) "
       "w.push_back(i); cout << w.size(); } { vector<int> w; for (int i = 0; i < m; i++) "
       "w.push_back(i); long long s = 0; for (int x : w) for (int y : w) s += x ^ y; } }",
       "O(m^2 + n)", "O(n + m)"},
      {"a product the parser reads as a pointer parameter",
       "int main() { int n, m; cin >> n >> m; vector<int> v(n * m); cout << v[0]; }", "O(m * n)",
       "O(m * n)"},
  };
  for (const auto& c : kCases) {
    const Estimate estimate = estimateOf(std::string(kHead) + c.program);
    EXPECT_EQ(estimate.time, c.time) << c.name;
    EXPECT_EQ(estimate.space, c.space) << c.name;
  }
}

TEST(ScopeReadingTest, AHelpersLocalIsSizedByTheCallsArguments) {
  const struct {
    const char* name;
    const char* program;
    const char* space;
  } kCases[] = {
      {"one call with a size read",
       "vector<int> squares(int limit) { vector<int> v(limit + 1); for (int i = 0; i <= limit; "
       "i++) v[i] = i * i; return v; } int main() { int n; cin >> n; cout << squares(n)[n]; }",
       "O(n)"},
      {"two calls on the halves",
       "int part(int lo, int hi) { vector<int> t(hi - lo); return t.size(); } int main() { int "
       "n; cin >> n; cout << part(0, n / 2) + part(n / 2, n); }",
       "O(n)"},
      {"a call with a literal",
       "int ones(int k) { vector<int> w(k, 1); return w[0]; } int main() { cout << ones(8); }",
       "O(1)"},
      {"a lambda's copy of its function's local, the parameter left out",
       "int peak(const string& w, int alpha = 26) { vector<int> c(alpha); auto top = [&]() { "
       "auto copy = c; sort(copy.begin(), copy.end()); return copy.back(); }; for (char ch : w) "
       "c[ch - 'a']++; return top(); } int main() { string s; cin >> s; cout << peak(s); }",
       "O(|s|)"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(estimateOf(std::string(kHead) + c.program).space, c.space) << c.name;
}

TEST(ValueFactTest, WhatTheCodeDoesWithAScalarSizesIt) {
  // Each program reads n values into a; the fact under test sizes the last loop or vector.
  const std::string read =
      "int main() { int n; cin >> n; vector<int> a(n); for (auto& x : a) cin >> x; long long s "
      "= 0; ";
  const struct {
    const char* name;
    const char* rest;
    const char* time;
    const char* space;
  } kCases[] = {
      {"largest value read by max",
       "int top = 0; for (int x : a) top = max(top, x); for (int v = 0; v < top; v++) s += v; }",
       "O(n + top)", "O(n)"},
      {"largest value kept by a guard",
       "int hi = 0; for (int i = 0; i < n; i++) if (a[i] > hi) hi = a[i]; vector<int> c(hi + "
       "1); }",
       "O(n + hi)", "O(n + hi)"},
      {"largest entry found by the library",
       "int m = *max_element(a.begin(), a.end()); for (int d = 1; d <= m; d++) for (int k = d; "
       "k <= m; k += d) s++; }",
       "O(m * log m + n)", "O(n)"},
      {"sum of the values read",
       "long long w = 0; for (int i = 0; i < n; i++) w += a[i]; vector<char> can(w + 1); }",
       "O(n + w)", "O(n + w)"},
      {"counter of a double loop",
       "int c = 0; for (int i = 0; i < n; i++) for (int j = 0; j < n; j++) if (i ^ j) c++; "
       "vector<int> b(c); }",
       "O(n^2)", "O(n^2)"},
      {"counter of a doubling loop",
       "int lg = 1; while ((1 << lg) < n) lg++; for (int i = 0; i < n; i++) for (int j = 0; j < "
       "lg; j++) s += j; }",
       "O(n * log n)", "O(n)"},
      {"bit length by a builtin",
       "int b = 64 - __builtin_clzll(n); for (int i = 0; i < n; i++) for (int j = 0; j < b; j++) "
       "s += j; }",
       "O(n * log n)", "O(n)"},
      {"constant computed from a size",
       "const int m = 2 * n; for (int i = 0; i < m; i++) for (int j = 0; j < m; j++) s++; }",
       "O(n^2)", "O(n)"},
      {"copy of a loop variable",
       "int best = 0; for (int i = 0; i < n; i++) if (a[i] % 3 == 0) best = i; for (int j = 0; j "
       "< best; j++) for (int k = 0; k < best; k++) s++; }",
       "O(n^2)", "O(n)"},
      {"an entry read is at most the largest one",
       "int top = 0; for (int i = 0; i < n; i++) top = max(top, a[i]); for (int i = 0; i < n; "
       "i++) for (int x = 1; x <= a[i]; x++) s += x; }",
       "O(n * top)", "O(n)"},
      {"counter restarted in every pass",
       "for (int i = 0; i < n; i++) { int c = 0; while (c < 3) c++; s += c; } for (int j = 0; j < "
       "n; j++) s++; }",
       "O(n)", "O(n)"},
      {"a reassignment sizes only the uses after it",
       "for (int i = 0; i < n; i++) s += i; n = 1 << n; vector<int> b(n); }", "O(2^n)", "O(2^n)"},
      {"a reassignment from a string's length",
       "string w; cin >> w; n = w.size(); for (int i = 0; i < n; i++) for (int j = 0; j < n; "
       "j++) s += w[i] == w[j]; }",
       "O(|w|^2 + n)", "O(n + |w|)"},
      {"a doubled size keeps its class", "n *= 2; n = n * 2; for (int i = 0; i < n; i++) s += i; }",
       "O(n)", "O(n)"},
      {"a counter under a polynomial bound",
       "long long v; cin >> v; int k = 0; while ((long long)k * (k + 1) / 2 <= v) k++; for (int "
       "i = 0; i < k; i++) s += i; }",
       "O(n + sqrt v)", "O(n)"},
      {"a value kept under a guard",
       "long long v; cin >> v; int k = 0; for (int i = 1; i <= 100000; i++) if ((long long)i * i "
       "<= v) k = i; for (int i = 0; i < k; i++) for (int j = 0; j < k; j++) s += i ^ j; }",
       "O(n + v)", "O(n)"},
      {"a width doubled until it covers the values",
       "int m = 1; while (m < n) m *= 2; for (int i = 0; i < m; i++) for (int j = 0; j < m; j++) "
       "s += i ^ j; }",
       "O(n^2)", "O(n)"},
      {"a width doubled by a shift in a for header",
       "int m; for (m = 1; m <= n; m <<= 1) {} vector<long long> t(m * m); }", "O(n^2)", "O(n^2)"},
      {"a reassignment under a test may hold after it",
       "int w = n; if (a[0] > 0) { w = 1 << n; } for (int i = 0; i < w; i++) s += i; }", "O(2^n)",
       "O(n)"},
      {"a size doubled on every pass of a loop that never tests it",
       "int k; cin >> k; for (int i = 0; i < k; i++) n *= 2; for (int i = 0; i < n; i++) s += i; "
       "}",
       "O(2^k * n)", "O(n)"},
      {"either branch's value holds after an if and else",
       "if (a[0] > 0) n = 1 << n; else n = n * n; for (int i = 0; i < n; i++) s += i; }", "O(2^n)",
       "O(n)"},
  };
  for (const auto& c : kCases) {
    const Estimate got = estimateOf(std::string(kHead) + read + c.rest);
    EXPECT_EQ(got.time, c.time) << c.name;
    EXPECT_EQ(got.space, c.space) << c.name;
  }
}

}  // namespace
}  // namespace quorbel

namespace quorbel {
namespace {

// Where a program without main starts, and the names its sizes then take.
TEST(EntryPointTest, UncalledFunctionsAndTheirLocalSizeNames) {
  struct Case {
    const char* name;
    const char* program;
    std::set<std::string> entries;
    std::map<std::string, std::string> sizeNames;
  };
  const Case kCases[] = {
      {"helper called by the entry",
       "int sum(vector<int>& v) { int s = 0; for (int x : v) s += x; return s; }\n"
       "int solve(vector<int>& a) { int n = a.size(); return sum(a) + n; }",
       {"solve"},
       {{"a", "n"}}},
      {"self-recursion keeps an entry",
       "int f(string& s, int i) { int len = (int)s.length(); return i >= len ? 0 : f(s, i + 1); }",
       {"f"},
       {{"s", "len"}}},
      {"a cycle: every function",
       "int odd(int k);\nint even(int k) { return k == 0 ? 1 : odd(k - 1); }\n"
       "int odd(int k) { return k == 0 ? 0 : even(k - 1); }",
       {"even", "odd"},
       {}},
      {"a member call through an object",
       "struct T { int get(vector<int>& v) { int n = static_cast<int>(v.size()); return n; } };\n"
       "int run(vector<int>& w) { T t; return t.get(w); }",
       {"run"},
       {}},
      {"a size that is not all the value",
       "int g(vector<int>& v) { int half = v.size() / 2; return half; }",
       {"g"},
       {}},
      {"with main, nothing is renamed",
       "int h(vector<int>& v) { int n = v.size(); return n; }\nint main() { return 0; }",
       {"main", "h"},
       {}},
  };
  for (const Case& c : kCases) {
    const Model model = buildModel(std::string(kHead) + c.program);
    EXPECT_EQ(findEntryFunctions(model), c.entries) << c.name;
    EXPECT_EQ(findEntrySizeNames(model), c.sizeNames) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
