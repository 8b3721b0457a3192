// A container written out as a list of entries holds that many, wherever it is passed: a 2x2
// matrix raised to a power costs its multiplications' 8 steps per product, not the input's size
// cubed.
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

TEST(ListedContainersTest, RowsListedInTheDeclarationStayConstant) {
  const std::string head =
      "#include <bits/stdc++.h>\nusing namespace std;\ntypedef vector<vector<long long>> M;\n"
      "long long weigh(const M& a) { long long s = 0; int k = a.size();\n"
      "  for (int i = 0; i < k; i++) for (int j = 0; j < k; j++) s += a[i][j]; return s; }\n";
  struct Case {
    const char* name;
    const char* declaration;
    const char* want;
  };
  const Case kCases[] = {
      {"assigned list", "M r = {{1, 0}, {0, 1}};", "O(n)"},
      {"braced list", "M r{{1, 1}, {1, 0}};", "O(n)"},
      {"list handed to the constructor", "M r({{2, 0}, {0, 2}});", "O(n)"},
      {"a row added to the list", "M r = {{1, 0}, {0, 1}}; r.push_back({0, 0});", "O(n)"},
      {"rows sized by the input", "M r(n, vector<long long>(n, 1));", "O(n^3)"},
  };
  for (const Case& c : kCases) {
    const std::string program = head + "int main() { int n; cin >> n; " + c.declaration +
                                " long long t = 0; for (int i = 0; i < n; i++) t += weigh(r); "
                                "cout << t; }";
    EXPECT_EQ(timeOf(program), c.want) << c.name;
  }
}

TEST(ListedContainersTest, AFixedMatrixPowerIsLogarithmic) {
  const std::string program =
      "#include <bits/stdc++.h>\nusing namespace std;\nusing Mat = vector<vector<long long>>;\n"
      "Mat mul(const Mat& a, const Mat& b) { int k = a.size(); Mat c(k, vector<long long>(k));\n"
      "  for (int i = 0; i < k; i++) for (int j = 0; j < k; j++) for (int t = 0; t < k; t++)\n"
      "    c[i][j] = (c[i][j] + a[i][t] * b[t][j]) % 998244353; return c; }\n"
      "int main() { long long e; cin >> e; Mat r = {{1, 0}, {0, 1}}, b = {{1, 1}, {1, 0}};\n"
      "  for (; e > 0; e /= 2) { if (e % 2) r = mul(r, b); b = mul(b, b); } cout << r[0][1]; }";
  EXPECT_EQ(timeOf(program), "O(log e)");
}

}  // namespace
}  // namespace quorbel
