// The request decoders on arbitrary bytes: urlDecode, parseParams and jsonFieldString. The
// first byte picks the JSON key's length, the next bytes are the key, the rest the body.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_checks.h"
#include "server/http_request.h"

using quorbel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);

  const std::string decoded = quorbel::urlDecode(all);
  require(decoded.size() <= all.size(), "url decoding never grows the text");
  const auto params = quorbel::parseParams(all);
  require(params.size() <= all.size(), "at most one parameter per byte");

  if (size == 0) return 0;
  const size_t keyLength = std::min<size_t>(data[0] % 16, size - 1);
  const std::string_view key = all.substr(1, keyLength);
  const std::string_view body = all.substr(1 + keyLength);
  std::string out = "untouched";
  const bool found = quorbel::jsonFieldString(body, key, out);
  if (!found) require(out == "untouched", "a failed read leaves the output alone");
  if (found) require(out.size() <= body.size(), "a field is never longer than the body");
  return 0;
}
