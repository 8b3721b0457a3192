// The include check applied to submitted code before it reaches the compiler: no include may
// name an absolute path, climb with "..", or be built by a macro.
#pragma once

#include <string>
#include <string_view>

namespace quorbel {

// The detail of the first unsafe include directive, empty when every one is safe:
// "include_next", "macro-expanded include", the offending path itself ("/etc/passwd"), or
// "pragma GCC dependency" / ".incbin" for the other ways to have a file read while compiling
// (found in string literals too, joined and with their escapes read).
// Lines are read as the preprocessor reads them: backslash-newline splices joined, comments
// turned into a space, "%:" taken for "#", and #import treated like #include.
std::string findUnsafeInclude(std::string_view code);

}  // namespace quorbel
