// The space module's toolbox: declarations, size symbols, dimension terms and graph symbols.
#include <gtest/gtest.h>

#include "analysis/notation.h"
#include "space/graph_storage.h"
#include "space/space_symbols.h"
#include "space/storage_declarations.h"

namespace quorbel::space {
namespace {

TEST(SpaceStorageTest, ParsesTheFirstContainerDeclarator) {
  struct Case {
    const char* name;
    const char* text;
    bool ok;
    const char* type;
    const char* declared;
    const char* arguments;
  };
  const Case cases[] = {
      {"nested template and nested arguments", "vector<vector<int>> dp(n + 1, vector<int>(m))",
       true, "vector", "dp", "n + 1, vector<int>(m)"},
      {"priority queue is not read as its vector argument",
       "priority_queue<pair<int,int>, vector<pair<int,int>>, greater<>> pq;", true,
       "priority_queue", "pq", ""},
      {"reference parameter", "const vector<int>& a", true, "vector", "a", ""},
      {"string with a fill character", "string s(n, 'a')", true, "string", "s", "n, 'a'"},
      {"unordered_map is never map", "std::unordered_map<int,int> cnt;", true, "unordered_map",
       "cnt", ""},
      {"brace initialiser counts as arguments", "vector<int> v{1, 2, 3};", true, "vector", "v",
       "1, 2, 3"},
      {"no arguments", "vector<int> v;", true, "vector", "v", ""},
      {"only the first declarator", "vector<int> a(n), b(m);", true, "vector", "a", "n"},
      {"assignment is not a constructor", "vector<int>* p = new vector<int>(n);", true, "vector",
       "p", ""},
      {"a storage word as the name", "vector<int> vector;", false, "", "", ""},
      {"C array", "int a[N][M];", false, "", "", ""},
      {"storage word inside a longer name", "int mapping = 0;", false, "", "", ""},
      {"unbalanced template", "vector<vector<int> broken", false, "", "", ""},
  };
  for (const Case& c : cases) {
    const ParsedStorage parsed = parseStorageDeclaration(c.text);
    EXPECT_EQ(parsed.ok, c.ok) << c.name;
    EXPECT_EQ(parsed.containerType, c.type) << c.name;
    EXPECT_EQ(parsed.name, c.declared) << c.name;
    EXPECT_EQ(parsed.arguments, c.arguments) << c.name;
  }
}

TEST(SpaceStorageTest, SplitsAtTopLevelCommas) {
  using Pieces = std::vector<std::string>;
  struct Case {
    const char* name;
    const char* text;
    Pieces want;
  };
  const Case cases[] = {
      {"call kept whole", "f(a, b), c", {"f(a, b)", "c"}},
      {"stray close bracket does not go below zero", "a > b, c", {"a > b", "c"}},
      {"open angle holds the comma", "i < n, j", {"i < n, j"}},
      {"inner empty piece kept", "a,,b", {"a", "", "b"}},
      {"trailing empty piece dropped", "a, ", {"a"}},
      {"empty text", "", {}},
      {"nested vector argument", "n + 1, vector<int>(m, 0)", {"n + 1", "vector<int>(m, 0)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(splitTopLevel(c.text, ','), c.want) << c.name;
}

TEST(SpaceStorageTest, ReadsBalancedBrackets) {
  size_t end = 0;
  EXPECT_EQ(readBalanced("(a(b)c)d", 0, '(', ')', end), "a(b)c");
  EXPECT_EQ(end, 7u);
  EXPECT_EQ(readBalanced("x(a(b)", 1, '(', ')', end), "");
  EXPECT_EQ(end, 6u) << "unbalanced: end of text";
  EXPECT_EQ(readBalanced("()", 5, '(', ')', end), "");
  EXPECT_EQ(end, 2u) << "start past the end";
  EXPECT_EQ(parameterTextFromFunction("int f(const vector<int>& a, int n) {}", "f"),
            "const vector<int>& a, int n");
  EXPECT_EQ(parameterTextFromFunction("int f(int n)", "g"), "");
}

TEST(SpaceStorageTest, NormalisesSizeSymbols) {
  struct Case {
    const char* text;
    const char* want;
  };
  const Case cases[] = {
      {"Capacity", "W"}, {"target", "W"},  {"  m ", "m"},      {"", "n"},
      {"TC", "T"},       {"Length", "n"},  {"Edges", "edges"}, {"vertices", "vertices"},
      {"N", "N"},        {"個数", "個数"},
  };
  for (const Case& c : cases) EXPECT_EQ(normalizeSpaceSymbol(c.text), c.want) << c.text;
}

TEST(SpaceStorageTest, LastUsefulIdentifierIsNeverEmpty) {
  EXPECT_EQ(lastUsefulIdentifier("const int"), "n");
  EXPECT_EQ(lastUsefulIdentifier("LL Int"), "n") << "ignored words in any letter case";
  EXPECT_EQ(lastUsefulIdentifier("const vector<int>& a"), "a");
  EXPECT_EQ(lastUsefulIdentifier("int len"), "n");
  EXPECT_EQ(collectDimensionSymbols("2 * n + m * n + size"), (std::vector<std::string>{"n", "m"}));
  EXPECT_EQ(directIdentifier("  idx "), "idx");
  EXPECT_EQ(directIdentifier("adj[u]"), "");
  EXPECT_EQ(directIdentifier("100"), "");
}

TEST(SpaceStorageTest, DimensionTerms) {
  struct Case {
    const char* name;
    const char* expression;
    const char* want;
  };
  const Case cases[] = {
      {"empty", "", "O(1)"},
      {"plain number", "100", "O(1)"},
      {"only type words", "sizeof(int) * 4", "O(1)"},
      {"size of another container", "a.size() + 1", "O(n)"},
      {"shift", "1 << k", "O(2^k)"},
      {"parenthesised long shift", "(1LL << k)", "O(2^k)"},
      {"constant shift", "1 << 20", "O(1)"},
      {"pow of two", "pow(2, n)", "O(2^n)"},
      {"pow of a number is a number", "pow(2, 10)", "O(1)"},
      {"pow of a number times a size", "pow(2, 10) * n", "O(n)"},
      {"every symbol is a factor", "2 * n + m", "O(m * n)"},
      {"capacity", "cap + 1", "O(W)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatTerm(dimensionTerm(c.expression, "r")), c.want) << c.name;
  }
  EXPECT_EQ(rankTerm(dimensionTerm("1 << k", "r")), 120);
}

TEST(SpaceStorageTest, InfersGraphSymbols) {
  struct Case {
    const char* name;
    const char* source;
    const char* vertices;
    const char* edges;
  };
  const Case cases[] = {
      {"no graph words", "int main() { int n; }", "v", "e"},
      {"count names", "int V, E;", "V", "E"},
      {"only an adjacency access", "void f() { adj[u].push_back(1); }", "u", "e"},
      {"constant index is not a vertex symbol",
       "vector<int> adj[100005];\nvoid f() { adj[x].clear(); }", "x", "e"},
      {"size of a nested vector", "vector<vector<int>> g;\nint main() {\n  int n = g.size();\n}",
       "n", "e"},
      {"range-for over the adjacency list",
       "vector<vector<int>> g(n);\nvoid f(int u) { for (int to : g[u]) {} }", "u", "to"},
      {"edges equal to vertices fall back",
       "vector<vector<int>> g;\nvoid f() { for (int u : g[u]) {} }", "u", "e"},
  };
  for (const Case& c : cases) {
    const GraphSymbols graph = inferGraphSymbols(c.source);
    EXPECT_EQ(graph.vertices, c.vertices) << c.name;
    EXPECT_EQ(graph.edges, c.edges) << c.name;
  }
  const Term storage = graphStorageTerm(GraphSymbols{});
  EXPECT_EQ(formatTerm(storage), "O(v + e)");
  EXPECT_EQ(rankTerm(storage), 35);
}

}  // namespace
}  // namespace quorbel::space
