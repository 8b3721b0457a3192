#include "server/limit_request.h"

#include "server/json_value.h"

namespace quorbel {
namespace {

// The value as text, or false for arrays, objects and booleans.
bool valueText(const JsonValue& value, std::string& text) {
  if (value.kind != JsonValue::Kind::kNumber && value.kind != JsonValue::Kind::kString)
    return false;
  text = value.text;
  return true;
}

bool readOne(const JsonValue& value, const std::string& name, const std::string& label,
             GivenValue& out, std::string& error) {
  std::string text;
  if (!valueText(value, text)) {
    error = label + ": expected a number or a string";
    return false;
  }
  out = {name, text, label};
  return true;
}

}  // namespace

bool readLimitRequest(const JsonValue& document, GivenLimits& limits, std::string& error) {
  if (const JsonValue* sizes = jsonMember(document, "limits");
      sizes != nullptr && sizes->kind != JsonValue::Kind::kNull) {
    if (sizes->kind != JsonValue::Kind::kObject) {
      error = "limits: expected an object such as {\"n\": 200000}";
      return false;
    }
    for (const JsonMember& member : sizes->members) {
      if (member.value.kind == JsonValue::Kind::kNull) continue;
      GivenValue given;
      if (!readOne(member.value, member.key, "limits." + member.key, given, error)) return false;
      limits.sizes.push_back(std::move(given));
    }
  }
  for (const char* key : {"timeLimitSeconds", "memoryLimitMb"}) {
    const JsonValue* value = jsonMember(document, key);
    if (value == nullptr || value->kind == JsonValue::Kind::kNull) continue;
    GivenValue given;
    if (!readOne(*value, "", key, given, error)) return false;
    (std::string_view(key) == "timeLimitSeconds" ? limits.timeLimit : limits.memoryLimit) = given;
  }
  return true;
}

}  // namespace quorbel
