// Whether a name is a size, a limit, a level count or a constant follows from where its value
// comes from and how it is used, never from `const` or the name: each rule in several spellings.
#include <gtest/gtest.h>

#include <string>

#include "analysis/pipeline.h"
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

// The row's program after the usual includes: its time notation, and its space notation where
// the row gives one.
void expectEstimates(const SizeRow& row) {
  Model model =
      buildModel(std::string("#include <bits/stdc++.h>\nusing namespace std;\n") + row.body);
  const TimeEstimate time = estimateTime(model);
  EXPECT_EQ(formatCost(time.total), row.time) << row.name;
  if (*row.space) EXPECT_EQ(formatCost(estimateSpace(model, time).total), row.space) << row.name;
}

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
  for (const SizeRow& row : rows) expectEstimates(row);
}

// A program that reads nothing is a harness: the data main passes is one example, and each
// function it calls is priced in its own parameters.
TEST(SizesFromValuesTest, HarnessesPriceFunctionsInTheirParameters) {
  const SizeRow rows[] = {
      {"a class method called on a literal vector",
       R"cpp(class Solution {
              public:
               int distinct(vector<int>& nums) {
                 sort(nums.begin(), nums.end());
                 return unique(nums.begin(), nums.end()) - nums.begin();
               }
             };
             int main() {
               vector<int> a = {3, 1, 3};
               cout << Solution().distinct(a) << endl;
             }
       )cpp",
       "O(|nums| * log |nums|)", ""},
      {"a free function called on a literal string",
       R"cpp(int pairs(const string& word) {
               int c = 0;
               for (size_t i = 0; i < word.size(); i++)
                 for (size_t j = i + 1; j < word.size(); j++) c += word[i] == word[j];
               return c;
             }
             int main() {
               string w = "banana";
               printf("%d\n", pairs(w));
               return 0;
             }
       )cpp",
       "O(|word|^2)", ""},
      {"a literal count stays a constant, as anywhere",
       R"cpp(long long triangle(int rows) {
               long long t = 0;
               for (int r = 0; r < rows; r++)
                 for (int c = 0; c <= r; c++) t++;
               return t;
             }
             int main() { cout << triangle(5) << "\n"; }
       )cpp",
       "O(1)", ""},
      {"a program that reads input keeps the literal a constant",
       R"cpp(long long triangle(int rows) {
               long long t = 0;
               for (int r = 0; r < rows; r++)
                 for (int c = 0; c <= r; c++) t++;
               return t;
             }
             int main() {
               int n;
               cin >> n;
               cout << triangle(5) + n << "\n";
             }
       )cpp",
       "O(1)", ""},
      {"only the calls main makes take parameter names",
       R"cpp(int steps(int from) {
               int s = 0;
               for (int i = from; i < 100; i++) s++;
               return s;
             }
             int walk(int depth) { return depth == 0 ? 0 : steps(0) + walk(depth - 1); }
             int main() {
               vector<int> v = {1, 2};
               cout << walk((int)v.size()) << "\n";
             }
       )cpp",
       "O(depth)", ""},
      {"a helper's local sized by the example it is given",
       R"cpp(int lis(const vector<int>& a) {
               int n = a.size();
               vector<int> best(n, 1);
               for (int i = 0; i < n; i++)
                 for (int j = 0; j < i; j++)
                   if (a[j] < a[i]) best[i] = max(best[i], best[j] + 1);
               return *max_element(best.begin(), best.end());
             }
             int main() {
               vector<int> data = {3, 1, 2};
               cout << lis(data) << endl;
             }
       )cpp",
       "O(|a|^2)", "O(|a|)"},
  };
  for (const SizeRow& row : rows) expectEstimates(row);
}

// g[0].size(), g.front().size(), g.at(0).size(): the length of a table's row, wherever the
// table is held; a row picked by a variable stays that row's own length.
TEST(SizesFromValuesTest, FixedRowsTellTheRowLength) {
  const SizeRow rows[] = {
      {"the last row's length in a helper",
       R"cpp(long long pairsPerColumn(const vector<vector<int>>& g) {
               long long t = 0;
               for (size_t i = 0; i < g.size(); i++)
                 for (size_t j = 0; j < g.back().size(); j++) t += g[i][j];
               return t;
             }
             int main() {
               int rows, cols;
               cin >> rows >> cols;
               vector<vector<int>> g(rows, vector<int>(cols));
               for (auto& r : g)
                 for (auto& x : r) cin >> x;
               cout << pairsPerColumn(g);
             }
       )cpp",
       "O(cols * rows)", ""},
      {"the first row's length, for every pair of rows",
       R"cpp(int sameColumns(vector<vector<char>>& grid) {
               int same = 0;
               for (size_t a = 0; a < grid.size(); a++)
                 for (size_t b = 0; b < grid.size(); b++)
                   for (size_t c = 0; c < grid[0].size(); c++) same += grid[a][c] == grid[b][c];
               return same;
             }
             int main() {
               int height, width;
               cin >> height >> width;
               vector<vector<char>> grid(height, vector<char>(width));
               for (auto& r : grid)
                 for (auto& ch : r) cin >> ch;
               cout << sameColumns(grid);
             }
       )cpp",
       "O(height^2 * width)", ""},
      {"a row picked by a variable is that row, as in a traversal",
       R"cpp(int main() {
               int n, m;
               cin >> n >> m;
               vector<vector<int>> adj(n);
               for (int i = 0; i < m; i++) {
                 int a, b;
                 cin >> a >> b;
                 adj[a].push_back(b);
                 adj[b].push_back(a);
               }
               vector<int> dist(n, -1);
               queue<int> q;
               q.push(0);
               dist[0] = 0;
               while (!q.empty()) {
                 int u = q.front();
                 q.pop();
                 for (size_t k = 0; k < adj[u].size(); k++) {
                   int v = adj[u][k];
                   if (dist[v] < 0) {
                     dist[v] = dist[u] + 1;
                     q.push(v);
                   }
                 }
               }
               cout << dist[n - 1];
             }
       )cpp",
       "O(n + m)", ""},
  };
  for (const SizeRow& row : rows) expectEstimates(row);
}

// A size the walks keep for themselves (the rows of a parameter no call tells) is written as
// its container and named as an assumption, never printed.
TEST(SizesFromValuesTest, InternalSizesAreWrittenAsTheirContainers) {
  const Analysis analysis = analyze(R"cpp(
    int widest(const std::vector<std::vector<int>>& table) {
      int best = 0;
      for (size_t i = 0; i < table.size(); i++)
        for (int x : table[i]) best = best < x ? x : best;
      return best;
    })cpp");
  EXPECT_EQ(analysis.notation, "O(|table|)");
  ASSERT_EQ(analysis.assumptions.size(), 1u);
  EXPECT_EQ(analysis.assumptions[0].dimension, "time");
  EXPECT_EQ(analysis.confidence.time, "medium");
}

}  // namespace
}  // namespace quorbel
