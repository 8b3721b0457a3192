// Whether a name is a size, a limit, a level count or a constant follows from where its value
// comes from and how it is used, never from `const` or the name: each rule in several spellings.
#include <gtest/gtest.h>

#include <string>

#include "estimate/space_cost.h"
#include "estimate/time_cost.h"
#include "model/model.h"

namespace quorbel {
namespace {

struct SizeRow {
  const char* name;
  const char* body;  // after the includes
  const char* time;
  const char* space;  // empty: not what the row shows
};

TEST(SizesFromValuesTest, ValuesAndUsesDecide) {
  const SizeRow rows[] = {
      {"a const holding a string length",
       R"cpp(int main() {
               string s;
               cin >> s;
               const int N = s.size();
               long long c = 0;
               for (int i = 0; i < N; i++)
                 for (int j = i; j < N; j++) c += s[i] == s[j];
               cout << c;
             }
       )cpp",
       "O(N^2)", "O(N)"},
      {"a const auto holding a container size",
       R"cpp(int main() {
               int n;
               cin >> n;
               vector<int> v(n);
               for (auto& x : v) cin >> x;
               const auto L = (int)v.size();
               long long c = 0;
               for (int i = 0; i < L; i++)
                 for (int j = 0; j < L; j++) c += v[i] < v[j];
               cout << c;
             }
       )cpp",
       "O(n^2)", "O(n)"},
      {"a const made of a size",
       R"cpp(int main() {
               int n;
               cin >> n;
               const long long M = 2 * n;
               long long c = 0;
               for (long long i = 0; i < M; i++) c += i;
               cout << c;
             }
       )cpp",
       "O(n)", "O(1)"},
      {"a literal local never written sizes a table and bounds its sweep",
       R"cpp(int main() {
               int n;
               cin >> n;
               int M = 500000;
               vector<int> cnt(M + 1);
               for (int i = 0; i < n; i++) {
                 int x;
                 cin >> x;
                 cnt[x % M]++;
               }
               for (int v = 0; v <= M; v++) cnt[v] = 0;
               cout << n;
             }
       )cpp",
       "O(M + n)", "O(M)"},
      {"a literal global never written",
       R"cpp(long long LIMIT = 1000000;
             int main() {
               int n;
               cin >> n;
               vector<bool> sieve(LIMIT, true);
               long long k = 0;
               for (long long i = 0; i < LIMIT; i++)
                 if (sieve[i]) k++;
               for (int i = 0; i < n; i++) {
                 int x;
                 cin >> x;
                 k += x;
               }
               cout << k;
             }
       )cpp",
       "O(LIMIT + n)", "O(LIMIT)"},
      {"a literal local bounding a while loop",
       R"cpp(int main() {
               int n;
               scanf("%d", &n);
               int cap = 200000;
               static int seen[200005];
               int i = 0;
               while (i < cap) {
                 seen[i] = 0;
                 i++;
               }
               for (int j = 0; j < n; j++) {
                 int x;
                 scanf("%d", &x);
                 seen[x]++;
               }
               printf("%d", seen[0]);
             }
       )cpp",
       "O(cap + n)", "O(cap)"},
      {"a literal local read again is a read value",
       R"cpp(int main() {
               int n;
               cin >> n;
               int lim = 500000;
               cin >> lim;
               long long c = 0;
               for (int i = 0; i < lim; i++) c += i;
               cout << c + n;
             }
       )cpp",
       "O(lim)", "O(1)"},
      {"a literal local assigned a size later",
       R"cpp(int main() {
               int n;
               cin >> n;
               int top = 500000;
               top = n;
               long long c = 0;
               for (int i = 0; i < top; i++) c += i;
               cout << c;
             }
       )cpp",
       "O(n)", "O(1)"},
      {"levels composing a vector table",
       R"cpp(const int LOG = 18;
             int main() {
               int n;
               cin >> n;
               vector<vector<int>> up(n, vector<int>(LOG));
               for (int i = 0; i < n; i++) cin >> up[i][0];
               for (int k = 1; k < LOG; k++)
                 for (int i = 0; i < n; i++) up[i][k] = up[up[i][k - 1]][k - 1];
               cout << up[0][LOG - 1];
             }
       )cpp",
       "O(n * log n)", "O(n * log n)"},
      {"levels in a plain local, rows first",
       R"cpp(int main() {
               int n;
               cin >> n;
               int levels = 20;
               vector<vector<int>> par(levels, vector<int>(n));
               for (int v = 0; v < n; v++) cin >> par[0][v];
               for (int k = 1; k < levels; k++)
                 for (int v = 0; v < n; v++) par[k][v] = par[k - 1][par[k - 1][v]];
               cout << par[levels - 1][0];
             }
       )cpp",
       "O(n * log n)", "O(n * log n)"},
      {"levels through a named middle value",
       R"cpp(#define K 17
             int jump[K][200005];
             int main() {
               int n;
               cin >> n;
               for (int v = 1; v <= n; v++) cin >> jump[0][v];
               for (int j = 1; j < K; j++) {
                 for (int x = 1; x <= n; x++) {
                   int mid = jump[j - 1][x];
                   jump[j][x] = jump[j - 1][mid];
                 }
               }
               cout << jump[K - 1][1];
             }
       )cpp",
       "O(n * log n)", ""},
      {"an alphabet-sized table is no level count",
       R"cpp(const int ALPHA = 26;
             int main() {
               string s;
               cin >> s;
               int n = s.size();
               vector<vector<int>> nxt(n + 1, vector<int>(ALPHA, n));
               for (int i = n - 1; i >= 0; i--)
                 for (int c = 0; c < ALPHA; c++) nxt[i][c] = c == s[i] - 'a' ? i : nxt[i + 1][c];
               cout << nxt[0][0];
             }
       )cpp",
       "O(n)", "O(n)"},
  };
  for (const SizeRow& row : rows) {
    Model model =
        buildModel(std::string("#include <bits/stdc++.h>\nusing namespace std;\n") + row.body);
    const TimeEstimate time = estimateTime(model);
    EXPECT_EQ(formatCost(time.total), row.time) << row.name;
    if (*row.space) EXPECT_EQ(formatCost(estimateSpace(model, time).total), row.space) << row.name;
  }
}

}  // namespace
}  // namespace quorbel
