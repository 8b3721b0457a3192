// What the program reads from its input, recognised by what the code does rather than what it
// is called: extraction from a stream, scanf into an address, and any function of its own that
// consumes the stream (through cin, scanf, getchar or fread) and fills a reference argument or
// returns what it read.
#pragma once

#include <string_view>

#include "model/model.h"

namespace quorbel {

// Marks every symbol the program reads (Symbol::fromInput) and records the scalars and strings
// in reading order (Model::inputOrder). A character buffer read whole (`scanf("%s", s + 1)`)
// becomes an input string. REQUIRES: the declarations and functions are read.
void markInputs(Model& model);

// C library calls that take characters or formatted values from the input.
bool isLibraryReader(std::string_view name);
// Whether the program names any route to its input at all: cin, stdin, a library reader.
bool touchesInput(const Model& model);

}  // namespace quorbel
