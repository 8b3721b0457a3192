// A linked list's insert and erase at an iterator relink one place: O(1) wherever the place is,
// unlike a vector's, which move every entry after it. Programs of our own; answers by hand.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"
#include "test_support.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& body) {
  const std::string program = "#include <bits/stdc++.h>\nusing namespace std;\nint main() {\n" +
                              std::string("  int n; cin >> n;\n") + body + "\n}\n";
  return testing::estimatedTime(program);
}

struct Case {
  const char* name;
  const char* body;
  const char* want;
};

TEST(LinkedListsTest, InsertAndEraseAtAnIteratorRelinkOnePlace) {
  const Case kCases[] = {
      {"erase the front n times",
       "list<int> rest; for (int i = 0; i < n; i++) rest.push_back(i);\n"
       "for (int k = 0; k < n; k++) { auto it = rest.begin(); rest.erase(it); }",
       "O(n)"},
      {"insert before the front n times",
       "std::list<long long> line; for (int i = 0; i < n; i++) line.insert(line.begin(), i);",
       "O(n)"},
      {"forward_list erase after the head",
       "forward_list<int> f; for (int i = 0; i < n; i++) f.push_front(i);\n"
       "for (int k = 1; k < n; k++) f.erase_after(f.begin());",
       "O(n)"},
      {"near miss: a vector's erase at the front moves the rest",
       "vector<int> rest; for (int i = 0; i < n; i++) rest.push_back(i);\n"
       "for (int k = 0; k < n; k++) rest.erase(rest.begin());",
       "O(n^2)"},
  };
  for (const Case& c : kCases) EXPECT_EQ(timeOf(c.body), c.want) << c.name;
}

}  // namespace
}  // namespace quorbel
