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

}  // namespace
}  // namespace quorbel
