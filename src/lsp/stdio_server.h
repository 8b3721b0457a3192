// `quorbel lsp`: the language server on standard input and output, one process per editor
// session. Standard output carries protocol messages only: anything else the process might
// print is sent to standard error instead.
#pragma once

#include "lsp/session.h"

namespace quorbel {

// True when argv[1] is "lsp".
bool isLspCommand(int argc, char** argv);
// Runs `quorbel lsp [--stdio]`: 0 after shutdown then exit, 1 for exit (or the end of the
// input) without shutdown, 2 for an unknown argument.
int runLspCommand(int argc, char** argv);

// Serves the protocol on the two descriptors until exit or the end of the input; the exit
// status.
int serveLanguageServer(int inputFd, int outputFd, const SessionOptions& options = {});

}  // namespace quorbel
