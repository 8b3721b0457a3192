#include "cli/measure_command.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "base/limit_values.h"
#include "measure/measure.h"
#include "measure/measure_json.h"

namespace quorbel {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kStopped = 4;  // a bound of the analysis tripped, as for `quorbel analyze`
constexpr size_t kMaxFileBytes = 1u << 20;

void printUsage(std::ostream& out) {
  out << "Usage: quorbel measure FILE.cpp [--budget SECONDS] [--vary NAME]\n"
         "                      [--shape tree|permutation|connected|random] [--json]\n"
         "  Runs the program on generated inputs at doubling sizes in the runner's box and\n"
         "  compares the growth of its CPU time with the static estimate.\n"
         "  --budget  CPU seconds one run may take before the sizes stop growing (default 1)\n"
         "  --vary    grow this size alone and hold the others\n"
         "  --shape   the structure of read edges or positions (default: a tree for n - 1 edges)\n";
}

std::string fixed(double value, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", digits, value);
  return buffer;
}

std::string sizesText(const SizeRun& run) {
  std::string text;
  for (const auto& [name, value] : run.sizes)
    text += (text.empty() ? "" : " ") + name + "=" + fixed(value, 0);
  return text.empty() ? "size " + fixed(run.size, 0) : text;
}

void printReport(const Measurement& m, std::ostream& out) {
  out << "Status: " << m.status << '\n' << m.message << '\n';
  if (!m.estimate.empty()) out << "Estimate: " << m.estimate << '\n';
  if (m.fit.decided) {
    out << "Measured: O(" << m.fit.measured << "), confidence " << fixed(m.fit.confidence, 2)
        << '\n';
    out << "Comparison: " << m.comparison << '\n';
    out << "Closest classes (relative error):";
    for (size_t i = 0; i < m.fit.ranking.size() && i < 4; ++i)
      out << (i ? ", " : " ") << m.fit.ranking[i].name << " " << fixed(m.fit.ranking[i].error, 3);
    out << '\n';
  }
  if (!m.plan.empty()) out << "Plan: " << m.plan << '\n';
  if (!m.shape.empty()) out << "Shape: " << m.shape << '\n';
  if (!m.runs.empty()) {
    out << "Runs (CPU seconds, least of the repetitions; start-up " << fixed(m.fit.baseline, 4)
        << " s):\n";
    for (const SizeRun& run : m.runs)
      out << "  " << sizesText(run) << "  " << fixed(run.best, 4) << " s  input "
          << describeBytes(static_cast<double>(run.inputBytes)) << '\n';
  }
  if (!m.stopReason.empty()) out << "Stopped: " << m.stopReason << '\n';
  for (const std::string& note : m.notes) out << "Note: " << note << '\n';
}

}  // namespace

bool isMeasureCliCommand(int argc, char** argv) {
  return argc >= 2 && argv != nullptr && argv[1] != nullptr && std::string(argv[1]) == "measure";
}

int runMeasureCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                  bool showProgress) {
  MeasureOptions options;
  std::string file;
  bool json = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (word == "--help" || word == "-h") {
      printUsage(out);
      return kOk;
    } else if (word == "--json") {
      json = true;
    } else if ((word == "--budget" || word == "--vary" || word == "--shape") && !hasValue) {
      err << "quorbel: " << word << " needs a value.\n";
      return kUsage;
    } else if (word == "--budget") {
      const ReadNumber seconds = readSeconds(arguments[++i]);
      if (!seconds.ok || seconds.value <= 0 || seconds.value > 10) {
        err << "quorbel: --budget takes seconds above 0 and at most 10.\n";
        return kUsage;
      }
      options.budgetSeconds = seconds.value;
    } else if (word == "--vary") {
      options.vary = arguments[++i];
    } else if (word == "--shape") {
      options.shape = arguments[++i];
    } else if (file.empty() && !word.starts_with("--")) {
      file = word;
    } else {
      err << "quorbel: unexpected argument: " << word << '\n';
      printUsage(err);
      return kUsage;
    }
  }
  if (file.empty()) {
    printUsage(err);
    return kUsage;
  }
  std::ifstream stream(file, std::ios::binary);
  if (!stream) {
    err << "quorbel: could not read file: " << file << '\n';
    return kFailed;
  }
  std::ostringstream contents;
  contents << stream.rdbuf();
  const std::string code = contents.str();
  if (code.size() > kMaxFileBytes) {
    err << "quorbel: file is too large to measure (limit 1 MB).\n";
    return kFailed;
  }
  MeasureProgress progress;
  if (showProgress && !json) {
    progress = [&err](const SizeRun& run) {
      err << "  " << sizesText(run) << "  " << fixed(run.best, 4) << " s\n" << std::flush;
    };
  }
  const Measurement m = measureProgram(code, options, progress);
  if (json) {
    out << renderMeasurementJson(m, false) << '\n';
  } else {
    printReport(m, out);
  }
  if (m.status == "bad_request") return kUsage;
  if (m.status == "analysis_stopped") return kStopped;
  return m.status == "measured" || m.status == "undecided" ? kOk : kFailed;
}

int dispatchMeasureCli(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i] == nullptr ? "" : argv[i]);
  return runMeasureCli(arguments, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}

}  // namespace quorbel
