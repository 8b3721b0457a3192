// What a debug run adds to the program it compiles: the library's checked containers
// (_GLIBCXX_DEBUG), the undefined-behaviour sanitizer stopping at its first finding, and a
// handler that, when the program dies of a fault, names the first line of main.cpp on its stack
// (libbacktrace, from the compiler's own libraries). The address sanitizer is left out: it
// reserves terabytes of address space, which the run's address-space cap refuses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

// The source file compiled beside main.cpp in a debug run.
inline constexpr const char* kDebugSupportName = "quorbel_debug.cpp";
// The word the handler starts its line with on standard error: "quorbel-debug: line 6".
inline constexpr const char* kDebugLineWord = "quorbel-debug: line ";

// The text of kDebugSupportName.
std::string_view debugSupportSource();

// The flags a debug compile adds before the sources, and the libraries it links after them.
std::vector<std::string> debugCompileFlags();
std::vector<std::string> debugLinkFlags();

// The fault a debug run's standard error names, in plain words with its line, or empty:
//   "line 6: index 5 is out of range; the container holds 3 elements"
//   "line 4: signed integer overflow: 2147483647 + 1 cannot be represented in type 'int'"
//   "line 9: attempt to dereference a past-the-end iterator."
std::string explainDebugFault(std::string_view stderrText);

// The line the fault handler named ("quorbel-debug: line 6" gives 6); 0 when it named none.
int debugFaultLine(std::string_view stderrText);

}  // namespace quorbel
