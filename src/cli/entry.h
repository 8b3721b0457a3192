// Mode selection: the regression run, the runner validation, the analyze command, the language
// server or the HTTP server.
#pragma once

namespace quorbel {

// Ignores SIGPIPE, picks exactly one mode from the first argument and returns its exit status.
int runEntry(int argc, char** argv);

}  // namespace quorbel
