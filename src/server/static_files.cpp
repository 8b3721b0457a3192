#include "server/static_files.h"

namespace quorbel {

bool isStaticFilePath(std::string_view path) {
  if (path.find("..") != std::string_view::npos) return false;
  if (path.find('\\') != std::string_view::npos) return false;
  for (std::string_view script :
       {"/ide-runner.js", "/ide-worker.js", "/ide-cp-completions.js", "/ide-editor.js",
        "/quorbel-storage.js", "/verdict.js", "/measure.js", "/conveniences.js"}) {
    if (path == script) return true;
  }
  for (std::string_view tree : {"/vendor/monaco/", "/vendor/cpp-wasm/", "/downloads/"}) {
    if (path.starts_with(tree)) return true;
  }
  return false;
}

std::string staticContentType(std::string_view file) {
  if (file.ends_with(".tar.gz")) return "application/gzip";
  if (file.ends_with(".js")) return "application/javascript; charset=utf-8";
  if (file.ends_with(".css")) return "text/css; charset=utf-8";
  if (file.ends_with(".json")) return "application/json; charset=utf-8";
  if (file.ends_with(".tar")) return "application/x-tar";
  if (file.ends_with(".h") || file.ends_with(".txt")) return "text/plain; charset=utf-8";
  // The compiler bundles ship without an extension.
  if (file == "public/vendor/cpp-wasm/clang" || file == "public/vendor/cpp-wasm/lld" ||
      file == "public/vendor/cpp-wasm/memfs") {
    return "application/wasm";
  }
  return "application/octet-stream";
}

}  // namespace quorbel
