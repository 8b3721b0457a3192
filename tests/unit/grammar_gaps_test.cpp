// Spellings the compilers accept and the grammar misreads reach the parser in a form it reads,
// and a macro's trailing comment stays out of its expansions.
#include "syntax/grammar_gaps.h"

#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"
#include "syntax/preprocess.h"
#include "syntax/syntax_reader.h"

namespace quorbel {
namespace {

TEST(GrammarGapsTest, RewritesOnlyTheSpellingsTheGrammarMisreads) {
  struct Case {
    const char* name;
    const char* text;
    const char* want;
  };
  const Case kCases[] = {
      {"assignment opens a comma list", "return (a = b, 1);", "return ((a = b), 1);"},
      {"compound assignment", "y = (a += b, 1);", "y = ((a += b), 1);"},
      {"shift assignment", "y = (a <<= b, 1);", "y = ((a <<= b), 1);"},
      {"element assigned", "y = (d[i] = 0, true);", "y = ((d[i] = 0), true);"},
      {"both arms of a choice", "x ? (a = b, 1) : (b = a, 2)", "x ? ((a = b), 1) : ((b = a), 2)"},
      {"inside a condition's parentheses", "if ((a = b, a > 0))", "if (((a = b), a > 0))"},
      {"comparison is no assignment", "y = (a == b, 1);", "y = (a == b, 1);"},
      {"less-or-equal is no assignment", "y = (a <= b, 1);", "y = (a <= b, 1);"},
      {"call arguments stay", "g(a = 1, 2);", "g(a = 1, 2);"},
      {"for header stays", "for (i = 0, j = 1; i < j; i++)", "for (i = 0, j = 1; i < j; i++)"},
      {"template argument comma stays", "y = (a = f<int, int>(x), 1);",
       "y = (a = f<int, int>(x), 1);"},
      {"literal text stays", "s = \"(a = b, 1)\";", "s = \"(a = b, 1)\";"},
      {"array of pointers", "int **p = new int *[n];", "int **p = new int  [n];"},
      {"two-word type", "long long **p = new long long*[n];", "long long **p = new long long [n];"},
      {"template type", "auto q = new vector<int>*[n];", "auto q = new vector<int> [n];"},
      {"plain array stays", "int *p = new int[n];", "int *p = new int[n];"},
      {"scalar pointer stays", "int *p = new int; *p = 2;", "int *p = new int; *p = 2;"},
      {"unnamed pointer parameter", "template <class T, typename E<T>::type* = nullptr>",
       "template <class T, typename E<T>::type*_ = nullptr>"},
      {"multiply-assign stays", "a *= 2, b *= 3;", "a *= 2, b *= 3;"},
      {"range of labels", "case 1 ... 5: x++;", "case 1      : x++;"},
      {"range of characters", "case 'a' ... 'z': x++;", "case 'a'        : x++;"},
      {"scoped label stays", "case E::A: x++;", "case E::A: x++;"},
      {"a label named with dots in a literal stays", "case '.': x++;", "case '.': x++;"},
      {"a conditional's middle with an assignment and a comma", "return (a < b ? a = b, 1 : 0);",
       "return (a < b ? ((a = b), 1) : 0);"},
      {"a conditional's middle with a comma", "y = c ? g(), 2 : 3;", "y = c ? (g(), 2) : 3;"},
      {"a plain conditional stays", "x = c ? a : b;", "x = c ? a : b;"},
      {"nested conditionals stay", "y = p ? q ? 1 : 2 : 3;", "y = p ? q ? 1 : 2 : 3;"},
      {"a comma after a conditional stays", "f(c ? a : b, d);", "f(c ? a : b, d);"},
      {"a comma in the middle's call stays", "y = c ? std::max(a, b) : 0;",
       "y = c ? std::max(a, b) : 0;"},
  };
  for (const Case& c : kCases) EXPECT_EQ(bridgeGrammarGaps(c.text), c.want) << c.name;
}

TEST(GrammarGapsTest, BridgedProgramsParseCleanly) {
  const char* const kPrograms[] = {
      "bool up(int& a, int b) { return ((a < b) ? (a = b, true) : (false)); }",
      "int d[9]; int f(int k) { int y = (d[k] = k, k * 2); return y; }",
      "int main() { int n = 3; int** g = new int*[n]; for (int i = 0; i < n; i++) g[i] = new "
      "int[n]; }",
      "template <class T, typename std::enable_if<sizeof(T) == 4, void>::type* = nullptr> int "
      "pick() { return 1; }",
      "int kind(char c) { switch (c) { case 'a' ... 'z': return 1; default: return 0; } }",
      "template <class T> bool chmax(T& a, const T& b) { return (a < b ? a = b, 1 : 0); }",
      "int bump(int c, int& a) { return c > 0 ? a += c, a : -1; }",
  };
  for (const char* program : kPrograms)
    EXPECT_EQ(readCppSyntax(expandMacros(program)).firstErrorLine, 0u) << program;
}

TEST(GrammarGapsTest, DeepOpenBracketsStayLinear) {
  const std::string deep(200000, '(');
  EXPECT_EQ(bridgeGrammarGaps(deep), deep);
  std::string labels;
  for (int i = 0; i < 40000; ++i) labels += "case ";
  EXPECT_EQ(bridgeGrammarGaps(labels), labels);
  std::string news;
  for (int i = 0; i < 40000; ++i) news += "new ";
  EXPECT_EQ(bridgeGrammarGaps(news), news);
}

TEST(MacroCommentTest, ACommentAfterABodyIsNotExpanded) {
  struct Case {
    const char* name;
    const char* source;
    const char* want;
  };
  const Case kCases[] = {
      {"line comment after a number", "#define N 100005 // the limit\nint a[N];",
       "const long long N = 100005;\nint a[N];"},
      {"block comment after a name", "#define BIG INT_MAX /* large */\nx = BIG;",
       "\nx =  INT_MAX ;"},
      {"comment after a function-like body", "#define SQ(x) ((x) * (x)) // square\ny = SQ(3);",
       "\ny =  ((3) * (3)) ;"},
      {"block comment running past the line",
       "#define K 7 /* a note\n   that goes on */ int z = K;",
       "const long long K = 7;\n                   int z = K;"},
      {"parameter name inside a literal", "#define P(s) printf(\"%s\", s)\nP(\"hi\");",
       "\n printf(\"%s\", \"hi\") ;"},
  };
  for (const Case& c : kCases) EXPECT_EQ(expandMacros(c.source), c.want) << c.name;
}

// A call with more arguments than the program's function of that name takes calls another
// overload: std::min(a, b) beside the program's own min over a vector.
TEST(CallArityTest, ExtraArgumentsReachAnotherOverload) {
  const std::string program =
      "#include <bits/stdc++.h>\nusing namespace std;\n"
      "template <class T> T min(const vector<T>& v) { T m = v[0]; for (T x : v) m = std::min(m, "
      "x); return m; }\n"
      "int main() { int n; cin >> n; vector<int> v(n); long long s = 0;\n"
      "  for (int i = 0; i < n; i++) { cin >> v[i]; s += min(s, (long long)v[i]); }\n"
      "  cout << s + min(v); }\n";
  Model model = buildModel(program);
  EXPECT_EQ(formatCost(estimateTime(model).total), "O(n)");
}

}  // namespace
}  // namespace quorbel
