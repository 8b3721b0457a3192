#include "runner/runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "runner/run_outcome.h"
#include "runner/runner_box.h"
#include "runner/runner_checks.h"
#include "runner/runner_config.h"
#include "runner/runner_debug.h"
#include "runner/runner_files.h"
#include "runner/runner_includes.h"
#include "runner/runner_limits.h"
#include "runner/runner_pch.h"
#include "runner/runner_process_tree.h"
#include "test_support.h"

namespace quorbel {
namespace {

using testing::ScopedEnv;

RunResult run(const std::string& code, const std::string& input = "") {
  RunRequest request;
  request.code = code;
  request.input = input;
  return runCppProgram(request);
}

// `size` bytes of code whose only flaw is an unsafe include: reaching the include check proves
// the size checks let it through, without compiling anything.
std::string unsafeCodeOfSize(size_t size) {
  std::string code = "#include \"/etc/passwd\"\n//";
  code.append(size - code.size() - 1, 'x');
  code += "\n";
  return code;
}

const char* const kUnsafeInclude = "Unsafe include path is not allowed: /etc/passwd";
const char* const kTrivial = "int main(){ return 0; }\n";

// ---- Refusals before compiling ----

TEST(RunnerTest, RefusalsBeforeCompiling) {
  struct Case {
    const char* name;
    std::string code;
    std::string input;
    const char* error;
  };
  const std::string atLimit(64 << 20, 'i');
  const std::string overLimit((64 << 20) + 1, 'i');
  const Case kCases[] = {
      {"empty code is refused before any size check", "", overLimit,
       "Expected a non-empty code field."},
      {"code at the limit", unsafeCodeOfSize(102400), "", kUnsafeInclude},
      {"code one byte over", unsafeCodeOfSize(102401), "", "Code exceeds the 100 KB limit."},
      {"code over wins over input over", unsafeCodeOfSize(102401), overLimit,
       "Code exceeds the 100 KB limit."},
      {"input at the limit", unsafeCodeOfSize(100), atLimit, kUnsafeInclude},
      {"input one byte over", unsafeCodeOfSize(100), overLimit, "Input exceeds the 64 MB limit."},
  };
  testing::ScopedTmpDir tmpdir;
  for (const Case& c : kCases) {
    RunResult result = run(c.code, c.input);
    EXPECT_EQ(result.status, "bad_request") << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
    EXPECT_EQ(result.phase, "") << c.name;
    EXPECT_EQ(result.exitCode, -1) << c.name;
  }
  EXPECT_EQ(countTempRunDirs(), 0) << "a refusal makes no run directory";
}

// Without the box the two switches refuse runs as they always did (the self-tests check that
// the box meets both).
TEST(RunnerTest, RequiredIsolationFailsClosedWithoutTheBox) {
  struct Case {
    const char* name;
    const char* chroot;
    const char* netns;
    const char* code;
    const char* status;
    const char* error;
  };
  const Case kCases[] = {
      {"chroot required", "yes", "no", "#include \"/etc/passwd\"\n", "internal_error",
       "Runner chroot isolation is required but unavailable."},
      {"chroot switch off", "no", "no", "#include \"/etc/passwd\"\n", "bad_request",
       kUnsafeInclude},
      // A required network namespace is only checked when the program starts.
      {"netns required", "no", "TRUE", kTrivial, "internal_error", "Runner sandbox setup failed."},
  };
  ScopedEnv bwrap("QUORBEL_RUNNER_BWRAP", "/nonexistent/bwrap");
  // Without the box every run is refused, unless the operator opted in.
  ScopedEnv boxOnly("QUORBEL_RUNNER_ALLOW_UNBOXED", std::nullopt);
  EXPECT_EQ(run(kTrivial).error,
            "Runs need the box (bubblewrap), which is not available here: bwrap not found at "
            "/nonexistent/bwrap. Set QUORBEL_RUNNER_ALLOW_UNBOXED=1 to run under process limits "
            "alone.");
  ScopedEnv unboxed("QUORBEL_RUNNER_ALLOW_UNBOXED", "1");
  for (const Case& c : kCases) {
    ScopedEnv chroot("QUORBEL_RUNNER_REQUIRE_CHROOT", c.chroot);
    ScopedEnv netns("QUORBEL_RUNNER_REQUIRE_NETNS", c.netns);
    RunResult result = run(c.code);
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
  }
}

// ---- The include check ----

// The code, and the unsafe include it holds (empty: every include is safe).
const testing::Case<const char*, const char*> kIncludeCases[] = {
    // Includes that pass.
    {"whole library header", "#include <bits/stdc++.h>\nint main(){}\n", ""},
    {"quoted local header", "#include \"my.h\"\n", ""},
    {"unterminated quote", "#include \"my.h\n", ""},
    {"relative subdirectory", "#include <sys/types.h>\n#include \"lib/a.b.h\"\n", ""},
    {"dots in a comment after the path", "#include \"my.h\" // see ../notes\n", ""},
    {"blanks around the hash", "  #  include   <vector>\n", ""},
    {"other directives", "#pragma once\n#define X 1\n#if X\n#endif\n", ""},
    {"include inside a line comment", "int x; // #include \"/etc/passwd\"\n", ""},
    {"include inside a one-line block comment", "/* #include \"/etc/passwd\" */\n", ""},

    // The refusals.
    {"absolute quoted", "#include \"/etc/passwd\"\n", "/etc/passwd"},
    {"absolute angled", "#include </etc/shadow>\n", "/etc/shadow"},
    {"parent quoted", "#include \"../../somefile\"\n", "../../somefile"},
    {"parent in the middle", "#include \"a/../../b.h\"\n", "a/../../b.h"},
    {"blanks and tabs before the path", "\t#\tinclude\t\"/x\"\n", "/x"},
    {"no blank before the quote", "#include\"/etc/passwd\"\n", "/etc/passwd"},
    {"macro name", "#define SECRET \"/etc/passwd\"\n#include SECRET\n", "macro-expanded include"},
    {"bare include", "#include\n", "macro-expanded include"},
    {"include_next", "#include_next <vector>\n", "include_next"},
    {"a longer word that starts with include", "#include_nex <vector>\n", "macro-expanded include"},
    {"the first unsafe line wins", "#include <vector>\n#include SECRET\n#include \"/a\"\n",
     "macro-expanded include"},
    {"commented-out lines still read as lines", "/*\n#include \"/etc/passwd\"\n*/\n",
     "/etc/passwd"},
    {"carriage return line ends", "#include <vector>\r\n#include \"/etc/passwd\"\r\n",
     "/etc/passwd"},

    // What the preprocessor rewrites before it reads directives.
    {"digraph hash", "%:include \"/etc/passwd\"\n", "/etc/passwd"},
    {"splice inside the word", "#inc\\\nlude \"/etc/passwd\"\n", "/etc/passwd"},
    {"splice after the hash", "#\\\ninclude </etc/passwd>\n", "/etc/passwd"},
    {"splice with blanks before the newline", "#inc\\  \nlude \"/etc/passwd\"\n", "/etc/passwd"},
    {"comment before the hash", "/* note */ #include \"/etc/passwd\"\n", "/etc/passwd"},
    {"comment between hash and word", "#/**/include \"/etc/passwd\"\n", "/etc/passwd"},
    {"quote inside a comment ends with it", "/* \"*/ #include \"/etc/passwd\"\n", "/etc/passwd"},
    {"double slash inside an angled path", "#include <../..//etc/passwd>\n", "../..//etc/passwd"},
    {"import", "#import \"/etc/passwd\"\n", "/etc/passwd"},

    // Other ways to have the compiler or the assembler read a file.
    {"pragma GCC dependency", "#pragma GCC dependency \"/etc/passwd\"\n", "pragma GCC dependency"},
    {"pragma operator", "_Pragma(\"GCC dependency \\\"/etc/passwd\\\"\")\nint main(){}\n",
     "pragma GCC dependency"},
    {"incbin", "asm(\".incbin \\\"/etc/passwd\\\"\");\n", ".incbin"},
    {"incbin in joined literals", "__asm__(\".inc\" \"bin \\\"/etc/passwd\\\"\");\n", ".incbin"},
    {"incbin spelled with escapes", "asm(\".inc\\x62in \\\"/x\\\"\");\n", ".incbin"},
    {"incbin in octal", "asm(\".inc\\142in \\\"/x\\\"\");\n", ".incbin"},
    {"upper-case directive", "asm(\".INCBIN \\\"/x\\\"\");\n", ".incbin"},
    {"other pragmas", "#pragma GCC optimize(\"O3\")\n#pragma GCC target(\"avx2\")\n", ""},
    {"incbin in a comment", "// .incbin and #pragma GCC dependency\nint main(){}\n", ""},

    // Near misses for the rewriting.
    {"comment opener inside a string", "const char* s = \"/*\";\n#include <vector>\n", ""},
    {"raw string holding a comment opener", "auto s = R\"x(/*)x\";\n#include <vector>\n", ""},
    {"splice in an ordinary line", "int a = 1 + \\\n2;\n#include <vector>\n", ""},
};

TEST(RunnerIncludeTest, RefusesExactlyTheUnsafeIncludes) {
  for (const auto& c : kIncludeCases) EXPECT_EQ(findUnsafeInclude(c.in), c.want) << c.name;
}

TEST(RunnerIncludeTest, NeverReadsPastTheEndOfOddInput) {
  const char* kOdd[] = {"",   "#",     "%:", "#include \"", "#include <", "\\",
                        "/*", "R\"x(", "'",  "\"",          "%"};
  for (const char* code : kOdd) EXPECT_EQ(findUnsafeInclude(code), "") << code;
}

// ---- Compiled programs ----

TEST(RunnerTest, ProgramReadsStandardInputToItsEndInAnEmptyEnvironment) {
  const std::string kCounter = R"(#include <cstdio>
extern char** environ;
int main(){
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) std::puts(*entry);
  long count = 0, sum = 0; int c; while ((c = std::getchar()) != EOF) { ++count; sum += c; }
  std::printf("%ld %ld\n", count, sum);
}
)";
  // bwrap names the working directory; nothing of the server's environment follows.
  const std::string environment = runnerIsolation().boxed ? "PWD=/box\n" : "";
  ScopedEnv secret("DATABASE_URL", "postgres://secret");
  std::string input;
  long sum = 0;
  for (int i = 0; i < 65536; ++i) {
    input.push_back(static_cast<char>(i % 101 + 1));
    sum += i % 101 + 1;
  }
  RunResult full = run(kCounter, input);
  EXPECT_EQ(full.status, "success") << summarizeRun(full);
  EXPECT_EQ(full.phase, "run");
  EXPECT_EQ(full.stdout, environment + "65536 " + std::to_string(sum) + "\n");
  EXPECT_EQ(run(kCounter, "").stdout, environment + "0 0\n")
      << "empty input is end of file at once";
}

