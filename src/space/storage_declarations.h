// Container declarations read as text: which storage word declares which name with which
// constructor arguments, plus the bracket and comma helpers the space estimate reads sizes with.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel::space {

// What one declaration declares. All strings are empty when `ok` is false.
struct ParsedStorage {
  bool ok = false;
  std::string containerType;  // "vector", "priority_queue", ...
  std::string name;
  std::string arguments;  // inside the (...) or {...} after the name, brackets excluded
};

// The first position at or after `position` that is not C white space (space, \t, \n, \v,
// \f, \r); the text length when there is none.
size_t skipSpaces(std::string_view text, size_t position);
// Likewise past white space, '*' and '&': from the end of a type to its declarator's name.
size_t skipPointerMarks(std::string_view text, size_t position);
// The text strictly between the bracket at `start` and its match; `end` is set just past the
// match. Empty with `end` = text length when the brackets never balance.
std::string readBalanced(std::string_view text, size_t start, char open, char close, size_t& end);
// Trimmed pieces split at separators outside (), [], {} and <>; a trailing empty piece is
// dropped, inner empty pieces kept.
std::vector<std::string> splitTopLevel(std::string_view text, char separator);
// The text inside the parentheses that follow the first occurrence of `name`.
std::string parameterTextFromFunction(std::string_view text, std::string_view name);

// One of the twelve storage words: priority_queue, unordered_map, unordered_set, multimap,
// multiset, vector, deque, string, queue, stack, set, map.
bool isStorageType(std::string_view word);
// The first declarator of a container declaration: "vector<vector<int>> dp(n + 1, x)" gives
// vector, dp and "n + 1, x". A name that is itself a storage word is not a declaration.
ParsedStorage parseStorageDeclaration(std::string_view text);

}  // namespace quorbel::space
