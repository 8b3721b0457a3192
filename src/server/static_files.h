// Which request paths are served straight from public/, and with which content type.
#pragma once

#include <string>
#include <string_view>

namespace quorbel {

// The front end's scripts and the /vendor/monaco/, /vendor/cpp-wasm/ and /downloads/ trees;
// never a path holding ".." or a backslash, so nothing outside public/ can be named.
bool isStaticFilePath(std::string_view path);
// By the first matching rule: .tar.gz, .js, .css, .json, .tar, .h or .txt, the three
// compiler bundles of public/vendor/cpp-wasm/ as wasm, else application/octet-stream.
std::string staticContentType(std::string_view file);

}  // namespace quorbel
