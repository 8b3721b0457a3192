#include "detectors/function_summaries.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "analysis/notation.h"
#include "analysis/pipeline.h"
#include "syntax/context.h"

namespace quorbel {
namespace {

constexpr const char* kUnknownCallNote =
    "Function calls inside loops are treated as O(1) unless the analyzer recognizes the "
    "called pattern.";

std::vector<Row> rowsStartingWith(const Analysis& analysis, const std::string& prefix) {
  std::vector<Row> rows;
  for (const Row& row : analysis.breakdown)
    if (row.signal.rfind(prefix, 0) == 0) rows.push_back(row);
  return rows;
}

int noteCount(const Analysis& analysis, const std::string& note) {
  int count = 0;
  for (const std::string& n : analysis.notes) count += n == note ? 1 : 0;
  return count;
}

std::map<std::string, FunctionSummary> summariesOf(const std::string& code) {
  const SyntaxReaderResult syntax = readCppSyntax(code);
  const Context context = collectContext(code);
  ActiveContext active(&context);
  return buildFunctionSummaries(syntax.nodes, context);
}

struct HelperCase {
  const char* name;
  const char* code;
  const char* line;
  const char* signal;  // the whole row text
  const char* cost;
  const char* notation;
};

const char* const kSortingHelper =
    "void normalize(vector<int>& v) {\n  sort(v.begin(), v.end());\n}\nint main() {\n  int n;\n"
    "  cin >> n;\n  vector<int> a(n);\n  for (int i = 0; i < n; i++) normalize(a);\n"
    "  cout << a[0];\n}\n";

const char* const kChained =
    "long long total(const vector<int>& p) {\n  long long s = 0;\n  for (int x : p) s += x;\n"
    "  return s;\n}\nlong long pairs(const vector<int>& p) {\n  long long s = 0;\n"
    "  for (int x : p) s += total(p);\n  return s;\n}\nint main() {\n  int m, q;\n"
    "  cin >> m >> q;\n  vector<int> a(m);\n  long long answer = 0;\n"
    "  for (int i = 0; i < q; i++) answer += pairs(a);\n  cout << answer;\n}\n";

const char* const kDsu =
    "int parent[200005];\nint find(int x) {\n  if (parent[x] == x) return x;\n"
    "  return parent[x] = find(parent[x]);\n}\nint main() {\n  int n, m;\n  cin >> n >> m;\n"
    "  vector<pair<int, int>> edges(m);\n  for (auto [u, v] : edges) {\n"
    "    int ru = find(u), rv = find(v);\n    if (ru != rv) parent[ru] = rv;\n  }\n}\n";

const char* const kCountUp =
    "long long countUp(int k) {\n  long long s = 0;\n  for (int i = 0; i < k; i++) s += i;\n"
    "  return s;\n}\nint main() {\n  int n, m;\n  cin >> n >> m;\n  long long answer = 0;\n"
    "  for (int j = 0; j < n; j++) answer += countUp(%s);\n  cout << answer;\n}\n";

std::string countUpWith(const std::string& argument) {
  std::string code = kCountUp;
  code.replace(code.find("%s"), 2, argument);
  return code;
}

const char* const kBaseCaseHelper = R"(#include <bits/stdc++.h>
using namespace std;
int work(int n) {
  if (n <= 0) return 0;
  int s = 0;
  for (int i = 0; i < n; i++) s += i;
  return s;
}
int main() {
  int n;
  cin >> n;
  long long t = 0;
  for (int i = 0; i < n; i++) t += work(n - 1);
  cout << t << endl;
}
)";

TEST(FunctionSummariesTest, HelperCallRows) {
  const std::string literal = countUpWith("100");
  const std::string symbol = countUpWith("m");
  const HelperCase kCases[] = {
      {"a helper that sorts, called in a loop over n", kSortingHelper, "8",
       "Helper normalize call uses summary: builtin call sort at line 2 costs O(n * log n) "
       "with v -> n",
       "O(n^2 * log n)", "O(n^2 * log n)"},
      {"a chained helper substitutes its parameter at the call", kChained, "16",
       "Helper pairs call uses summary: Range-for collection loop at line 8 costs O(p) with p -> m",
       "O(m^2 * q)", "O(m^2 * q)"},
      {"inside its caller the chained helper is charged over the caller's own loop", kChained, "8",
       "Helper total call uses summary: Range-for collection loop at line 3 costs O(p)", "O(n * p)",
       "O(m^2 * q)"},
      {"a literal argument leaves its parameter in place", literal.c_str(), "10",
       "Helper countUp call uses summary: Counted loop at line 3 costs O(k)", "O(k * n)",
       "O(k * n)"},
      {"a symbol argument replaces its parameter", symbol.c_str(), "10",
       "Helper countUp call uses summary: Counted loop at line 3 costs O(k) with k -> m",
       "O(m * n)", "O(m * n)"},
      // The base case `if (n <= 0) return 0;` is no assignment of `return` to n.
      {"a helper with a base case, called with its own parameter's name", kBaseCaseHelper, "13",
       "Helper work call uses summary: Counted loop at line 6 costs O(n)", "O(n^2)", "O(n^2)"},
  };
  for (const HelperCase& c : kCases) {
    const Analysis analysis = analyze(c.code);
    std::vector<Row> rows;
    for (const Row& row : rowsStartingWith(analysis, "Helper "))
      if (row.line == c.line) rows.push_back(row);
    ASSERT_EQ(rows.size(), 1u) << c.name;
    EXPECT_EQ(rows[0].signal, c.signal) << c.name;
    EXPECT_EQ(rows[0].cost, c.cost) << c.name;
    EXPECT_EQ(analysis.notation, c.notation) << c.name;
    // A summarized helper is a recognised call.
    EXPECT_EQ(noteCount(analysis, kUnknownCallNote), 0) << c.name;
  }
}

std::string recursiveNote(const std::string& helper) {
  return "Recursive or cyclic helper " + helper + " was not substituted at call sites.";
}

const char* const kDepth =
    "int depth(int x) {\n  if (x <= 1) return 0;\n  return 1 + depth(x / 2);\n}\nint main() {\n"
    "  int n;\n  cin >> n;\n  long long total = 0;\n  for (int i = 1; i <= n; i++) {\n"
    "    total += depth(i);\n    total += depth(i + 1);\n  }\n}\n";

const char* const kMutual =
    "bool isEven(int x);\nbool isOdd(int x) { return x == 0 ? false : isEven(x - 1); }\n"
    "bool isEven(int x) { return x == 0 ? true : isOdd(x - 1); }\nint main() {\n  int n, c = 0;\n"
    "  cin >> n;\n  for (int i = 0; i < n; i++)\n    if (isOdd(i) || isOdd(i + 2)) c++;\n}\n";

TEST(FunctionSummariesTest, CallsWithoutAHelperRow) {
  struct Case {
    const char* name;
    const char* code;
    int unknownCallNotes;
    const char* notedHelper;  // whose recursion note appears exactly once; "" for none
  };
  const Case cases[] = {
      {"a helper called outside loops is not charged",
       "long long total(const vector<int>& p) {\n  long long s = 0;\n  for (int x : p) s += x;\n"
       "  return s;\n}\nint main() {\n  int m;\n  cin >> m;\n  vector<int> a(m);\n"
       "  cout << total(a);\n}\n",
       0, ""},
      {"a helper without work is an unknown call inside loops",
       "int twice(int x) { return 2 * x; }\nint main() {\n  int n;\n  cin >> n;\n"
       "  long long s = 0;\n  for (int i = 0; i < n; i++) s += twice(i);\n}\n",
       1, ""},
      {"a recursive helper called twice is noted once", kDepth, 1, "depth"},
      {"mutual recursion is noted for the helper the loop calls", kMutual, 1, "isOdd"},
  };
  for (const Case& c : cases) {
    const Analysis analysis = analyze(c.code);
    EXPECT_TRUE(rowsStartingWith(analysis, "Helper ").empty()) << c.name;
    EXPECT_EQ(noteCount(analysis, kUnknownCallNote), c.unknownCallNotes) << c.name;
    EXPECT_EQ(analysis.notation, "O(n)") << c.name;
    for (const char* helper : {"total", "twice", "depth", "isOdd", "isEven"})
      EXPECT_EQ(noteCount(analysis, recursiveNote(helper)),
                c.notedHelper == std::string(helper) ? 1 : 0)
          << c.name << ": " << helper;
  }
  EXPECT_EQ(summariesOf(cases[1].code).count("twice"), 0u);
  const std::map<std::string, FunctionSummary> depth = summariesOf(kDepth);
  ASSERT_EQ(depth.count("depth"), 1u);
  EXPECT_TRUE(depth.at("depth").recursive);
  EXPECT_EQ(depth.at("depth").skipReason, "recursive/cyclic helper summary skipped");
  const std::map<std::string, FunctionSummary> mutual = summariesOf(kMutual);
  ASSERT_EQ(mutual.count("isEven") + mutual.count("isOdd"), 2u);
  EXPECT_TRUE(mutual.at("isEven").recursive);
  EXPECT_TRUE(mutual.at("isOdd").recursive);
}

TEST(FunctionSummariesTest, UnionFindInLoopOverEdges) {
  const Analysis analysis = analyze(kDsu);
  const std::vector<Row> rows = rowsStartingWith(analysis, "Helper find call");
  ASSERT_EQ(rows.size(), 2u);
  for (const Row& row : rows) {
    EXPECT_EQ(row.line, "11");
    EXPECT_EQ(row.cost, "O(edges * alpha(n))");
  }
  const std::string prefix =
      "Helper find call uses summary: DSU path-compressed find costs amortized O(alpha(n)) "
      "with x -> ";
  EXPECT_TRUE(rows[0].signal == prefix + "u" || rows[0].signal == prefix + "v");
  EXPECT_EQ(analysis.notation, "O(edges * alpha(n))");
  EXPECT_EQ(noteCount(analysis, kUnknownCallNote), 0);
}

// ---- Summaries ----

TEST(FunctionSummariesTest, SameNameDefinitionsKeepTheLast) {
  const char* const constantFirst =
      "int work(int x) { return x * 2; }\nint work(const vector<int>& v) {\n  int s = 0;\n"
      "  for (int x : v) s += x;\n  return s;\n}\n";
  const std::map<std::string, FunctionSummary> last = summariesOf(constantFirst);
  ASSERT_EQ(last.count("work"), 1u);
  EXPECT_EQ(formatTerm(last.at("work").cost), "O(v)");
  EXPECT_EQ(last.at("work").parameters, std::vector<std::string>{"v"});

  const char* const loopFirst =
      "int work(const vector<int>& v) {\n  int s = 0;\n  for (int x : v) s += x;\n  return s;\n}\n"
      "int work(int x) { return x * 2; }\n";
  EXPECT_EQ(summariesOf(loopFirst).count("work"), 0u);
}

TEST(FunctionSummariesTest, ChainedSummaryKeepsLocalCostApart) {
  const std::map<std::string, FunctionSummary> summaries = summariesOf(kChained);
  ASSERT_EQ(summaries.count("pairs"), 1u);
  const FunctionSummary& pairs = summaries.at("pairs");
  EXPECT_EQ(formatTerm(pairs.cost), "O(p^2)");
  EXPECT_EQ(formatTerm(pairs.localCost), "O(p)");
  EXPECT_EQ(formatTerm(pairs.propagatedCost), "O(p^2)");
  const std::vector<std::string> notes = {
      "Range-for collection loop at line 8 costs O(p)",
      "calls total at line 8 with summarized cost O(p) because Range-for collection loop at "
      "line 3 costs O(p)"};
  EXPECT_EQ(pairs.notes, notes);
  EXPECT_EQ(formatTerm(summaries.at("total").cost), "O(p)");
}

// ---- Long chains and cycles ----

std::string helperName(int index) {
  char name[16];
  std::snprintf(name, sizeof name, "h%03d", index);
  return name;
}

// h000 calls h001 inside a loop over its parameter, h001 calls h002, and so on; in name order
// every pass moves the cost one helper up the chain.
std::string chainProgram(int length, bool cycle) {
  std::string code;
  for (int i = 0; i < length; ++i) code += "void " + helperName(i) + "(const vector<int>& p);\n";
  for (int i = 0; i < length; ++i) {
    code += "void " + helperName(i) + "(const vector<int>& p) {\n  for (int x : p) ";
    if (i + 1 < length)
      code += helperName(i + 1) + "(p);\n}\n";
    else
      code += cycle ? helperName(0) + "(p);\n}\n" : "use(x);\n}\n";
  }
  code +=
      "int main() {\n  int n;\n  cin >> n;\n  vector<int> a(n);\n"
      "  for (int i = 0; i < n; i++) h000(a);\n}\n";
  return code;
}

TEST(FunctionSummariesTest, HundredsOfHelpersAnalyseInBoundedTime) {
  for (bool cycle : {false, true}) {
    const auto start = std::chrono::steady_clock::now();
    const Analysis analysis = analyze(chainProgram(200, cycle));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 60.0) << (cycle ? "cycle" : "chain");
    if (cycle) {
      EXPECT_EQ(noteCount(analysis, recursiveNote("h000")), 1);
    } else {
      EXPECT_EQ(analysis.notation, "O(n^201)");
    }
  }
}

