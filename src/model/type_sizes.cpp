#include "model/type_sizes.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/source_facts.h"
#include "base/text.h"

namespace quorbel {
namespace {

constexpr int kMaxNesting = 16;

struct Scalar {
  std::string_view name;
  double bytes;
};

// Words in a canonical order: "unsigned long long", "long double". x86-64 Linux sizes.
constexpr Scalar kScalars[] = {
    {"bool", 1},
    {"char", 1},
    {"signed char", 1},
    {"unsigned char", 1},
    {"int8_t", 1},
    {"uint8_t", 1},
    {"byte", 1},
    {"short", 2},
    {"short int", 2},
    {"unsigned short", 2},
    {"int16_t", 2},
    {"uint16_t", 2},
    {"int", 4},
    {"signed", 4},
    {"signed int", 4},
    {"unsigned", 4},
    {"unsigned int", 4},
    {"float", 4},
    {"int32_t", 4},
    {"uint32_t", 4},
    {"char32_t", 4},
    {"long", 8},
    {"long int", 8},
    {"unsigned long", 8},
    {"long long", 8},
    {"long long int", 8},
    {"unsigned long long", 8},
    {"signed long long", 8},
    {"double", 8},
    {"int64_t", 8},
    {"uint64_t", 8},
    {"size_t", 8},
    {"ptrdiff_t", 8},
    {"intptr_t", 8},
    {"long double", 16},
    {"__int128", 16},
    {"__int128_t", 16},
    {"unsigned __int128", 16},
};

// Object sizes of containers held as elements (libstdc++ on x86-64).
struct ContainerShape {
  std::string_view name;
  double objectBytes;
  double entryOverhead;  // per stored entry, beyond the element itself
  bool keyValue;
};

constexpr ContainerShape kContainers[] = {
    {"vector", 24, 0, false},
    {"deque", 80, 0, false},
    {"queue", 80, 0, false},
    {"stack", 80, 0, false},
    {"priority_queue", 32, 0, false},
    {"list", 24, 16, false},
    {"set", 48, 32, false},
    {"multiset", 48, 32, false},
    {"map", 48, 32, true},
    {"multimap", 48, 32, true},
    {"unordered_set", 56, 24, false},
    {"unordered_multiset", 56, 24, false},
    {"unordered_map", 56, 24, true},
    {"unordered_multimap", 56, 24, true},
    {"valarray", 16, 0, false},
};

// Drops qualifiers and "std::", and replaces aliased words (a few rounds, for aliases of
// aliases), collapsing white space.
std::string plainType(std::string_view type, const std::map<std::string, std::string>& aliases) {
  std::string text(type);
  for (int round = 0; round < 4; ++round) {
    std::string next;
    size_t at = 0;
    while (at < text.size()) {
      std::string word;
      size_t end = 0;
      if (text.compare(at, 5, "std::") == 0) {
        at += 5;
        continue;
      }
      if (!readIdentifierAt(text, at, word, end)) {
        next += text[at++];
        continue;
      }
      static constexpr std::string_view kDropped[] = {
          "const",  "static",       "constexpr", "volatile", "mutable",
          "inline", "thread_local", "struct",    "typename", "register"};
      const bool dropped =
          std::find(std::begin(kDropped), std::end(kDropped), word) != std::end(kDropped);
      const auto alias = aliases.find(word);
      if (!dropped)
        next += alias != aliases.end() && alias->second != word ? " " + alias->second + " " : word;
      next += ' ';
      at = end;
    }
    if (next == text) break;
    text = std::move(next);
  }
  // Collapse white space, keeping one space between words only.
  std::string collapsed;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!isSpaceByte(text[i])) {
      collapsed += text[i];
      continue;
    }
    const bool wordBefore =
        !collapsed.empty() && isIdentifierPartByte(static_cast<unsigned char>(collapsed.back()));
    size_t j = skipSpaces(text, i);
    const bool wordAfter =
        j < text.size() && isIdentifierPartByte(static_cast<unsigned char>(text[j]));
    if (wordBefore && wordAfter) collapsed += ' ';
    i = j - 1;
  }
  return collapsed;
}

