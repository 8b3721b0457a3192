// The runner's contract checked end to end: each row compiles and runs a small program
// through runCppProgram and states what the result must show.
#include "runner/runner_checks.h"

#include <dirent.h>

#include <cstdlib>
#include <iostream>
#include <optional>

#include "runner/runner_config.h"

namespace quorbel {
namespace {

// ---- Programs ----

constexpr const char* kEndlessLoop = "int main(){ while(true){} }\n";

struct ProgramCheck {
  const char* name;
  const char* code;
  const char* input;
  bool (*passes)(const RunResult&);
};

// Where a program prints a backslash and n, its source escapes the backslash: the output holds
// the two characters, not a line feed.
const ProgramCheck kProgramChecks[] = {
    {"stdout-stderr",
     R"(#include <cstdio>
int main(){ std::fputs("hello\\n", stdout); std::fputs("warn\\n", stderr); }
)",
     "",
     [](const RunResult& r) {
       return r.status == "success" && r.stdout == "hello\\n" && r.stderr == "warn\\n";
     }},
    {"stdin",
     R"(#include <cstdio>
int main(){ long long x = 0; if (std::scanf("%lld", &x) != 1) return 1; std::printf("%lld\\n", x * 2); }
)",
     "21\n", [](const RunResult& r) { return r.status == "success" && r.stdout == "42\\n"; }},
    {"compile-error", "#include <iostream>\nint main(){\n", "",
     [](const RunResult& r) { return r.status == "compile_error" && !r.compilerOutput.empty(); }},
    {"runtime-error",
     R"(#include <cstdio>
int main(){ std::fputs("bad\\n", stderr); return 7; }
)",
     "",
     [](const RunResult& r) {
       return r.status == "runtime_error" && r.exitCode == 7 &&
              r.stderr.find("bad") != std::string::npos;
     }},
    {"timeout", kEndlessLoop, "",
     [](const RunResult& r) { return r.status == "timeout" && r.timedOut; }},
    // Endless output: its first megabyte comes back, and the run ends past 64 MB.
    {"stdout-truncation", "#include <cstdio>\nint main(){ for(;;) std::putchar('x'); }\n", "",
     [](const RunResult& r) {
       return r.stdoutTruncated && r.stdout.size() == kKeptOutputBytes &&
              r.error == "Output limit exceeded.";
     }},
    {"stderr-truncation",
     "#include <cstdio>\nint main(){ static char e[65536]; for (char& c : e) c = 'e'; "
     "for(;;) std::fwrite(e, 1, sizeof e, stderr); }\n",
     "",
     [](const RunResult& r) {
       return r.stderrTruncated && r.stderr.size() == kKeptOutputBytes &&
              r.error == "Output limit exceeded.";
     }},
    {"env-isolation",
     R"(#include <cstdio>
#include <cstdlib>
int main(){ const char* v = std::getenv("DATABASE_URL"); std::puts(v ? v : "empty"); }
)",
     "", [](const RunResult& r) { return r.stdout == "empty\n"; }},
    {"absolute-include-blocked", "#include \"/etc/passwd\"\nint main(){}\n", "",
     [](const RunResult& r) { return r.status == "bad_request"; }},
    {"parent-include-blocked", "#include \"../../somefile\"\nint main(){}\n", "",
     [](const RunResult& r) { return r.status == "bad_request"; }},
    {"macro-include-blocked", "#define SECRET \"/etc/passwd\"\n#include SECRET\nint main(){}\n", "",
     [](const RunResult& r) { return r.status == "bad_request"; }},
    // Both the pointer and its target are volatile: GCC drops a plain store through a null
    // pointer that nothing reads afterwards.
    {"runtime-crash", "int main(){ volatile int* volatile p = nullptr; *p = 1; return 0; }\n", "",
     [](const RunResult& r) { return r.status == "runtime_error" && r.exitCode != 0; }},
};

// ---- Helpers ----

RunResult runProgram(const char* code, const char* input) {
  RunRequest request;
  request.code = code;
  request.input = input;
  return runCppProgram(request);
}

void reportRun(bool& allPassed, const std::string& name, const RunResult& result, bool passed) {
  reportTest(allPassed, name, passed, passed ? "" : summarizeRun(result));
}

// Runs the endless loop or the file writer and checks that no run directory stays behind.
void checkCleanup(bool& allPassed, const std::string& name, const char* code,
                  const std::string& wantedStatus) {
  const int before = countTempRunDirs();
  RunResult result = runProgram(code, "");
  const int after = countTempRunDirs();
  reportRun(allPassed, name, result, result.status == wantedStatus && after <= before);
}

