// Constants that count an alphabet rather than bound the input, told by how the containers they
// size are indexed:
//   const int SIGMA = 256; vector<int> cnt(SIGMA); .. cnt[(unsigned char)c]++;
//   #define ALPHA 128  int seen[ALPHA]; .. seen[s[i]] = 1;
//   const int K = 256; int freq[K]; .. freq[c - 'a']++;
// A table indexed by characters never holds more entries than characters have values.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/tree.h"

namespace quorbel {

// What the question needs of a file, read once for all the constants asked about.
struct AlphabetUses {
  // Each word of a declarator that is more than a name (a[N + 1], cnt(SIGMA)): the names those
  // declarators declare.
  std::map<std::string, std::set<std::string>> declaredBesideWord;
  // Those declarators' text and name, for a name not spelled in word characters alone.
  std::vector<std::pair<std::string_view, std::string>> besideDeclarators;
  // Names some subscript indexes by a character.
  std::set<std::string> indexedByCharacter;
};

AlphabetUses readAlphabetUses(const Node& root);
bool sizesAlphabet(const AlphabetUses& uses, const std::string& name, double value);

// True when `value` is at most 256 and some container whose declaration mentions `name` (as
// an extent or a constructor's count) is indexed somewhere under `root` by a character: a cast
// to a char type, a character literal or arithmetic on one, or an element of a string.
bool sizesAlphabet(const Node& root, const std::string& name, double value);

}  // namespace quorbel
