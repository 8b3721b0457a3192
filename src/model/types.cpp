// Reads a type from its spelling:
//   typedef vector<int> vi;  vi adj[N];               an alias, expanded
//   std::vector< std::vector<int> > g;                 qualifiers and spaces removed
//   template <class T> using V = vector<T>;  V<V<int>>  a template alias, its argument substituted
//   tree<int, null_type, less<int>, rb_tree_tag, ...>  an order-statistics tree: ordered
// The kind is the outermost template's, never a substring of the whole: `pair<int, set<int>>` is
// a scalar, `vector<pair<int, int>>` a sequence.
#include "model/types.h"

#include <algorithm>
#include <cctype>

namespace quorbel {
namespace {

// Aliases of aliases resolve within this many rounds; a longer chain is a cycle.
constexpr int kExpansionRounds = 8;
// A type spelt longer than this after expansion is left as it is: it only grows from here.
constexpr size_t kLongestType = 600;

// ASCII letters, digits and '_' (std::isalnum in the "C" locale the program keeps, without the
// call per character).
bool isWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The outermost name of a normalised type: "vector" of "vector<int>", "long long" of itself.
std::string_view outerName(std::string_view normalised) {
  size_t end = 0;
  while (end < normalised.size() && (isWordChar(normalised[end]) || normalised[end] == ' ')) ++end;
  while (end > 0 && normalised[end - 1] == ' ') --end;
  return normalised.substr(0, end);
}

// Index just past the `>` matching the `<` at `open`, or npos.
size_t closingAngle(std::string_view text, size_t open) {
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    if (text[i] == '<' || text[i] == '(') ++depth;
    if (text[i] == '>' || text[i] == ')') {
      if (--depth == 0) return i + 1;
    }
  }
  return std::string_view::npos;
}

// Top-level comma-separated pieces of `text` (inside no brackets).
std::vector<std::string> splitTopLevel(std::string_view text) {
  std::vector<std::string> pieces;
  int depth = 0;
  std::string current;
  for (char c : text) {
    if (c == '<' || c == '(' || c == '[') ++depth;
    if (c == '>' || c == ')' || c == ']') --depth;
    if (c == ',' && depth == 0) {
      pieces.push_back(current);
      current.clear();
      continue;
    }
    current += c;
  }
  if (!current.empty()) pieces.push_back(current);
  return pieces;
}

// Replaces each whole-word occurrence of the parameters by the arguments.
std::string substituteWords(const std::string& text, const std::vector<std::string>& from,
                            const std::vector<std::string>& to) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (!isWordChar(text[i])) {
      out += text[i++];
      continue;
    }
    size_t end = i;
    while (end < text.size() && isWordChar(text[end])) ++end;
    const std::string word = text.substr(i, end - i);
    bool replaced = false;
    for (size_t k = 0; k < from.size() && k < to.size(); ++k)
      if (word == from[k]) {
        out += to[k];
        replaced = true;
        break;
      }
    if (!replaced) out += word;
    i = end;
  }
  return out;
}

// One round of alias expansion; true when something changed.
bool expandOnce(std::string& text, const TypeAliases& aliases) {
  std::string out;
  bool changed = false;
  for (size_t i = 0; i < text.size();) {
    if (!isWordChar(text[i]) || (i > 0 && isWordChar(text[i - 1]))) {
      out += text[i++];
      continue;
    }
    size_t end = i;
    while (end < text.size() && isWordChar(text[end])) ++end;
    const std::string word = text.substr(i, end - i);
    auto alias = aliases.find(word);
    if (alias == aliases.end() || alias->second.meaning.empty()) {
      out += word;
      i = end;
      continue;
    }
    changed = true;
    const TypeAlias& meaning = alias->second;
    if (!meaning.parameters.empty() && end < text.size() && text[end] == '<') {
      const size_t close = closingAngle(text, end);
      if (close != std::string::npos) {
        const auto arguments =
            splitTopLevel(std::string_view(text).substr(end + 1, close - end - 2));
        out += substituteWords(meaning.meaning, meaning.parameters, arguments);
        i = close;
        continue;
      }
    }
    out += meaning.meaning;
    i = end;
  }
  text = out;
  return changed;
}

