// Limit values are read by hand rather than by a pattern: the accepted forms are few, and a
// scanner can say precisely that "2e5x" is not a number instead of quietly reading "2e5".
#include "base/limit_values.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "base/text.h"

namespace quorbel {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// ---- Normalising ----

struct Replacement {
  std::string_view from;
  std::string_view to;
};

constexpr Replacement kReplacements[] = {
    {"\xE2\x89\xA4", "<="},    {"\xE2\xA9\xBD", "<="}, {"\xE2\x89\xA6", "<="},  // ≤ ⩽ ≦
    {"\xE2\x89\xA5", ">="},    {"\xE2\xA9\xBE", ">="}, {"\xE2\x89\xA7", ">="},  // ≥ ⩾ ≧
    {"\xC2\xB7", "*"},         {"\xC3\x97", "*"},      {"\xE2\x8B\x85", "*"},   // · × ⋅
    {"\xE2\x88\x99", "*"},     {"\xE2\x88\x92", "-"},                           // ∙ −
    {"\xE2\x88\x91", " sum "}, {"\xCE\xA3", " sum "},                           // ∑ Σ
    {"\\leq", "<="},           {"\\le", "<="},         {"\\geq", ">="},        {"\\ge", ">="},
    {"\\cdot", "*"},           {"\\times", "*"},       {"\\sum", " sum "},     {"=<", "<="},
};

// Superscript digits: ⁰ ¹ ² ³ are in Latin-1, the rest in the superscripts block.
constexpr std::pair<std::string_view, int> kSuperscriptDigits[] = {
    {"\xE2\x81\xB0", 0}, {"\xC2\xB9", 1},     {"\xC2\xB2", 2},     {"\xC2\xB3", 3},
    {"\xE2\x81\xB4", 4}, {"\xE2\x81\xB5", 5}, {"\xE2\x81\xB6", 6}, {"\xE2\x81\xB7", 7},
    {"\xE2\x81\xB8", 8}, {"\xE2\x81\xB9", 9}};

int superscriptDigit(std::string_view text, size_t at, size_t& length) {
  for (const auto& [bytes, digit] : kSuperscriptDigits) {
    if (text.substr(at, bytes.size()) == bytes) {
      length = bytes.size();
      return digit;
    }
  }
  return -1;
}

// Whether a byte can start a superscript digit or a replacement: most bytes of a comment are
// plain text, and for them the tables need not be searched.
bool startsSpecial(char c) {
  static const auto kStarts = [] {
    std::array<bool, 256> starts{};
    for (const Replacement& r : kReplacements) starts[static_cast<unsigned char>(r.from[0])] = true;
    for (const auto& digit : kSuperscriptDigits)
      starts[static_cast<unsigned char>(digit.first[0])] = true;
    return starts;
  }();
  return kStarts[static_cast<unsigned char>(c)];
}

// ---- Reading ----

// Reads digits with thousands separators and an optional fraction into `digits` (plain
// "1234.5" form). A comma separates only when exactly three digits follow it.
bool readMantissa(std::string_view text, size_t& at, std::string& digits) {
  const size_t start = at;
  while (at < text.size()) {
    const char c = text[at];
    if (isDigit(c)) {
      digits += c;
      ++at;
      continue;
    }
    const bool separator = c == '_' || c == '\'' || c == ',';
    if (!separator || at == start || at + 1 >= text.size() || !isDigit(text[at + 1])) break;
    if (c == ',') {
      size_t run = at + 1;
      while (run < text.size() && isDigit(text[run])) ++run;
      if (run - at - 1 != 3) break;
    }
    ++at;
  }
  if (digits.empty()) return false;
  if (at + 1 < text.size() && text[at] == '.' && isDigit(text[at + 1])) {
    digits += '.';
    ++at;
    while (at < text.size() && isDigit(text[at])) digits += text[at++];
  }
  return true;
}

// Reads "[+]digits" as an exponent, capped so that absurd exponents stay representable.
bool readExponent(std::string_view text, size_t& at, int& exponent) {
  at = skipSpaces(text, at);
  if (at < text.size() && text[at] == '+') at = skipSpaces(text, at + 1);
  if (at >= text.size() || !isDigit(text[at])) return false;
  exponent = 0;
  while (at < text.size() && isDigit(text[at])) {
    exponent = std::min(exponent * 10 + (text[at] - '0'), 100000);
    ++at;
  }
  return true;
}

// Reads "^" or "**" at `at`.
bool readPowerSign(std::string_view text, size_t& at) {
  at = skipSpaces(text, at);
  if (at < text.size() && text[at] == '^') {
    ++at;
    return true;
  }
  if (text.substr(at, 2) == "**") {
    at += 2;
    return true;
  }
  return false;
}

bool readTimesSign(std::string_view text, size_t& at) {
  at = skipSpaces(text, at);
  if (at < text.size() && (text[at] == '*' || text[at] == 'x' || text[at] == 'X')) {
    ++at;
    return true;
  }
  return false;
}

// The unsigned forms; false when anything is left over.
bool readUnsigned(std::string_view text, double& value) {
  size_t at = 0;
  std::string digits;
  if (!readMantissa(text, at, digits)) return false;
  double mantissa = 0;
  if (std::from_chars(digits.data(), digits.data() + digits.size(), mantissa).ec != std::errc())
    return false;
  int exponent = 0;
  size_t next = skipSpaces(text, at);
  if (next < text.size() && (text[next] == 'e' || text[next] == 'E')) {
    ++next;
    if (!readExponent(text, next, exponent)) return false;
  } else if (digits == "10" && next < text.size() && readPowerSign(text, next)) {
    if (!readExponent(text, next, exponent)) return false;
    mantissa = 1;
  } else if (text.substr(next, 2) != "**" && readTimesSign(text, next)) {
    next = skipSpaces(text, next);
    if (text.substr(next, 2) != "10") return false;
    next += 2;
    if (!readPowerSign(text, next) || !readExponent(text, next, exponent)) return false;
  }
  if (skipSpaces(text, next) != text.size()) return false;
  value = mantissa * std::pow(10.0, exponent);
  return true;
}

// Splits a trailing unit word off: "1500 ms" gives "1500" and "ms", "2" gives "2" and "".
std::pair<std::string, std::string> splitUnit(std::string_view text) {
  const std::string trimmed = trim(text);
  size_t end = trimmed.size();
  while (end > 0 && isAsciiLetter(trimmed[end - 1])) --end;
  return {trim(std::string_view(trimmed).substr(0, end)), lowerCopy(trimmed.substr(end))};
}

ReadNumber scaled(ReadNumber number, double factor) {
  if (number.ok) number.value *= factor;
  return number;
}

ReadNumber notANumber() { return {false, 0, "is not a number"}; }

// ---- Writing ----

std::string decimalText(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

std::string withThousands(uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string approximately(bool rounded, const std::string& text) {
  std::string out = rounded ? "about " : "";
  out += text;
  return out;
}

// Two significant digits of 10^log10Value: the mantissa (1 to 9.9) and the exponent.
std::pair<double, int> twoDigits(double log10Value) {
  int exponent = static_cast<int>(std::floor(log10Value));
  double mantissa = std::round(std::pow(10.0, log10Value - exponent) * 10) / 10;
  if (mantissa >= 10) {
    mantissa = 1;
    ++exponent;
  }
  return {mantissa, exponent};
}

}  // namespace

std::string normalizeMathText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool inSuperscript = false;
  size_t at = 0;
  while (at < text.size()) {
    if (!startsSpecial(text[at])) {
      inSuperscript = false;
      const char c = text[at++];
      if (c != '$' && c != '{' && c != '}') out += c;
      continue;
    }
    size_t length = 0;
    const int digit = superscriptDigit(text, at, length);
    if (digit >= 0) {
      if (!inSuperscript) out += '^';
      out += static_cast<char>('0' + digit);
      inSuperscript = true;
      at += length;
      continue;
    }
    inSuperscript = false;
    bool replaced = false;
    for (const Replacement& r : kReplacements) {
      if (text.substr(at, r.from.size()) != r.from) continue;
      // "\le" must not eat the start of "\left".
      const size_t after = at + r.from.size();
      if (r.from[0] == '\\' && after < text.size() && isAsciiLetter(text[after])) continue;
      out += r.to;
      at = after;
      replaced = true;
      break;
    }
    if (replaced) continue;
    const char c = text[at++];
    if (c != '$' && c != '{' && c != '}') out += c;
  }
  return out;
}

ReadNumber readLimitNumber(std::string_view text) {
  const std::string normalized = trim(normalizeMathText(text));
  std::string_view body = normalized;
  const bool negative = !body.empty() && body[0] == '-';
  if (negative || (!body.empty() && body[0] == '+')) body = std::string_view(body).substr(1);
  double value = 0;
  if (!readUnsigned(trim(body), value)) return notANumber();
  if (negative && value != 0) return {false, -value, "is negative"};
  return {true, value, ""};
}

ReadNumber readSeconds(std::string_view text) {
  const auto [number, unit] = splitUnit(text);
  if (unit.empty() || unit == "s" || unit == "sec" || unit == "secs" || unit == "second" ||
      unit == "seconds")
    return readLimitNumber(number);
  if (unit == "ms" || unit == "millisecond" || unit == "milliseconds")
    return scaled(readLimitNumber(number), 0.001);
  return notANumber();
}

ReadNumber readMegabytes(std::string_view text) {
  const auto [number, unit] = splitUnit(text);
  static constexpr std::pair<std::string_view, double> kUnits[] = {
      {"", 1},         {"m", 1},           {"mb", 1},           {"mib", 1},
      {"megabyte", 1}, {"megabytes", 1},   {"g", 1000},         {"gb", 1000},
      {"gib", 1000},   {"gigabyte", 1000}, {"gigabytes", 1000}, {"k", 0.001},
      {"kb", 0.001},   {"kib", 0.001},     {"kilobyte", 0.001}, {"kilobytes", 0.001}};
  for (const auto& [name, factor] : kUnits)
    if (unit == name) return scaled(readLimitNumber(number), factor);
  return notANumber();
}

std::string formatLimitValue(double value) {
  if (!std::isfinite(value)) return "huge";
  if (value != std::floor(value) || value < 10000) return decimalText(value, 6);
  if (value >= 1.8e19) return decimalText(value, 0);
  uint64_t mantissa = static_cast<uint64_t>(value);
  int exponent = 0;
  while (mantissa % 10 == 0) {
    mantissa /= 10;
    ++exponent;
  }
  if (mantissa >= 100) return decimalText(value, 0);
  if (mantissa >= 10)
    return decimalText(mantissa / 10.0, 1) + "*10^" + std::to_string(exponent + 1);
  if (mantissa == 1) return "10^" + std::to_string(exponent);
  return std::to_string(mantissa) + "*10^" + std::to_string(exponent);
}

std::string describeCount(double log10Value) {
  if (std::isnan(log10Value)) return "an unknown number";
  if (log10Value == -INFINITY) return "0";
  if (!std::isfinite(log10Value)) return "an astronomical number";
  // 2^n at n = 10^18 has about 3*10^17 digits: only their count can be told.
  if (log10Value >= 1e6) return "about 10^" + decimalText(std::floor(log10Value), 0);
  if (log10Value < 6) {
    const double value = std::pow(10.0, log10Value);
    const double rounded = std::round(value);
    const bool exact = std::fabs(rounded - value) <= 1e-6 * std::max(1.0, value);
    return approximately(!exact, withThousands(static_cast<uint64_t>(rounded)));
  }
  const auto [mantissa, exponent] = twoDigits(log10Value);
  const bool exact = std::fabs(std::log10(mantissa) + exponent - log10Value) < 1e-9;
  if (exponent < 9)
    return approximately(!exact,
                         decimalText(mantissa * std::pow(10.0, exponent - 6), 1) + " million");
  if (mantissa == 1) return approximately(!exact, "10^" + std::to_string(exponent));
  return approximately(!exact, decimalText(mantissa, 1) + "*10^" + std::to_string(exponent));
}

std::string describeBytes(double bytes) {
  if (!std::isfinite(bytes)) return "an astronomical amount";
  if (bytes < 1000) {
    const bool exact = bytes == std::floor(bytes);
    return approximately(!exact, decimalText(std::round(bytes), 0) + " bytes");
  }
  if (bytes >= 1e15) {
    std::string count = describeCount(std::log10(bytes));
    if (count.starts_with("about ")) count.erase(0, 6);
    return approximately(true, count + " bytes");
  }
  static constexpr std::pair<double, const char*> kUnits[] = {
      {1e12, "TB"}, {1e9, "GB"}, {1e6, "MB"}, {1e3, "KB"}};
  for (const auto& [size, name] : kUnits) {
    if (bytes < size) continue;
    const double amount = bytes / size;
    const double shown = amount >= 10 ? std::round(amount) : std::round(amount * 10) / 10;
    // Rounding 999.6 MB up gives 1000 MB, which is still correct if not pretty.
    return "about " + decimalText(shown, 1) + " " + name;
  }
  return "about " + decimalText(bytes, 0) + " bytes";
}

std::string formatSeconds(double seconds) { return decimalText(seconds, 6) + " s"; }

std::string formatMegabytes(double megabytes) { return decimalText(megabytes, 6) + " MB"; }

}  // namespace quorbel
