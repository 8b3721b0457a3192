#include "server/run_request.h"

#include <cstdlib>

#include "runner/runner_config.h"

namespace quorbel {
namespace {

// A member that must be a string when present; false when present as another kind.
bool optionalString(const JsonValue& object, const char* key, std::optional<std::string>& out) {
  const JsonValue* value = jsonMember(object, key);
  if (value == nullptr || value->kind == JsonValue::Kind::kNull) return true;
  if (value->kind != JsonValue::Kind::kString) return false;
  out = value->text;
  return true;
}

bool readTests(const JsonValue& tests, std::vector<RunTest>& out, std::string& error) {
  if (tests.kind != JsonValue::Kind::kArray) {
    error = "Expected tests to be an array of {\"input\", \"expectedOutput\"} objects.";
    return false;
  }
  for (const JsonValue& item : tests.items) {
    RunTest test;
    std::optional<std::string> input;
    if (item.kind != JsonValue::Kind::kObject || !optionalString(item, "input", input) ||
        !optionalString(item, "expectedOutput", test.expectedOutput)) {
      error = "Expected each test to be an object with a string input and expectedOutput.";
      return false;
    }
    test.input = input.value_or("");
    out.push_back(std::move(test));
  }
  return true;
}

}  // namespace

bool readRunRequest(const JsonValue& document, RunRequest& run, std::string& error) {
  std::optional<std::string> code;
  if (!optionalString(document, "code", code) || !code) {
    error = "Expected JSON body with a string code field.";
    return false;
  }
  run.code = std::move(*code);
  // An input of another kind was always read as none; it still is.
  if (const JsonValue* input = jsonMember(document, "input");
      input != nullptr && input->kind == JsonValue::Kind::kString)
    run.input = input->text;
  std::optional<std::string> standard;
  if (!optionalString(document, "expectedOutput", run.expectedOutput) ||
      !optionalString(document, "standard", standard) ||
      (standard && !isKnownStandard(*standard))) {
    error = standard && !isKnownStandard(*standard)
                ? "Expected standard to be \"c++17\", \"c++20\" or \"c++23\"."
                : "Expected expectedOutput and standard to be strings.";
    return false;
  }
  if (standard) run.standard = *standard;
  if (const JsonValue* debug = jsonMember(document, "debug")) {
    if (debug->kind != JsonValue::Kind::kBool && debug->kind != JsonValue::Kind::kNull) {
      error = "Expected debug to be true or false.";
      return false;
    }
    run.debug = debug->text == "true";
  }
  if (const JsonValue* tests = jsonMember(document, "tests");
      tests != nullptr && tests->kind != JsonValue::Kind::kNull &&
      !readTests(*tests, run.tests, error))
    return false;
  // Milliseconds; anything unreadable means the default.
  const JsonValue* limit = jsonMember(document, "timeLimitMs");
  const double ms = limit != nullptr && limit->kind == JsonValue::Kind::kNumber
                        ? std::strtod(limit->text.c_str(), nullptr)
                        : 0;
  if (ms > 0 && ms < 1e9) run.timeLimitMs = static_cast<int64_t>(ms);
  return true;
}

}  // namespace quorbel
