#include "common/number_text.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

#include "common/ascii.h"

namespace zelvanor {
namespace {

std::size_t SkipDigits(std::string_view text, std::size_t at) {
  while (at < text.size() && IsDigit(text[at])) ++at;
  return at;
}

}  // namespace

std::int32_t LeadingInt32(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsSpace(text[at])) ++at;
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

double LeadingDouble(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsSpace(text[at])) ++at;
  return ScanPlainDecimal(text.substr(at)).value;
}

PlainDecimal ScanPlainDecimal(std::string_view text) {
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  const std::size_t integer_start = at;
  at = SkipDigits(text, at);
  std::size_t mantissa_digits = at - integer_start;
  if (at < text.size() && text[at] == '.') {
    const std::size_t fraction_start = at + 1;
    const std::size_t fraction_end = SkipDigits(text, fraction_start);
    mantissa_digits += fraction_end - fraction_start;
    at = fraction_end;
  }
  if (mantissa_digits == 0) return {};
  // An exponent counts only when at least one digit follows its letter and sign.
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    std::size_t exponent = at + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    if (exponent < text.size() && IsDigit(text[exponent])) at = SkipDigits(text, exponent);
  }
  // strtod does the correctly rounded conversion of the delimited text;
  // the program never changes the C locale, so its decimal point is ".".
  const std::string number(text.substr(0, at));
  return {std::strtod(number.c_str(), nullptr), at};
}

}  // namespace zelvanor
