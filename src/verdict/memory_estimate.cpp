#include "verdict/memory_estimate.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "cost/cost_values.h"
#include "base/text.h"
#include "base/limit_values.h"

namespace quorbel {
namespace {

// An adjacency list entry: the neighbour and the list's spare capacity, about two words.
constexpr double kListEntryBytes = 16;
constexpr double kAssumedElementBytes = 8;
// One call of a small recursive function: return address, saved registers, a few arguments and
// locals; what g++ -O2 gives a dfs(int v, int parent) on x86-64.
constexpr double kFrameBytes = 64;

class Estimator {
 public:
  Estimator(const SourceFacts& facts, const std::map<std::string, double>& limits,
            const std::vector<std::string>& unlimited)
      : facts_(facts), limits_(limits), unlimited_(unlimited) {
    for (const auto& [name, constant] : facts.constants) constants_[name] = constant.value;
  }

  MemoryEstimate run(const std::vector<Contribution>& rows) {
    addFixedArrays();
    indexContainers();
    for (const Contribution& row : rows) addRow(row);
    return std::move(out_);
  }

 private:
  // ---- Sizes and counts ----

  bool lookup(const std::string& name, double& value) const {
    for (const auto* table : {&constants_, &limits_}) {
      const auto found = table->find(name);
      if (found != table->end()) {
        value = found->second;
        return true;
      }
    }
    return false;
  }

  bool isUnlimited(const std::string& name) const {
    return std::find(unlimited_.begin(), unlimited_.end(), name) != unlimited_.end();
  }

  void addMissing(const std::string& name) {
    if (std::find(out_.missing.begin(), out_.missing.end(), name) == out_.missing.end())
      out_.missing.push_back(name);
  }

  static double bytesOf(const TypeSize& size, bool& known) {
    known = known && size.known;
    return size.bytes;
  }

  // An extent's length at the limits: false when it has none, with `missing` set when the
  // size it needs has no limit.
  bool lengthOf(const Extent& extent, double& length, std::string& missing) const {
    if (extent.known) {
      length = extent.value;
      return true;
    }
    const auto limit = limits_.find(extent.size);
    if (limit != limits_.end()) {
      length = extent.scale * limit->second + extent.offset;
      return extent.affine;
    }
    if (isUnlimited(extent.size)) missing = extent.size;
    return false;
  }

  // ---- Fixed arrays ----

  void addFixedArrays() {
    for (const SourceDeclaration& declaration : facts_.declarations) {
      for (const Declarator& d : declaration.declarators) {
        if (d.extents.empty()) continue;
        double elements = 1;
        std::string missing;
        for (const Extent& extent : d.extents) {
          double length = 0;
          std::string unknown;
          if (lengthOf(extent, length, unknown)) {
            elements *= std::max(0.0, length);
          } else if (!unknown.empty()) {
            missing = unknown;
          } else {
            elements = -1;  // a length this step cannot know, such as a local variable
          }
        }
        if (elements < 0) continue;
        arrayLines_.insert(declaration.line);
        MemoryItem item;
        item.line = std::to_string(declaration.line);
        item.what = d.shown;
        if (!missing.empty()) {
          addMissing(missing);
          item.text = "not counted: no limit for " + missing;
        } else {
          bool known = true;
          item.bytes = elements * bytesOf(d.stored.element, known);
          item.counted = true;
          item.text = describeBytes(item.bytes) + (known ? "" : " (element size assumed 8 bytes)");
        }
        out_.items.push_back(std::move(item));
      }
    }
  }

  // ---- Breakdown rows ----

  struct Target {
    const SourceDeclaration* declaration = nullptr;
    const Declarator* declarator = nullptr;
    bool declaredHere = false;
  };

  // The container declarations, by line and name and by name, so that each row is one look-up.
  void indexContainers() {
    for (const SourceDeclaration& declaration : facts_.declarations) {
      if (declaration.declarators.empty() || !declaration.declarators[0].stored.container) continue;
      for (const Declarator& d : declaration.declarators) {
        containersHere_.emplace(std::pair(declaration.line, d.name),
                                Target{&declaration, &d, true});
        containersByName_.emplace(d.name, Target{&declaration, &d, false});
      }
    }
  }

