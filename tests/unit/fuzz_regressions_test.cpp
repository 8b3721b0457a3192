// Inputs found by fuzzing and by the generated bench workloads that once crashed, hung or
// blew up memory, kept with the invariants the fuzz targets check.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "analysis/pipeline.h"

namespace quorbel {
namespace {

const char* kTooDeepNote =
    "Loops nest more than 32 levels deep, so the syntax tree was not analyzed and the estimate "
    "is incomplete.";

bool isBigO(const std::string& notation) {
  return notation.size() > 3 && notation.rfind("O(", 0) == 0 && notation.back() == ')';
}

// What analyze_fuzzer requires of every answer.
void expectWellFormed(const Analysis& analysis, const std::string& name) {
  EXPECT_TRUE(isBigO(analysis.notation)) << name << ": " << analysis.notation;
  EXPECT_TRUE(isBigO(analysis.space.notation)) << name << ": " << analysis.space.notation;
  EXPECT_FALSE(analysis.breakdown.empty()) << name;
  EXPECT_FALSE(analysis.signals.empty()) << name;
  for (const Row& row : analysis.breakdown)
    EXPECT_TRUE(isBigO(row.cost)) << name << ": " << row.cost;
}

bool hasNote(const Analysis& analysis, const std::string& note) {
  return std::find(analysis.notes.begin(), analysis.notes.end(), note) != analysis.notes.end();
}

std::string repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// `depth` counted loops over n, one inside the other, around one statement.
std::string countedNest(int depth) {
  std::string out = "int main() {\n  int n, s = 0;\n  cin >> n;\n";
  for (int d = 0; d < depth; ++d) {
    const std::string i = "i" + std::to_string(d);
    out += "for (int " + i + " = 0; " + i + " < n; " + i + "++)\n";
  }
  return out + "s++;\n}\n";
}

// 5,000 nested `for(;;)`: 35 kB that took seconds of CPU and 1.7 GB, because every loop's
// cost held one factor per enclosing loop. Now the node walks are skipped with a note.
TEST(FuzzRegressions, DeepLoopNestIsRefusedQuickly) {
  const Analysis analysis = analyze("int main(){" + repeat("for(;;)", 5000) + ";}");
  expectWellFormed(analysis, "5000 nested for(;;)");
  EXPECT_EQ(analysis.notation, "O(1)");
  EXPECT_TRUE(hasNote(analysis, kTooDeepNote));
}

TEST(FuzzRegressions, LoopNestingLimitBoundary) {
  // 32 levels are still analysed loop by loop; 33 are not.
  const Analysis at = analyze(countedNest(32));
  expectWellFormed(at, "32 levels");
  EXPECT_EQ(at.notation, "O(n^32)");
  EXPECT_FALSE(hasNote(at, kTooDeepNote));

  const Analysis over = analyze(countedNest(33));
  expectWellFormed(over, "33 levels");
  EXPECT_EQ(over.notation, "O(1)");
  EXPECT_TRUE(hasNote(over, kTooDeepNote));
}

TEST(FuzzRegressions, DeepWhileNestIsRefused) {
  // Halving while loops nested 20,000 deep (300 kB) never finished within two minutes; 2,000
  // levels took 1.9 s of CPU and 370 MB.
  const Analysis analysis =
      analyze("int main(){" + repeat("while(n){n/=2;", 2000) + repeat("}", 2000) + "}");
  expectWellFormed(analysis, "2000 nested while");
  EXPECT_TRUE(hasNote(analysis, kTooDeepNote));
}

TEST(FuzzRegressions, DeepBlocksAreStillAnalysed) {
  // Nesting that is not loops costs nothing per level: no note, the loop inside is found.
  const std::string source = "int main(){int n,s=0;cin>>n;" + repeat("if(n){", 10000) +
                             "for(int i=0;i<n;i++)s++;" + repeat("}", 10000) + "}";
  const Analysis analysis = analyze(source);
  expectWellFormed(analysis, "10000 nested if");
  EXPECT_EQ(analysis.notation, "O(n)");
  EXPECT_FALSE(hasNote(analysis, kTooDeepNote));
}

TEST(FuzzRegressions, MalformedSeedsGiveWellFormedAnswers) {
  struct Case {
    const char* name;
    std::string source;
  };
  const Case kCases[] = {
      {"unbalanced", "int main(){ for(int i=0;i<n;i++){ while(x) { if (\n"},
      {"nul byte", std::string("int main(){ int a; \0 for (;;) {} }", 34)},
      {"invalid utf-8", "int \xff\xfe main(){ for (int i = 0; i < \xc3; i++) {} }"},
      {"only a quote", "\""},
      {"only an escape", "\\"},
      {"lone comment start", "/*"},
      {"macro loop", "#define F(i,n) for(int i=0;i<(n);++i)\nint main(){F(i,n)F(j,n)s++;}"},
  };
  for (const Case& c : kCases) expectWellFormed(analyze(c.source), c.name);
}

}  // namespace
}  // namespace quorbel