// "pair<int,long long>" gives "pair" and {"int", "long long"}; false without template arguments.
bool splitTemplate(const std::string& type, std::string& name, std::vector<std::string>& args) {
  const size_t open = type.find('<');
  if (open == std::string::npos || type.back() != '>') return false;
  name = trim(std::string_view(type).substr(0, open));
  int depth = 0;
  size_t start = open + 1;
  for (size_t i = open + 1; i + 1 < type.size(); ++i) {
    if (type[i] == '<' || type[i] == '(') ++depth;
    if (type[i] == '>' || type[i] == ')') --depth;
    if (type[i] == ',' && depth == 0) {
      args.push_back(trim(std::string_view(type).substr(start, i - start)));
      start = i + 1;
    }
  }
  args.push_back(trim(std::string_view(type).substr(start, type.size() - 1 - start)));
  return true;
}

const ContainerShape* containerKind(const std::string& name) {
  for (const ContainerShape& kind : kContainers)
    if (kind.name == name) return &kind;
  return nullptr;
}

double roundUp(double value, double alignment) {
  return alignment <= 0 ? value : std::ceil(value / alignment) * alignment;
}

TypeSize sizeOfPlain(const std::string& type, const std::map<std::string, double>& constants,
                     int depth);

// pair and tuple: members laid out in order with padding.
TypeSize sizeOfRecord(const std::vector<std::string>& members,
                      const std::map<std::string, double>& constants, int depth) {
  TypeSize record{0, 1, true};
  for (const std::string& member : members) {
    const TypeSize size = sizeOfPlain(member, constants, depth + 1);
    record.bytes = roundUp(record.bytes, size.alignment) + size.bytes;
    record.alignment = std::max(record.alignment, size.alignment);
    record.known = record.known && size.known;
  }
  record.bytes = roundUp(record.bytes, record.alignment);
  return record;
}

double constantValue(const std::string& text, const std::map<std::string, double>& constants) {
  double value = -1;
  const auto lookup = [&](const std::string& name, double& found) {
    const auto known = constants.find(name);
    if (known == constants.end()) return false;
    found = known->second;
    return true;
  };
  if (!evaluateConstantExpression(text, lookup, value)) return -1;
  return value;
}

TypeSize sizeOfPlain(const std::string& type, const std::map<std::string, double>& constants,
                     int depth) {
  if (depth > kMaxNesting || type.empty()) return {};
  if (type.back() == '*' || type.back() == '&') return {8, 8, true};
  for (const Scalar& scalar : kScalars)
    if (scalar.name == type) return {scalar.bytes, std::min(scalar.bytes, 16.0), true};
  if (type == "string" || type == "wstring") return {32, 8, true};
  std::string name;
  std::vector<std::string> args;
  if (!splitTemplate(type, name, args)) return {};
  if (name == "pair" || name == "tuple") return sizeOfRecord(args, constants, depth);
  if (name == "array" && args.size() == 2) {
    const TypeSize element = sizeOfPlain(args[0], constants, depth + 1);
    const double count = constantValue(args[1], constants);
    if (count < 0) return {};
    return {element.bytes * count, element.alignment, element.known};
  }
  if (name == "bitset" && args.size() == 1) {
    const double bits = constantValue(args[0], constants);
    if (bits < 0) return {};
    return {std::max(8.0, std::ceil(bits / 64) * 8), 8, true};
  }
  if (name == "basic_string") return {32, 8, true};
  if (const ContainerShape* kind = containerKind(name)) return {kind->objectBytes, 8, true};
  return {};
}

}  // namespace

TypeSize sizeOfType(std::string_view type, const std::map<std::string, std::string>& aliases,
                    const std::map<std::string, double>& constants) {
  return sizeOfPlain(plainType(type, aliases), constants, 0);
}

ContainerInfo describeContainer(std::string_view type,
                                const std::map<std::string, std::string>& aliases) {
  const std::string plain = plainType(type, aliases);
  if (plain == "string" || plain == "wstring") return {true, "char", 0};
  std::string name;
  std::vector<std::string> args;
  if (!splitTemplate(plain, name, args)) return {};
  if (name == "basic_string") return {true, args[0], 0};
  const ContainerShape* kind = containerKind(name);
  if (kind == nullptr) return {};
  if (kind->keyValue && args.size() >= 2)
    return {true, "pair<" + args[0] + "," + args[1] + ">", kind->entryOverhead};
  return {true, args[0], kind->entryOverhead};
}

}  // namespace quorbel
