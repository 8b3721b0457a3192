#include "analysis/confidence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/pipeline.h"

namespace quorbel {
namespace {

struct RatingRow {
  std::vector<Assumption> assumptions;
  std::string time, space;
};

TEST(ConfidenceTest, EachDimensionTakesItsWeakestAssumption) {
  const std::vector<RatingRow> rows = {
      {{}, "high", "high"},
      {{{3, "time", "a", "medium"}}, "medium", "high"},
      {{{3, "space", "a", "low"}}, "high", "low"},
      {{{3, "time", "a", "medium"}, {9, "time", "b", "low"}}, "low", "high"},
      {{{9, "time", "b", "low"}, {3, "time", "a", "medium"}}, "low", "high"},
      {{{1, "time", "a", "medium"}, {2, "space", "b", "medium"}}, "medium", "medium"},
  };
  for (const RatingRow& row : rows) {
    const Confidence confidence = rateConfidence(row.assumptions);
    EXPECT_EQ(confidence.time, row.time);
    EXPECT_EQ(confidence.space, row.space);
  }
}

TEST(ConfidenceTest, AssumptionsAreOrderedByLineAndRepeatsKeepTheWeakerLevel) {
  const std::vector<Assumption> ordered = orderAssumptions({
      {0, "time", "whole program", "medium"},
      {12, "time", "loop", "medium"},
      {4, "space", "table", "low"},
      {12, "time", "loop", "low"},
      {12, "space", "loop", "medium"},
  });
  ASSERT_EQ(ordered.size(), 4u);
  EXPECT_EQ(ordered[0].line, 4);
  EXPECT_EQ(ordered[1].text, "loop");
  EXPECT_EQ(ordered[1].level, "low");
  EXPECT_EQ(ordered[2].dimension, "space");
  EXPECT_EQ(ordered[3].line, 0);
}

struct ProgramRow {
  const char* code;
  const char* time;
  const char* space;
};

TEST(ConfidenceTest, ProgramsThatHideOrAssumeAreNotHigh) {
  const std::vector<ProgramRow> rows = {
      // Everything derived: a loop over n read from input.
      {"#include <iostream>\nint main(){int n;std::cin>>n;long s=0;for(int i=0;i<n;i++)s+=i;"
       "std::cout<<s;}",
       "high", "high"},
      // A syntax error hides what follows it.
      {"int main(){int n; for(int i=0;i<n;i++) { @@@ }\n}", "low", "low"},
  };
  for (const ProgramRow& row : rows) {
    const Analysis analysis = analyze(row.code);
    EXPECT_EQ(analysis.confidence.time, row.time) << row.code;
    EXPECT_EQ(analysis.confidence.space, row.space) << row.code;
  }
}

struct ShapeRow {
  const char* name;
  const char* code;
  const char* level;     // time confidence
  const char* sentence;  // found in the first time assumption; empty when there is none
};

// Answers whose shape rests on a convention or on a worst case the code may not reach are
// medium, whichever walk made them; a derived answer stays high.
TEST(ConfidenceTest, ShapesOfAnswerThatRestOnAConvention) {
  const ShapeRow rows[] = {
      {"a capacity swept for every item", R"cpp(#include <bits/stdc++.h>
                                                using namespace std;
                                                const int MAXV = 100005;
                                                int seen[MAXV];
                                                int main() {
                                                  int n;
                                                  cin >> n;
                                                  long long total = 0;
                                                  for (int i = 0; i < n; i++) {
                                                    int x;
                                                    cin >> x;
                                                    for (int v = 0; v < MAXV; v++) seen[v] = 0;
                                                    seen[x] = 1;
                                                    total += x;
                                                  }
                                                  cout << total;
                                                }
       )cpp",
       "medium", "the capacity MAXV is swept"},
      {"branching recursion", R"cpp(#include <bits/stdc++.h>
                                    using namespace std;
                                    int n;
                                    vector<int> w;
                                    long long best(int i, long long load) {
                                      if (i == n) return load;
                                      return max(best(i + 1, load), best(i + 1, load + w[i]));
                                    }
                                    int main() {
                                      cin >> n;
                                      w.resize(n);
                                      for (auto& x : w) cin >> x;
                                      cout << best(0, 0);
                                    }
       )cpp",
       "medium", "every call was taken to branch"},
      {"a sort of what was read", R"cpp(#include <bits/stdc++.h>
                                        using namespace std;
                                        int main() {
                                          int n;
                                          cin >> n;
                                          vector<int> a(n);
                                          for (auto& x : a) cin >> x;
                                          sort(a.begin(), a.end());
                                          cout << a[0];
                                        }
       )cpp",
       "high", ""},
  };
  for (const ShapeRow& row : rows) {
    const Analysis analysis = analyze(row.code);
    EXPECT_EQ(analysis.confidence.time, row.level) << row.name;
    if (!*row.sentence) continue;
    ASSERT_FALSE(analysis.assumptions.empty()) << row.name;
    EXPECT_NE(analysis.assumptions[0].text.find(row.sentence), std::string::npos) << row.name;
  }
}

}  // namespace
}  // namespace quorbel
