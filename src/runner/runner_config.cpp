#include "runner/runner_config.h"

#include <unistd.h>

#include <cstdlib>

#include "runner/runner_debug.h"

#ifndef QUORBEL_ACL_DIR
#define QUORBEL_ACL_DIR "vendor/ac-library"
#endif

namespace quorbel {
namespace {

constexpr const char* kGoldLinker = "/usr/bin/ld.gold";

// The value of `name`, empty when unset.
std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

bool isExecutable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

std::string resolveCompiler() {
  const std::string configured = environmentValue("QUORBEL_CPP_COMPILER");
  if (!configured.empty()) {
    if (configured.find('/') != std::string::npos) return configured;
    for (const char* directory : {"/usr/bin/", "/usr/local/bin/", "/opt/homebrew/bin/"}) {
      std::string candidate = directory + configured;
      if (isExecutable(candidate)) return candidate;
    }
    return configured;
  }
  for (const char* candidate : {"/usr/bin/g++", "/usr/local/bin/g++", "/opt/homebrew/bin/g++"}) {
    if (isExecutable(candidate)) return candidate;
  }
  return "/usr/bin/c++";
}

}  // namespace

bool truthyEnv(const char* name) {
  std::string value = environmentValue(name);
  if (value.empty()) return false;
  for (char& c : value) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return value == "1" || value == "true" || value == "yes" || value == "on";
}

int64_t compileTimeoutMs() {
  constexpr int64_t kDefaultSeconds = 5;
  constexpr int64_t kMostSeconds = 120;
  const std::string value = environmentValue("QUORBEL_RUNNER_COMPILE_SECONDS");
  if (value.empty() || value.size() > 3) return kDefaultSeconds * 1000;
  int64_t seconds = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return kDefaultSeconds * 1000;
    seconds = seconds * 10 + (c - '0');
  }
  if (seconds < 1 || seconds > kMostSeconds) return kDefaultSeconds * 1000;
  return seconds * 1000;
}

std::string tempBaseDirectory() {
  std::string base = environmentValue("TMPDIR");
  return base.empty() ? "/tmp" : base;
}

bool isKnownStandard(const std::string& standard) {
  return standard == "c++17" || standard == "c++20" || standard == "c++23";
}

std::string atcoderLibraryDirectory() {
  const std::string configured = environmentValue("QUORBEL_ACL_DIR");
  return configured.empty() ? QUORBEL_ACL_DIR : configured;
}

std::vector<std::string> compileArgs(const CompileOptions& options) {
  const std::string standard = isKnownStandard(options.standard) ? options.standard : "c++20";
  std::vector<std::string> args = {resolveCompiler(),
                                   "-std=gnu++" + standard.substr(3),
                                   options.debug ? "-O1" : "-O2",
                                   "-pipe",
                                   "-Wall",
                                   "-Wextra",
                                   "-pedantic"};
  if (options.debug) {
    const std::vector<std::string> debug = debugCompileFlags();
    args.insert(args.end(), debug.begin(), debug.end());
  }
  const std::string library = atcoderLibraryDirectory();
  if (access((library + "/atcoder").c_str(), R_OK | X_OK) == 0)
    args.insert(args.end(), {"-I", library});
  // gold links a contest program in a fraction of the default linker's time: most of the link
  // is reading libstdc++'s and libc's symbol tables, which gold does faster.
  if (isExecutable(kGoldLinker)) args.push_back("-fuse-ld=gold");
  if (truthyEnv("QUORBEL_RUNNER_STATIC")) args.push_back("-static");
  args.push_back("main.cpp");
  if (options.debug) args.push_back(kDebugSupportName);
  for (const char* tail : {"-o", "main"}) args.push_back(tail);
  if (options.debug) {
    const std::vector<std::string> link = debugLinkFlags();
    args.insert(args.end(), link.begin(), link.end());
  }
  return args;
}

std::vector<std::string> compileEnvironment() {
  const std::string temp = tempBaseDirectory();
  std::vector<std::string> env = {"PATH=/usr/bin:/bin:/usr/sbin:/sbin", "TMPDIR=" + temp,
                                  "HOME=" + temp};
  for (const char* name : {"DEVELOPER_DIR", "SDKROOT"}) {
    std::string value = environmentValue(name);
    if (!value.empty()) env.push_back(std::string(name) + "=" + value);
  }
  return env;
}

}  // namespace quorbel
