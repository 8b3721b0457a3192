// What the program reads from its input, recognised by what the code does rather than what it
// is called: extraction from a stream, scanf into an address, and any function of its own that
// consumes the stream (through cin, scanf, getchar or fread) and fills a reference argument or
// returns what it read.
#pragma once

#include "model/model.h"

namespace quorbel {

// Marks every symbol the program reads (Symbol::fromInput) and records the scalars and strings
// in reading order (Model::inputOrder). A character buffer read whole (`scanf("%s", s + 1)`)
// becomes an input string. REQUIRES: the declarations and functions are read.
void markInputs(Model& model);

}  // namespace quorbel
