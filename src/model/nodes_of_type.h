// The nodes of given types under a node, found through the model's node table (model/tree.cpp)
// by their types alone: for questions asked of the whole program once per loop or per name.
#pragma once

#include <initializer_list>
#include <string_view>
#include <vector>

#include "model/tree.h"

namespace quorbel {

// Every descendant of one of the given types that visitNodes would reach, in pre-order (the
// node itself first when it is one). Under a table's root only those nodes are looked at.
std::vector<Node> descendantsOfType(const Node& node,
                                    std::initializer_list<std::string_view> types);

}  // namespace quorbel