// Sets `name` to `value` for the life of the object, then puts back what it had (or removes
// it when it was unset).
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    const char* current = std::getenv(name);
    if (current != nullptr) previous_ = current;
    setenv(name, value, 1);
  }
  ~ScopedVariable() {
    if (previous_) {
      setenv(name_, previous_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

// Runs a trivial program with `variable` set to "1": without the box (bwrap pointed at a
// missing file) it must be refused; with the box, where this host has one, it must run.
void checkFailsClosed(bool& allPassed, const std::string& name, const char* variable, bool boxed) {
  const char* const kTrivial = "int main(){ return 0; }\n";
  ScopedVariable required(variable, "1");
  RunResult refused;
  {
    ScopedVariable noBox("QUORBEL_RUNNER_BWRAP", "/nonexistent/bwrap");
    refused = runProgram(kTrivial, "");
  }
  if (refused.status != "internal_error" || !boxed) {
    reportRun(allPassed, name, refused, refused.status == "internal_error");
    return;
  }
  RunResult met = runProgram(kTrivial, "");
  reportRun(allPassed, name, met, met.status == "success");
}

void checkProbe(bool& allPassed, const std::string& name, const std::string& mode) {
  std::string details;
  bool passed = trustedProcessGroupKillProbe(mode, details);
  reportTest(allPassed, name, passed, details);
}

}  // namespace

void reportTest(bool& allPassed, const std::string& name, bool passed, const std::string& details) {
  std::cout << "runner-" << name << ": " << (passed ? "ok" : "failed");
  if (!passed && !details.empty()) std::cout << " | " << details;
  std::cout << "\n";
  if (!passed) allPassed = false;
}

std::string summarizeRun(const RunResult& result) {
  std::string text = result.status + " phase=" + result.phase +
                     " exit=" + std::to_string(result.exitCode) +
                     " out=" + std::to_string(result.stdout.size()) +
                     " err=" + std::to_string(result.stderr.size());
  if (!result.error.empty()) text += " error=" + result.error;
  if (!result.compilerOutput.empty()) text += " compiler=" + result.compilerOutput;
  // A run may keep a megabyte of standard error; a report line needs its start.
  if (!result.stderr.empty()) text += " stderr=" + result.stderr.substr(0, 200);
  return text;
}

int countTempRunDirs() {
  DIR* dir = opendir(tempBaseDirectory().c_str());
  if (dir == nullptr) return 0;
  int count = 0;
  while (const dirent* entry = readdir(dir)) {
    if (std::string_view(entry->d_name).starts_with("quorbel-run-")) ++count;
  }
  closedir(dir);
  return count;
}

int runRunnerSelfTests() {
  bool allPassed = true;
  for (const ProgramCheck& check : kProgramChecks) {
    RunResult result = runProgram(check.code, check.input);
    reportRun(allPassed, check.name, result, check.passes(result));
  }
  checkCleanup(allPassed, "timeout-cleanup", kEndlessLoop, "timeout");
  checkCleanup(allPassed, "temp-file-cleanup", R"(#include <cstdio>
int main(){ std::FILE* f = std::fopen("leftover.txt", "w"); if (!f) return 1; std::fputs("x", f); std::fclose(f); }
)",
               "success");
  checkProbe(allPassed, "timeout-process-group-kill", "timeout");
  checkProbe(allPassed, "stdout-overflow-process-group-kill", "stdout");
  checkProbe(allPassed, "stderr-overflow-process-group-kill", "stderr");
  const RunnerIsolation isolation = runnerIsolation();
  checkFailsClosed(allPassed, "require-chroot-fails-closed", "QUORBEL_RUNNER_REQUIRE_CHROOT",
                   isolation.boxed);
  checkFailsClosed(allPassed, "require-netns-fails-closed", "QUORBEL_RUNNER_REQUIRE_NETNS",
                   isolation.boxed);
  checkBox(allPassed, isolation);
  std::cout.flush();
  return allPassed ? 0 : 1;
}

int runRunnerLinuxValidation() {
  bool allPassed = true;
  const RunnerIsolation isolation = runnerIsolation();
  reportTest(allPassed, "linux-production-host", isolation.boxed, isolation.reason);
  if (isolation.boxed) checkBox(allPassed, isolation);
  std::cout.flush();
  return allPassed ? 0 : 1;
}

}  // namespace quorbel