TEST(RunnerTest, CrashAndMemoryHogAreRuntimeErrors) {
  struct Case {
    const char* name;
    const char* code;
    int32_t exitCode;
    const char* status;
    const char* signal;
  };
  // clang-format off
  const Case kCases[] = {
      {"null write", "int main(){ volatile int* volatile p = nullptr; *p = 1; return 0; }\n", 139, "runtime_error", "SIGSEGV"},
      // Fits easily in this machine's memory and below the compile stage's cap: only the run
      // stage's address-space cap makes it fail.
      {"memory hog of 768 MiB, touched", R"(#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
int main(){ const size_t size = size_t(768) << 20; char* p = static_cast<char*>(std::malloc(size)); if (p == nullptr) return 3; std::memset(p, 1, size); std::printf("%d\n", p[size - 1]); }
)",
       3, "runtime_error", ""},
      {"vector over the cap", "#include <vector>\nint main(){ std::vector<int> v(300000000); }\n", 134, "memory_limit_exceeded", "SIGABRT"},
  };
  // clang-format on
  for (const Case& c : kCases) {
    RunResult result = run(c.code);
    EXPECT_EQ(result.status, c.status) << c.name << ": " << summarizeRun(result);
    EXPECT_EQ(result.phase, "run") << c.name;
    EXPECT_EQ(result.exitCode, c.exitCode) << c.name;
    EXPECT_EQ(result.signal, c.signal) << c.name;
    EXPECT_FALSE(result.timedOut) << c.name;
    EXPECT_EQ(result.stdout, "") << c.name;
    EXPECT_EQ(result.memoryLimitMb, 512) << c.name;
  }
}

