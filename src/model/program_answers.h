// Answers about the whole program that the readers ask again of every loop, kept with the model
// once found: each asking would otherwise search the whole tree, and a program with many loops
// would pay for that with the square of its length.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "model/tree.h"

namespace quorbel {

struct ProgramIndex;  // model/program_index.cpp

struct ProgramAnswers {
  std::mutex mutex;                          // a finished model may be read by more than one thread
  std::map<std::string, bool> unitesBySize;  // by the table of parents
  // The calls of sort, std::sort and stable_sort, in the order they are written.
  std::optional<std::vector<Node>> sortCalls;
  // The functions nothing else calls (model/entry_points.h), with the count of functions they
  // were found among: a model whose functions changed since finds them again.
  std::optional<std::set<std::string>> entryFunctions;
  size_t entryFunctionsAmong = 0;
  std::shared_ptr<const ProgramIndex> index;  // calls, identifiers and definitions by name
};

}  // namespace quorbel
