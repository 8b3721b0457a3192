// Counters read from what the loop does to them: loops that run while either of two counters
// has room, each pass moving one (a merge of two sorted runs, whatever moves the counters), and
// headers that start from the value a variable held before the loop.
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

#define PROGRAM(text) "#include <bits/stdc++.h>\nusing namespace std;\n" text

TEST(CounterLoopsTest, EitherCounterWithRoomSumsTheirRanges) {
  struct Case {
    const char* name;
    const char* program;
    const char* want;
  };
  const Case kCases[] = {
      {"merge sort, counters moved inside the pushes",
       PROGRAM("void srt(vector<int>& a, int l, int r) {\n"
               "  if (r - l < 2) return;\n"
               "  int m = (l + r) / 2; srt(a, l, m); srt(a, m, r);\n"
               "  vector<int> out; int i = l, j = m;\n"
               "  while (i < m || j < r) {\n"
               "    if (j == r || (i < m && a[i] <= a[j])) out.push_back(a[i++]);\n"
               "    else out.push_back(a[j++]); }\n"
               "  for (int k = l; k < r; k++) a[k] = out[k - l]; }\n"
               "int main() { int n; cin >> n; vector<int> a(n); for (int& x : a) cin >> x;\n"
               "  srt(a, 0, n); }"),
       "O(n * log n)"},
      {"two inputs merged once, `or` and explicit steps",
       PROGRAM("int main() { int p, q; cin >> p >> q; vector<long long> x(p), y(q);\n"
               "  for (auto& v : x) cin >> v; for (auto& v : y) cin >> v;\n"
               "  vector<long long> z; size_t s = 0, t = 0;\n"
               "  while (s < x.size() or t < y.size()) {\n"
               "    if (t == y.size() || (s < x.size() && x[s] < y[t])) { z.push_back(x[s]); "
               "s += 1; }\n"
               "    else { z.push_back(y[t]); t += 1; } }\n"
               "  cout << z.size(); }"),
       "O(p + q)"},
      {"counters walking down",
       PROGRAM("int main() { int n, m; cin >> n >> m; int i = n, j = m; long long s = 0;\n"
               "  while (i > 0 || j > 0) { if (i > j) i--; else j--; s += i * j; }\n"
               "  cout << s; }"),
       "O(n + m)"},
      {"a flag beside a counter is no merge",
       PROGRAM("int main() { int n; cin >> n; vector<int> a(n); for (int& x : a) cin >> x;\n"
               "  int i = 0; bool more = true; long long s = 0;\n"
               "  while (i < n || more) { more = false; for (int k = 0; k < n; k++) s += a[k]; "
               "i++; }\n"
               "  cout << s; }"),
       "O(n^2)"},
  };
  for (const Case& c : kCases) EXPECT_EQ(timeOf(c.program), c.want) << c.name;
}

TEST(CounterLoopsTest, AHeaderWithoutAStartHalvesWhatTheValueHeld) {
  struct Case {
    const char* loop;
    const char* want;
  };
  const Case kCases[] = {
      {"for (; e > 0; e /= 2) s += e % 2;", "O(log e)"},
      {"for (; e; e >>= 1) s += e & 1;", "O(log e)"},
      {"for (long long i = 1; i <= e; i++) { long long x = i; for (; x > 0; x /= 2) s++; }",
       "O(e * log e)"},
      {"long long i = 0; for (; i < e; i++) s += i;", "O(e)"},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(timeOf(std::string(PROGRAM("int main() { long long e, s = 0; cin >> e; ")) + c.loop +
                     " cout << s; }"),
              c.want)
        << c.loop;
}

}  // namespace
}  // namespace quorbel