// One memory cap for the whole run: fifteen children of 100 MiB each, each child within its
// own address-space limit, hold 1.5 GiB together and end the run as out of memory. Near miss:
// three of them (300 MiB) run to the end. The parent prints how many children it made only
// once every one has touched its memory and exited.
TEST(RunnerTest, ChildrenShareTheRunsMemoryCap) {
  const std::string program = R"(#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>
int main(){ int n; std::scanf("%d", &n); int made = 0;
  for (int i = 0; i < n; ++i) { pid_t child = fork(); if (child < 0) break; ++made;
    if (child == 0) { volatile char* p = static_cast<char*>(std::malloc(100u << 20)); if (!p) _exit(3);
      for (size_t at = 0; at < (100u << 20); at += 4096) p[at] = 1; sleep(1); _exit(p[4096] == 1 ? 0 : 4); } }
  int failed = 0; for (int status; wait(&status) > 0;) failed += !WIFEXITED(status) || WEXITSTATUS(status) != 0;
  std::printf("%d %d\n", made, failed); })";
  const RunResult many = run(program, "15\n");
  EXPECT_EQ(many.status, "memory_limit_exceeded") << summarizeRun(many);
  EXPECT_EQ(many.stdout, "");
  const RunResult few = run(program, "3\n");
  EXPECT_EQ(few.status, "success") << summarizeRun(few);
  EXPECT_EQ(few.stdout, "3 0\n");
}

