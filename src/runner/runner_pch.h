// A precompiled <bits/stdc++.h>, so that the usual contest header costs a fraction of a second
// to compile instead of seconds. It is built once per compiler and flags, as a compile stage of
// its own: in the compile box, under the compile's limits (only the file-size cap raised, for
// the .gch), or under the same fallback as a compile where the box cannot start. It lands in a
// folder of the server's own under the temporary directory, which later compile boxes see
// read-only (`-I` it). g++ uses the .gch only when it matches the compile's flags and otherwise
// reads the header as before, so a missing or stale file costs nothing but time.
//
// A debug build's folder also holds quorbel_debug.o, the debug support (runner_debug.h)
// compiled once with the same flags: a debug compile links it instead of compiling its source
// again, a fifth of the compile's time.
//
// Folder layout: lock (one build at a time across processes), bits/stdc++.h.gch and
// quorbel_debug.o (present only once complete: each is built under a temporary name and
// renamed into place), build-XXXXXX (the folder of a build in progress; a killed build's is
// removed by the next one).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runner/runner_config.h"
#include "runner/runner_files.h"

namespace quorbel {

// The build's wall-time limit; the compile stage's CPU limit binds as for any compile.
constexpr int64_t kPrecompiledHeaderTimeoutMs = 60000;

struct PrecompiledHeaderBuild {
  bool ready = false;
  std::string message;  // why not, when not ready; "built" or "already built" when it is
  int64_t elapsedMs = 0;
};

// Where the header for `compileArgs` is kept, ready or not: one folder per compiler and flags.
std::string precompiledHeaderFolder(const std::vector<std::string>& compileArgs);

// The folder holding bits/stdc++.h.gch for `compileArgs` (the compiler and its flags, as
// compileArgs() gives them) when it is ready and the server's own; empty otherwise.
std::string precompiledHeaderDirectory(const std::vector<std::string>& compileArgs);

// `compileArgs` with "-I <folder>" before the source file when the folder is ready.
std::vector<std::string> withPrecompiledHeader(std::vector<std::string> compileArgs);

// Builds the header for `compileArgs` unless it is ready, and the debug support's object when
// they compile kDebugSupportName, and returns when done. Refused where runs are refused (no box
// and no opt-in); skipped while another process builds it. Before building it removes what a
// killed build left in the folder.
PrecompiledHeaderBuild buildPrecompiledHeader(const std::vector<std::string>& compileArgs,
                                              int64_t timeoutMs = kPrecompiledHeaderTimeoutMs);

// Writes the debug support into the run folder for `compileArgs` (a debug build's, before
// withPrecompiledHeader): the object built with the header when both are ready and the
// server's own, named in `compileArgs` in place of kDebugSupportName; else its source. False
// with `error` set when neither could be written.
bool placeDebugSupport(const TempDir& dir, std::vector<std::string>& compileArgs,
                       std::string& error);

// Every standard and mode a run may ask for, the default (CompileOptions{}) first.
std::vector<CompileOptions> precompiledHeaderOptions();

// The server's start-up: buildPrecompiledHeader(compileArgs(options)) for each of
// precompiledHeaderOptions(), one after another on a thread of its own, once per process, unless
// QUORBEL_RUNNER_PCH is set to a false value. Compiles meanwhile go on without the header.
void startPrecompiledHeaderBuild();

}  // namespace quorbel
