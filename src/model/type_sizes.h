// Bytes per element of the C++ types contest programs store: 1 for bool and char, 4 for int
// and float, 8 for long long, double and pointers, sums with padding for pair and tuple, the
// object size of a container (24 bytes for a vector) when containers are themselves elements.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace quorbel {

struct TypeSize {
  double bytes = 8;
  double alignment = 8;
  bool known = false;  // false: a type this table does not know, assumed one machine word
};

// The size of a type as written ("const long long", "pair<int, int>", "vector<int>",
// "array<int, 5>", "bitset<1000>"), with aliases and #define'd words replaced first and
// `constants` giving array and bitset lengths.
TypeSize sizeOfType(std::string_view type, const std::map<std::string, std::string>& aliases,
                    const std::map<std::string, double>& constants);

struct ContainerInfo {
  bool container = false;
  std::string element;       // the element type text: "int" for vector<int>
  double entryOverhead = 0;  // bytes a node-based container adds per entry (set, map, list)
};

// What a standard container type holds: vector, deque, list, set, multiset, unordered_set,
// queue, stack, priority_queue and string (char), map and unordered_map (a pair).
ContainerInfo describeContainer(std::string_view type,
                                const std::map<std::string, std::string>& aliases);

}  // namespace quorbel
