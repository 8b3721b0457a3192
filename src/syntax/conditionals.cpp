// Evaluates conditional directives the way the judge's compiler does, so that the branch the
// judge compiles is the one read:
//   #if __has_include(<atcoder/all>)      #include <atcoder/all>     (kept)
//   #else   template <class T> struct fenwick_tree { ... };         (dropped)
//   #ifndef ONLINE_JUDGE   freopen("in.txt", "r", stdin);           (dropped)
//   #if defined(LOCAL) || DEBUG > 1   dbg(...)                      (dropped)
#include "syntax/conditionals.h"

#include <cctype>
#include <set>

namespace quorbel {
namespace {

// A file's macros referring to each other are expanded this deep; deeper is a cycle.
constexpr size_t kMaxMacroDepth = 16;
// Operators nest no deeper than this in any expression a person writes.
constexpr int kMaxNesting = 64;

bool isNameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool isNameChar(char c) { return isNameStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

// The macros g++ 12 defines for C++20 on x86-64 Linux, and the judge's own.
const std::map<std::string, long long, std::less<>>& judgeMacros() {
  static const std::map<std::string, long long, std::less<>> kMacros = {
      {"__cplusplus", 202002},
      {"__GNUC__", 12},
      {"__GNUC_MINOR__", 2},
      {"__GNUC_PATCHLEVEL__", 0},
      {"__GNUG__", 12},
      {"__GLIBCXX__", 20220819},
      {"_GLIBCXX_RELEASE", 12},
      {"__STDC__", 1},
      {"__STDC_HOSTED__", 1},
      {"__x86_64__", 1},
      {"__x86_64", 1},
      {"__amd64__", 1},
      {"__amd64", 1},
      {"__linux__", 1},
      {"__linux", 1},
      {"__gnu_linux__", 1},
      {"__unix__", 1},
      {"__unix", 1},
      {"__ELF__", 1},
      {"__LP64__", 1},
      {"_LP64", 1},
      {"__CHAR_BIT__", 8},
      {"__SIZEOF_INT__", 4},
      {"__SIZEOF_LONG__", 8},
      {"__SIZEOF_LONG_LONG__", 8},
      {"__SIZEOF_POINTER__", 8},
      {"__SIZEOF_INT128__", 16},
      {"__INT_MAX__", 2147483647},
      {"__LONG_MAX__", 9223372036854775807LL},
      {"__LONG_LONG_MAX__", 9223372036854775807LL},
      {"__ORDER_LITTLE_ENDIAN__", 1234},
      {"__ORDER_BIG_ENDIAN__", 4321},
      {"__BYTE_ORDER__", 1234},
      {"__OPTIMIZE__", 1},
      {"__SSE__", 1},
      {"__SSE2__", 1},
      {"ONLINE_JUDGE", 1},
  };
  return kMacros;
}

// Headers a judge's compiler finds: the C++ and C standard libraries, libstdc++'s own (bits/,
// ext/, tr1/), the system's (sys/, unistd.h), the intrinsics, and the AtCoder Library. An
// author's own header (debug.h, "dump.hpp") is not there.
bool judgeHasHeader(std::string_view header) {
  for (std::string_view folder : {"bits/", "ext/", "tr1/", "tr2/", "sys/", "atcoder/", "debug/"})
    if (header.substr(0, folder.size()) == folder) return true;
  if (header == "atcoder") return true;
  static const std::set<std::string, std::less<>> kHeaders = {"algorithm",
                                                              "any",
                                                              "array",
                                                              "atomic",
                                                              "barrier",
                                                              "bit",
                                                              "bitset",
                                                              "cassert",
                                                              "cctype",
                                                              "cerrno",
                                                              "cfenv",
                                                              "cfloat",
                                                              "charconv",
                                                              "chrono",
                                                              "cinttypes",
                                                              "climits",
                                                              "clocale",
                                                              "cmath",
                                                              "codecvt",
                                                              "compare",
                                                              "complex",
                                                              "concepts",
                                                              "condition_variable",
                                                              "coroutine",
                                                              "csetjmp",
                                                              "csignal",
                                                              "cstdarg",
                                                              "cstddef",
                                                              "cstdint",
                                                              "cstdio",
                                                              "cstdlib",
                                                              "cstring",
                                                              "ctime",
                                                              "cuchar",
                                                              "cwchar",
                                                              "cwctype",
                                                              "deque",
                                                              "exception",
                                                              "execution",
                                                              "filesystem",
                                                              "format",
                                                              "forward_list",
                                                              "fstream",
                                                              "functional",
                                                              "future",
                                                              "initializer_list",
                                                              "iomanip",
                                                              "ios",
                                                              "iosfwd",
                                                              "iostream",
                                                              "istream",
                                                              "iterator",
                                                              "latch",
                                                              "limits",
                                                              "list",
                                                              "locale",
                                                              "map",
                                                              "memory",
                                                              "memory_resource",
                                                              "mutex",
                                                              "new",
                                                              "numbers",
                                                              "numeric",
                                                              "optional",
                                                              "ostream",
                                                              "queue",
                                                              "random",
                                                              "ranges",
                                                              "ratio",
                                                              "regex",
                                                              "scoped_allocator",
                                                              "semaphore",
                                                              "set",
                                                              "shared_mutex",
                                                              "source_location",
                                                              "span",
                                                              "sstream",
                                                              "stack",
                                                              "stdexcept",
                                                              "stop_token",
                                                              "streambuf",
                                                              "string",
                                                              "string_view",
                                                              "syncstream",
                                                              "system_error",
                                                              "thread",
                                                              "tuple",
                                                              "type_traits",
                                                              "typeindex",
                                                              "typeinfo",
                                                              "unordered_map",
                                                              "unordered_set",
                                                              "utility",
                                                              "valarray",
                                                              "variant",
                                                              "vector",
                                                              "version",
                                                              "assert.h",
                                                              "ctype.h",
                                                              "errno.h",
                                                              "fenv.h",
                                                              "float.h",
                                                              "inttypes.h",
                                                              "limits.h",
                                                              "locale.h",
                                                              "math.h",
                                                              "setjmp.h",
                                                              "signal.h",
                                                              "stdarg.h",
                                                              "stddef.h",
                                                              "stdint.h",
                                                              "stdio.h",
                                                              "stdlib.h",
                                                              "string.h",
                                                              "time.h",
                                                              "uchar.h",
                                                              "wchar.h",
                                                              "wctype.h",
                                                              "stdbool.h",
                                                              "unistd.h",
                                                              "immintrin.h",
                                                              "x86intrin.h",
                                                              "emmintrin.h",
                                                              "xmmintrin.h",
                                                              "nmmintrin.h",
                                                              "smmintrin.h",
                                                              "cxxabi.h",
                                                              "malloc.h",
                                                              "alloca.h",
                                                              "fcntl.h"};
  return kHeaders.count(header) > 0;
}

// Built-in queries g++ answers true for what a contest program asks about.
bool isBuiltinQuery(std::string_view name) {
  return name == "__has_builtin" || name == "__has_attribute" || name == "__has_cpp_attribute";
}

class ConditionParser {
 public:
  ConditionParser(std::string_view text, const DefinedMacros& macros,
                  std::set<std::string>& expanding)
      : text_(text), macros_(macros), expanding_(expanding) {}

  long long parse() {
    const long long value = conditional(0);
    return failed_ ? 0 : value;
  }

 private:
  // ---- Tokens ----
  void skipBlanks() {
    while (at_ < text_.size()) {
      if (std::isspace(static_cast<unsigned char>(text_[at_]))) {
        ++at_;
      } else if (text_.compare(at_, 2, "/*") == 0) {
        const size_t end = text_.find("*/", at_ + 2);
        at_ = end == std::string_view::npos ? text_.size() : end + 2;
      } else if (text_.compare(at_, 2, "//") == 0) {
        at_ = text_.size();
      } else {
        break;
      }
    }
  }

  bool accept(std::string_view op) {
    skipBlanks();
    if (text_.compare(at_, op.size(), op) != 0) return false;
    // `<` must not take the first character of `<<` or `<=`, nor `&` of `&&`.
    const char next = at_ + op.size() < text_.size() ? text_[at_ + op.size()] : '\0';
    if (op.size() == 1 && (op == "<" || op == ">") && (next == op[0] || next == '=')) return false;
    if (op.size() == 1 && (op == "&" || op == "|") && next == op[0]) return false;
    if (op == "!" && next == '=') return false;
    if (op == "=") return false;
    at_ += op.size();
    return true;
  }

  std::string name() {
    skipBlanks();
    const size_t start = at_;
    while (at_ < text_.size() && isNameChar(text_[at_])) ++at_;
    return std::string(text_.substr(start, at_ - start));
  }

  // Skips a balanced (...) after a name, returning its inside; empty when none follows.
  std::string_view parenthesised() {
    skipBlanks();
    if (at_ >= text_.size() || text_[at_] != '(') return {};
    const size_t start = ++at_;
    for (int depth = 1; at_ < text_.size(); ++at_) {
      if (text_[at_] == '(') ++depth;
      if (text_[at_] == ')' && --depth == 0) return text_.substr(start, at_++ - start);
    }
    failed_ = true;
    return {};
  }

  long long number() {
    const size_t start = at_;
    while (at_ < text_.size() && (isNameChar(text_[at_]) || text_[at_] == '\'')) ++at_;
    std::string digits;
    for (char c : text_.substr(start, at_ - start))
      if (c != '\'') digits += c;
    while (!digits.empty() && std::string_view("uUlL").find(digits.back()) != std::string::npos)
      digits.pop_back();
    int base = 10;
    size_t i = 0;
    if (digits.size() > 1 && digits[0] == '0') {
      const char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(digits[1])));
      base = kind == 'x' ? 16 : kind == 'b' ? 2 : 8;
      i = base == 8 ? 1 : 2;
    }
    unsigned long long value = 0;
    for (; i < digits.size(); ++i) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(digits[i])));
      const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                        : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                                    : 99;
      if (digit >= base) {
        failed_ = true;
        return 0;
      }
      value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    }
    return static_cast<long long>(value);
  }

  long long characterLiteral() {
    ++at_;  // the quote
    long long value = 0;
    if (at_ < text_.size() && text_[at_] == '\\') {
      ++at_;
      const char escaped = at_ < text_.size() ? text_[at_] : '\0';
      value = escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped == '0' ? 0 : escaped;
    } else if (at_ < text_.size()) {
      value = static_cast<unsigned char>(text_[at_]);
    }
    const size_t close = text_.find('\'', at_ + 1);
    at_ = close == std::string_view::npos ? text_.size() : close + 1;
    return value;
  }

  // ---- Names ----
  long long definedQuery() {
    skipBlanks();
    const bool wrapped = accept("(");
    const std::string macro = name();
    if (wrapped && !accept(")")) failed_ = true;
    if (macro.empty()) failed_ = true;
    return macros_.count(macro) || isJudgeMacro(macro) ? 1 : 0;
  }

  long long includeQuery() {
    std::string_view inside = parenthesised();
    while (!inside.empty() && std::isspace(static_cast<unsigned char>(inside.front())))
      inside.remove_prefix(1);
    while (!inside.empty() && std::isspace(static_cast<unsigned char>(inside.back())))
      inside.remove_suffix(1);
    // "local.h" is a file beside the author's source; the judge has only <...> headers.
    if (inside.size() < 3 || inside.front() != '<' || inside.back() != '>') return 0;
    return judgeHasHeader(inside.substr(1, inside.size() - 2)) ? 1 : 0;
  }

  long long identifier() {
    const std::string word = name();
    if (word == "defined") return definedQuery();
    if (word == "__has_include" || word == "__has_include_next") return includeQuery();
    if (isBuiltinQuery(word)) {
      parenthesised();
      return 1;
    }
    if (word == "true") return 1;
    auto macro = macros_.find(word);
    // A macro being expanded is not expanded again inside itself: it is a plain name, 0.
    if (macro != macros_.end() && !expanding_.count(word)) {
      // A function-like macro stands for nothing that can be evaluated here.
      if (macro->second == "()" || expanding_.size() >= kMaxMacroDepth) {
        parenthesised();
        return 0;
      }
      expanding_.insert(word);
      const long long value = ConditionParser(macro->second, macros_, expanding_).parse();
      expanding_.erase(word);
      return value;
    }
    if (macro != macros_.end()) return 0;
    auto judge = judgeMacros().find(word);
    if (judge != judgeMacros().end()) return judge->second;
    if (word.rfind("__cpp_", 0) == 0) return 201907;  // C++20 features and library features
    // An unknown function-like name (__has_feature of clang) is 0 with its arguments.
    parenthesised();
    return 0;
  }

  // ---- Expressions, by precedence ----
  long long primary(int depth) {
    skipBlanks();
    if (depth > kMaxNesting || at_ >= text_.size()) {
      failed_ = true;
      return 0;
    }
    const char c = text_[at_];
    if (accept("(")) {
      const long long value = conditional(depth + 1);
      if (!accept(")")) failed_ = true;
      return value;
    }
    if (accept("!")) return !unary(depth + 1);
    if (accept("~")) return ~unary(depth + 1);
    if (accept("-")) return -unary(depth + 1);
    if (accept("+")) return unary(depth + 1);
    if (std::isdigit(static_cast<unsigned char>(c))) return number();
    if (c == '\'') return characterLiteral();
    if (isNameStart(c)) return identifier();
    failed_ = true;
    at_ = text_.size();
    return 0;
  }
  long long unary(int depth) { return primary(depth); }

  // Binary operators from the loosest: each level lists its operators.
  long long binary(int level, int depth) {
    static const std::vector<std::vector<std::string_view>> kLevels = {{"||"},
                                                                       {"&&"},
                                                                       {"|"},
                                                                       {"^"},
                                                                       {"&"},
                                                                       {"==", "!="},
                                                                       {"<=", ">=", "<", ">"},
                                                                       {"<<", ">>"},
                                                                       {"+", "-"},
                                                                       {"*", "/", "%"}};
    if (level >= static_cast<int>(kLevels.size())) return unary(depth);
    long long left = binary(level + 1, depth);
    for (int guard = 0; guard < 4096 && !failed_; ++guard) {
      std::string_view matched;
      for (std::string_view op : kLevels[level])
        if (accept(op)) {
          matched = op;
          break;
        }
      if (matched.empty()) break;
      const long long right = binary(level + 1, depth);
      left = apply(matched, left, right);
    }
    return left;
  }

  static long long apply(std::string_view op, long long a, long long b) {
    const auto ua = static_cast<unsigned long long>(a);
    if (op == "||") return a || b;
    if (op == "&&") return a && b;
    if (op == "|") return a | b;
    if (op == "^") return a ^ b;
    if (op == "&") return a & b;
    if (op == "==") return a == b;
    if (op == "!=") return a != b;
    if (op == "<=") return a <= b;
    if (op == ">=") return a >= b;
    if (op == "<") return a < b;
    if (op == ">") return a > b;
    if (op == "<<") return b < 0 || b > 63 ? 0 : static_cast<long long>(ua << b);
    if (op == ">>") return b < 0 || b > 63 ? 0 : a >> b;
    if (op == "+") return static_cast<long long>(ua + static_cast<unsigned long long>(b));
    if (op == "-") return static_cast<long long>(ua - static_cast<unsigned long long>(b));
    if (op == "*") return static_cast<long long>(ua * static_cast<unsigned long long>(b));
    if (b == 0 || (a == INT64_MIN && b == -1)) return 0;
    return op == "/" ? a / b : a % b;
  }

  long long conditional(int depth) {
    const long long test = binary(0, depth + 1);
    if (!accept("?")) return test;
    const long long yes = conditional(depth + 1);
    if (!accept(":")) failed_ = true;
    const long long no = conditional(depth + 1);
    return test ? yes : no;
  }

  std::string_view text_;
  const DefinedMacros& macros_;
  std::set<std::string>& expanding_;  // the macros whose bodies are being read
  size_t at_ = 0;
  bool failed_ = false;
};

