#include "syntax/context.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quorbel {
namespace {

using Names = std::set<std::string>;

TEST(ContextTest, SourceWithoutPatternsLeavesEverythingEmpty) {
  Context context = collectContext("int main() { return 0; }\n");
  EXPECT_TRUE(context.priorityQueues.empty());
  EXPECT_TRUE(context.logContainers.empty());
  EXPECT_TRUE(context.adjacencyLists.empty());
  EXPECT_TRUE(context.edgeLists.empty());
  EXPECT_TRUE(context.assignments.empty());
  EXPECT_TRUE(context.containerSizes.empty());
  EXPECT_TRUE(context.aliases.empty());
  EXPECT_EQ(context.graph.vertices, "v");
  EXPECT_EQ(context.graph.edges, "e");
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
      {"long names", "int vertices, edges;\n", "vertices", "edges"},
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
  collectContext("vector<vector<int>> g(n);\nint n = g.size();\n");
  EXPECT_EQ(gContext, &outer);
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
      {"the first '=' of a comparison counts", "if (a == b) x = 1;\n", "a", "= b) x = 1"},
      {"'=' at the end of the line is skipped", "int y =\n", "y", nullptr},
      {"blank right side is skipped", "int y =   \n", "y", nullptr},
  };
  for (const Case& c : cases) {
    Context context = collectContext(c.code);
    auto found = context.assignments.find(c.key);
    if (c.want == nullptr) {
      EXPECT_EQ(found, context.assignments.end()) << c.name;
    } else {
      ASSERT_NE(found, context.assignments.end()) << c.name;
      EXPECT_EQ(found->second, c.want) << c.name;
    }
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
      {"reference declarator", "vector<int>& r(q);\n", "r", "q"},
      {"braces are not a constructor call", "vector<int> a{n};\n", "a", nullptr},
      {"later line wins", "vector<int> a(n);\na.resize(m);\n", "a", "m"},
      {"empty parentheses", "vector<int> a();\n", "a", nullptr},
      {"unbalanced parenthesis", "vector<int> a(n;\n", "a", nullptr},
      {"normalised size", "vector<int> a(len);\n", "a", "n"},
  };
  for (const Case& c : cases) {
    Context context = collectContext(c.code);
    auto found = context.containerSizes.find(c.key);
    if (c.want == nullptr) {
      EXPECT_EQ(found, context.containerSizes.end()) << c.name;
    } else {
      ASSERT_NE(found, context.containerSizes.end()) << c.name;
      EXPECT_EQ(found->second, c.want) << c.name;
    }
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
      {"long long and two digits", "long long q = N/20;", "q", "N", 20},
      {"normalised base", "auto h = len / 3;", "h", "n", 3},
      {"more after the divisor", "int h = n / 2 + 1;", "h", nullptr, 0},
      {"divisor one", "int h = n / 1;", "h", nullptr, 0},
      {"divisor starting with 1", "int t = n / 10;", "t", nullptr, 0},
      {"no type word", "h = n / 2;", "h", nullptr, 0},
      {"largest 32-bit divisor", "int h = n / 2147483647;", "h", "n", 2147483647},
      {"divisor past 32 bits", "int h = n / 2147483648;", "h", nullptr, 0},
      {"huge divisor", "int h = n / 99999999999999999999999;", "h", nullptr, 0},
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

TEST(ContextTest, LaterAliasReplacesEarlier) {
  Context context = collectContext("int h = n / 2;\nint h = m / 3;\n");
  ASSERT_EQ(context.aliases.count("h"), 1u);
  EXPECT_EQ(context.aliases["h"].base, "m");
  EXPECT_EQ(context.aliases["h"].divisor, 3);
}

TEST(ContextTest, ContainerKinds) {
  struct Case {
    const char* name;
    const char* code;
    Names heaps, ordered, adjacency, edgeLists;
  };
  const Case cases[] = {
      {"set", "set<int> s;", {}, {"s"}, {}, {}},
      {"multiset", "multiset<int> ms;", {}, {"ms"}, {}, {}},
      {"map with pair key", "map<pair<int,int>, int> mp;", {}, {"mp"}, {}, {}},
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

TEST(ContextTest, EachCollectionGetsItsOwnAnalysisId) {
  Context a = collectContext("");
  Context b = collectContext("");
  EXPECT_NE(a.analysisId, 0u);
  EXPECT_NE(a.analysisId, b.analysisId);
}

TEST(ContextTest, DeclarationNameAfterTemplate) {
  struct Case {
    const char* name;
    const char* text;
    const char* templateName;
    const char* want;  // nullptr: false
  };
  const Case cases[] = {
      {"nested vector", "vector<vector<int>> adj(n);", "vector", "adj"},
      {"const reference", "const vector<int>& a", "vector", "a"},
      {"pointer and reference run", "vector<int> * & p;", "vector", "p"},
      {"comma after the inner template",
       "priority_queue<pair<int,int>, vector<pair<int,int>>, greater<>> pq;", "vector", nullptr},
      {"no template arguments", "string s;", "string", "s"},
      {"unbalanced angle brackets", "vector<vector<int> a;", "vector", nullptr},
      {"nothing after the closing bracket", "vector<int>", "vector", nullptr},
      {"template absent", "int a;", "vector", nullptr},
  };
  for (const Case& c : cases) {
    std::string name = "unchanged";
    bool found = declarationNameAfterTemplate(c.text, c.templateName, name);
    EXPECT_EQ(found, c.want != nullptr) << c.name;
    if (c.want != nullptr) {
      EXPECT_EQ(name, c.want) << c.name;
    }
  }
}

TEST(ContextTest, MemberCallAndCallName) {
  std::string owner, member;
  EXPECT_TRUE(memberCall("v . push_back (x)", owner, member));
  EXPECT_EQ(owner, "v");
  EXPECT_EQ(member, "push_back");
  EXPECT_FALSE(memberCall("v.size", owner, member)) << "no call";
  EXPECT_FALSE(memberCall("a[i].f()", owner, member)) << "no owner before the dot";
  EXPECT_FALSE(memberCall("f(x)", owner, member)) << "no dot";

  SyntaxNodeInfo node;
  node.text = "solve(a, b)";
  EXPECT_EQ(callName(node), "solve");
  node.text = "v.push_back(x)";
  EXPECT_EQ(callName(node), "push_back");
  node.text = "(*fp)(x)";
  EXPECT_EQ(callName(node), "");
}

TEST(ContextTest, FunctionNameFromDefinition) {
  EXPECT_EQ(functionNameFromDefinition("long long solve (int n) { return n; }"), "solve");
  EXPECT_EQ(functionNameFromDefinition("if (x) {}"), "");
  EXPECT_EQ(functionNameFromDefinition("while (x) {}"), "");
  EXPECT_EQ(functionNameFromDefinition("int x;"), "");
}

TEST(ContextTest, IndexedAccessSymbol) {
  struct Case {
    const char* name;
    const char* code;
    const char* want;  // nullptr: false
  };
  const Case cases[] = {
      {"declared bound", "vector<int> adj[N];", "N"},
      {"space before the bracket", "vector<int> adj [ maxn ];", "maxn"},
      {"type words skipped", "adj[(int)n]", "n"},
      {"only the first access is read", "adj[0] = 1; adj[n] = 2;", nullptr},
      {"two names", "adj[i + j]", nullptr},
      {"longer identifier skipped", "xadj[n]; adj[m]", "m"},
      {"no closing bracket", "adj[n", nullptr},
      {"no access", "adj.size()", nullptr},
  };
  for (const Case& c : cases) {
    std::string symbol;
    bool found = indexedAccessSymbol(c.code, "adj", symbol);
    EXPECT_EQ(found, c.want != nullptr) << c.name;
    if (c.want != nullptr) {
      EXPECT_EQ(symbol, c.want) << c.name;
    }
  }
  std::string symbol;
  EXPECT_FALSE(indexedAccessSymbol("x[n]", "", symbol));
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