// A stand-in cgroup root (this host offers no memory controller): while the program waits,
// each stage's cgroup is given the memory.events its OOM killer would leave, then the program
// ends by SIGKILL as that killer's victim does. Only a counted OOM kill makes it a memory limit.
TEST(RunnerTest, ACgroupOomKillIsAMemoryLimit) {
  if (!runnerIsolation().boxed) GTEST_SKIP() << "no box here: " << runnerIsolation().reason;
  struct Case {
    const char* name;
    const char* events;
    const char* status;
    const char* explanation;
  };
  const Case kCases[] = {
      {"oom_kill counted", "oom 1\noom_kill 1\n", "memory_limit_exceeded",
       "memory limit exceeded: the program asked for more than 512 MB"},
      {"no oom_kill", "oom 0\noom_kill 0\n", "runtime_error",
       "SIGKILL: killed, usually for going over a time or memory limit"},
  };
  for (const Case& c : kCases) {
    testing::ScratchDir root;
    root.write("cgroup.controllers", "cpuset cpu io memory pids\n");
    root.write("cgroup.subtree_control", "");
    ScopedEnv configured("QUORBEL_RUNNER_CGROUP_ROOT", root.path());
    std::atomic<bool> done{false};
    std::thread kernel([&] {
      while (!done) {
        for (const auto& entry : std::filesystem::directory_iterator(root.path()))
          if (entry.is_directory() && !std::filesystem::exists(entry.path() / "memory.events"))
            root.write(entry.path().filename().string() + "/memory.events", c.events);
        usleep(2000);
      }
    });
    const RunResult result =
        run("#include <csignal>\n#include <unistd.h>\nint main(){ usleep(300000); "
            "raise(SIGKILL); }\n");
    done = true;
    kernel.join();
    EXPECT_EQ(result.status, c.status) << c.name << ": " << summarizeRun(result);
    EXPECT_EQ(result.exitCode, 137) << c.name;
    EXPECT_EQ(result.signal, "SIGKILL") << c.name;
    EXPECT_EQ(result.explanation, c.explanation) << c.name;
  }
}

// Plain words for each ending, and the time limit a request may lower but never raise.
// clang-format off
TEST(RunOutcomeTest, EndingsAndLimits) {
  const testing::Case<std::pair<int32_t, std::string>, std::string> kEndings[] = {
      {"division by zero", {136, ""}, "SIGFPE: arithmetic error, often a division or modulo by zero"},
      {"unnamed signal", {128 + 34, ""}, "ended by signal 34"},
      {"exit status", {1, ""}, "exit code 1: main returned it or exit() was called with it"},
      {"bad_alloc", {134, "what():  std::bad_alloc"}, "memory limit exceeded: the program asked for more than 512 MB"},
  };
  RunResult result;
  for (const auto& c : kEndings) {
    result.status = "runtime_error", result.phase = "run", result.stderr = c.in.second, result.exitCode = c.in.first;
    explainRunEnding(result);
    EXPECT_EQ(result.explanation, c.want) << c.name;
  }
  result.status = "runtime_error", result.stderr = "", result.exitCode = 137;
  explainRunEnding(result, /*memoryLimitKilled=*/true);
  EXPECT_EQ(result.status, "memory_limit_exceeded") << "the cgroup's OOM kill";
  result.status = "compile_error", result.phase = "compile", result.explanation = "";
  explainRunEnding(result);
  EXPECT_EQ(result.explanation, "") << "only a run stage's ending is explained";
  // Under the default cap of 10 s, and under a cap an operator lowered below the default.
  const std::pair<int64_t, int64_t> kLimits[] = {{0, 2000}, {-5, 2000}, {1, 100}, {1500, 1500}, {2001, 2001}, {4000, 4000}, {10000, 10000}, {10001, 10000}};
  for (const auto& [asked, got] : kLimits) EXPECT_EQ(runTimeLimitMs(asked, 10000), got) << asked;
  const std::pair<int64_t, int64_t> kLowCap[] = {{0, 1000}, {999, 999}, {1001, 1000}};
  for (const auto& [asked, got] : kLowCap) EXPECT_EQ(runTimeLimitMs(asked, 1000), got) << asked;
}
// clang-format on

