// The AtCoder Library's names as a program may write them: with their namespace
// (atcoder::dsu), or bare after `using namespace atcoder;` when the program defines no name of
// its own that would hide them (a pasted `struct dsu` is priced by its body).
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "model/tree.h"

namespace quorbel {

struct LibraryNames {
  // The library's names the program writes bare and means the library's: empty unless the
  // program opens the namespace; without every name it defines itself.
  std::set<std::string> bare;
  // The program's own names for the library's: using mint = modint998244353; gives mint.
  std::map<std::string, std::string> aliases;
};

LibraryNames readLibraryNames(const Node& root);

// The library's name that `spelling` (a type or function as written, template arguments and
// all) stands for, or "" when it stands for none: `atcoder::segtree<S, op, e>` and, with the
// namespace open, `segtree<S, op, e>` give "segtree"; an alias gives what it stands for.
std::string libraryNameOf(std::string_view spelling, const LibraryNames& names);

// A structure of the library priced by its documentation: trees, union-find, graphs.
bool isLibraryStructureName(std::string_view name);
// The library's modular integer.
bool isModularName(std::string_view name);

}  // namespace quorbel
