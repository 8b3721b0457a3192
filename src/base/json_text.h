// JSON literals written byte for byte: strings escaped, UTF-8 kept well formed, lists of
// strings. Shared by every document the program writes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorbel {

// The quoted JSON literal: \b \t \n \f \r \" \\ named, other bytes below 0x20 as \u00xx
// (lower-case hex); 0x7F and well-formed UTF-8 unchanged, any other byte as U+FFFD.
std::string jsonString(std::string_view text);
// `text` with every byte that starts no well-formed UTF-8 sequence replaced by U+FFFD.
std::string validUtf8(std::string_view text);
// ["a","b"]; [] when empty.
std::string renderJsonList(const std::vector<std::string>& items);

}  // namespace quorbel
