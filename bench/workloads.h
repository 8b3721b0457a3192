// Programs the speed bench generates: shapes far larger or deeper than a contest solution,
// each kept under the 1 MB analysis limit.
#pragma once

#include <string>
#include <vector>

namespace quorbel::bench {

struct Workload {
  std::string name;
  std::string source;
};

// About 5,000 lines: many small functions, each with a loop nest, called from main.
std::string manyFunctionsProgram(int lines);
// Blocks `if (x) {` nested `depth` levels deep inside main.
std::string deepBlocksProgram(int depth);
// Counted loops nested `depth` levels deep inside main.
std::string deepLoopsProgram(int depth);
// `count` helpers f0 .. f{count-1}, each calling the next inside a loop; with `cycle` the
// last calls f0 again, so the call graph is one long cycle.
std::string helperChainProgram(int count, bool cycle);
// One function of straight-line and looped statements, padded to exactly `bytes` bytes.
std::string hugeFunctionProgram(size_t bytes);

// The programs one after another, in order and round again, until the text holds `lines`
// lines; each copy's main (any whole word "main") is renamed main_<round>_<index>, so that the
// whole still parses as one file of many helpers, as an editor's buffer of pasted solutions.
std::string concatenatedPrograms(const std::vector<std::string>& programs, size_t lines);

// Every generated workload the bench measures, in report order.
std::vector<Workload> generatedWorkloads();

}  // namespace quorbel::bench
