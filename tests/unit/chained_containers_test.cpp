// A container filled from another one holds what the other was filled with, however late the
// other learns its entries: the entries counted are those that reach it, not a constant.
#include <gtest/gtest.h>

#include <string>

#include "cost/cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {
namespace {

std::string timeOf(const std::string& program) {
  Model model = buildModel(program);
  return formatCost(estimateTime(model).total);
}

TEST(ChainedContainersTest, ACopyHoldsWhatItsSourceWasFilledWith) {
  struct Case {
    const char* name;
    const char* body;
    const char* want;
  };
  const Case kCases[] = {
      {"counts of a hash map pushed, then sorted",
       "unordered_map<int, int> seen; for (int i = 0; i < n; i++) { int w; cin >> w; seen[w]++; "
       "} vector<int> c; for (auto& [w, k] : seen) c.push_back(k); sort(c.begin(), c.end());",
       "O(n * log n)"},
      {"a hash set's range copied, then sorted",
       "unordered_set<long long> s; for (int i = 0; i < n; i++) { long long w; cin >> w; "
       "s.insert(w); } vector<long long> v(s.begin(), s.end()); sort(v.begin(), v.end());",
       "O(n * log n)"},
      {"a deque walked into a vector, then sorted",
       "deque<int> d; for (int i = 0; i < n; i++) { int w; cin >> w; d.push_front(w); } "
       "vector<int> v; for (int x : d) v.push_back(x); sort(v.begin(), v.end());",
       "O(n * log n)"},
      {"a fixed part of the range is no copy of it",
       "unordered_set<int> s; for (int i = 0; i < n; i++) { int w; cin >> w; s.insert(w); } "
       "vector<int> v(s.begin(), next(s.begin(), 3)); sort(v.begin(), v.end());",
       "O(n)"},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(timeOf(std::string("#include <bits/stdc++.h>\nusing namespace std;\nint main() { "
                                 "int n; cin >> n; ") +
                     c.body + " cout << 1; }"),
              c.want)
        << c.name;
}

}  // namespace
}  // namespace quorbel