// The compile limit is whole seconds from 1 to 120; anything else keeps the default 5 s.
TEST(RunnerConfigTest, CompileLimitFromTheEnvironment) {
  const std::pair<std::optional<std::string>, int64_t> kCases[] = {
      {std::nullopt, 5000}, {"", 5000},    {"1", 1000},   {"60", 60000}, {"120", 120000},
      {"0", 5000},          {"121", 5000}, {"-3", 5000},  {"2.5", 5000}, {"1000", 5000},
      {" 7", 5000},         {"7s", 5000},  {"007", 7000},
  };
  for (const auto& [value, wantMs] : kCases) {
    ScopedEnv limit("QUORBEL_RUNNER_COMPILE_SECONDS", value);
    EXPECT_EQ(compileTimeoutMs(), wantMs) << value.value_or("(unset)");
  }
}

// A ready header folder of the server's own is passed to the compiler; a folder or header that
// others may write into (planted in a shared /tmp) is never used.
TEST(RunnerPchTest, OnlyTheServersOwnReadyFolderIsUsed) {
  testing::ScratchDir scratch;
  testing::ScopedEnv tmp{"TMPDIR", scratch.path()};
  const std::vector<std::string> args = {"/usr/bin/g++", "-O2", "main.cpp", "-o", "main"};
  const std::string folder = precompiledHeaderFolder(args);
  ASSERT_TRUE(folder.starts_with(scratch.path() + "/quorbel-pch-")) << folder;
  EXPECT_EQ(precompiledHeaderFolder({"/usr/bin/g++", "-O0", "main.cpp"}) == folder, false);
  // What only the link reads, and the debug support in either form, leave the folder as it is.
  EXPECT_EQ(precompiledHeaderFolder(
                {"/usr/bin/g++", "-O2", "-fuse-ld=gold", "main.cpp", "-o", "main", "-lbacktrace"}),
            folder);
  EXPECT_EQ(precompiledHeaderFolder({"/usr/bin/g++", "-O1", "main.cpp", "quorbel_debug.cpp"}),
            precompiledHeaderFolder({"/usr/bin/g++", "-O1", "main.cpp", "quorbel_debug.o"}));
  const std::string relative = folder.substr(scratch.path().size() + 1);
  scratch.makeDirectory(relative + "/bits");
  const std::string header = scratch.write(relative + "/bits/stdc++.h.gch", "x", 0444);
  ::chmod(folder.c_str(), 0777);
  EXPECT_EQ(withPrecompiledHeader(args), args) << "folder writable by others";
  ::chmod(folder.c_str(), 0755);
  ::chmod(header.c_str(), 0666);
  EXPECT_EQ(withPrecompiledHeader(args), args) << "header writable by others";
  ::chmod(header.c_str(), 0444);
  const std::vector<std::string> want = {"/usr/bin/g++", "-O2", "-I",  folder,
                                         "main.cpp",     "-o",  "main"};
  EXPECT_EQ(withPrecompiledHeader(args), want);
}

