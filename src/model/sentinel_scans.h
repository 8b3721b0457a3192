// Walks that stop at the terminating zero of what they index: for (i = 0; s[i]; i++),
// for (p = buf; *p != '\0'; ++p). They end at the end of the string at the latest, whatever
// else the condition tests.
#pragma once

#include <string>

#include "model/tree.h"

namespace quorbel {

// The container a counted walk of `variable` stops in at its terminating zero: s of s[i] or of
// s[i] != 0 among the condition's && terms, or the start of a pointer p tested as *p (`start`
// is the variable's start value). Null when the condition tests no such entry.
Node sentinelScanned(const Node& condition, const std::string& variable, const Node& start);

}  // namespace quorbel
