#include "syntax/preprocess.h"

#include <cctype>
#include <map>
#include <set>
#include <vector>

#include "base/analysis_bounds.h"
#include "base/regex.h"
#include "syntax/conditionals.h"
#include "syntax/grammar_gaps.h"
#include "syntax/source_scan.h"

namespace quorbel {
namespace {

struct Macro {
  bool functionLike = false;
  std::vector<std::string> parameters;
  std::string body;
};

using MacroTable = std::map<std::string, Macro>;

// Nested expansion deeper than this only comes from self-feeding macro sets.
constexpr int kMaxDepth = 24;

std::string trimmed(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return std::string(text.substr(begin, end - begin));
}

// A body made of numbers, arithmetic and names of other numeric macros.
bool isNumericBody(const std::string& body, const std::set<std::string>& numericNames) {
  if (body.empty()) return false;
  bool sawDigit = false;
  for (size_t i = 0; i < body.size();) {
    const char c = body[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      sawDigit = true;
      while (i < body.size() && (std::isalnum(static_cast<unsigned char>(body[i])) ||
                                 body[i] == '.' || body[i] == '\''))
        ++i;
    } else if (isIdentifierStart(c)) {
      size_t end = i;
      while (end < body.size() && isIdentifierChar(body[end])) ++end;
      const std::string word = body.substr(i, end - i);
      // (int)(2 * 1e5), (long long)1e6: a cast keeps the number a number
      static const std::set<std::string, std::less<>> kCastWords = {
          "int", "long", "unsigned", "signed", "short", "size_t", "int64_t", "uint64_t"};
      if (kCastWords.count(word)) {
        i = end;
        continue;
      }
      if (!numericNames.count(word)) return false;
      sawDigit = true;
      i = end;
    } else if (std::string_view("+-*/%()<> \t").find(c) != std::string_view::npos) {
      ++i;
    } else {
      return false;
    }
  }
  return sawDigit;
}

// The identifier a text ends with, trailing blanks aside; empty when it ends otherwise.
std::string trailingName(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  size_t start = end;
  while (start > 0 && isIdentifierChar(text[start - 1])) --start;
  if (start == end || !isIdentifierStart(text[start])) return {};
  return std::string(text.substr(start, end - start));
}

class Expander {
 public:
  Expander(const MacroTable& macros, size_t budget) : macros_(macros), budget_(budget) {}

  std::string expand(std::string_view text, std::set<std::string>& hidden, int depth) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
      const char c = text[i];
      if (c == '"' || c == '\'') {
        const size_t end = skipLiteral(text, i);
        out.append(text.substr(i, end - i));
        i = end;
      } else if (commentStartsAt(text, i)) {
        const size_t end = skipComment(text, i);
        out.append(text.substr(i, end - i));
        i = end;
      } else if (isIdentifierStart(c)) {
        size_t end = i;
        while (end < text.size() && isIdentifierChar(text[end])) ++end;
        const std::string name(text.substr(i, end - i));
        i = end;
        auto found = macros_.find(name);
        if (found == macros_.end() || hidden.count(name) || depth >= kMaxDepth || used_ > budget_) {
          out += name;
          continue;
        }
        const Macro& macro = found->second;
        std::string replacement;
        int lineBreaks = 0;
        if (macro.functionLike) {
          std::vector<std::string> arguments;
          size_t after = i;
          if (!readArguments(text, after, arguments, lineBreaks)) {
            out += name;
            continue;
          }
          i = after;
          replacement = substitute(macro, arguments);
        } else {
          replacement = macro.body;
        }
        hidden.insert(name);
        std::string expanded = expand(replacement, hidden, depth + 1);
        hidden.erase(name);
        // The result is rescanned with the text after it: FOR(i, n) may expand to the name of
        // another macro, FOR2, whose arguments are the source's `(i, n)` that follows.
        for (int guard = 0; guard < kMaxDepth && used_ <= budget_; ++guard) {
          const std::string tail = trailingName(expanded);
          auto next = macros_.find(tail);
          size_t after = i;
          std::vector<std::string> unused;
          if (tail.empty() || next == macros_.end() || !next->second.functionLike ||
              hidden.count(tail) || !readArguments(text, after, unused, lineBreaks))
            break;
          expanded.erase(expanded.rfind(tail));
          expanded += expand(tail + std::string(text.substr(i, after - i)), hidden, depth + 1);
          i = after;
        }
        used_ += expanded.size();
        out += " " + expanded + " ";
        out.append(lineBreaks, '\n');
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        size_t end = i;
        while (end < text.size() && (isIdentifierChar(text[end]) || text[end] == '.')) ++end;
        out.append(text.substr(i, end - i));
        i = end;
      } else {
        out += c;
        ++i;
      }
    }
    return out;
  }

