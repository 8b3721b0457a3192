#include "syntax/context.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quorbel {
namespace {

using Names = std::set<std::string>;

// The entry of `key` in one of the maps ('a'ssignments, container 's'izes, division
// 'd'ivisors as "base/divisor"); "(none)" when absent.
std::string entryOf(const Context& context, char map, const std::string& key) {
  if (map == 'd') {
    auto found = context.aliases.find(key);
    if (found == context.aliases.end()) return "(none)";
    return found->second.base + "/" + std::to_string(found->second.divisor);
  }
  const auto& entries = map == 'a' ? context.assignments : context.containerSizes;
  auto found = entries.find(key);
  return found == entries.end() ? "(none)" : found->second;
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

TEST(ContextTest, AssignmentsSizesAndDivisions) {
  struct Case {
    const char* name;
    const char* code;
    char map;
    const char* key;
    const char* want;
  };
  const Case cases[] = {
      // ---- First assignments ----
      {"first assignment wins", "int x = 1;\nx = 2;\n", 'a', "x", "1"},
      {"cut at the comma", "int a = 5, b = 6;\n", 'a', "a", "5"},
      {"only the first name of the line", "int a = 5, b = 6;\n", 'a', "b", "(none)"},
      {"cut at the semicolon", "int hi = n - 1; foo();\n", 'a', "hi", "n - 1"},
      {"the first '=' of a comparison counts", "if (a == b) x = 1;\n", 'a', "a", "= b"},
      {"a comparison ends at its closing parenthesis", "if (n <= 0) return 0;\n", 'a', "n", "0"},
      {"brackets opened after the '=' stay", "while ((x = f(y)) > 0) run();\n", 'a', "x", "f(y)"},
      {"'=' at the end of the line is skipped", "int y =\n", 'a', "y", "(none)"},

      // ---- Container sizes ----
      {"constructor size", "vector<int> a(n);\n", 's', "a", "n"},
      {"nested template with offset", "vector<vector<int>> g(n + 1);\n", 's', "g", "n"},
      {"constant size is not recorded", "vector<int> a(100);\n", 's', "a", "(none)"},
      {"resize", "a.resize(m);\n", 's', "a", "m"},
      {"assign", "b.assign(k, 0);\n", 's', "b", "k"},
      {"size of another container without a context", "vector<int> c(v.size());\n", 's', "c", "n"},
      {"braces are not a constructor call", "vector<int> a{n};\n", 's', "a", "(none)"},
      {"later line wins", "vector<int> a(n);\na.resize(m);\n", 's', "a", "m"},
      {"unbalanced parenthesis", "vector<int> a(n;\n", 's', "a", "(none)"},
      {"normalised size", "vector<int> a(len);\n", 's', "a", "n"},

      // ---- Division aliases ----
      {"halving", "int half = n / 2;", 'd', "half", "n/2"},
      {"normalised base", "auto h = len / 3;", 'd', "h", "n/3"},
      {"more after the divisor", "int h = n / 2 + 1;", 'd', "h", "(none)"},
      {"divisor starting with 1", "int t = n / 10;", 'd', "t", "(none)"},
      {"no type word", "h = n / 2;", 'd', "h", "(none)"},
      {"largest 32-bit divisor", "int h = n / 2147483647;", 'd', "h", "n/2147483647"},
      {"divisor past 32 bits", "int h = n / 2147483648;", 'd', "h", "(none)"},
      {"huge divisor", "int h = n / 99999999999999999999999;", 'd', "h", "(none)"},
      {"a later alias replaces an earlier one", "int h = n / 2;\nint h = m / 3;\n", 'd', "h",
       "m/3"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(entryOf(collectContext(c.code), c.map, c.key), c.want) << c.name;
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
  EXPECT_TRUE(collectContext("vector<vector<int>> g(((( \n a.resize(( \n int h = n / 2")
                  .containerSizes.empty());
  const Context context = collectContext(std::string("int V;\0 int E;", 14));
  EXPECT_EQ(context.graph.vertices, "V");
  EXPECT_EQ(context.graph.edges, "E");
}

}  // namespace
}  // namespace quorbel