std::string firstName(std::string_view rest) {
  size_t i = 0;
  while (i < rest.size() && std::isspace(static_cast<unsigned char>(rest[i]))) ++i;
  size_t end = i;
  while (end < rest.size() && isNameChar(rest[end])) ++end;
  return std::string(rest.substr(i, end - i));
}

}  // namespace

bool isJudgeMacro(std::string_view name) {
  return judgeMacros().count(name) > 0 || name.substr(0, 6) == "__cpp_";
}

long long evaluateCondition(std::string_view expression, const DefinedMacros& macros) {
  std::set<std::string> expanding;
  return ConditionParser(expression, macros, expanding).parse();
}

bool ConditionalBranches::read(std::string_view directive, std::string_view rest,
                               const DefinedMacros& macros) {
  const auto isDefined = [&](std::string_view text) {
    const std::string name = firstName(text);
    return macros.count(name) > 0 || isJudgeMacro(name);
  };
  // Conditions inside a dropped block are not evaluated: their names may be anything.
  if (directive == "if" || directive == "ifdef" || directive == "ifndef") {
    Frame frame;
    frame.parentActive = active();
    if (frame.parentActive) {
      frame.active = directive == "if"      ? evaluateCondition(rest, macros) != 0
                     : directive == "ifdef" ? isDefined(rest)
                                            : !isDefined(rest);
    }
    frame.taken = frame.active;
    frames_.push_back(frame);
    return true;
  }
  if (directive == "elif" || directive == "elifdef" || directive == "elifndef") {
    if (frames_.empty()) return true;
    Frame& frame = frames_.back();
    if (!frame.parentActive || frame.taken) {
      frame.active = false;
    } else {
      frame.active = directive == "elif"      ? evaluateCondition(rest, macros) != 0
                     : directive == "elifdef" ? isDefined(rest)
                                              : !isDefined(rest);
      frame.taken = frame.active;
    }
    return true;
  }
  if (directive == "else") {
    if (frames_.empty()) return true;
    Frame& frame = frames_.back();
    frame.active = frame.parentActive && !frame.taken;
    frame.taken = true;
    return true;
  }
  if (directive == "endif") {
    if (!frames_.empty()) frames_.pop_back();
    return true;
  }
  return false;
}

}  // namespace quorbel