 private:
  // Reads "(a, b(c, d), e)" after optional blanks; false when no call follows.
  static bool readArguments(std::string_view text, size_t& i, std::vector<std::string>& arguments,
                            int& lineBreaks) {
    size_t j = i;
    while (j < text.size() && std::isspace(static_cast<unsigned char>(text[j]))) ++j;
    if (j >= text.size() || text[j] != '(') return false;
    int depth = 0;
    std::string current;
    for (; j < text.size(); ++j) {
      const char c = text[j];
      if (c == '\n') ++lineBreaks;
      if (c == '"' || c == '\'') {
        const size_t end = skipLiteral(text, j);
        current.append(text.substr(j, end - j));
        j = end - 1;
        continue;
      }
      if (c == '(' || c == '[' || c == '{') {
        if (depth++ == 0 && c == '(') continue;
      } else if (c == ')' || c == ']' || c == '}') {
        if (--depth == 0 && c == ')') {
          arguments.push_back(trimmed(current));
          i = j + 1;
          return true;
        }
      } else if (c == ',' && depth == 1) {
        arguments.push_back(trimmed(current));
        current.clear();
        continue;
      }
      current += c == '\n' ? ' ' : c;
    }
    return false;
  }

  static std::string substitute(const Macro& macro, const std::vector<std::string>& arguments) {
    std::string out;
    const std::string& body = macro.body;
    for (size_t i = 0; i < body.size();) {
      // A parameter's name inside a literal is text ("%s" with a parameter s stays "%s").
      if (body[i] == '"' || body[i] == '\'') {
        const size_t end = skipLiteral(body, i);
        out.append(body, i, end - i);
        i = end;
        continue;
      }
      if (body.compare(i, 2, "##") == 0) {
        while (!out.empty() && out.back() == ' ') out.pop_back();
        i += 2;
        while (i < body.size() && body[i] == ' ') ++i;
        continue;
      }
      const bool stringify = body[i] == '#';
      size_t start = stringify ? i + 1 : i;
      while (stringify && start < body.size() && body[start] == ' ') ++start;
      if (start < body.size() && isIdentifierStart(body[start])) {
        size_t end = start;
        while (end < body.size() && isIdentifierChar(body[end])) ++end;
        const std::string word = body.substr(start, end - start);
        std::string value = word;
        bool isParameter = false;
        for (size_t p = 0; p < macro.parameters.size(); ++p)
          if (macro.parameters[p] == word) {
            value = p < arguments.size() ? arguments[p] : "";
            isParameter = true;
          }
        if (word == "__VA_ARGS__") {
          value.clear();
          for (size_t p = macro.parameters.size(); p < arguments.size(); ++p)
            value += (value.empty() ? "" : ", ") + arguments[p];
          isParameter = true;
        }
        out += stringify && isParameter ? "\"" + value + "\"" : (stringify ? "#" : "") + value;
        i = end;
      } else {
        out += body[i++];
      }
    }
    return out;
  }

  const MacroTable& macros_;
  size_t budget_;
  size_t used_ = 0;
};

// Reads "#define NAME(params) body" (the text after "define").
std::pair<std::string, Macro> parseDefine(std::string_view rest) {
  size_t i = 0;
  while (i < rest.size() && std::isspace(static_cast<unsigned char>(rest[i]))) ++i;
  size_t end = i;
  while (end < rest.size() && isIdentifierChar(rest[end])) ++end;
  std::string name(rest.substr(i, end - i));
  Macro macro;
  i = end;
  if (i < rest.size() && rest[i] == '(') {
    macro.functionLike = true;
    const size_t close = rest.find(')', i);
    if (close == std::string_view::npos) return {"", {}};
    std::string current;
    for (size_t k = i + 1; k < close; ++k) {
      if (rest[k] == ',') {
        macro.parameters.push_back(trimmed(current));
        current.clear();
      } else {
        current += rest[k];
      }
    }
    if (!trimmed(current).empty()) macro.parameters.push_back(trimmed(current));
    if (!macro.parameters.empty() && macro.parameters.back() == "...") macro.parameters.pop_back();
    i = close + 1;
  }
  // A comment after the body is not part of it: `#define INF 1e9 // big` expands to 1e9 alone,
  // not to a comment that swallows the rest of every line it is used on.
  macro.body = trimmed(withoutComments(rest.substr(i)));
  return {name, macro};
}

// The directive word after '#', or empty.
std::string_view directiveOf(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i >= line.size() || line[i] != '#') return {};
  ++i;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  size_t end = i;
  while (end < line.size() && std::isalpha(static_cast<unsigned char>(line[end]))) ++end;
  return line.substr(i, end - i);
}

// The identifier at the start of `text`, blanks aside.
std::string firstWordOf(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  size_t end = i;
  while (end < text.size() && isIdentifierChar(text[end])) ++end;
  return std::string(text.substr(i, end - i));
}

