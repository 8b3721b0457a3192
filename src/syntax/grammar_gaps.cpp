#include "syntax/grammar_gaps.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "syntax/source_scan.h"

namespace quorbel {
namespace {

struct Insertion {
  size_t at;
  char byte;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A parenthesis that groups an expression, not one that calls, declares or heads a statement:
// after an operator, an opening bracket, or a keyword that takes an expression.
bool opensExpression(std::string_view text, size_t open) {
  size_t before = open;
  while (before > 0 && isBlank(text[before - 1])) --before;
  if (before == 0) return false;
  const char previous = text[before - 1];
  if (isIdentifierChar(previous)) {
    const std::string word = previousIdentifierBefore(text, open);
    return word == "return" || word == "throw" || word == "case" || word == "co_return";
  }
  return std::string_view("(,=?:!~+-*/%&|^<[{;").find(previous) != std::string_view::npos;
}

// Whether `text[at]` is '=' of an assignment (=, +=, <<=, ...) rather than of ==, !=, <=, >=.
bool isAssignmentAt(std::string_view text, size_t at) {
  if (at + 1 < text.size() && text[at + 1] == '=') return false;
  if (at == 0) return false;
  const char before = text[at - 1];
  if (before == '=' || before == '!') return false;
  if (before == '<' || before == '>') return at >= 2 && text[at - 2] == before;
  return true;
}

// One bracket group open at the scan's position; for a parenthesised expression, what its
// first operand holds so far.
struct Group {
  char opener;
  bool watched;  // a parenthesised expression whose first comma is still ahead
  size_t firstByte;
  bool assigns = false;
  int angles = 0;
};

// Reads the byte at `i` as part of the innermost group: an assignment or an angle bracket of
// its first operand, or the comma that ends it (then returns true: the operand is complete).
bool endsAssigningOperand(std::string_view text, size_t i, Group& group) {
  const char c = text[i];
  if (c == ',') {
    group.watched = false;
    return group.assigns && group.angles <= 0;
  }
  if (c == ';') group.watched = false;
  if (c == '=' && isAssignmentAt(text, i)) group.assigns = true;
  const bool doubled = (i + 1 < text.size() && text[i + 1] == c) || (i > 0 && text[i - 1] == c);
  const bool comparesOrEquals = i + 1 < text.size() && text[i + 1] == '=';
  if (c == '<' && !doubled && !comparesOrEquals) ++group.angles;
  if (c == '>' && !doubled && !comparesOrEquals && text[i - 1] != '-') --group.angles;
  return false;
}

// After the word `new` at `at`: the stars of `new T *[n]`, to be blanked; empty otherwise.
std::vector<size_t> starsOfPointerArray(std::string_view text, size_t at) {
  size_t i = at + 3;
  while (i < text.size() && isBlank(text[i])) ++i;
  const size_t typeStart = i;
  int angles = 0;
  // A type's spelling is short; the bound keeps a run of `new` words linear.
  const size_t end = std::min(text.size(), typeStart + 256);
  while (i < end) {
    const char c = text[i];
    if (isIdentifierChar(c) || c == ':' || isBlank(c)) {
      ++i;
    } else if (c == '<') {
      ++angles, ++i;
    } else if (c == '>' && angles > 0) {
      --angles, ++i;
    } else if (c == ',' && angles > 0) {
      ++i;
    } else {
      break;
    }
  }
  std::vector<size_t> stars;
  if (i == typeStart || angles != 0) return stars;
  while (i < text.size() && (text[i] == '*' || isBlank(text[i]))) {
    if (text[i] == '*') stars.push_back(i);
    ++i;
  }
  if (i >= text.size() || text[i] != '[') stars.clear();
  return stars;
}

// `T* = nullptr`: an unnamed pointer parameter with a default, as templates constrained with
// enable_if declare one. A blank between the star and the '=' rules out the `*=` operator.
bool unnamedPointerDefaultAt(std::string_view text, size_t star) {
  size_t i = star + 1;
  if (i >= text.size() || !isBlank(text[i])) return false;
  while (i < text.size() && isBlank(text[i])) ++i;
  return i + 1 < text.size() && text[i] == '=' && text[i + 1] != '=';
}

// `case 'a' ... 'z':`, the compilers' range of labels: only its first value is kept, which is
// all a reading of the program's cost needs. Blanked in place, up to the label's colon.
void blankCaseRange(std::string_view text, size_t from, std::string& out) {
  size_t dots = std::string_view::npos;
  // A label is short; the bound keeps a run of `case` words without colons linear.
  const size_t end = std::min(text.size(), from + 256);
  for (size_t i = from; i < end; ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      i = skipLiteral(text, i) - 1;
    } else if (c == ';' || c == '{' || c == '}') {
      return;
    } else if (c == ':' && i + 1 < text.size() && text[i + 1] == ':') {
      ++i;
    } else if (c == ':') {
      if (dots != std::string_view::npos) std::fill(out.begin() + dots, out.begin() + i, ' ');
      return;
    } else if (dots == std::string_view::npos && text.compare(i, 3, "...") == 0) {
      dots = i;
    }
  }
}

// A conditional whose `?` has been read and whose `:` is still ahead, at a bracket depth: a
// middle operand with a comma (`a < b ? a = b, 1 : 0`, legal C++) is read by the grammar as the
// end of the conditional. It is put in parentheses, its own assigning first operand too.
struct OpenConditional {
  size_t depth;
  size_t middle;
  size_t firstComma = std::string_view::npos;
  bool assignsFirst = false;
};

// Reads the byte at `i` for the innermost open conditional at this depth; true when the byte
// was its comma, which no other rule may read.
bool readsConditional(std::string_view text, size_t i, size_t depth,
                      std::vector<OpenConditional>& open, std::vector<Insertion>& insertions) {
  if (open.empty() || open.back().depth != depth) return false;
  OpenConditional& conditional = open.back();
  const char c = text[i];
  if (c == '=' && conditional.firstComma == std::string_view::npos && isAssignmentAt(text, i))
    conditional.assignsFirst = true;
  if (c == ',') {
    if (conditional.firstComma == std::string_view::npos) conditional.firstComma = i;
    return true;
  }
  const bool scope = (i + 1 < text.size() && text[i + 1] == ':') || (i > 0 && text[i - 1] == ':');
  if (c == ':' && !scope) {
    if (conditional.firstComma != std::string_view::npos) {
      insertions.push_back({conditional.middle, '('});
      if (conditional.assignsFirst) {
        insertions.push_back({conditional.middle, '('});
        insertions.push_back({conditional.firstComma, ')'});
      }
      size_t end = i;
      while (end > conditional.middle && isBlank(text[end - 1])) --end;
      insertions.push_back({end, ')'});
    }
    open.pop_back();
  }
  return false;
}

}  // namespace

std::string bridgeGrammarGaps(const std::string& text) {
  const std::string_view view(text);
  std::vector<Insertion> insertions;
  std::vector<Group> groups;
  std::vector<OpenConditional> conditionals;
  std::string out = text;
  for (size_t i = 0; i < view.size();) {
    const char c = view[i];
    if (c == '"' || c == '\'') {
      i = skipLiteral(view, i);
      continue;
    }
    if (commentStartsAt(view, i)) {
      i = skipComment(view, i);
      continue;
    }
    if (c == ';' || c == '{' || c == '}') {
      while (!conditionals.empty() && conditionals.back().depth >= groups.size())
        conditionals.pop_back();
    }
    if (c == '?') {
      size_t middle = i + 1;
      while (middle < view.size() && isBlank(view[middle])) ++middle;
      conditionals.push_back({groups.size(), middle});
    }
    if (c == '(' || c == '[' || c == '{') {
      Group group{c, c == '(' && opensExpression(view, i), i + 1};
      while (group.firstByte < view.size() && isBlank(view[group.firstByte])) ++group.firstByte;
      groups.push_back(group);
    } else if (c == ')' || c == ']' || c == '}') {
      if (!groups.empty()) groups.pop_back();
      while (!conditionals.empty() && conditionals.back().depth > groups.size())
        conditionals.pop_back();
    } else if (c != '?' && readsConditional(view, i, groups.size(), conditionals, insertions)) {
      // the middle operand's comma: the conditional's, not the group's
    } else if (!groups.empty() && groups.back().watched &&
               endsAssigningOperand(view, i, groups.back())) {
      insertions.push_back({groups.back().firstByte, '('});
      insertions.push_back({i, ')'});
    }
    if (c == 'c' && view.compare(i, 4, "case") == 0 && (i == 0 || !isIdentifierChar(view[i - 1])))
      blankCaseRange(view, i + 4, out);
    if (c == '*' && unnamedPointerDefaultAt(view, i)) insertions.push_back({i + 1, '_'});
    if (c == 'n' && view.compare(i, 3, "new") == 0 && (i == 0 || !isIdentifierChar(view[i - 1])) &&
        (i + 3 >= view.size() || !isIdentifierChar(view[i + 3]))) {
      for (size_t star : starsOfPointerArray(view, i)) out[star] = ' ';
    }
    if (isIdentifierStart(c)) {
      while (i < view.size() && isIdentifierChar(view[i])) ++i;
      continue;
    }
    ++i;
  }
  if (insertions.empty()) return out;
  // Found in order of their operands' ends; the openings belong before earlier bytes.
  std::stable_sort(insertions.begin(), insertions.end(),
                   [](const Insertion& a, const Insertion& b) { return a.at < b.at; });
  std::string bridged;
  bridged.reserve(out.size() + insertions.size());
  size_t copied = 0;
  for (const Insertion& insertion : insertions) {
    bridged.append(out, copied, insertion.at - copied);
    bridged += insertion.byte;
    copied = insertion.at;
  }
  bridged.append(out, copied, std::string::npos);
  return bridged;
}

}  // namespace quorbel
