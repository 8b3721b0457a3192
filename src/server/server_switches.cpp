#include "server/server_switches.h"

#include <cstdlib>

#include "base/text.h"

namespace quorbel {
namespace {

bool switchValue(const char* name, bool whenUnset) {
  const char* value = std::getenv(name);
  if (value == nullptr) return whenUnset;
  return isTruthySwitchValue(value);
}

}  // namespace

bool isTruthySwitchValue(std::string_view value) {
  const std::string word = lowerCopy(trim(value));
  return word == "1" || word == "true" || word == "yes" || word == "on";
}

bool storageSaveEnabled() { return switchValue("QUORBEL_SAVE_ANALYSES", false); }

bool backendRunEnabled() { return switchValue("QUORBEL_ENABLE_BACKEND_RUN", true); }

bool runnerValidationRequired() { return switchValue("QUORBEL_RUNNER_REQUIRE_VALIDATED", false); }

bool runnerSecretAccepted(const std::map<std::string, std::string>& headers) {
  const char* configured = std::getenv("QUORBEL_RUNNER_SHARED_SECRET");
  const std::string secret = configured != nullptr ? configured : "";
  const bool required = switchValue("QUORBEL_RUNNER_REQUIRE_SHARED_SECRET", false);
  if (secret.empty()) return !required;

  const auto sent = headers.find("x-quorbel-runner-secret");
  if (sent == headers.end() || sent->second.size() != secret.size()) return false;
  // Every byte pair is folded in, with no early exit, so the time taken does not reveal how
  // long a prefix of a guess was right.
  unsigned char difference = 0;
  for (size_t i = 0; i < secret.size(); ++i) {
    difference |= static_cast<unsigned char>(sent->second[i] ^ secret[i]);
  }
  return difference == 0;
}

}  // namespace quorbel
