// The server's environment switches, read afresh on every request so that an operator's
// change needs no restart. A switch is on exactly when its trimmed, lower-cased value is
// "1", "true", "yes" or "on"; each has its own default when the variable is unset.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace quorbel {

// The truthy rule for a present value: "1", "true", "yes", "on" after trim and lower-casing.
bool isTruthySwitchValue(std::string_view value);

// QUORBEL_SAVE_ANALYSES; unset: false.
bool storageSaveEnabled();
// QUORBEL_ENABLE_BACKEND_RUN; unset: true.
bool backendRunEnabled();
// QUORBEL_RUNNER_REQUIRE_VALIDATED; unset: false.
bool runnerValidationRequired();

// Whether a run request may proceed. With no QUORBEL_RUNNER_SHARED_SECRET every request is
// accepted, unless QUORBEL_RUNNER_REQUIRE_SHARED_SECRET is on (then every one is refused).
// With a secret, the "x-quorbel-runner-secret" header must equal it; the comparison takes the
// same time whichever byte differs. `headers` has lower-cased keys.
bool runnerSecretAccepted(const std::map<std::string, std::string>& headers);

}  // namespace quorbel
