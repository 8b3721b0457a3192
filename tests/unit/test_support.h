// Shared helpers for the unit tests.
#pragma once

#include <string>
#include <vector>

namespace quorbel::testing {

// The repository root and the built quorbel executable.
std::string sourceDir();
std::string quorbelBinary();

struct CommandOutput {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Runs a program with arguments, extra NAME=value environment entries (added to or replacing
// the current environment; "NAME" alone unsets it) and standard input; captures both outputs.
CommandOutput runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {},
                         const std::string& input = "");

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace quorbel::testing
