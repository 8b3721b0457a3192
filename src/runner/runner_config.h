// The runner's settings, read from the environment each time they are needed, and the
// compiler command line and environment built from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorbel {

// False when unset or empty; otherwise true exactly for "1", "true", "yes" or "on" in any
// letter case (no trimming).
bool truthyEnv(const char* name);

// The compile stage's wall-clock limit: QUORBEL_RUNNER_COMPILE_SECONDS when it is a whole number
// from 1 to 120, else 5 s. A busy host compiles slower, so operators (and the test targets) can
// give the compiler more time without touching the limits of the program itself.
int64_t compileTimeoutMs();

// TMPDIR when set and not empty, else "/tmp": where run directories are made.
std::string tempBaseDirectory();

// How a program is compiled: its C++ standard (GNU dialect) and whether it is a debug build
// (runner_debug.h).
struct CompileOptions {
  std::string standard = "c++20";  // "c++17", "c++20" or "c++23"
  bool debug = false;
};

// Whether `standard` is one a run may ask for.
bool isKnownStandard(const std::string& standard);

// The compiler (QUORBEL_CPP_COMPILER, resolved against /usr/bin, /usr/local/bin and
// /opt/homebrew/bin, else the first g++ found there, else /usr/bin/c++) followed by the fixed
// flags with the standard's "-std=gnu++NN" (-O2, or -O1 and the debug flags), "-I" the AtCoder
// Library when its folder exists, "-fuse-ld=gold" when /usr/bin/ld.gold exists, "-static" when
// QUORBEL_RUNNER_STATIC is truthy, and "main.cpp -o main" (relative: the compiler runs inside
// the run directory); a debug build compiles kDebugSupportName beside main.cpp and links its
// libraries last.
std::vector<std::string> compileArgs(const CompileOptions& options = {});

// The folder holding the AtCoder Library's atcoder/ headers, vendored from a pinned commit
// (vendor/ac-library/COMMIT); QUORBEL_ACL_DIR overrides the one the build recorded.
std::string atcoderLibraryDirectory();

// PATH, TMPDIR and HOME, then DEVELOPER_DIR and SDKROOT when set and not empty. Nothing else of
// the server's environment reaches the compiler.
std::vector<std::string> compileEnvironment();

}  // namespace quorbel
