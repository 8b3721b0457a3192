// Types read from their spelling, once normalised: `std::vector< std::vector<int> >`,
// `vector<vector<int>>` and a typedef'd `Bucket` all name the same thing.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.h"

namespace quorbel {

// What an alias stands for (typedef, using, a macro's expansion), normalised; a template alias
// (`template <class T> using V = vector<T>;`) also lists its parameters.
struct TypeAlias {
  std::string meaning;
  std::vector<std::string> parameters;
};
using TypeAliases = std::map<std::string, TypeAlias>;

// The spelling with `std::`, `const`, `static`, references and white space removed and every
// alias expanded (repeatedly, so an alias of an alias resolves): "vector<vector<int>>".
std::string normaliseType(std::string_view spelling, const TypeAliases& aliases);
// The outermost template's name and its top-level arguments: "map" and {"int", "vector<int>"}
// for "map<int,vector<int>>"; a type without arguments has none.
std::string templateName(std::string_view normalised);
std::vector<std::string> templateArguments(std::string_view normalised);
// What a normalised type stores: a sequence, an ordered tree (set, map, policy trees), a hash
// table, a heap, a queue, a string, a bitset, a fixed array, or a scalar.
ContainerKind kindOfType(std::string_view normalised);
// A sequence whose element is itself a container, or a map whose value is one: a list per slot
// or per key.
bool isNestedType(std::string_view normalised);
// A library container's member that adds one entry: push_back, emplace_front, insert,
// try_emplace, insert_after and the rest of the family.
bool addsAnEntry(std::string_view member);
// Bytes of one element, roughly: 1 for bool and char, 8 for 64-bit values and pairs, else 4.
int bytesOfType(std::string_view normalised);

}  // namespace quorbel
