#include "runner/runner_pch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "runner/runner.h"
#include "runner/runner_box.h"
#include "runner/runner_config.h"
#include "runner/runner_debug.h"
#include "runner/runner_files.h"
#include "runner/runner_limits.h"

namespace quorbel {
namespace {

constexpr const char* kSourceName = "main.cpp";
constexpr const char* kHeaderName = "bits/stdc++.h.gch";
constexpr const char* kWrapperName = "stdc++-wrapper.h";
constexpr const char* kOutputName = "stdc++.h.gch";
constexpr const char* kObjectName = "quorbel_debug.o";
constexpr rlim_t kHeaderFileBytes = rlim_t{256} << 20;

// The flags a compile shares with the header's build: everything but the sources, the output
// and what only the link reads.
std::vector<std::string> sharedFlags(const std::vector<std::string>& args) {
  std::vector<std::string> flags;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == kSourceName || args[i] == kDebugSupportName || args[i] == kObjectName ||
        args[i] == "-static" || args[i].starts_with("-l") || args[i].starts_with("-fuse-ld="))
      continue;
    if (args[i] == "-o") {
      ++i;
      continue;
    }
    flags.push_back(args[i]);
  }
  return flags;
}

std::string folderFor(const std::vector<std::string>& flags) {
  std::string key;
  for (const std::string& flag : flags) key += flag + '\n';
  char name[64];
  std::snprintf(name, sizeof name, "/quorbel-pch-%016zx", std::hash<std::string>{}(key));
  return tempBaseDirectory() + name;
}

// Ours alone: a folder or .gch that others may write into (planted in a shared temporary
// directory) would be compiled into other people's programs.
bool isOwn(const std::string& path, bool directory) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 &&
         (directory ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode)) &&
         info.st_uid == ::geteuid() && (info.st_mode & 022) == 0;
}

bool isReady(const std::string& folder) {
  return isOwn(folder, true) && isOwn(folder + "/bits", true) &&
         isOwn(folder + "/" + kHeaderName, false);
}

// Creates the folder readable by the runner identity (the compile box is started as it);
// the mode is set only on a folder this call made, never on one found in place.
bool makeOwnFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) == 0) ::chmod(folder.c_str(), 0755);
  return isOwn(folder, true);
}

void removeEntry(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode))
    removeTree(path);
  else
    ::unlink(path.c_str());
}

