// Expands the file's own macros before the program is read, so that
//   #define rep(i, a, b) for (int i = a; i < b; i++)
//   #define int long long
// reach the syntax tree as the loops and types they stand for. Every expansion stays on the line
// of the macro's use (a use spanning lines keeps its line breaks after the expansion), so line
// numbers of the expanded text are the original ones.
#pragma once

#include <string>
#include <string_view>

namespace quorbel {

// The source with its function-like and object-like macros expanded and their #define lines
// blanked. Conditional directives are evaluated as the judge's compiler does
// (syntax/conditionals.h): the directives and the branches not taken become blank lines. A macro whose body is a number (`#define MAX 1000005`, `#define N (2e5 + 5)`)
// becomes the declaration `const long long MAX = 1000005;` on its own line instead, so that
// the size keeps its name. Never fails; expansion stops growing at a fixed budget.
std::string expandMacros(std::string_view source);

}  // namespace quorbel
