#include "lsp/editor_settings.h"

#include "server/limit_request.h"

namespace quorbel {

bool readEditorLimits(const JsonValue& settings, GivenLimits& limits, std::string& error) {
  limits = GivenLimits{};
  if (settings.kind != JsonValue::Kind::kObject) return true;
  const JsonValue* section = jsonMember(settings, "quorbel");
  return readLimitRequest(section != nullptr ? *section : settings, limits, error);
}

std::vector<std::string> judgeAtEditorLimits(const Analysis& analysis, const GivenLimits& limits,
                                             Verdict& verdict) {
  std::string error;
  if (judgeAtLimits(analysis, limits, verdict, error)) return {};
  // Each value alone tells which ones this file cannot take.
  std::vector<std::string> unused;
  GivenLimits kept;
  const auto fits = [&](const GivenLimits& one) {
    Verdict scratch;
    std::string why;
    if (judgeAtLimits(analysis, one, scratch, why)) return true;
    unused.push_back(why);
    return false;
  };
  for (const GivenValue& size : limits.sizes)
    if (fits(GivenLimits{{size}, std::nullopt, std::nullopt})) kept.sizes.push_back(size);
  if (limits.timeLimit && fits(GivenLimits{{}, limits.timeLimit, std::nullopt}))
    kept.timeLimit = limits.timeLimit;
  if (limits.memoryLimit && fits(GivenLimits{{}, std::nullopt, limits.memoryLimit}))
    kept.memoryLimit = limits.memoryLimit;
  if (!judgeAtLimits(analysis, kept, verdict, error)) {
    // Values that fit alone but not together: the file's own limits alone, then.
    unused.push_back(error);
    judgeAtLimits(analysis, GivenLimits{}, verdict, error);
  }
  return unused;
}

}  // namespace quorbel
