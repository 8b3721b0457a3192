// Names a macro gives another name, found so that a size is printed as its author wrote it.
#include "syntax/name_macros.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace quorbel {
namespace {

TEST(NameMacrosTest, AnIdentifierWrittenOnlyThroughTheMacroIsRenamed) {
  using Aliases = std::map<std::string, std::string>;
  const struct {
    const char* name;
    const char* source;
    Aliases want;
  } kCases[] = {
      {"pair members by short names",
       "#define x first\n#define y second\nint n, x;\nint main() { cin >> n >> x; }\n",
       {{"first", "x"}, {"second", "y"}}},
      {"a member access keeps the alias",
       "#define F first\npair<int, int> p;\nint F;\nint main() { return p.first + F; }\n",
       {{"first", "F"}}},
      {"tabs and an arrow",
       "#\tdefine  val   weight\nint val;\nint f(N* p) { return p->weight; }\n",
       {{"weight", "val"}}},
      // near misses
      {"the body also written as a name of its own",
       "#define x first\nint first;\nint x2 = first;\n",
       {}},
      {"a function-like macro", "#define sq(a) a\nint a;\n", {}},
      {"a body that is not one identifier",
       "#define all(v) v.begin(), v.end()\n#define N 100\n",
       {}},
      {"two macros for one body", "#define a first\n#define b first\nint a;\n", {}},
  };
  for (const auto& c : kCases) EXPECT_EQ(renamingMacros(c.source), c.want) << c.name;
}

}  // namespace
}  // namespace quorbel
