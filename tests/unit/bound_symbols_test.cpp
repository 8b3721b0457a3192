#include "syntax/bound_symbols.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorbel {
namespace {

using Pieces = std::vector<std::string>;

// A context with one alias half -> (n, 2), one container size v -> m and adjacency list g.
Context sampleContext() {
  Context context;
  context.aliases["half"] = AliasInfo{"n", 2};
  context.aliases["whole"] = AliasInfo{"n", 1};
  context.containerSizes["v"] = "m";
  context.adjacencyLists.insert("g");
  return context;
}

TEST(BoundSymbolsTest, NormalizeBoundSymbol) {
  struct Case {
    const char* text;
    const char* want;
  };
  const Case cases[] = {
      {"  Size ", "n"}, {"tests", "T"}, {"Edges", "m"},   {"", "n"},
      {"target", "W"},  {"  q  ", "q"}, {"edge", "edge"}, {"sizes", "sizes"},
  };
  for (const Case& c : cases) EXPECT_EQ(normalizeBoundSymbol(c.text), c.want) << c.text;
}

TEST(BoundSymbolsTest, SymbolFromBoundExpression) {
  ASSERT_EQ(gContext, nullptr);
  struct Case {
    const char* name;
    const char* expression;
    const char* without;  // with no active context
    const char* with;     // with sampleContext() active
  };
  const Case cases[] = {
      {"constant falls back to n", "100", "n", "n"},
      {"first useful token, not the last", "m / k", "m", "m"},
      {"cast skipped", "(int)q", "q", "q"},
      {"container size", "(int)v.size()", "n", "m"},
      {"unknown container", "w.size() - 1", "n", "n"},
      {"size without an owner is skipped", "(a+b).size() + k", "a", "a"},
      {"alias resolves to its base", "half", "half", "n"},
      {"alias after normalisation only", "half + 1", "half", "n"},
      {"normalised", "len", "n", "n"},
      {"exponent notation", "1e9", "e9", "e9"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(symbolFromBoundExpression(c.expression), c.without) << c.name;
  Context context = sampleContext();
  ActiveContext active(&context);
  for (const Case& c : cases) EXPECT_EQ(symbolFromBoundExpression(c.expression), c.with) << c.name;
}

TEST(BoundSymbolsTest, AliasResolution) {
  EXPECT_EQ(resolveAliasDisplay("half"), "half") << "no context";
  Context context = sampleContext();
  ActiveContext active(&context);
  EXPECT_EQ(resolveAliasDisplay("half"), "n/2");
  EXPECT_EQ(resolveAliasLinearSymbol("half"), "n");
  EXPECT_EQ(resolveAliasDisplay("whole"), "n") << "a divisor below 2 shows the base only";
  EXPECT_EQ(resolveAliasDisplay("k"), "k");
  EXPECT_EQ(resolveAliasLinearSymbol(""), "");
}

TEST(BoundSymbolsTest, IsConstantBoundExpression) {
  struct Case {
    const char* expression;
    bool want;
  };
  const Case cases[] = {
      {"100", true}, {"2 * 100", true}, {"N", false},           {"v.size() - 1", false},
      {"", false},   {"1e9", false},    {"(long long)", false}, {"sz(v) * 0 + 3", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(isConstantBoundExpression(c.expression), c.want) << c.expression;
}

TEST(BoundSymbolsTest, SplitComparison) {
  struct Case {
    const char* condition;
    bool found;
    const char* left;
    const char* op;
    const char* right;
  };
  const Case cases[] = {
      {"i*i<=n", true, "i*i", "<=", "n"},
      {"j >= 0 && i < n", true, "j", ">=", "0 && i < n"},
      {"x == y", false, "", "", ""},
      {"i != n", true, "i", "!=", "n"},
      {" i < n ", true, "i", "<", "n"},
      {"mask < (1 << n)", true, "mask", "<", "(1 << n)"},
      {"", false, "", "", ""},
  };
  for (const Case& c : cases) {
    Comparison comparison = splitComparison(c.condition);
    EXPECT_EQ(comparison.found, c.found) << c.condition;
    EXPECT_EQ(comparison.left, c.left) << c.condition;
    EXPECT_EQ(comparison.op, c.op) << c.condition;
    EXPECT_EQ(comparison.right, c.right) << c.condition;
  }
}

TEST(BoundSymbolsTest, SplitTopLevelComma) {
  struct Case {
    const char* name;
    const char* text;
    Pieces want;
  };
  const Case cases[] = {
      {"leading comma keeps an empty piece", ",a", {"", "a"}},
      {"trailing comma drops the empty piece", "a,", {"a"}},
      {"nested call", "a, f(b, c), d", {"a", "f(b, c)", "d"}},
      {"angle bracket holds the comma", "i < n, j", {"i < n, j"}},
      {"closing angle releases it", "a > b, c", {"a > b", "c"}},
      {"brackets and braces", "x[1, 2], {3, 4}", {"x[1, 2]", "{3, 4}"}},
      {"stray closer does not go negative", "), a, b", {")", "a", "b"}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(splitTopLevelComma(c.text), c.want) << c.name;
}

TEST(BoundSymbolsTest, CallArgumentsAndParameterNames) {
  EXPECT_EQ(callArguments("f(a, g(b, c))"), (Pieces{"a", "g(b, c)"}));
  EXPECT_EQ(callArguments("f(a"), Pieces{});
  EXPECT_EQ(callArguments("f()"), Pieces{});
  EXPECT_EQ(parameterNamesFromDefinition("int f(const vector<int>& a, int n) {}", "f"),
            (Pieces{"a", "n"}));
  EXPECT_EQ(parameterNamesFromDefinition("void go(int, long long) {}", "go"), Pieces{})
      << "unnamed parameters";
  EXPECT_EQ(parameterNamesFromDefinition("void go(int x", "go"), Pieces{});
}

TEST(BoundSymbolsTest, IndexedAndAdjacencyAccess) {
  EXPECT_FALSE(mentionsIndexedAccess("xadj[0]", "adj"));
  EXPECT_TRUE(mentionsIndexedAccess("adj.size(); adj\t[u]", "adj"));
  EXPECT_FALSE(mentionsIndexedAccess("adj[0]", ""));
  EXPECT_TRUE(mentionsAdjacencyAccess("adj[u]")) << "adj without a context";
  EXPECT_EQ(firstAdjacencyRangeSymbol("for (int e : adj[v]) {}"), "e");
  EXPECT_EQ(firstAdjacencyRangeSymbol("adj[0] = 1; for (int e : adj[v]) {}"), "")
      << "the first access comes before the range colon";

  Context context = sampleContext();
  ActiveContext active(&context);
  EXPECT_FALSE(mentionsAdjacencyAccess("adj[u]")) << "adj is not among the context's lists";
  EXPECT_TRUE(mentionsAdjacencyAccess("g[u]"));
  EXPECT_EQ(firstAdjacencyRangeSymbol("for (auto [to, w] : g[v]) {}"), "w");
  EXPECT_EQ(firstAdjacencyRangeSymbol("for (int e : adj[v]) {}"), "");
}

TEST(BoundSymbolsTest, SingleBoundIdentifier) {
  std::string symbol = "unchanged";
  EXPECT_TRUE(singleBoundIdentifier("(long long)n + 1", symbol));
  EXPECT_EQ(symbol, "n");
  symbol = "unchanged";
  EXPECT_FALSE(singleBoundIdentifier("i * i", symbol)) << "repeats count";
  EXPECT_FALSE(singleBoundIdentifier("10", symbol));
  EXPECT_EQ(symbol, "unchanged");
  EXPECT_TRUE(mentionsIdentifier("n + nn", "n"));
  EXPECT_FALSE(mentionsIdentifier("nn", "n"));
}

TEST(BoundSymbolsTest, SubstituteTermSymbols) {
  Term poly = linearTerm("r", "n");
  poly.logs.push_back("n");
  poly.roots.push_back({"n", 3});
  Term renamed = substituteTermSymbols(poly, {{"n", "pointCount"}});
  EXPECT_EQ(renamed.linear, Pieces{"pointCount"});
  EXPECT_EQ(renamed.logs, Pieces{"pointCount"});
  EXPECT_EQ(renamed.roots[0].symbol, "pointCount");
  EXPECT_EQ(substituteTermSymbols(poly, {{"n", ""}}), poly) << "empty value keeps the symbol";

  Term chained = linearTerm("r", "a");
  EXPECT_EQ(substituteTermSymbols(chained, {{"a", "b"}, {"b", "c"}}).linear, Pieces{"b"})
      << "poly symbols are renamed once";
  Term custom = customTerm("O(a + nn)", "r", 30);
  EXPECT_EQ(substituteTermSymbols(custom, {{"a", "b"}, {"b", "c"}}).notation, "O(c + nn)")
      << "custom renames apply one after another";
  EXPECT_EQ(substituteTermSymbols(exponentialTerm("r"), {{"n", "k"}}), exponentialTerm("r"));
}

}  // namespace
}  // namespace quorbel
