// Conditional directives as the judge's compiler evaluates them, and the lines the expander keeps.
#include "syntax/conditionals.h"

#include <gtest/gtest.h>

#include <string>

#include "syntax/preprocess.h"

namespace quorbel {
namespace {

TEST(ConditionsTest, EvaluatesAsTheJudgeCompilerDoes) {
  const DefinedMacros macros = {{"MYDBG", ""},        {"LIMIT", "1000"}, {"TWICE", "(LIMIT * 2)"},
                                {"SELF", "SELF + 1"}, {"dbg", "()"},     {"ZERO", "0"}};
  struct Case {
    const char* name;
    const char* text;
    long long want;
  };
  const Case kCases[] = {
      {"standard header", "__has_include(<vector>)", 1},
      {"libstdc++ header", "__has_include(<bits/stdc++.h>)", 1},
      {"atcoder library", "__has_include(<atcoder/all>)", 1},
      {"atcoder header with blanks", "__has_include( <atcoder/modint> )", 1},
      {"author's header is absent", "__has_include(<debug.hpp>)", 0},
      {"quoted local header is absent", "__has_include(\"dump.h\")", 0},
      {"negated include", "!__has_include(<atcoder/all>)", 0},
      {"c++ version", "__cplusplus >= 201703L", 1},
      {"c++ version with suffix and parens", "(__cplusplus > 202302L)", 0},
      {"judge macro", "defined(ONLINE_JUDGE)", 1},
      {"judge macro without parens", "defined ONLINE_JUDGE && !defined LOCAL", 1},
      {"author's switch undefined", "defined(LOCAL) || defined(_DEBUG) || DEBUG", 0},
      {"file's own switch", "defined(MYDBG)", 1},
      {"function-like macro is defined", "defined(dbg)", 1},
      {"function-like macro evaluates to 0", "dbg(1)", 0},
      {"file's numeric macro", "LIMIT > 500", 1},
      {"macro of macros", "TWICE == 2000", 1},
      {"self-referring macro stops", "SELF > 0", 1},
      {"zero macro", "ZERO", 0},
      {"compiler version", "__GNUC__ >= 9 && __x86_64__", 1},
      {"clang is not the judge", "defined(__clang__) || defined(_MSC_VER)", 0},
      {"windows is not the judge", "defined(_WIN32)", 0},
      {"clang-only query is false", "__has_feature(address_sanitizer)", 0},
      {"gcc builtin query", "__has_builtin(__builtin_popcount)", 1},
      {"feature macro", "__cpp_concepts >= 201907L", 1},
      {"precedence of * over +", "1 + 2 * 3 == 7", 1},
      {"precedence of && over ||", "1 || 0 && 0", 1},
      {"shifts and bit operators", "(1 << 4 | 1) == 17 && (6 & 3) == 2 && (5 ^ 1) == 4", 1},
      {"comparison chain", "2 <= 3 && 3 >= 3 && 2 != 3 && 1 < 2 && 2 > 1", 1},
      {"hex, octal and binary", "0x10 + 010 + 0b11 == 27", 1},
      {"digit separators", "1'000'000 == 1000000", 1},
      {"unary minus and not", "-3 + 5 == 2 && ~0 == -1 && !0", 1},
      {"division by zero", "1 / 0", 0},
      {"remainder", "17 % 5", 2},
      {"ternary", "LIMIT > 10 ? 7 : 9", 7},
      {"character literal", "'a' == 97", 1},
      {"true and false", "true && !false", 1},
      {"trailing comment", "1 // on\n", 1},
      {"block comment", "/* off */ 0", 0},
      {"malformed is false", "(1 +", 0},
      {"empty is false", "", 0},
  };
  for (const Case& c : kCases) EXPECT_EQ(evaluateCondition(c.text, macros), c.want) << c.name;
}

TEST(ConditionsTest, DeepNestingStaysBounded) {
  const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  EXPECT_EQ(evaluateCondition(deep, {}), 0);
  DefinedMacros cycle = {{"A", "B"}, {"B", "A + 1"}};
  EXPECT_EQ(evaluateCondition("A", cycle), 1) << "A inside B is a plain name";
  EXPECT_EQ(evaluateCondition(std::string(100000, '!') + "1", {}), 0);
}

// The kept lines of a file, each trimmed, blank lines shown as "".
std::string keptCode(const std::string& source) {
  std::string out;
  std::string line;
  for (char c : expandMacros(source) + "\n") {
    if (c != '\n') {
      if (c != ' ') line += c;
      continue;
    }
    out += line + "|";
    line.clear();
  }
  return out;
}

TEST(ConditionsTest, KeepsTheBranchTheJudgeCompiles) {
  struct Case {
    const char* name;
    const char* source;
    const char* want;  // the lines kept, blanks removed, '|' ending each line
  };
  const Case kCases[] = {
      {"include guard with else", "#if __has_include(<atcoder/all>)\nA;\n#else\nB;\n#endif",
       "|A;||||"},
      {"not online judge", "#ifndef ONLINE_JUDGE\nfreopen();\n#endif\nx;", "|||x;|"},
      {"local debug", "#ifdef LOCAL\nD;\n#else\nR;\n#endif", "|||R;||"},
      {"extern C split",
       "#ifdef __cplusplus\nextern \"C\" {\n#endif\nint f();\n#ifdef __cplusplus\n}\n#endif",
       "|extern\"C\"{||intf();||}||"},
      {"elif chain takes the first true", "#if 0\na;\n#elif 1\nb;\n#elif 1\nc;\n#else\nd;\n#endif",
       "|||b;||||||"},
      {"nested inside a dropped branch", "#if 0\n#if 1\na;\n#endif\n#else\nb;\n#endif",
       "|||||b;||"},
      {"define in a dropped branch does not count",
       "#ifdef LOCAL\n#define DBG\n#endif\n#ifdef DBG\nx;\n#endif\ny;", "||||||y;|"},
      {"define in the file counts", "#define DBG\n#ifdef DBG\nx;\n#endif", "||x;||"},
      {"undef ends it", "#define DBG\n#undef DBG\n#ifdef DBG\nx;\n#endif\ny;", "|||||y;|"},
      {"numeric macro in a condition", "#define N 5\n#if N > 3\nx;\n#endif",
       "constlonglongN=5;||x;||"},
      {"if zero block", "int a;\n#if 0\nbroken ( code\n#endif\nint b;", "inta;||||intb;|"},
      {"spaced directive", "  #  ifdef  ONLINE_JUDGE\nj;\n  # endif", "|j;||"},
      {"unbalanced endif is ignored", "#endif\nx;", "|x;|"},
      {"unclosed if drops the rest", "#if 0\nx;", "||"},
  };
  for (const Case& c : kCases) EXPECT_EQ(keptCode(c.source), c.want) << c.name;
}

}  // namespace
}  // namespace quorbel
