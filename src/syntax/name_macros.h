// Macros that give a name another name: `#define x first`, `#define F first`. A variable the
// author declared as `int x` reaches the model as `first`, while the author reads and writes x.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace quorbel {

// Each identifier an object-like macro's whole body names, with the macro's name, for the
// identifiers the source itself never writes as a name of its own (only through the macro,
// or as a member after `.` or `->`): {"first", "x"} for `#define x first`.
std::map<std::string, std::string> renamingMacros(std::string_view source);

}  // namespace quorbel
