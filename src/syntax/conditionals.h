// Which lines of a file a judge's compiler keeps. Conditional directives are evaluated as g++ 12
// in C++20 mode does on a Linux judge that defines ONLINE_JUDGE:
//   #if __has_include(<atcoder/all>)     true: standard headers and the AtCoder Library exist
//   #ifdef __cplusplus  extern "C" {     true
//   #ifndef ONLINE_JUDGE  /  #ifdef LOCAL  /  #if DEBUG > 0   the author's own switches are off
// A name the file defines counts as defined from its #define on (until an #undef); any other
// name is not defined and is 0 in an expression.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

// The macros a file has defined so far: name -> body (empty for `#define LOCAL`). A
// function-like macro's body is held as "()", which evaluates as 0.
using DefinedMacros = std::map<std::string, std::string, std::less<>>;

// The value of a #if / #elif expression: integers (hex, octal, binary, suffixes), character
// literals, defined X, defined(X), __has_include(<h>) / ("h"), __has_builtin and kin, the
// file's own object-like macros (expanded, depth-bounded), the compiler's and judge's macros,
// and the C operators with their precedence (?:, ||, &&, |, ^, &, ==, <, <<, +, *, unary).
// Unknown names are 0; a malformed expression is 0; division by zero gives 0.
long long evaluateCondition(std::string_view expression, const DefinedMacros& macros);

// True when a name is defined on the judge before the file defines anything: __cplusplus,
// __GNUC__, ONLINE_JUDGE, __x86_64__, __cpp_* feature macros.
bool isJudgeMacro(std::string_view name);

// Tracks nested conditional blocks line by line.
class ConditionalBranches {
 public:
  // Reads one directive (`directive` the word after '#', `rest` the text after it); returns
  // true when it is a conditional one (#if, #ifdef, #ifndef, #elif, #elifdef, #elifndef, #else,
  // #endif), whose line is then dropped. Unbalanced #else/#endif are ignored.
  bool read(std::string_view directive, std::string_view rest, const DefinedMacros& macros);
  // True when the lines at this point are compiled.
  bool active() const { return frames_.empty() || frames_.back().active; }

 private:
  struct Frame {
    bool parentActive = true;
    bool taken = false;   // some branch of this block was chosen already
    bool active = false;  // the current branch is compiled
  };
  std::vector<Frame> frames_;
};

}  // namespace quorbel
