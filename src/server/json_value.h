// A strict reader of JSON documents into plain values, for request fields that are more than
// one string (the verdict's "limits" object). Numbers keep their literal text, so "2e5" and
// 200000 reach the limit reader as written. Nesting deeper than 64 levels is refused.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

struct JsonMember;

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  std::string text;              // a string's decoded UTF-8, a number's literal, "true" or "false"
  std::vector<JsonValue> items;  // kArray
  std::vector<JsonMember> members;  // kObject, in document order
};

struct JsonMember {
  std::string key;
  JsonValue value;
};

// False when `text` is not one JSON value with only white space around it.
bool parseJson(std::string_view text, JsonValue& out);

// The character a one-letter JSON escape stands for (\b \f \n \r \t \" \\ \/); 0 for any
// other letter.
char simpleEscape(char letter);
// The last member named `key` of an object; null when absent or not an object.
const JsonValue* jsonMember(const JsonValue& object, std::string_view key);

}  // namespace quorbel
