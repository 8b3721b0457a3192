// The /api/run body as a run request:
//   {"code": "...", "input": "...", "expectedOutput": "...", "timeLimitMs": 4000,
//    "standard": "c++23", "debug": true,
//    "tests": [{"input": "1 2\n", "expectedOutput": "3\n"}, ...]}
// Only "code" is required; a caller sending code and input alone gets the run it always got.
#pragma once

#include <string>

#include "runner/runner.h"
#include "server/json_value.h"

namespace quorbel {

// Fills `run` from the body document's top-level members. False with a message for a member of
// the wrong kind: code not a string, standard not one of "c++17", "c++20", "c++23", debug not
// a boolean, tests not an array of objects with a string input (and a string expectedOutput
// when present). An unreadable timeLimitMs means the default, as it always did.
bool readRunRequest(const JsonValue& document, RunRequest& run, std::string& error);

}  // namespace quorbel
