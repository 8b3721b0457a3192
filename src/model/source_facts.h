// What the verdict needs from the program itself, collected once from the model's tree: the
// limits its comments state, its declarations split into declarators, its named constants and
// type aliases, its counted loops and which names it measures. The verdict asks these facts by
// name and never reads the source itself.
//   const int maxN = 2e5 + 5;        #define MAXN 200005       typedef long long ll;
//   int a[maxN];                     vector<int> g[maxN];      for (int i = 1; i <= n; i++)
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/comment_limits.h"
#include "model/model.h"
#include "model/type_sizes.h"

namespace quorbel {

// An array length evaluated once: a number from literals and named constants, else the first
// name they do not give, which the verdict may know a limit for; "n + 1" is then 1 * n + 1.
struct Extent {
  std::string written;  // for display: "maxN", "n + 1"
  bool known = false;
  double value = 0;
  std::string size;     // the first name no constant gives
  bool affine = false;  // scale * size + offset, exactly, once the size has a value
  double scale = 0;
  double offset = 0;
};

// What storing one name costs, from its declared type: bytes of the type itself and, for a
// container, of what it holds.
struct StoredType {
  TypeSize element;           // the declared type: int for int a[N]
  bool container = false;     // vector, set, map, string...
  double entryOverhead = 0;   // per entry of a node-based container
  TypeSize listElement;       // int for vector<int>, pair<int,int> for map<int, int>
  bool nested = false;        // the element is itself a container: vector<vector<T>>
  TypeSize innerElement;      // T for vector<vector<T>>
  TypeSize innermostElement;  // the last element down the nesting
};

// One name of a declaration: "dp[n + 1][m + 1]", "v(n, 0)", "x = 5".
struct Declarator {
  std::string name;
  std::vector<std::string> dimensions;  // the texts inside each [...]
  std::string initializer;              // "(n, 0)", "= 5", "{1, 2}" as written; may be empty
  // Filled once the whole program is read, so that later constants and aliases count.
  std::vector<Extent> extents;  // one per dimension
  StoredType stored;
  bool builtNested = false;  // the initializer builds the inner containers: dp(n, vector<T>(m))
  std::string shown;         // "vector<int> g[maxN]": how the memory rows name it
};

struct SourceDeclaration {
  std::string type;  // as written before the first name: "static const int", "vector<int>"
  std::vector<Declarator> declarators;
  int line = 0;
};

struct NamedConstant {
  std::string name;
  double value = 0;
  int line = 0;
};

// for (int i = 1; i <= n; i++) cin >> a[i];: the variable, the name it is compared with, the
// names the head of its body subscripts with the variable (a[i], a[i + 1], a[i-1]).
struct CountedLoop {
  std::string variable;
  std::string bound;
  std::vector<std::string> indexed;
  int line = 0;
};

struct SourceFacts {
  CommentLimits commentLimits;
  std::vector<LengthEquality> lengths;  // int n = nums.size(); n = (int)s.length();
  std::vector<std::string> measured;    // the words written before .size() or .length()
  std::vector<SourceDeclaration> declarations;
  std::map<std::string, NamedConstant> constants;
  std::map<std::string, std::string> typeAliases;  // "ll" -> "long long"; "int" with #define int
  std::vector<CountedLoop> loops;
};

// Read from the model's tree and text, never parsed again. Never fails: an unparsed program
// gives what its lines alone say (lengths and measured names).
SourceFacts readSourceFacts(const Model& model);

// Evaluates a C++ integer or floating constant expression: literals (2e5, 1'000'000, 0x10,
// 10LL), names through `lookup`, + - * / % << >> and parentheses, casts such as (int) ignored.
// False when it holds anything else or a name `lookup` does not know; the first such name is
// left in `unknownName` when given.
bool evaluateConstantExpression(std::string_view text,
                                const std::function<bool(const std::string&, double&)>& lookup,
                                double& value, std::string* unknownName = nullptr);

}  // namespace quorbel