std::vector<std::string> sortedEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The header's build runs a stand-in compiler (a script whose last argument is its output) as a
// compile stage: only a build that ends well publishes a header, and whatever a killed build
// left (its build folder, a stray part) is gone after the next build, whatever its ending.
TEST(RunnerPchTest, OnlyAWholeHeaderIsPublished) {
  struct Row {
    const char* name;
    const char* script;
    int64_t timeoutMs;
    bool ready;
    const char* message;
  };
  const Row kRows[] = {
      {"finishes", "printf pch > \"$out\"", 30000, true, "built"},
      {"fails after writing a part", "printf part > \"$out\"; exit 1", 30000, false,
       "compiler exit 1: "},
      {"killed mid-build", "printf part > \"$out\"; exec sleep 30", 300, false,
       "timed out after 300 ms"},
      {"exits well, writes nothing", "exit 0", 30000, false, "the compiler left no usable header"},
  };
  ScopedEnv unboxed("QUORBEL_RUNNER_ALLOW_UNBOXED", "1");
  for (const Row& row : kRows) {
    testing::ScratchDir scratch;
    testing::ScopedEnv tmp{"TMPDIR", scratch.path()};
    const std::string compiler = scratch.write(
        "cc", std::string("#!/bin/sh\nfor out; do :; done\n") + row.script + "\n", 0755);
    const std::vector<std::string> args = {compiler, "-O2", "main.cpp", "-o", "main"};
    const std::string folder = precompiledHeaderFolder(args);
    const std::string relative = folder.substr(scratch.path().size() + 1);
    scratch.makeDirectory(relative + "/build-a1b2c3");
    scratch.makeDirectory(relative + "/bits");
    scratch.write(relative + "/build-a1b2c3/stdc++.h.gch", "part");
    scratch.write(relative + "/bits/stdc++.h.gch.4242", "part");
    const PrecompiledHeaderBuild build = buildPrecompiledHeader(args, row.timeoutMs);
    EXPECT_EQ(build.ready, row.ready) << row.name << ": " << build.message;
    EXPECT_EQ(build.message, row.message) << row.name;
    EXPECT_EQ(sortedEntries(folder), (std::vector<std::string>{"bits", "lock"})) << row.name;
    const std::vector<std::string> header =
        row.ready ? std::vector<std::string>{"stdc++.h.gch"} : std::vector<std::string>{};
    EXPECT_EQ(sortedEntries(folder + "/bits"), header) << row.name;
    EXPECT_EQ(withPrecompiledHeader(args) != args, row.ready) << row.name;
    if (!row.ready) continue;
    EXPECT_EQ(testing::readFile(folder + "/bits/stdc++.h.gch"), "pch");
    struct stat info {};
    ASSERT_EQ(::stat((folder + "/bits/stdc++.h.gch").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u) << "read-only once published";
    EXPECT_EQ(buildPrecompiledHeader(args, row.timeoutMs).message, "already built");
  }
}

// A debug build's folder also gets the debug support's object, compiled after the header by
// the same stand-in compiler (a script writing its output's name into it); a debug compile
// takes the object when both are the server's own and whole, else the source.
TEST(RunnerPchTest, ADebugBuildKeepsItsSupportCompiled) {
  struct Row {
    const char* name;
    const char* script;
    bool ready;
    const char* message;
    std::vector<std::string> entries;  // of the folder, besides bits and lock
  };
  const Row kRows[] = {
      {"both compile", "", true, "built", {"quorbel_debug.o"}},
      {"the object fails",
       "case \"$out\" in *.o) exit 1;; esac",
       false,
       "debug support: compiler exit 1: ",
       {}},
  };
  ScopedEnv unboxed("QUORBEL_RUNNER_ALLOW_UNBOXED", "1");
  for (const Row& row : kRows) {
    testing::ScratchDir scratch;
    testing::ScopedEnv tmp{"TMPDIR", scratch.path()};
    const std::string compiler = scratch.write("cc",
                                               std::string("#!/bin/sh\nfor out; do :; done\n") +
                                                   row.script + "\nprintf \"$out\" > \"$out\"\n",
                                               0755);
    const std::vector<std::string> args = {compiler, "-O1", "main.cpp", "quorbel_debug.cpp",
                                           "-o",     "main"};
    const PrecompiledHeaderBuild build = buildPrecompiledHeader(args);
    EXPECT_EQ(build.ready, row.ready) << row.name;
    EXPECT_EQ(build.message, row.message) << row.name;
    const std::string folder = precompiledHeaderFolder(args);
    std::vector<std::string> entries = {"bits", "lock"};
    entries.insert(entries.begin(), row.entries.begin(), row.entries.end());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(sortedEntries(folder), entries) << row.name;
    EXPECT_EQ(testing::readFile(folder + "/bits/stdc++.h.gch"), "stdc++.h.gch") << row.name;

    TempDir dir = makeTempDir();
    std::vector<std::string> placed = args;
    std::string error;
    ASSERT_TRUE(placeDebugSupport(dir, placed, error)) << error;
    const bool object = !row.entries.empty();
    EXPECT_EQ(placed[3], object ? "quorbel_debug.o" : "quorbel_debug.cpp") << row.name;
    EXPECT_EQ(testing::readFile(dir.path + "/" + placed[3]),
              object ? "quorbel_debug.o" : std::string(debugSupportSource()))
        << row.name;
    if (!object) continue;
    EXPECT_EQ(buildPrecompiledHeader(args).message, "already built") << row.name;
    // An object others may write into is never linked into a program.
    ::chmod((folder + "/quorbel_debug.o").c_str(), 0666);
    TempDir other = makeTempDir();
    std::vector<std::string> refused = args;
    ASSERT_TRUE(placeDebugSupport(other, refused, error)) << error;
    EXPECT_EQ(refused, args) << row.name;
  }
}

// Each child leaves the group, lets go of the pipes and sleeps: nothing but the runner's own
// sweep can end them once the parent exits normally. Without the box, as hosts without bwrap
// have it: in the box the processes die with it. How a run directory's links and locked
// folders are removed is runner_files_test.cpp's.
TEST(RunnerTest, LeftoverProcessesAndTheRunDirectoryAreRemoved) {
  const std::string program = R"(#include <cstdio>
#include <unistd.h>
int main(){
  char cwd[4096]; if (getcwd(cwd, sizeof cwd) == nullptr) return 1;
  std::printf("%s\n", cwd); std::fflush(stdout);
  int made = 0;
  for (pid_t child; made < 200 && (child = fork()) >= 0; ++made) {
    if (child == 0) { close(0); close(1); close(2); setsid(); for (;;) pause(); }
    std::printf("%d\n", static_cast<int>(child));
  }
  std::printf("made %d\n", made);
}
)";
  ScopedEnv noBox("QUORBEL_RUNNER_BWRAP", "/nonexistent/bwrap");
  ScopedEnv unboxed("QUORBEL_RUNNER_ALLOW_UNBOXED", "1");
  testing::ScopedTmpDir tmpdir;
  RunResult result = run(program);
  ASSERT_EQ(result.status, "success") << summarizeRun(result);
  std::istringstream lines(result.stdout);
  std::string dir, line;
  std::getline(lines, dir);
  int made = -1;
  std::vector<int> children;
  while (std::getline(lines, line)) {
    if (line.starts_with("made ")) {
      made = std::atoi(line.c_str() + 5);
    } else {
      children.push_back(std::atoi(line.c_str()));
    }
  }
  EXPECT_GE(made, 1) << "a capped run may still fork a little";
  // The headroom is counted from the tasks its user has at the start; runs of parallel test
  // processes that end meanwhile hand theirs over, so allow for a couple of them.
  EXPECT_LE(made, static_cast<int>(3 * kStageProcessBudget));
  EXPECT_EQ(children.size(), static_cast<size_t>(made));
  for (int pid : children) EXPECT_TRUE(testing::processGone(pid)) << pid;
  EXPECT_TRUE(dir.starts_with(tmpdir.path() + "/quorbel-run-")) << result.stdout;
  EXPECT_FALSE(std::filesystem::exists(dir));
  EXPECT_EQ(countTempRunDirs(), 0);
}

