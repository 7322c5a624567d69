#include "common/decimal_number.h"

#include <cstdlib>
#include <string>

namespace zelvanor {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipDigits(std::string_view text, std::size_t at) {
  while (at < text.size() && IsDigit(text[at])) ++at;
  return at;
}

}  // namespace

DecimalNumber ScanDecimal(std::string_view text) {
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
  // strtod does the correctly rounded conversion of the delimited text; the
  // program never changes the C locale, so its decimal point is ".".
  const std::string number(text.substr(0, at));
  return {std::strtod(number.c_str(), nullptr), at};
}

}  // namespace zelvanor