// Loop headers that macros leave in shapes the parser misreads, rewritten in place on the same
// line:  for (__typeof(b) i = a; ...)  becomes  for (decltype(b) i = a; ...), and
//        for (ll (i) = (s); ...)       becomes  for (ll i = (s); ...)
// (with ll an alias, `ll (i) = s` would otherwise read as a call assigned to).
std::string plainLoopHeaders(const std::string& text) {
  static const char* const kForms[] = {
      "\\b(__typeof__|__typeof|typeof)\\s*\\(",
      "for\\s*\\(\\s*[A-Za-z_][A-Za-z_0-9:<>, ]*?\\s*(\\(\\s*[A-Za-z_][A-Za-z_0-9]*\\s*\\))\\s*=",
  };
  std::string out = text;
  for (int form = 0; form < 2; ++form) {
    const std::vector<RegexMatch> matches = findAllRegex(out, kForms[form]);
    if (matches.empty()) continue;
    std::string rewritten;
    size_t copied = 0;
    for (const RegexMatch& match : matches) {
      if (match.groups.size() < 2 || match.groups[1].empty()) continue;
      const size_t group = out.find(match.groups[1], match.position);
      if (group == std::string::npos || group < copied) continue;
      rewritten.append(out, copied, group - copied);
      if (form == 0) {
        rewritten += "decltype";
      } else {
        // (i) -> i, padded with spaces so the columns after it stay where they were.
        std::string inner = match.groups[1].substr(1, match.groups[1].size() - 2);
        rewritten += " " + inner + " ";
      }
      copied = group + match.groups[1].size();
    }
    rewritten.append(out, copied, std::string::npos);
    out = rewritten;
  }
  return out;
}

}  // namespace

std::string expandMacros(std::string_view source) {
  // Split into logical lines: a backslash at the end of a line continues it.
  std::vector<std::string> lines;
  std::vector<int> spans;  // physical lines per logical line
  std::string current;
  int span = 1;
  for (size_t i = 0; i <= source.size(); ++i) {
    // A carriage return alone ends a line too, as old Mac files and the compilers have it.
    const bool lineEnds = i == source.size() || source[i] == '\n' ||
                          (source[i] == '\r' && (i + 1 == source.size() || source[i + 1] != '\n'));
    if (lineEnds) {
      if (!current.empty() && current.back() == '\r') current.pop_back();
      if (i < source.size() && !current.empty() && current.back() == '\\') {
        current.back() = ' ';
        ++span;
        continue;
      }
      lines.push_back(current);
      spans.push_back(span);
      current.clear();
      span = 1;
    } else {
      current += source[i];
    }
  }

  MacroTable macros;
  std::set<std::string> numericNames;
  // What the conditions see: every macro defined so far on the compiled lines.
  DefinedMacros defined;
  ConditionalBranches branches;
  std::string text;
  // A block comment opened on a directive's line and closed lines later: the directive's line
  // is blanked with its opening, so the comment's lines must go too.
  bool directiveCommentOpen = false;
  for (size_t k = 0; k < lines.size(); ++k) {
    std::string line = lines[k];
    if (directiveCommentOpen) {
      const size_t close = line.find("*/");
      if (close == std::string::npos)
        line.clear();
      else
        line = std::string(close + 2, ' ') + line.substr(close + 2);
      directiveCommentOpen = close == std::string::npos;
    }
    const std::string_view directive = directiveOf(line);
    std::string kept = line;
    const size_t wordEnd = directive.empty() ? 0 : line.find(directive) + directive.size();
    if (!directive.empty() &&
        branches.read(directive, std::string_view(line).substr(wordEnd), defined)) {
      // The directive itself is not code; its line stays, blank.
      kept.clear();
    } else if (!branches.active()) {
      // A branch the judge's compiler drops: its lines stay, blank, so lines keep their numbers.
      kept.clear();
    } else if (directive == "define") {
      const size_t at = line.find("define");
      auto [name, macro] = parseDefine(std::string_view(line).substr(at + 6));
      kept.clear();
      if (!name.empty()) defined[name] = macro.functionLike ? "()" : macro.body;
      if (!name.empty()) {
        if (!macro.functionLike && isNumericBody(macro.body, numericNames)) {
          numericNames.insert(name);
          kept = "const long long " + name + " = " + macro.body + ";";
        } else {
          macros[name] = macro;
        }
      }
    } else if (directive == "undef") {
      defined.erase(firstWordOf(std::string_view(line).substr(line.find("undef") + 5)));
      kept.clear();
    }
    if (!directive.empty() && kept != line) directiveCommentOpen = leavesCommentOpen(line);
    text += kept;
    text.append(static_cast<size_t>(spans[k]), '\n');
  }
  if (!text.empty()) text.pop_back();  // the split added one break after the last line
  if (macros.empty()) return bridgeGrammarGaps(plainLoopHeaders(text));
  Expander expander(macros, 4 * source.size() + (1u << 20));
  std::set<std::string> hidden;
  std::string expanded = expander.expand(text, hidden, 0);
  // Inside a bounded analysis the expanded text has a ceiling of its own: a few bytes of
  // macros that multiply each other would otherwise hand the parser megabytes of tokens.
  if (expanded.size() > expandedTextCeiling()) stopAnalysis("expanded text");
  return bridgeGrammarGaps(plainLoopHeaders(expanded));
}

}  // namespace quorbel