// Two boxes at once: the second starts and ends while the first still holds most of its
// process cap (counted apart from every other box's), and neither's clean-up touches a child the
// server started meanwhile for something else (an analysis parsing in a throw-away process, say).
TEST(RunnerTest, BoxesRunSideBySideAndSpareTheServersOtherChildren) {
  if (!runnerIsolation().boxed) GTEST_SKIP() << "no box here: " << runnerIsolation().reason;
  testing::ScopedTmpDir tmpdir;
  TempDir first = makeTempDir();
  TempDir second = makeTempDir();
  std::atomic<bool> firstDone{false};
  std::thread sleeper([&] {
    const ProcessOutcome held = runStage(
        {"/bin/sh", "-c", "for i in 1 2 3 4 5 6 7 8 9 10 11 12; do sleep 9 & done; sleep 3"}, first,
        "", {}, 10000, true, true);
    EXPECT_EQ(held.exitCode, 0) << held.stderr << held.error;
    firstDone = true;
  });
  // Once the first box is up, and its shell has had a moment to start its processes.
  for (int attempt = 0; attempt < 300 && childProcessIds().empty(); ++attempt) usleep(10000);
  usleep(500000);
  const pid_t bystander = fork();
  if (bystander == 0) {
    for (;;) pause();
  }
  const ProcessOutcome quick = runStage({"/usr/bin/true"}, second, "", {}, 10000, true, true);
  EXPECT_EQ(quick.exitCode, 0) << quick.stderr << quick.error;
  EXPECT_FALSE(firstDone) << "the second box waited for the first";
  sleeper.join();
  EXPECT_EQ(waitpid(bystander, nullptr, WNOHANG), 0) << "the bystander was killed";
  kill(bystander, SIGKILL);
  waitpid(bystander, nullptr, 0);
}