  // The declaration of the structure the row stores: on the row's line, else the first one.
  Target targetOf(const Contribution& row) const {
    const auto here = containersHere_.find(std::pair(row.line, row.structure));
    if (here != containersHere_.end()) return here->second;
    const auto named = containersByName_.find(row.structure);
    return named == containersByName_.end() ? Target{} : named->second;
  }

  // Bytes per counted unit of a row's structure, and how to name it.
  double unitBytes(const Target& target, std::string& what, bool& known) const {
    const Declarator& d = *target.declarator;
    const StoredType& stored = d.stored;
    what = d.shown;
    if (target.declaredHere) {
      // vector<vector<T>> dp(n, vector<T>(m)) counts n * m values of T; adj(n) counts n lists.
      const TypeSize& element = d.builtNested ? stored.innermostElement : stored.listElement;
      return bytesOf(element, known) + stored.entryOverhead;
    }
    // Declared elsewhere, a list per slot counts the entries its lists gained.
    const bool arrayOfLists = !d.extents.empty();
    if (arrayOfLists || stored.nested) {
      what += ": list entries";
      return std::max(kListEntryBytes,
                      bytesOf(arrayOfLists ? stored.listElement : stored.innerElement, known));
    }
    return bytesOf(stored.listElement, known) + stored.entryOverhead;
  }

  void addRow(const Contribution& row) {
    const std::vector<std::string> names = sizesInOrderShown(row.cost);
    if (names.empty()) return;
    const int line = row.line;                           // rows without a line have none
    if (line > 0 && arrayLines_.contains(line)) return;  // counted with the fixed arrays
    MemoryItem item;
    item.line = line > 0 ? std::to_string(line) : "-";
    item.what = row.what;
    std::map<std::string, double> values;
    std::vector<std::string> missing;
    for (const std::string& name : names) {
      double value = 0;
      if (lookup(name, value)) {
        values[name] = value;
      } else {
        missing.push_back(name);
        addMissing(name);
      }
    }
    const double log10Count = missing.empty() ? log10OfCost(simplifyCost(row.cost), values) : NAN;
    if (lowerCopy(row.what).find("recursion") != std::string::npos) {
      item.what = "recursion stack";
      if (missing.empty()) {
        item.counted = true;
        item.bytes = std::pow(10.0, log10Count) * kFrameBytes;
        item.text = describeBytes(item.bytes) + " (depth " + describeCount(log10Count) +
                    " calls of about 64 bytes each)";
      } else {
        item.text = "not counted: no limit for " + missing[0];
      }
      out_.items.push_back(std::move(item));
      return;
    }
    bool known = true;
    double unit = kAssumedElementBytes;
    const Target target = line > 0 ? targetOf(row) : Target{};
    if (target.declaration != nullptr) {
      unit = unitBytes(target, item.what, known);
    } else {
      known = false;
    }
    if (!missing.empty()) {
      item.text = "not counted: no limit for " + missing[0];
    } else {
      item.counted = true;
      item.bytes = std::pow(10.0, log10Count) * unit;
      item.text = describeBytes(item.bytes) + (known ? "" : " (element size assumed 8 bytes)");
    }
    out_.items.push_back(std::move(item));
  }

  const SourceFacts& facts_;
  const std::map<std::string, double>& limits_;
  const std::vector<std::string>& unlimited_;
  std::map<std::string, double> constants_;
  std::set<int> arrayLines_;
  std::map<std::pair<int, std::string>, Target> containersHere_;
  std::map<std::string, Target> containersByName_;
  MemoryEstimate out_;
};

}  // namespace

MemoryEstimate estimateMemory(const std::vector<Contribution>& spaceRows, const SourceFacts& facts,
                              const std::map<std::string, double>& limits,
                              const std::vector<std::string>& unlimited) {
  return Estimator(facts, limits, unlimited).run(spaceRows);
}

}  // namespace quorbel
