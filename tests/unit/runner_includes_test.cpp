#include "runner/runner_includes.h"

#include <gtest/gtest.h>

namespace quorbel {
namespace {

struct Case {
  const char* name;
  const char* code;
  const char* detail;  // empty: every include is safe
};

const Case kCases[] = {
    // Includes that pass.
    {"whole library header", "#include <bits/stdc++.h>\nint main(){}\n", ""},
    {"quoted local header", "#include \"my.h\"\n", ""},
    {"unterminated quote", "#include \"my.h\n", ""},
    {"relative subdirectory", "#include <sys/types.h>\n#include \"lib/a.b.h\"\n", ""},
    {"dots in a comment after the path", "#include \"my.h\" // see ../notes\n", ""},
    {"blanks around the hash", "  #  include   <vector>\n", ""},
    {"other directives", "#pragma once\n#define X 1\n#if X\n#endif\n", ""},
    {"include inside a line comment", "int x; // #include \"/etc/passwd\"\n", ""},
    {"include inside a one-line block comment", "/* #include \"/etc/passwd\" */\n", ""},

    // The refusals.
    {"absolute quoted", "#include \"/etc/passwd\"\n", "/etc/passwd"},
    {"absolute angled", "#include </etc/shadow>\n", "/etc/shadow"},
    {"parent quoted", "#include \"../../somefile\"\n", "../../somefile"},
    {"parent in the middle", "#include \"a/../../b.h\"\n", "a/../../b.h"},
    {"blanks and tabs before the path", "\t#\tinclude\t\"/x\"\n", "/x"},
    {"no blank before the quote", "#include\"/etc/passwd\"\n", "/etc/passwd"},
    {"macro name", "#define SECRET \"/etc/passwd\"\n#include SECRET\n", "macro-expanded include"},
    {"bare include", "#include\n", "macro-expanded include"},
    {"include_next", "#include_next <vector>\n", "include_next"},
    {"a longer word that starts with include", "#include_nex <vector>\n", "macro-expanded include"},
    {"the first unsafe line wins", "#include <vector>\n#include SECRET\n#include \"/a\"\n",
     "macro-expanded include"},
    {"commented-out lines still read as lines", "/*\n#include \"/etc/passwd\"\n*/\n",
     "/etc/passwd"},
    {"carriage return line ends", "#include <vector>\r\n#include \"/etc/passwd\"\r\n",
     "/etc/passwd"},

    // What the preprocessor rewrites before it reads directives.
    {"digraph hash", "%:include \"/etc/passwd\"\n", "/etc/passwd"},
    {"splice inside the word", "#inc\\\nlude \"/etc/passwd\"\n", "/etc/passwd"},
    {"splice after the hash", "#\\\ninclude </etc/passwd>\n", "/etc/passwd"},
    {"splice with blanks before the newline", "#inc\\  \nlude \"/etc/passwd\"\n", "/etc/passwd"},
    {"comment before the hash", "/* note */ #include \"/etc/passwd\"\n", "/etc/passwd"},
    {"comment between hash and word", "#/**/include \"/etc/passwd\"\n", "/etc/passwd"},
    {"quote inside a comment ends with it", "/* \"*/ #include \"/etc/passwd\"\n", "/etc/passwd"},
    {"double slash inside an angled path", "#include <../..//etc/passwd>\n", "../..//etc/passwd"},
    {"import", "#import \"/etc/passwd\"\n", "/etc/passwd"},

    // Near misses for the rewriting.
    {"comment opener inside a string", "const char* s = \"/*\";\n#include <vector>\n", ""},
    {"raw string holding a comment opener", "auto s = R\"x(/*)x\";\n#include <vector>\n", ""},
    {"splice in an ordinary line", "int a = 1 + \\\n2;\n#include <vector>\n", ""},
};

TEST(RunnerIncludeTest, RefusesExactlyTheUnsafeIncludes) {
  for (const Case& c : kCases) EXPECT_EQ(findUnsafeInclude(c.code), c.detail) << c.name;
}

TEST(RunnerIncludeTest, NeverReadsPastTheEndOfOddInput) {
  const char* kOdd[] = {"",   "#",     "%:", "#include \"", "#include <", "\\",
                        "/*", "R\"x(", "'",  "\"",          "%"};
  for (const char* code : kOdd) EXPECT_EQ(findUnsafeInclude(code), "") << code;
}

}  // namespace
}  // namespace quorbel
