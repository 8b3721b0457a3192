// The verdict's limits in an /api/analyze body:
//   {"code": "...", "limits": {"n": 200000, "q": "1e5"}, "timeLimitSeconds": 2,
//    "memoryLimitMb": "256"}
// Each value may be a number or a string; null counts as not given.
#pragma once

#include <string>
#include <string_view>

#include "server/json_value.h"
#include "verdict/verdict.h"

namespace quorbel {

// Fills `limits` from the body document's top-level keys. False with a message when the keys
// are present but cannot be read: "limits" not an object, or a
// value that is neither a number nor a string. Values are checked later, by judgeAtLimits.
bool readLimitRequest(const JsonValue& document, GivenLimits& limits, std::string& error);

}  // namespace quorbel
