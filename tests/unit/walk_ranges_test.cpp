// Loops priced by the distance their ends keep rather than by the range either end sweeps:
// windows whose two ends follow the same outer index, clamped or not. Each case is a short
// program of our own with the answer derived by hand; near-misses keep the rules from firing
// where the ends do not move together.
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

struct Case {
  const char* name;
  const char* program;
  const char* want;
};

void expectTimes(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) EXPECT_EQ(timeOf(c->program), c->want) << c->name;
}

#define PROGRAM(text) "#include <bits/stdc++.h>\nusing namespace std;\n" text

TEST(WalkRangesTest, WindowsFollowingAnOuterIndexCoverTheirWidth) {
  const Case kCases[] = {
      {"the low end clamped at zero",
       PROGRAM("int main() { int n, k; cin >> n >> k; vector<long long> a(n), b(n);\n"
               "for (int i = 0; i < n; i++) for (int j = max(0, i - k); j < i; j++) "
               "b[i] = max(b[i], b[j] + a[i]); cout << b[n - 1]; }"),
       "O(k * n)"},
      {"the high end clamped by std::min, inclusive",
       PROGRAM("int main() { int m, d; scanf(\"%d %d\", &m, &d); vector<int> v(m); int c = 0;\n"
               "for (int p = 0; p < m; ++p)\n"
               "  for (int q = p + 1; q <= std::min(m - 1, p + d); ++q) c += v[p] == v[q];\n"
               "printf(\"%d\", c); }"),
       "O(d * m)"},
      {"walking down to a clamped local",
       PROGRAM("int main() { int len, w; cin >> len >> w; vector<int> x(len); long long t = 0;\n"
               "for (int i = 0; i < len; i++) { int lo = max(i - w + 1, 0);\n"
               "  for (int j = i; j >= lo; j--) t += x[j]; }\ncout << t; }"),
       "O(len * w)"},
      {"both ends off the index, unclamped",
       PROGRAM("int main() { int n, r; cin >> n >> r; vector<int> a(3 * n); long long s = 0;\n"
               "for (int c = r; c < n; c++) for (int t = c - r; t <= c + r; t++) s += a[t];\n"
               "cout << s; }"),
       "O(n * r)"},
      {"a constant window",
       PROGRAM("int main() { int n; cin >> n; vector<int> a(n); long long s = 0;\n"
               "for (int i = 0; i < n; i++) for (int j = max(0, i - 3); j < i; j++) s += a[j];\n"
               "cout << s; }"),
       "O(n)"},
      {"near miss: the high end is a fixed size, not the index",
       PROGRAM("int main() { int n, k; cin >> n >> k; vector<int> a(n); long long s = 0;\n"
               "for (int i = 0; i < n; i++) for (int j = max(0, i - k); j < n; j++) s += a[j];\n"
               "cout << s; }"),
       "O(n^2)"},
      {"near miss: the ends share the index with opposite signs",
       PROGRAM("int main() { int n; cin >> n; vector<int> a(n); long long s = 0;\n"
               "for (int i = 0; i < n; i++) for (int j = i; j < n - i; j++) s += a[j];\n"
               "cout << s; }"),
       "O(n^2)"},
  };
  expectTimes(std::begin(kCases), std::end(kCases));
}

}  // namespace
}  // namespace quorbel