// Drops qualifiers that do not change what is stored, and spaces except between two words.
std::string strip(std::string_view spelling) {
  std::string words;
  for (size_t i = 0; i < spelling.size();) {
    if (!isWordChar(spelling[i])) {
      const char c = spelling[i++];
      if (c == '&') continue;
      if (std::isspace(static_cast<unsigned char>(c))) {
        if (!words.empty() && words.back() != ' ') words += ' ';
        continue;
      }
      if (!words.empty() && words.back() == ' ') words.pop_back();
      words += c;
      continue;
    }
    size_t end = i;
    while (end < spelling.size() && isWordChar(spelling[end])) ++end;
    const std::string_view word = spelling.substr(i, end - i);
    // std::vector, __gnu_pbds::tree: the namespace is dropped, the name kept.
    const bool qualifier = spelling.substr(end, 2) == "::";
    i = qualifier ? end + 2 : end;
    if (qualifier || word == "const" || word == "static" || word == "volatile" ||
        word == "mutable" || word == "constexpr" || word == "inline" || word == "register" ||
        word == "typename" || word == "struct" || word == "class" || word == "thread_local")
      continue;
    if (!words.empty() && words.back() == ' ' &&
        (words.size() < 2 || !isWordChar(words[words.size() - 2])))
      words.pop_back();
    words += word;
  }
  // Spaces survive only between two words: "long long", not "vector<int> ".
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == ' ' && (out.empty() || !isWordChar(out.back()) || i + 1 >= words.size() ||
                            !isWordChar(words[i + 1])))
      continue;
    out += words[i];
  }
  return out;
}

}  // namespace

std::string normaliseType(std::string_view spelling, const TypeAliases& aliases) {
  std::string type = strip(spelling);
  for (int round = 0; round < kExpansionRounds && type.size() < kLongestType; ++round) {
    if (!expandOnce(type, aliases)) break;
    type = strip(type);
  }
  return type;
}

std::string templateName(std::string_view normalised) { return std::string(outerName(normalised)); }

std::vector<std::string> templateArguments(std::string_view normalised) {
  const size_t open = normalised.find('<');
  if (open == std::string_view::npos) return {};
  const size_t close = closingAngle(normalised, open);
  if (close == std::string_view::npos) return {};
  return splitTopLevel(normalised.substr(open + 1, close - open - 2));
}

ContainerKind kindOfType(std::string_view normalised) {
  // A pointer stores one address, whatever it points to.
  if (!normalised.empty() && normalised.back() == '*') return ContainerKind::kScalar;
  const std::string_view name = outerName(normalised);
  if (name == "priority_queue") return ContainerKind::kHeap;
  if (name.substr(0, 10) == "unordered_" || name == "gp_hash_table" || name == "cc_hash_table")
    return ContainerKind::kHashed;
  if (name == "set" || name == "map" || name == "multiset" || name == "multimap" || name == "tree")
    return ContainerKind::kOrdered;
  if (name == "bitset") return ContainerKind::kBitset;
  if (name == "vector" || name == "deque" || name == "list" || name == "forward_list" ||
      name == "valarray")
    return ContainerKind::kVector;
  if (name == "array") return ContainerKind::kArray;
  if (name == "queue" || name == "stack") return ContainerKind::kQueue;
  if (name == "string" || name == "wstring" || name == "basic_string")
    return ContainerKind::kString;
  return ContainerKind::kScalar;
}

bool addsAnEntry(std::string_view member) {
  static constexpr std::string_view kMembers[] = {
      "push_back",   "emplace_back",     "push_front",   "emplace_front",
      "push",        "emplace",          "insert",       "emplace_hint",
      "try_emplace", "insert_or_assign", "insert_after", "emplace_after"};
  return std::find(std::begin(kMembers), std::end(kMembers), member) != std::end(kMembers);
}

bool isNestedType(std::string_view normalised) {
  const ContainerKind outer = kindOfType(normalised);
  // map<int, vector<int>>: a list per key, as a vector of lists holds one per slot
  const bool keyed = outer == ContainerKind::kOrdered || outer == ContainerKind::kHashed;
  if (outer != ContainerKind::kVector && outer != ContainerKind::kArray && !keyed) return false;
  const std::vector<std::string> arguments = templateArguments(normalised);
  if (arguments.size() < (keyed ? 2u : 1u)) return false;
  const ContainerKind inner = kindOfType(keyed ? arguments[1] : arguments.front());
  // Rows of a fixed array or a string are items of their own, not lists to walk.
  return inner == ContainerKind::kVector || inner == ContainerKind::kOrdered ||
         inner == ContainerKind::kHashed || inner == ContainerKind::kQueue ||
         inner == ContainerKind::kHeap;
}

int bytesOfType(std::string_view normalised) {
  const auto has = [&](std::string_view word) {
    return normalised.find(word) != std::string_view::npos;
  };
  if (has("pair") || has("long") || has("double") || has("int64") || has("ll")) return 8;
  if (has("bool") || has("char")) return 1;
  return 4;
}

}  // namespace quorbel
