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
// Also records the program's own reader functions and lambdas (Model::readers).
void markInputs(Model& model);

// True when `object` is an input stream: cin, a stream-typed variable (ifstream fin,
// istringstream in), or an object of a type the program gives its own operator>>.
bool isInputStream(const Model& model, const Node& object);
// C library calls that take characters or formatted values from the input: scanf, getchar,
// getchar_unlocked, fread, fgets, getline, ...
bool isLibraryReader(std::string_view name);
// The name a call calls: f of f(x), f<int>(x), std::f(x) and obj.f(x).
std::string readerCalleeOf(const Node& call);
// The pack a fold expression reads from a stream, (cin >> ... >> xs); null otherwise.
Node foldedReadOf(const Model& model, const Node& fold);
// Whether the program names any route to its input at all: cin, stdin, a library reader.
bool touchesInput(const Model& model);

}  // namespace quorbel
