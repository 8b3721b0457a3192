// The private directory of one run: created fresh, owned by the runner identity, and removed
// with everything the run left in it.
#pragma once

#include <string>
#include <string_view>

#include "runner/runner_identity.h"

namespace quorbel {

// Owns its directory: destroying a TempDir with a non-empty path removes the tree, swallowing
// errors. Move-only.
struct TempDir {
  std::string path;  // empty when creation failed
  RunnerIdentity identity;

  TempDir() = default;
  TempDir(TempDir&& other) noexcept;
  TempDir& operator=(TempDir&& other) noexcept;
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
};

// A fresh "quorbel-run-XXXXXX" under tempBaseDirectory(), mode 0700, owned by
// currentRunnerIdentity() when that is active. Path empty on failure.
TempDir makeTempDir();

// Writes `code` as main.cpp in the directory (mode 0600, owned by the identity). False with
// `error` = "Could not create source file." when the file cannot be opened.
bool writeSourceFile(const TempDir& dir, std::string_view code, std::string& error);
// The same for another file of the compile (a header it includes), named `name` in the directory.
bool writeRunFile(const TempDir& dir, const std::string& name, std::string_view text,
                  std::string& error);

// Makes `path` (normally dir + "/main") mode 0700 and hands it to the identity when active.
// A symbolic link is refused, never followed.
void prepareExecutable(const std::string& path, const RunnerIdentity& identity);

// Removes the directory tree at `path`. Symbolic links are unlinked, never followed, and
// nothing outside the tree is opened, chmod-ed or removed. Errors are ignored.
void removeTree(const std::string& path);

}  // namespace quorbel
