// The analyze command's argument handling: the input split at NUL bytes is the argument list
// (command word first). Exit statuses are 0, 1 or 2, and a failure writes nothing to the out
// stream. HOME points at an empty folder so "~" and the Downloads look-up find nothing real.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/analyze_command.h"
#include "fuzz_checks.h"

using quorbel::fuzz::require;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mkdir("/tmp/quorbel-fuzz-home", 0700);
  setenv("HOME", "/tmp/quorbel-fuzz-home", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      arguments.emplace_back();
    else
      arguments.back().push_back(static_cast<char>(data[i]));
  }
  if (arguments.size() > 16) return 0;  // argument lists beyond a shell line say nothing new
  std::ostringstream out;
  std::ostringstream err;
  const int status = quorbel::runAnalyzeCli(arguments, out, err);
  require(status == 0 || status == 1 || status == 2, "exit status is 0, 1 or 2");
  if (status != 0) require(out.str().empty(), "a failure writes nothing to the out stream");
  if (status != 0) require(err.str().rfind("quorbel", 0) == 0, "a failure explains itself");
  return 0;
}
