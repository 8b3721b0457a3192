// Positions a fixed distance from a container's end, where inserting or erasing moves only the
// few entries after the place:
//   v.erase(v.end() - 2)    v.insert(v.end(), x)    s.erase(prev(s.end()))    v.erase(v.end() - 3,
//   v.end())
#pragma once

#include <string>

#include "model/tree.h"

namespace quorbel {

// True when `expression` is object.end(), object.end() - c or prev(object.end()[, c]) for a
// literal c.
bool isNearEnd(const Node& expression, const std::string& object);

// True when the position arguments of the insert or erase `call` on `object` are near its end:
// the first argument, and for an erase of a range the second as well; an insert of one entry.
bool placedNearEnd(const Node& call, const std::string& object);

}  // namespace quorbel
