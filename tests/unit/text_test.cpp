#include "syntax/text.h"

#include <gtest/gtest.h>

namespace quorbel {
namespace {

TEST(TextTest, TrimRemovesOnlyItsFourBytes) {
  EXPECT_EQ(trim(" \t\n\r "), "");
  EXPECT_EQ(trim("  a b \r\n"), "a b");
  EXPECT_EQ(trim("x\f"), "x\f") << "a form feed is not trimmed";
  EXPECT_EQ(trim("\vx"), "\vx");
}

TEST(TextTest, LowerCopyTouchesAsciiOnly) {
  EXPECT_EQ(lowerCopy("AbC_Z9"), "abc_z9");
  EXPECT_EQ(lowerCopy("\xC3\x84X"), "\xC3\x84x");
}

TEST(TextTest, IdentifierBytes) {
  EXPECT_TRUE(isIdentifierStartByte(0xE3));
  EXPECT_TRUE(isIdentifierStartByte('_'));
  EXPECT_FALSE(isIdentifierStartByte('9'));
  EXPECT_TRUE(isIdentifierPartByte('9'));
  EXPECT_FALSE(isIdentifierPartByte('$'));
}

TEST(TextTest, RegexEscape) {
  EXPECT_EQ(regexEscape("a.b+c"), "a\\.b\\+c");
  EXPECT_EQ(regexEscape("i-1/2"), "i-1/2");
  EXPECT_EQ(regexEscape("$()*+.?[\\]^{|}"), "\\$\\(\\)\\*\\+\\.\\?\\[\\\\\\]\\^\\{\\|\\}");
}

TEST(TextTest, ReadIdentifierAt) {
  std::string token;
  size_t end = 99;
  EXPECT_TRUE(readIdentifierAt("  ab9 c", 2, token, end));
  EXPECT_EQ(token, "ab9");
  EXPECT_EQ(end, 5u);
  EXPECT_FALSE(readIdentifierAt("9a", 0, token, end));
  EXPECT_EQ(token, "");
  EXPECT_EQ(end, 0u);
  EXPECT_FALSE(readIdentifierAt("ab", 2, token, end)) << "past the end";
}

TEST(TextTest, PreviousIdentifierBefore) {
  struct Case {
    const char* name;
    const char* text;
    size_t position;
    const char* want;
  };
  const Case cases[] = {
      {"skips blanks", "foo  (", 5, "foo"},
      {"closing bracket before", "a[i] (", 5, ""},
      {"digit-led run", "2n(", 2, ""},
      {"start of text", "   (", 3, ""},
      {"position past the end", "abc", 99, "abc"},
      {"all whitespace kinds", "x\v\f\r\n\t(", 6, "x"},
      {"UTF-8 name", "\xE5\x80\x8B\xE6\x95\xB0 =", 7, "\xE5\x80\x8B\xE6\x95\xB0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(previousIdentifierBefore(c.text, c.position), c.want) << c.name;
}

TEST(TextTest, IdentifierTokens) {
  using Tokens = std::vector<std::string>;
  EXPECT_EQ(identifierTokens("2n + x2 * 1e9"), (Tokens{"n", "x2", "e9"}));
  EXPECT_EQ(identifierTokens(""), Tokens{});
  EXPECT_TRUE(containsIdentifierToken("n2 + n", "n"));
  EXPECT_FALSE(containsIdentifierToken("nn + n2", "n"));
  EXPECT_FALSE(containsIdentifierToken("a b", ""));
  EXPECT_EQ(replaceIdentifierTokens("n*n+nn", "n", "m"), "m*m+nn");
  EXPECT_EQ(replaceIdentifierTokens("n+1", "", "m"), "n+1");
  EXPECT_EQ(replaceIdentifierTokens("a\xC3\xA9 a", "a", "b"), "a\xC3\xA9 b");
}

TEST(TextTest, JoinStrings) {
  EXPECT_EQ(joinStrings({}), "");
  EXPECT_EQ(joinStrings({"one"}), "one");
  EXPECT_EQ(joinStrings({"a", "", "b"}), "a\n\nb");
}

}  // namespace
}  // namespace quorbel
