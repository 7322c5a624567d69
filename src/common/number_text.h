// The program's two ways of reading a number from text.
//
// Leading...: option values on the command line and the detune argument
// follow the C library's conversions (atoi/atof): the leading number is
// taken and the rest of the word ignored, so "V=3x" means 3 and "V=" or
// "V=x" means 0.
//
// ScanPlainDecimal: numbers in the temperament list and in a request's
// cents suffix are plain decimals: optional sign, digits, optional "." and
// fraction digits, optional exponent. Hexadecimal, "inf" and "nan" are not
// numbers there, whatever the C library would accept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zelvanor {

// Leading blanks skipped, an optional sign, then digits up to the first
// non-digit; 0 when there are none. Unlike atoi, a number too large for 32
// bits is clamped instead of being undefined: "L=99999999999" means
// 2147483647.
std::int32_t LeadingInt32(std::string_view text);

// The C library's floating-point conversion of the leading number (strtod
// in the "C" locale): 0.0 when there is none, infinity for a value too
// large, and "inf" and "nan" as strtod reads them.
double LeadingDouble(std::string_view text);

struct PlainDecimal {
  double value = 0.0;
  std::size_t length = 0;  // characters converted; 0 when `text` holds no number
};

// Converts the longest plain decimal at the start of `text` (no leading
// blanks). Out-of-range values behave as strtod: +-HUGE_VAL or 0.
PlainDecimal ScanPlainDecimal(std::string_view text);

}  // namespace zelvanor
