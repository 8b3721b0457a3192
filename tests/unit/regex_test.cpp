#include "syntax/regex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "syntax/text.h"
#include "test_support.h"

namespace quorbel {
namespace {

// Patterns of the detectors' own kinds, beside those an analysis compiles.
std::vector<std::string> samplePatterns() {
  const std::string id = identifierRegexPattern();
  return {
      "=\\s*[^;]*(/\\s*[23]|>>\\s*1)",
      "\\b(?:int|long\\s+long|ll|size_t|auto)\\s+(" + id + ")\\s*=\\s*(" + id +
          ")\\s*/\\s*([2-9][0-9]*)\\s*;",
      "\\bvector\\s*<\\s*vector\\s*<",
      "for\\s*\\(([^;]*);[^;]*;[^)]*\\)",
      "\\.\\s*pop_back\\s*\\(\\)",
      "^\\s*#",
      "\\w+$",
      "a.b",
      "(x)?y",
      "\\bn\\b",
  };
}

const char* const kInputs[] = {
    "",
    "int half = n / 2;\nlong long q = N/20;",
    "for (int i = 0; i < n; i++) { st.pop_back(); }",
    "vector<vector<int>> adj(n);\r\nint x = y >> 1;",
    "int \xE5\x80\x8B\xE6\x95\xB0 = \xE5\x80\x8B / 3;\n",
    "  #include <bits/stdc++.h>\nab\nacb a\nb",
    "xy y\r\nn\r\n",
    "end word",
};

void expectSameMatches(const std::string& pattern, const std::string& input) {
  std::vector<RegexMatch> ours = findAllRegex(input, pattern);
  std::vector<RegexMatch> reference = referenceFindAllRegex(input, pattern);
  ASSERT_EQ(ours.size(), reference.size()) << pattern << " on " << input;
  for (size_t i = 0; i < ours.size(); ++i) {
    EXPECT_EQ(ours[i].position, reference[i].position) << pattern << " on " << input;
    EXPECT_EQ(ours[i].length, reference[i].length) << pattern << " on " << input;
    EXPECT_EQ(ours[i].groups, reference[i].groups) << pattern << " on " << input;
    EXPECT_EQ(ours[i].matched, reference[i].matched) << pattern << " on " << input;
  }
  RegexMatch first, referenceFirst;
  EXPECT_EQ(searchRegex(input, pattern, first),
            referenceSearchRegex(input, pattern, referenceFirst))
      << pattern;
  EXPECT_EQ(containsRegex(input, pattern), !reference.empty()) << pattern;
  EXPECT_EQ(occurrencesRegex(input, pattern), static_cast<int>(reference.size())) << pattern;
}

// Analyses the fixture programs (when present) so that every pattern the detectors build is
// compiled, then checks each against the standard engine on short inputs.
TEST(RegexTest, AgreesWithTheStandardEngineOnEveryPatternInUse) {
  namespace fs = std::filesystem;
  const fs::path fixtures = fs::path(testing::sourceDir()) / "tests" / "fixtures";
  std::vector<std::string> programs = {
      "#include <bits/stdc++.h>\nint main(){int n; int half = n / 2;\n"
      "for(int i=0;i<half;i++) for(int j=i;j<n;j*=2) {}\n"
      "vector<vector<int>> adj(n); while(!q.empty()){q.pop();}}\n"};
  if (fs::is_directory(fixtures))
    for (const auto& entry : fs::directory_iterator(fixtures))
      if (entry.path().extension() == ".cpp") programs.push_back(testing::readFile(entry.path()));
  for (const std::string& program : programs) analyze(program);

  std::vector<std::string> patterns = samplePatterns();
  for (const std::string& pattern : compiledRegexPatterns()) patterns.push_back(pattern);
  for (const std::string& pattern : patterns) {
    if (!isValidRegex(pattern)) continue;
    for (const char* input : kInputs) expectSameMatches(pattern, input);
  }
}

TEST(RegexTest, AnchorsAndDotFollowEcmaScript) {
  EXPECT_FALSE(containsRegex("a\nb", "^b")) << "^ anchors at the start of the text only";
  EXPECT_FALSE(containsRegex("a\nb", "a$"));
  EXPECT_FALSE(containsRegex("a\nb", "a.b"));
  EXPECT_FALSE(containsRegex("a\rb", "a.b"));
  EXPECT_TRUE(containsRegex("a\xC3\xA9", "a.."));
}

TEST(RegexTest, CapturesAndIteration) {
  RegexMatch match;
  ASSERT_TRUE(searchRegex("int half = n / 2;", "(\\w+) = (\\w+)", match));
  EXPECT_EQ(match.position, 4u);
  EXPECT_EQ(match.groups, (std::vector<std::string>{"half = n", "half", "n"}));
  EXPECT_EQ(occurrencesRegex("aaa", "a*"), 2) << "an empty match after the run counts once";
  EXPECT_EQ(occurrencesRegex("abcabc", "b"), 2);
}

TEST(RegexTest, BrokenPatternsMatchNothing) {
  EXPECT_FALSE(isValidRegex("f(("));
  EXPECT_FALSE(containsRegex("f((", "f(("));
  EXPECT_EQ(occurrencesRegex("f((", "f(("), 0);
  EXPECT_TRUE(findAllRegex("x", "[").empty());
  RegexMatch match;
  EXPECT_FALSE(searchRegex("x", "(", match));
}

TEST(RegexTest, LargeTextsDoNotCrash) {
  std::string text;
  while (text.size() < 1000000) text += "int x = a / 3 + b[i] * (c >> 2); // \xE5\x80\x8B\n";
  EXPECT_TRUE(containsRegex(text, "=\\s*[^;]*(/\\s*[23]|>>\\s*1)"));
  EXPECT_GT(occurrencesRegex(text, "\\bb\\s*\\["), 10000);
  EXPECT_FALSE(containsRegex(text, "(a|b|c|\\s|\\S)*zzz$"));
  std::string oneLine(1000000, 'x');
  EXPECT_FALSE(containsRegex(oneLine, "(x+x+)+y"));
}

}  // namespace
}  // namespace quorbel
