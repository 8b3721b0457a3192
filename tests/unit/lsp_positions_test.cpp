// Positions as the Language Server Protocol counts them: UTF-16 code units within a line, and
// lines ended by "\n", "\r\n" or a lone "\r".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/positions.h"

namespace quorbel {
namespace {

TEST(LspPositionsTest, LineStarts) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<size_t> want;
  };
  const Case cases[] = {
      {"empty", "", {0}},
      {"no break", "ab", {0}},
      {"LF", "a\nb", {0, 2}},
      {"CRLF is one break", "a\r\nb", {0, 3}},
      {"lone CR", "a\rb", {0, 2}},
      {"LF CR is two", "a\n\rb", {0, 2, 3}},
      {"CR CR LF is two", "a\r\r\nb", {0, 2, 4}},
      {"a final break opens an empty line", "a\r\n", {0, 3}},
  };
  for (const Case& c : cases) EXPECT_EQ(lineStarts(c.text), c.want) << c.name;
}

TEST(LspPositionsTest, LineLengthInUtf16) {
  struct Case {
    const char* name;
    std::string text;
    int line;
    int want;
  };
  const Case cases[] = {
      {"ASCII", "int n;\n", 0, 6},
      {"the break is left out: LF", "ab\ncd", 0, 2},
      {"the break is left out: CRLF", "ab\r\ncd", 0, 2},
      {"the break is left out: CR", "ab\rcd", 0, 2},
      {"last line without a break", "ab\r\ncd", 1, 2},
      {"two-byte character is one unit", "\xC3\xA9t\xC3\xA9", 0, 3},           // été
      {"three-byte character is one unit", "\xE5\x80\x8B\xE6\x95\xB0", 0, 2},  // 個数
      {"four-byte character is two units",
       "a\xF0\x9F\x98\x80"
       "b",
       0, 4},  // a😀b
      {"invalid byte counts one",
       "a\xFF"
       "b",
       0, 3},
      {"truncated sequence counts one a byte", "a\xE5\x80", 0, 3},
      {"surrogate encoded in UTF-8 is invalid", "\xED\xA0\x80", 0, 3},
      {"overlong form is invalid", "\xE0\x80\x80", 0, 3},
      {"line past the end", "ab", 5, 0},
      {"negative line", "ab", -1, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(lineLengthUtf16(c.text, lineStarts(c.text), c.line), c.want) << c.name;
}

TEST(LspPositionsTest, ByteOffsets) {
  struct Case {
    const char* name;
    std::string text;
    TextPosition position;
    size_t want;
  };
  const std::string emoji =
      "a\xF0\x9F\x98\x80"
      "b\r\nc";  // a😀b CRLF c
  const Case cases[] = {
      {"start", "ab\ncd", {0, 0}, 0},
      {"second line after LF", "ab\ncd", {1, 1}, 4},
      {"second line after CRLF", "ab\r\ncd", {1, 1}, 5},
      {"second line after CR", "ab\rcd", {1, 0}, 3},
      {"before the surrogate pair", emoji, {0, 1}, 1},
      {"inside the pair: its first byte", emoji, {0, 2}, 1},
      {"after the pair", emoji, {0, 3}, 5},
      {"a character past the end stops before CRLF", emoji, {0, 99}, 6},
      {"a line past the last: the end", emoji, {9, 0}, emoji.size()},
      {"after é", "\xC3\xA9x", {0, 1}, 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(byteOffsetOf(c.text, lineStarts(c.text), c.position), c.want) << c.name;
}

TEST(LspPositionsTest, CodeRangeOfLine) {
  const std::string text = "int main() {\r\n    for (;;) {}\r\n\r\n\t\xC3\xA9;";
  const std::vector<size_t> starts = lineStarts(text);
  struct Case {
    int line, startCharacter, endCharacter;
  };
  const Case cases[] = {{0, 0, 12}, {1, 4, 15}, {2, 0, 0}, {3, 1, 3}, {9, 0, 0}};
  for (const Case& c : cases) {
    const TextRange range = codeRangeOfLine(text, starts, c.line);
    EXPECT_EQ(range.start.line, c.line);
    EXPECT_EQ(range.end.line, c.line);
    EXPECT_EQ(range.start.character, c.startCharacter) << "line " << c.line;
    EXPECT_EQ(range.end.character, c.endCharacter) << "line " << c.line;
  }
}

TEST(LspPositionsTest, TextForAnalysisCountsLonelyCarriageReturns) {
  EXPECT_EQ(textForAnalysis("a\rb\r\nc\r"), "a\nb\r\nc\n");
  EXPECT_EQ(textForAnalysis(""), "");
}

TEST(LspPositionsTest, RangedChanges) {
  struct Case {
    const char* name;
    std::string text;
    TextRange range;
    std::string replacement, want;
  };
  const Case cases[] = {
      {"insert", "ab", {{0, 1}, {0, 1}}, "X", "aXb"},
      {"replace across CRLF", "ab\r\ncd", {{0, 1}, {1, 1}}, "-", "a-d"},
      {"after a surrogate pair", "\xF0\x9F\x98\x80x", {{0, 2}, {0, 3}}, "y", "\xF0\x9F\x98\x80y"},
      {"backwards range", "abc", {{0, 2}, {0, 1}}, "", "ac"},
      {"append past the end", "a", {{5, 0}, {5, 0}}, "\nb", "a\nb"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(applyRangedChange(c.text, c.range, c.replacement), c.want) << c.name;
}

}  // namespace
}  // namespace quorbel
