// The request decoders on arbitrary bytes: urlDecode, parseParams, parseJson and validUtf8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_checks.h"
#include "server/http_request.h"
#include "server/json_value.h"
#include "server/render_json.h"

using quorbel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);

  const std::string decoded = quorbel::urlDecode(all);
  require(decoded.size() <= all.size(), "url decoding never grows the text");
  const auto params = quorbel::parseParams(all);
  require(params.size() <= all.size(), "at most one parameter per byte");

  quorbel::JsonValue document;
  if (quorbel::parseJson(all, document) && document.kind == quorbel::JsonValue::Kind::kString)
    require(document.text.size() <= all.size(), "a string is never longer than its literal");
  const std::string valid = quorbel::validUtf8(all);
  require(quorbel::validUtf8(valid) == valid, "replaced text is well-formed UTF-8");
  return 0;
}
