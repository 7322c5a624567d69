#include "common/number_text.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

namespace zelvanor {
namespace {

// The blanks that the C library's conversions skip, without its locale.
bool IsLeadingBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int32_t DecimalToInt32(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsLeadingBlank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  // The magnitude stops growing one past the largest 32-bit magnitude, so
  // any number of digits fits and the clamp below decides.
  constexpr std::int64_t kSaturated = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    magnitude = std::min(kSaturated, magnitude * 10 + (text[at] - '0'));
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

double DecimalToDouble(std::string_view text) {
  // strtod needs a terminated string; the program never changes the locale,
  // so the decimal point is always ".".
  const std::string terminated(text);
  return std::strtod(terminated.c_str(), nullptr);
}

}  // namespace zelvanor
