// The default mode: the HTTP server's start-up and its accept loop.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorbel {

// Reads one environment variable; nullopt when unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
// The process environment.
std::optional<std::string> processEnvironment(const char* name);

struct ServerAddress {
  std::string host;
  int port = 8080;
};

// A port: decimal digits only, 1 to 65535.
std::optional<int> parsePort(std::string_view text);

// The port is argv[1] when an argument is given, else PORT when set and non-empty, else 8080;
// 0 when the chosen text is not a port (parsePort). The host is QUORBEL_HOST when set and
// non-empty, else "0.0.0.0" when PORT is set and non-empty, else "127.0.0.1".
ServerAddress selectServerAddress(int argc, char** argv, const EnvironmentLookup& environment);

// True when QUORBEL_RUNNER_VALIDATE_ON_START, trimmed and lower-cased, is 1, on, yes or true.
bool startupValidationRequested(const EnvironmentLookup& environment);

// The folder holding public/: the working directory when it has public/index.html, else the
// executable's folder, its parent (a build folder in the checkout) or ../share/quorbel (an
// installation). Empty when none has it.
std::string findFrontEndRoot(const std::string& executable);

// Runs the server mode (validation switch, front end lookup, bind, listen, store, start-up
// lines naming the history database and the runner's isolation, the connection loop).
// Returns only on a start-up failure, with the exit status.
int runServerMode(int argc, char** argv);

}  // namespace quorbel
