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

// The compiler (QUORBEL_CPP_COMPILER, resolved against /usr/bin, /usr/local/bin and
// /opt/homebrew/bin, else the first g++ found there, else /usr/bin/c++) followed by the fixed
// flags, "-static" when QUORBEL_RUNNER_STATIC is truthy, and "main.cpp -o main" (relative: the
// compiler runs inside the run directory).
std::vector<std::string> compileArgs();

// PATH, TMPDIR and HOME, then DEVELOPER_DIR and SDKROOT when set and not empty. Nothing else of
// the server's environment reaches the compiler.
std::vector<std::string> compileEnvironment();

}  // namespace quorbel
