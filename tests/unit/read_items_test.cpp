// Loops that read one item of the input per pass until a sentinel: their passes are the
// input's items, as many as the program's size, not a constant; a pass that works over what it
// read is a test, and tests read their own sizes. Programs of our own, answers derived by hand.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"
#include "test_support.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& program) { return testing::estimatedTime(program); }

struct Case {
  const char* name;
  const char* program;
  const char* want;
};

TEST(ReadItemsTest, ASentinelEndedLoopOfItemsReadsTheInputsItems) {
  const Case kCases[] = {
      {"pairs until one is out of range, then a walk over the lists they filled",
       "#include <bits/stdc++.h>\nusing namespace std;\nvector<int> below[100005];\n"
       "int main() {\n  int n; scanf(\"%d\", &n);\n  while (true) {\n    int a, b;\n"
       "    scanf(\"%d %d\", &a, &b);\n    if (a < 1 || b < 1) break;\n"
       "    below[a].push_back(b);\n  }\n  long long s = 0;\n"
       "  for (int v = 1; v <= n; v++) for (int w : below[v]) s += w;\n"
       "  printf(\"%lld\\n\", s);\n}\n",
       "O(n)"},
      {"for (;;) with cin, filed into a map",
       "#include <bits/stdc++.h>\nusing namespace std;\nint main() {\n  int m; cin >> m;\n"
       "  map<int, int> seen;\n  for (;;) {\n    int x; cin >> x;\n    if (x < 0) break;\n"
       "    seen[x]++;\n  }\n  cout << seen.size() << endl;\n}\n",
       "O(m * log m)"},
      {"items pushed onto a list, then sorted",
       "#include <bits/stdc++.h>\nusing namespace std;\nint main() {\n  int k; cin >> k;\n"
       "  vector<long long> got;\n  while (1) {\n    long long v; cin >> v;\n"
       "    if (v == -1) break;\n    got.push_back(v);\n  }\n"
       "  sort(got.begin(), got.end());\n  cout << got[0] << endl;\n}\n",
       "O(k * log k)"},
      {"near miss: a pass that loops over what it read is a test, summed",
       "#include <bits/stdc++.h>\nusing namespace std;\nint main() {\n  while (true) {\n"
       "    int n; cin >> n;\n    if (n < 1) break;\n    long long s = 0;\n"
       "    for (int i = 0; i < n; i++) { int x; cin >> x; s += x; }\n"
       "    cout << s << endl;\n  }\n}\n",
       "O(n)"},
      {"near miss: a pass that calls the program's work is a test",
       "#include <bits/stdc++.h>\nusing namespace std;\nint n;\n"
       "long long work() { long long s = 0; for (int i = 0; i < n; i++) s += i * i; return s; }\n"
       "int main() {\n  while (true) {\n    cin >> n;\n    if (n < 1) break;\n"
       "    cout << work() << endl;\n  }\n}\n",
       "O(n)"},
  };
  for (const Case& c : kCases) EXPECT_EQ(timeOf(c.program), c.want) << c.name;
}

}  // namespace
}  // namespace quorbel
