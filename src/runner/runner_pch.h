// A precompiled <bits/stdc++.h>, so that the usual contest header costs a fraction of a second
// to compile instead of seconds. It is built once per compiler and flags, in the background, in
// a folder of its own under the temporary directory: the header is the system's own and no
// submitted text reaches that build. Compiles then see the folder read-only (`-I` it, bound
// read-only into the compile box); g++ uses the .gch only when it matches the compile's flags
// and otherwise reads the header as before, so a missing or stale file costs nothing but time.
#pragma once

#include <string>
#include <vector>

namespace quorbel {

// Where the header for `compileArgs` is kept, ready or not: one folder per compiler and flags.
std::string precompiledHeaderFolder(const std::vector<std::string>& compileArgs);

// The folder holding bits/stdc++.h.gch for `compileArgs` (the compiler and its flags, as
// compileArgs() gives them) when it is ready; empty until then. The first call starts the
// build in a detached process and returns at once.
std::string precompiledHeaderDirectory(const std::vector<std::string>& compileArgs);

// `compileArgs` with "-I <folder>" before the source file when the folder is ready.
std::vector<std::string> withPrecompiledHeader(std::vector<std::string> compileArgs);

}  // namespace quorbel
