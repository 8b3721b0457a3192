// What a measurement changes when the runner's compiler refuses a contest program for a reason
// of its setting rather than its text: a header from the author's own machine (a debug printer
// included unguarded) and a standard newer than the judge's.
#pragma once

#include <string>
#include <vector>

namespace quorbel {

// The code with each #include line the compiler's output reports missing ("main.cpp:2:10:
// fatal error: print.hpp: No such file or directory") blanked, line numbers kept; empty when
// the output reports none. A program that uses what the header declared then fails on that use,
// which is the message worth showing.
std::string withoutMissingHeaders(const std::string& code, const std::string& compilerOutput);

// The standards tried, in order, after the runner's own refuses the program.
std::vector<std::string> olderStandards();

}  // namespace quorbel
