// Reading the numbers people write for limits ("200000", "2e5", "2*10^5", "2·10^5", "10^9",
// "200,000"), durations ("2", "2 s", "1500 ms") and memory sizes ("256", "256 MB", "1 GB"),
// and writing counts, byte sizes and limits back as text.
#pragma once

#include <string>
#include <string_view>

namespace quorbel {

struct ReadNumber {
  bool ok = false;
  double value = 0;
  std::string problem;  // when not ok: "is not a number" or "is negative"
};

// ≤ ≥ · × ⋅ − and superscript digits ("10⁵") as ASCII ("<=", ">=", "*", "*", "*", "-",
// "10^5"); LaTeX's \le, \leq, \ge, \geq, \cdot and \times likewise, with $ { } dropped.
std::string normalizeMathText(std::string_view text);

// A plain count: digits with optional "," "_" or "'" thousands separators and a fraction,
// then at most one of "e5", "*10^5" (also "x", "·", "×" and "**"); or "10^9" alone.
ReadNumber readLimitNumber(std::string_view text);
// A count followed by an optional unit: s, sec, second(s) or ms, millisecond(s); seconds.
ReadNumber readSeconds(std::string_view text);
// A count followed by an optional unit: KB, MB, GB (also K, M, G, KiB, MiB, GiB, kilobytes,
// megabytes, gigabytes, any case); megabytes of 10^6 bytes.
ReadNumber readMegabytes(std::string_view text);

// "464", "200005", "2*10^5", "10^9", "1.5*10^5": whole powers of ten with a short mantissa are
// written as powers from 10^4 up, other values as plain digits.
std::string formatLimitValue(double value);
// A count given as its base-10 logarithm: "12,345" below a million, "5.3 million" below 10^9,
// then "4*10^10"; prefixed "about " when two significant digits do not hold it exactly.
std::string describeCount(double log10Value);
// "512 bytes", "about 800 KB", "about 100 MB", "about 2.5 GB" (decimal units).
std::string describeBytes(double bytes);
// "2 s", "1.5 s"; "256 MB".
std::string formatSeconds(double seconds);
std::string formatMegabytes(double megabytes);

}  // namespace quorbel