TEST(FunctionSummariesTest, ReachesFunctionOnAVeryLongChain) {
  CallGraph graph;
  for (int i = 0; i < 20000; ++i) graph["f" + std::to_string(i)] = {"f" + std::to_string(i + 1)};
  std::set<std::string> visited;
  EXPECT_TRUE(reachesFunction("f0", "f20000", graph, visited));
  visited.clear();
  EXPECT_FALSE(reachesFunction("f0", "f0", graph, visited));
}

TEST(FunctionSummariesTest, SubstitutionsForCall) {
  Context context;
  context.containerSizes["a"] = "m";
  context.assignments["len"] = "k + 1";
  context.aliases["half"] = {"n", 2};
  ActiveContext active(&context);
  FunctionSummary summary;
  summary.parameters = {"p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8"};
  const std::string text = "f(a, len, 100, x.size(), half, , z, Size, extra)";
  SyntaxNodeInfo call;
  call.type = "call_expression";
  call.text = text;
  const std::map<std::string, std::string> expected = {
      {"p1", "m"}, {"p2", "k"}, {"p4", "n"}, {"p5", "n"}, {"p7", "z"}, {"p8", "n"},
  };
  EXPECT_EQ(substitutionsForCall(summary, call, context), expected);

  summary.parameters = {"p", "p", "q"};
  const std::string twice = "g(a, z)";
  call.text = twice;
  const std::map<std::string, std::string> last = {{"p", "z"}};
  EXPECT_EQ(substitutionsForCall(summary, call, context), last) << "a parameter listed twice";

  const std::string empty = "g()";
  call.text = empty;
  EXPECT_TRUE(substitutionsForCall(summary, call, context).empty());
}

TEST(FunctionSummariesTest, MalformedSourcesAndEveryPrefixAreAnalysed) {
  std::vector<std::string> sources = {
      "int f(", "void g() { for (;;) g(", "int h(int x) { return h(h(h(x))); }",
      "void a() { b(); } void b() { a(); } int main() { while (1) { a(); b(); } }",
      "int (*p)(int) = 0; int main() { for (int i = 0; i < n; i++) p(i); }"};
  for (const std::string& program : {std::string(kChained), std::string(kDsu)})
    for (size_t length = 0; length <= program.size(); ++length)
      sources.push_back(program.substr(0, length));
  for (const std::string& code : sources)
    ASSERT_EQ(analyze(code).notation.rfind("O(", 0), 0u) << code;
}

}  // namespace
}  // namespace quorbel
