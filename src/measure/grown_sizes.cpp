#include "measure/grown_sizes.h"

#include <algorithm>

#include "cost/cost.h"

namespace quorbel {

std::string readSizeName(const std::string& estimateSize) {
  std::string name = estimateSize;
  if (name.size() > 2 && name.front() == '|' && name.back() == '|')
    name = name.substr(1, name.size() - 2);
  for (const char* suffix : {".size()", ".length()"})
    if (name.ends_with(suffix)) name.resize(name.size() - std::string_view(suffix).size());
  return name;
}

SizeSources derivedSizeSources(const Model& model, const InputPlan& plan,
                               const std::vector<std::string>& estimateSizes) {
  // Entries read as positions take values up to their size, entries read as sizes grow
  // themselves: the largest of them grows with that size.
  std::map<std::string, std::string> governing;
  for (const PlanValue* value : planValues(plan)) {
    const std::string entries = value->base.empty() ? value->name : value->base;
    if (value->role == ValueRole::kPosition && !value->governingSize.empty())
      governing[entries] = value->governingSize;
    else if (value->role == ValueRole::kSize)
      governing[entries] = value->name;
  }
  SizeSources sources;
  for (const std::string& size : estimateSizes) {
    const std::string name = readSizeName(size);
    std::set<std::string> from;
    // int n = s.size(): the string's symbol carries the name its length goes by; a container
    // whose largest entry the program keeps carries that entry's name.
    for (const auto& [other, symbol] : model.symbols) {
      if (symbol.sizeName == name && other != name) from.insert(other);
      auto position = governing.find(other);
      if (symbol.largestEntry == name && position != governing.end()) from.insert(position->second);
    }
    const Symbol* symbol = findSymbol(model, name);
    if (symbol != nullptr && symbol->hasDerived)
      for (const std::string& part : sizesOf(symbol->derived))
        if (readSizeName(part) != name) from.insert(readSizeName(part));
    if (!from.empty()) sources[name] = std::move(from);
  }
  return sources;
}

namespace {

bool grew(const std::string& name, const std::vector<std::map<std::string, double>>& runs) {
  bool seen = false;
  double least = 0, most = 0;
  for (const std::map<std::string, double>& run : runs) {
    auto found = run.find(name);
    if (found == run.end()) continue;
    least = seen ? std::min(least, found->second) : found->second;
    most = seen ? std::max(most, found->second) : found->second;
    seen = true;
  }
  return seen && most > least;
}

}  // namespace

std::vector<std::string> sizesNotGrown(const std::vector<std::string>& estimateSizes,
                                       const std::vector<std::map<std::string, double>>& runs,
                                       const SizeSources& sources) {
  std::vector<std::string> held;
  for (const std::string& size : estimateSizes) {
    const std::string name = readSizeName(size);
    // A size the program computes grows with what it is computed from, when it reads no
    // value of its own.
    bool grown = grew(name, runs);
    const bool read = std::any_of(runs.begin(), runs.end(),
                                  [&](const auto& run) { return run.count(name) != 0; });
    auto from = sources.find(name);
    if (!read && from != sources.end())
      for (const std::string& source : from->second) grown = grown || grew(source, runs);
    if (!grown) held.push_back(size);
  }
  return held;
}

}  // namespace quorbel