std::vector<std::string> entriesOf(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

bool hasObject(const std::string& folder) { return isOwn(folder + "/" + kObjectName, false); }

// What a killed build (or server) left: its build folder, and anything else that is not the
// lock, the bits folder, the finished header or object. Only called with the lock held.
void removeLeftovers(const std::string& folder) {
  for (const std::string& name : entriesOf(folder))
    if (name != "lock" && name != "bits" && (name != kObjectName || !hasObject(folder)))
      removeEntry(folder + "/" + name);
  for (const std::string& name : entriesOf(folder + "/bits"))
    if (name != "stdc++.h.gch" || !isOwn(folder + "/bits/" + name, false))
      removeEntry(folder + "/bits/" + name);
}

// A fresh build folder inside the cache folder, handed to the runner identity like a run's.
TempDir makeBuildFolder(const std::string& folder) {
  TempDir dir;
  dir.identity = currentRunnerIdentity();
  std::string pattern = folder + "/build-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return dir;
  dir.path = pattern;
  if (dir.identity.active && ::chown(dir.path.c_str(), dir.identity.uid, dir.identity.gid) != 0) {
    // The compiler then cannot write its output and the build fails on its own.
  }
  return dir;
}

// The environment of a compile, with the compiler's temporaries kept in the build folder
// where the box's own /tmp does not stand in for them.
std::vector<std::string> buildEnvironment(const TempDir& dir) {
  std::vector<std::string> env = compileEnvironment();
  for (std::string& entry : env)
    if (entry.starts_with("TMPDIR=")) entry = "TMPDIR=" + dir.path;
  return env;
}

// Takes the finished output: the server's own, read-only, then renamed into place as
// `published`, so that a compile sees either none or a whole one.
bool publish(const TempDir& dir, const std::string& outputName, const std::string& published) {
  const std::string output = dir.path + "/" + outputName;
  const int fd = ::open(output.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
  if (ok && info.st_uid != ::geteuid()) ok = ::fchown(fd, ::geteuid(), ::getegid()) == 0;
  ok = ok && ::fchmod(fd, 0444) == 0;
  ::close(fd);
  return ok && ::rename(output.c_str(), published.c_str()) == 0;
}

// The first line the compiler wrote, for the build's message.
std::string firstLineOf(const ProcessOutcome& outcome) {
  const std::string& text = outcome.stderr.empty() ? outcome.stdout : outcome.stderr;
  return text.substr(0, std::min(text.find('\n'), size_t{200}));
}

// One compile in a fresh build folder: `text` written there as `sourceName`, then `args`, whose
// last is the output's name, and the output (`what` it is) published as `published`.
PrecompiledHeaderBuild compileAndPublish(const std::string& folder,
                                         const std::vector<std::string>& args,
                                         const std::string& sourceName, std::string_view text,
                                         const std::string& published, const char* what,
                                         int64_t timeoutMs) {
  // The build folder goes with this object on every return: a failed build leaves nothing.
  TempDir dir = makeBuildFolder(folder);
  if (dir.path.empty()) return {false, "could not create a build folder in " + folder, 0};
  FILE* source = std::fopen((dir.path + "/" + sourceName).c_str(), "w");
  if (source == nullptr) return {false, "could not write " + sourceName, 0};
  std::fwrite(text.data(), 1, text.size(), source);
  std::fclose(source);
  const CompileFileSizeCap headerSize(kHeaderFileBytes);
  const ProcessOutcome built =
      runStage(args, dir, "", buildEnvironment(dir), timeoutMs, true, runnerIsolation().boxed);
  PrecompiledHeaderBuild result{false, "", built.elapsedMs};
  if (!built.error.empty())
    result.message = built.error;
  else if (built.timedOut)
    result.message = "timed out after " + std::to_string(timeoutMs) + " ms";
  else if (built.exitCode != 0)
    result.message = "compiler exit " + std::to_string(built.exitCode) + ": " + firstLineOf(built);
  else if (!publish(dir, args.back(), published))
    result.message = std::string("the compiler left no usable ") + what;
  else
    result = {true, "built", built.elapsedMs};
  return result;
}

// One build with the folder's lock held: the header, then for a debug build the support's
// object, each unless it is there already.
PrecompiledHeaderBuild buildLocked(const std::string& folder, const std::vector<std::string>& flags,
                                   bool debug, int64_t timeoutMs) {
  removeLeftovers(folder);
  const bool needsHeader = !isReady(folder);
  const bool needsObject = debug && !hasObject(folder);
  if (!needsHeader && !needsObject) return {true, "already built", 0};
  PrecompiledHeaderBuild result{true, "built", 0};
  if (needsHeader) {
    std::vector<std::string> args = flags;
    args.insert(args.end(), {"-x", "c++-header", kWrapperName, "-o", kOutputName});
    result = compileAndPublish(folder, args, kWrapperName, "#include <bits/stdc++.h>\n",
                               folder + "/" + kHeaderName, "header", timeoutMs);
  }
  if (result.ready && needsObject) {
    std::vector<std::string> args = flags;
    args.insert(args.end(), {"-c", kDebugSupportName, "-o", kObjectName});
    const PrecompiledHeaderBuild object =
        compileAndPublish(folder, args, kDebugSupportName, debugSupportSource(),
                          folder + "/" + kObjectName, "object", timeoutMs);
    result = {object.ready, object.ready ? "built" : "debug support: " + object.message,
              result.elapsedMs + object.elapsedMs};
  }
  return result;
}

// The whole of a small file of the server's own, or nullopt.
std::optional<std::string> readOwnFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[65536];
  ssize_t count = 0;
  while ((count = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, count);
  ::close(fd);
  if (count < 0) return std::nullopt;
  return text;
}

}  // namespace

std::string precompiledHeaderFolder(const std::vector<std::string>& compileArgs) {
  return folderFor(sharedFlags(compileArgs));
}

std::string precompiledHeaderDirectory(const std::vector<std::string>& compileArgs) {
  const std::vector<std::string> flags = sharedFlags(compileArgs);
  if (flags.empty()) return "";
  const std::string folder = folderFor(flags);
  return isReady(folder) ? folder : "";
}

std::vector<std::string> withPrecompiledHeader(std::vector<std::string> compileArgs) {
  const std::string folder = precompiledHeaderDirectory(compileArgs);
  const auto source = std::find(compileArgs.begin(), compileArgs.end(), kSourceName);
  if (folder.empty() || source == compileArgs.end()) return compileArgs;
  compileArgs.insert(source, {"-I", folder});
  return compileArgs;
}

PrecompiledHeaderBuild buildPrecompiledHeader(const std::vector<std::string>& compileArgs,
                                              int64_t timeoutMs) {
  const std::vector<std::string> flags = sharedFlags(compileArgs);
  if (flags.empty()) return {false, "no compiler configured", 0};
  // The same rule as a compile: without the box, only with the operator's opt-in.
  if (const std::optional<std::string> refusal = unboxedRunRefusal()) return {false, *refusal, 0};
  const std::string folder = folderFor(flags);
  if (!makeOwnFolder(folder) || !makeOwnFolder(folder + "/bits"))
    return {false, folder + " is not the server's own folder", 0};
  // One build at a time across every server and test process; the lock dies with its holder.
  const int lock =
      ::open((folder + "/lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (lock < 0) return {false, "could not open " + folder + "/lock", 0};
  const bool debug =
      std::find(compileArgs.begin(), compileArgs.end(), kDebugSupportName) != compileArgs.end();
  PrecompiledHeaderBuild result{false, "being built by another process", 0};
  if (::flock(lock, LOCK_EX | LOCK_NB) == 0) result = buildLocked(folder, flags, debug, timeoutMs);
  ::close(lock);
  return result;
}

bool placeDebugSupport(const TempDir& dir, std::vector<std::string>& compileArgs,
                       std::string& error) {
  const auto source = std::find(compileArgs.begin(), compileArgs.end(), kDebugSupportName);
  const std::string folder = precompiledHeaderFolder(compileArgs);
  if (source != compileArgs.end() && isReady(folder) && hasObject(folder)) {
    const std::optional<std::string> object = readOwnFile(folder + "/" + kObjectName);
    if (object && writeRunFile(dir, kObjectName, *object, error)) {
      *source = kObjectName;
      return true;
    }
  }
  return writeRunFile(dir, kDebugSupportName, debugSupportSource(), error);
}

std::vector<CompileOptions> precompiledHeaderOptions() {
  std::vector<CompileOptions> all = {CompileOptions{}};
  for (bool debug : {false, true})
    for (const char* standard : {"c++20", "c++17", "c++23"})
      if (debug || std::string(standard) != CompileOptions{}.standard)
        all.push_back(CompileOptions{standard, debug});
  return all;
}

void startPrecompiledHeaderBuild() {
  const char* wanted = std::getenv("QUORBEL_RUNNER_PCH");
  if (wanted != nullptr && wanted[0] != '\0' && !truthyEnv("QUORBEL_RUNNER_PCH")) return;
  static std::once_flag started;
  // One after another on one thread: the default first, so that the usual compile is fast
  // soonest, and never more than one build's load on the host at a time.
  std::call_once(started, [] {
    std::thread([] {
      for (const CompileOptions& options : precompiledHeaderOptions())
        buildPrecompiledHeader(compileArgs(options));
    }).detach();
  });
}

}  // namespace quorbel
