// Backed by Boost.Regex: the standard library's engine recurses once per character and ends
// the process on texts of a few tens of kilobytes. The syntax flags make "^", "$" and "."
// behave as in the standard ECMAScript engine: anchors at the ends of the text only, "." not
// matching a line break.
#include "base/regex.h"

#include <boost/regex.hpp>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>

#include "base/regex_match.h"

namespace quorbel {
namespace {

constexpr auto kSyntax = boost::regex::ECMAScript | boost::regex::no_mod_m | boost::regex::no_mod_s;
// Patterns built from program names are unbounded in number; a long-running server must not
// grow without end.
constexpr size_t kMaxCachedPatterns = 4096;

// Shared by the server's analysis workers, which run at the same time: the lock guards the
// cache's maps; a compiled pattern is only read, by any number of threads at once.
struct PatternCache {
  std::mutex lock;
  std::unordered_map<std::string, std::shared_ptr<const boost::regex>> compiled;
  std::set<std::string> seen;
};

PatternCache& patternCache() {
  static PatternCache cache;
  return cache;
}

// The compiled pattern, or null when it does not compile.
std::shared_ptr<const boost::regex> compiledPattern(std::string_view pattern) {
  PatternCache& cache = patternCache();
  std::string key(pattern);
  const std::lock_guard<std::mutex> held(cache.lock);
  auto found = cache.compiled.find(key);
  if (found != cache.compiled.end()) return found->second;
  if (cache.compiled.size() >= kMaxCachedPatterns) cache.compiled.clear();
  std::shared_ptr<const boost::regex> regex;
  try {
    regex = std::make_shared<const boost::regex>(key, kSyntax);
  } catch (const std::exception&) {
    regex = nullptr;
  }
  if (cache.seen.size() < kMaxCachedPatterns) cache.seen.insert(key);
  cache.compiled.emplace(std::move(key), regex);
  return regex;
}

}  // namespace

bool searchRegex(std::string_view text, std::string_view pattern, RegexMatch& match) {
  auto regex = compiledPattern(pattern);
  if (!regex) return false;
  try {
    boost::cmatch found;
    if (!boost::regex_search(text.data(), text.data() + text.size(), found, *regex)) return false;
    match = toRegexMatch(found, text.data());
    return true;
  } catch (const std::exception&) {
    // The engine gave up (too complex, out of memory): no match.
    return false;
  }
}

bool containsRegex(std::string_view text, std::string_view pattern) {
  auto regex = compiledPattern(pattern);
  if (!regex) return false;
  try {
    return boost::regex_search(text.data(), text.data() + text.size(), *regex);
  } catch (const std::exception&) {
    return false;
  }
}

std::vector<RegexMatch> findAllRegex(std::string_view text, std::string_view pattern) {
  std::vector<RegexMatch> matches;
  auto regex = compiledPattern(pattern);
  if (!regex) return matches;
  try {
    boost::cregex_iterator it(text.data(), text.data() + text.size(), *regex), end;
    for (; it != end; ++it) matches.push_back(toRegexMatch(*it, text.data()));
  } catch (const std::exception&) {
    // Keep what was found before the engine gave up.
  }
  return matches;
}

int occurrencesRegex(std::string_view text, std::string_view pattern) {
  auto regex = compiledPattern(pattern);
  if (!regex) return 0;
  int count = 0;
  try {
    boost::cregex_iterator it(text.data(), text.data() + text.size(), *regex), end;
    for (; it != end; ++it) ++count;
  } catch (const std::exception&) {
  }
  return count;
}

bool isValidRegex(std::string_view pattern) { return compiledPattern(pattern) != nullptr; }

std::vector<std::string> compiledRegexPatterns() {
  PatternCache& cache = patternCache();
  const std::lock_guard<std::mutex> held(cache.lock);
  return std::vector<std::string>(cache.seen.begin(), cache.seen.end());
}

}  // namespace quorbel
