#include "syntax/context.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quorbel {
namespace {

using Names = std::set<std::string>;

// Expects `map[key] == want`, or no entry at all when `want` is null.
template <typename Map>
void expectEntry(const Map& map, const char* key, const char* want, const char* name) {
  auto found = map.find(key);
  if (want == nullptr) {
    EXPECT_EQ(found, map.end()) << name;
  } else {
    ASSERT_NE(found, map.end()) << name;
    EXPECT_EQ(found->second, want) << name;
  }
}

TEST(ContextTest, GraphSymbols) {
  struct Case {
    const char* name;
    const char* code;
    const char* vertices;
    const char* edges;
  };
  const Case cases[] = {
      {"named counts", "int V, E;\n", "V", "E"},
      {"only an edge name", "int edgeCount;\n", "v", "edgeCount"},
      {"name inside a longer identifier does not count", "int Vx, Edge;\n", "v", "e"},
      {"size assignment of an adjacency list", "vector<vector<int>> g(n);\nint n = g.size();\n",
       "n", "e"},
      {"size assignment of adj without a declared list", "int cnt = adj.size();\n", "cnt", "e"},
      {"size of another container is not the vertex count",
       "vector<vector<int>> g(n);\nint k = other.size();\n", "v", "e"},
      {"indexed access gives the bound", "vector<int> adj[N];\n", "N", "e"},
      {"indexed access with two names gives nothing", "vector<int> adj[N + M];\n", "v", "e"},
      {"edge symbol needs the range-for before the first access",
       "vector<int> adj[N];\nfor (int to : adj[u]) {}\n", "N", "e"},
      {"edge symbol from the adjacency range-for",
       "vector<vector<int>> adj;\nfor (int to : adj[u]) {}\n", "u", "to"},
      {"same vertex and edge symbol makes edges e",
       "vector<vector<int>> g(5);\nint x = g.size();\nfor (int x : g[u]) {}\n", "x", "e"},
  };
  for (const Case& c : cases) {
    Context context = collectContext(c.code);
    EXPECT_EQ(context.graph.vertices, c.vertices) << c.name;
    EXPECT_EQ(context.graph.edges, c.edges) << c.name;
  }
}

TEST(ContextTest, CollectingRestoresTheActiveContext) {
  Context outer;
  ActiveContext active(&outer);
  const Context a = collectContext("vector<vector<int>> g(n);\nint n = g.size();\n");
  EXPECT_EQ(gContext, &outer);
  // Each collection gets its own analysis id, so remembered loop classifications never leak.
  const Context b = collectContext("");
  EXPECT_NE(a.analysisId, 0u);
  EXPECT_NE(a.analysisId, b.analysisId);
}

TEST(ContextTest, FirstAssignments) {
  struct Case {
    const char* name;
    const char* code;
    const char* key;
    const char* want;  // nullptr: no entry
  };
  const Case cases[] = {
      {"first assignment wins", "int x = 1;\nx = 2;\n", "x", "1"},
      {"cut at the comma", "int a = 5, b = 6;\n", "a", "5"},
      {"only the first name of the line", "int a = 5, b = 6;\n", "b", nullptr},
      {"cut at the semicolon", "int hi = n - 1; foo();\n", "hi", "n - 1"},
      {"the first '=' of a comparison counts", "if (a == b) x = 1;\n", "a", "= b"},
      {"a comparison ends at its closing parenthesis", "if (n <= 0) return 0;\n", "n", "0"},
      {"brackets opened after the '=' stay", "while ((x = f(y)) > 0) run();\n", "x", "f(y)"},
      {"'=' at the end of the line is skipped", "int y =\n", "y", nullptr},
  };
  for (const Case& c : cases) {
    Context context = collectContext(c.code);
    expectEntry(context.assignments, c.key, c.want, c.name);
  }
}

TEST(ContextTest, ContainerSizes) {
  struct Case {
    const char* name;
    const char* code;
    const char* key;
    const char* want;  // nullptr: no entry
  };
  const Case cases[] = {
      {"constructor size", "vector<int> a(n);\n", "a", "n"},
      {"nested template with offset", "vector<vector<int>> g(n + 1);\n", "g", "n"},
      {"constant size is not recorded", "vector<int> a(100);\n", "a", nullptr},
      {"resize", "a.resize(m);\n", "a", "m"},
      {"assign", "b.assign(k, 0);\n", "b", "k"},
      {"size of another container without a context", "vector<int> c(v.size());\n", "c", "n"},
      {"braces are not a constructor call", "vector<int> a{n};\n", "a", nullptr},
      {"later line wins", "vector<int> a(n);\na.resize(m);\n", "a", "m"},
      {"unbalanced parenthesis", "vector<int> a(n;\n", "a", nullptr},
      {"normalised size", "vector<int> a(len);\n", "a", "n"},
  };
  for (const Case& c : cases) {
    Context context = collectContext(c.code);
    expectEntry(context.containerSizes, c.key, c.want, c.name);
  }
}

TEST(ContextTest, DivisionAliases) {
  struct Case {
    const char* name;
    const char* code;
    const char* alias;
    const char* base;  // nullptr: no alias
    int divisor;
  };
  const Case cases[] = {
      {"halving", "int half = n / 2;", "half", "n", 2},
      {"normalised base", "auto h = len / 3;", "h", "n", 3},
      {"more after the divisor", "int h = n / 2 + 1;", "h", nullptr, 0},
      {"divisor one", "int h = n / 1;", "h", nullptr, 0},
      {"divisor starting with 1", "int t = n / 10;", "t", nullptr, 0},
      {"no type word", "h = n / 2;", "h", nullptr, 0},
      {"largest 32-bit divisor", "int h = n / 2147483647;", "h", "n", 2147483647},
      {"divisor past 32 bits", "int h = n / 2147483648;", "h", nullptr, 0},
      {"huge divisor", "int h = n / 99999999999999999999999;", "h", nullptr, 0},
      {"a later alias replaces an earlier one", "int h = n / 2;\nint h = m / 3;\n", "h", "m", 3},
  };
  for (const Case& c : cases) {
    Context context = collectContext(c.code);
    auto found = context.aliases.find(c.alias);
    if (c.base == nullptr) {
      EXPECT_EQ(found, context.aliases.end()) << c.name;
    } else {
      ASSERT_NE(found, context.aliases.end()) << c.name;
      EXPECT_EQ(found->second.base, c.base) << c.name;
      EXPECT_EQ(found->second.divisor, c.divisor) << c.name;
    }
  }
}

TEST(ContextTest, ContainerKinds) {
  struct Case {
    const char* name;
    const char* code;
    Names heaps, ordered, adjacency, edgeLists;
  };
  const Case cases[] = {
      {"set", "set<int> s;", {}, {"s"}, {}, {}},
      {"unordered_set is not ordered", "unordered_set<int> u;", {}, {}, {}, {}},
      {"priority queue only", "priority_queue<int> pq;", {"pq"}, {}, {}, {}},
      {"heap of pairs with comparator",
       "priority_queue<pair<int,int>, vector<pair<int,int>>, greater<>> pq;",
       {"pq"},
       {},
       {},
       {}},
      {"adjacency list", "vector<vector<int>> g(n);", {}, {}, {"g"}, {}},
      {"indexed adj", "x = adj[u][0];", {}, {}, {"adj"}, {}},
      {"xadj is not adj", "x = xadj[u];", {}, {}, {}, {}},
      {"edge list", "vector<pair<int,int>> edgesList;", {}, {}, {}, {"edgesList"}},
  };
  for (const Case& c : cases) {
    Context context = collectContext(c.code);
    EXPECT_EQ(context.priorityQueues, c.heaps) << c.name;
    EXPECT_EQ(context.logContainers, c.ordered) << c.name;
    EXPECT_EQ(context.adjacencyLists, c.adjacency) << c.name;
    EXPECT_EQ(context.edgeLists, c.edgeLists) << c.name;
  }
}

TEST(ContextTest, NameScanners) {
  using Scanner = bool (*)(std::string_view, std::string_view, std::string&);
  const Scanner declaration = declarationNameAfterTemplate, indexed = indexedAccessSymbol;
  struct Case {
    const char* name;
    Scanner scan;
    const char* text;
    const char* word;
    const char* want;  // nullptr: false
  };
  const Case cases[] = {
      {"nested vector", declaration, "vector<vector<int>> adj(n);", "vector", "adj"},
      {"pointer and reference run", declaration, "vector<int> * & p;", "vector", "p"},
      {"comma after the inner template", declaration,
       "priority_queue<pair<int,int>, vector<pair<int,int>>, greater<>> pq;", "vector", nullptr},
      {"no template arguments", declaration, "string s;", "string", "s"},
      {"unbalanced angle brackets", declaration, "vector<vector<int> a;", "vector", nullptr},
      {"template absent", declaration, "int a;", "vector", nullptr},
      {"declared bound", indexed, "vector<int> adj[N];", "adj", "N"},
      {"type words skipped", indexed, "adj[(int)n]", "adj", "n"},
      {"only the first access is read", indexed, "adj[0] = 1; adj[n] = 2;", "adj", nullptr},
      {"two names", indexed, "adj[i + j]", "adj", nullptr},
      {"longer identifier skipped", indexed, "xadj[n]; adj[m]", "adj", "m"},
      {"no closing bracket", indexed, "adj[n", "adj", nullptr},
      {"empty name", indexed, "x[n]", "", nullptr},
  };
  for (const Case& c : cases) {
    std::string found = "unchanged";
    EXPECT_EQ(c.scan(c.text, c.word, found), c.want != nullptr) << c.name;
    if (c.want != nullptr) {
      EXPECT_EQ(found, c.want) << c.name;
    }
  }
}

TEST(ContextTest, OddInputNeverFails) {
  std::string unbalanced = "vector<vector<int>> g(((( \n a.resize(( \n int h = n / 2";
  Context context = collectContext(unbalanced);
  EXPECT_TRUE(context.containerSizes.empty());
  std::string withNul("int V;\0 int E;", 14);
  context = collectContext(withNul);
  EXPECT_EQ(context.graph.vertices, "V");
  EXPECT_EQ(context.graph.edges, "E");
}

}  // namespace
}  // namespace quorbel
