// Constants that count an alphabet, answered from one read of the file: the answer for each
// name is the one a search of the whole file for that name gives, with names beside others in
// one declarator, names that are part of longer words, and names not spelled in word
// characters.
#include <gtest/gtest.h>

#include <string>

#include "model/alphabet_constants.h"
#include "model/model.h"

namespace quorbel {
namespace {

struct AlphabetCase {
  const char* name;
  const char* program;
  const char* constant;
  double value;
  bool counts;
};

TEST(AlphabetUsesTest, OneReadAnswersEveryName) {
  const AlphabetCase kCases[] = {
      {"cast to unsigned char",
       "const int SIGMA = 256; int cnt[SIGMA];\n"
       "void f(string s) { for (char c : s) cnt[(unsigned char)c]++; }",
       "SIGMA", 256, true},
      {"letter offset beside another extent",
       "const int K = 26; int nxt[100005][K];\n"
       "void f(string s) { for (char c : s) nxt[0][c - 'a'] = 1; }",
       "K", 26, false},
      {"letter offset, one extent",
       "const int K = 26; int freq[K + 1];\n"
       "void f(string s) { for (char c : s) freq[c - 'a']++; }",
       "K", 26, true},
      {"an element of a string",
       "const int A = 128; bool seen[A];\n"
       "void f() { string w; cin >> w; for (int i = 0; i < 3; i++) seen[w[i]] = true; }",
       "A", 128, true},
      {"indexed by a counter",
       "const int A = 128; int cnt[A];\n"
       "void f() { for (int i = 0; i < A; i++) cnt[i]++; }",
       "A", 128, false},
      {"a longer word is another name",
       "const int A = 128; int cnt[AB];\n"
       "void f(string s) { for (char c : s) cnt[(unsigned char)c]++; }",
       "A", 128, false},
      {"a constructor's count",
       "const int S = 64; vector<int> cnt(S);\n"
       "void f(string s) { for (char c : s) cnt[c - 'A']++; }",
       "S", 64, true},
      {"too large to be an alphabet",
       "const int S = 1000; int cnt[S];\n"
       "void f(string s) { for (char c : s) cnt[(unsigned char)c]++; }",
       "S", 1000, false},
      {"a name outside word characters",
       "const int S = 64; int cnt[S];\n"
       "void f(string s) { for (char c : s) cnt[(unsigned char)c]++; }",
       "S+", 64, false},
  };
  for (const AlphabetCase& c : kCases) {
    const Model model = buildModel(std::string("#include <bits/stdc++.h>\nusing namespace std;\n") +
                                   c.program + "\nint main() {}\n");
    const AlphabetUses uses = readAlphabetUses(model.root);
    EXPECT_EQ(sizesAlphabet(uses, c.constant, c.value), c.counts) << c.name;
    EXPECT_EQ(sizesAlphabet(model.root, c.constant, c.value), c.counts) << c.name;
  }
}

}  // namespace
}  // namespace quorbel