// A stand-in compiler that fails exactly when called with the run's own arguments, "-static"
// among them, and one that always works: scripts in a directory the box binds read-only.
TEST(RunnerTest, StaticModeFailsClosedAndProbesOncePerProcess) {
  testing::ScratchDir dir;
  const std::string failing = dir.write(
      "failing",
      "#!/bin/sh\ncase \"$*\" in \"-std=gnu++20 -O2 -pipe -Wall -Wextra -pedantic -I \"*\" -static "
      "main.cpp -o main\") exit 1;; esac\ncp /bin/true main\n",
      0755);
  const std::string working = dir.write("working", "#!/bin/sh\ncp /bin/true main\n", 0755);
  const char* const kUnavailable = "Runner required static compile mode is unavailable.";
  ScopedEnv staticMode("QUORBEL_RUNNER_STATIC", "on");
  {
    ScopedEnv compiler("QUORBEL_CPP_COMPILER", failing);
    RunResult result = run(kTrivial);
    EXPECT_EQ(result.status, "internal_error");
    EXPECT_EQ(result.error, kUnavailable);
  }
  // A compiler that would now succeed is never asked: the failed probe stands.
  ScopedEnv compiler("QUORBEL_CPP_COMPILER", working);
  EXPECT_EQ(run(kTrivial).error, kUnavailable);
}

// ---- Configuration ----

TEST(RunnerConfigTest, CompileCommand) {
  ASSERT_EQ(access("/usr/bin/g++", X_OK), 0) << "the host compiler is expected here";
  struct Case {
    const char* name;
    std::optional<std::string> compiler;
    std::optional<std::string> staticMode;
    const char* want;
    bool isStatic;
  };
  const Case kCases[] = {
      {"unset takes the system g++", std::nullopt, std::nullopt, "/usr/bin/g++", false},
      {"empty is unset", "", std::nullopt, "/usr/bin/g++", false},
      {"a bare name is looked up", "g++", std::nullopt, "/usr/bin/g++", false},
      {"a path is used as it is", "/opt/custom/bin/clang++", "", "/opt/custom/bin/clang++", false},
      {"a relative path is a path too", "tools/cc", std::nullopt, "tools/cc", false},
      {"an unknown bare name stays bare", "quorbel-no-such-compiler", std::nullopt,
       "quorbel-no-such-compiler", false},
      {"static comes before the file names", "/x/cc", "yes", "/x/cc", true},
      {"only the truthy words make it static", "/x/cc", "static", "/x/cc", false},
  };
  for (const Case& c : kCases) {
    ScopedEnv compiler("QUORBEL_CPP_COMPILER", c.compiler);
    ScopedEnv staticMode("QUORBEL_RUNNER_STATIC", c.staticMode);
    std::vector<std::string> want = {c.want,      "-std=gnu++20", "-O2",
                                     "-pipe",     "-Wall",        "-Wextra",
                                     "-pedantic", "-I",           atcoderLibraryDirectory()};
    if (access("/usr/bin/ld.gold", X_OK) == 0) want.push_back("-fuse-ld=gold");
    if (c.isStatic) want.push_back("-static");
    for (const char* tail : {"main.cpp", "-o", "main"}) want.push_back(tail);
    EXPECT_EQ(compileArgs(), want) << c.name;
  }
}

TEST(RunnerConfigTest, CompilerEnvironmentCarriesNothingElse) {
  ScopedEnv secret("DATABASE_URL", "postgres://secret");
  {
    ScopedEnv tmp("TMPDIR", std::nullopt);
    ScopedEnv developer("DEVELOPER_DIR", std::nullopt);
    ScopedEnv sdk("SDKROOT", std::nullopt);
    const std::vector<std::string> want = {"PATH=/usr/bin:/bin:/usr/sbin:/sbin", "TMPDIR=/tmp",
                                           "HOME=/tmp"};
    EXPECT_EQ(compileEnvironment(), want);
    EXPECT_EQ(tempBaseDirectory(), "/tmp");
  }
  ScopedEnv tmp("TMPDIR", "/var/tmp");
  ScopedEnv developer("DEVELOPER_DIR", "/Developer");
  ScopedEnv sdk("SDKROOT", "");
  const std::vector<std::string> want = {"PATH=/usr/bin:/bin:/usr/sbin:/sbin", "TMPDIR=/var/tmp",
                                         "HOME=/var/tmp", "DEVELOPER_DIR=/Developer"};
  EXPECT_EQ(compileEnvironment(), want);
}

}  // namespace
}  // namespace quorbel
