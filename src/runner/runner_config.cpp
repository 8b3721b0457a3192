#include "runner/runner_config.h"

#include <unistd.h>

#include <cstdlib>

namespace quorbel {
namespace {

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

std::vector<std::string> compileArgs() {
  std::vector<std::string> args = {resolveCompiler(), "-std=gnu++17", "-O2",      "-pipe",
                                   "-Wall",           "-Wextra",      "-pedantic"};
  if (truthyEnv("QUORBEL_RUNNER_STATIC")) args.push_back("-static");
  for (const char* tail : {"main.cpp", "-o", "main"}) args.push_back(tail);
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
