// Whether the text given for analysis is C++ at all. A README renamed .cpp or a Python file
// parses into errors nearly everywhere and defines no function; an estimate of it ("O(1), fits")
// would be an answer to a question nobody asked. A snippet (a loop alone, a few declarations)
// still parses mostly cleanly and is analysed as before.
#pragma once

#include <optional>
#include <string>

#include "analysis/result.h"

namespace quorbel {

// Why `analysis` is of no C++ (one or two sentences for the user: no function, which share of
// its lines do not parse, the first error's line), or nullopt when it reads as C++: it parsed
// cleanly, it defines a function, or at most half of its lines (blank lines and directives
// aside) hold a syntax error.
std::optional<std::string> whyNotCpp(const Analysis& analysis);

}  // namespace quorbel
