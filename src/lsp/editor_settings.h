// The limits an editor sets for every file it opens, in its initializationOptions or its
// workspace/didChangeConfiguration settings, either at the top or under "quorbel":
//   {"limits": {"n": "2e5"}, "timeLimitSeconds": 2, "memoryLimitMb": 256}
//   {"quorbel": {"limits": {"n": 200000}}}
#pragma once

#include <string>
#include <vector>

#include "analysis/result.h"
#include "server/json_value.h"
#include "verdict/verdict.h"

namespace quorbel {

// Fills `limits` from the settings object; false with a message when they are present and
// cannot be read (a value neither a number nor a string). Anything else present is ignored.
bool readEditorLimits(const JsonValue& settings, GivenLimits& limits, std::string& error);

// Judges the analysis at the editor's limits as far as they fit this file. The limits are the
// same for every file, so a size this file does not have, or a value judgeAtLimits refuses, is
// left out rather than leaving the file without a verdict; each one left out is named in the
// result, with the reason.
std::vector<std::string> judgeAtEditorLimits(const Analysis& analysis, const GivenLimits& limits,
                                             Verdict& verdict);

}  // namespace quorbel
