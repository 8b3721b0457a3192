// Spellings valid C++ compilers accept and the tree-sitter grammar does not, rewritten into
// equivalent ones it reads, on the same lines (a misread one would hide the rest of its
// function behind a syntax error):
//   (a = b, c)        becomes  ((a = b), c)   an assignment opening a parenthesised comma list
//   new T *[n]        becomes  new T  [n]     an array of pointers (the count is what matters)
//   T* = nullptr      becomes  T*_ = nullptr  an unnamed pointer parameter with a default
//   case 1 ... 5:     becomes  case 1      :  a range of labels, by its first value
#pragma once

#include <string>

namespace quorbel {

std::string bridgeGrammarGaps(const std::string& text);

}  // namespace quorbel
