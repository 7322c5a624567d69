// The program's two ways of reading a number from text.
//
// Leading...: option values on the command line and the detune argument
// take the leading number of the word and ignore the rest, as atoi and
// atof do, so "V=3x" means 3 and "V=" or "V=x" means 0.
//
// Every number the program reads is a plain decimal: optional sign, digits,
// optional "." and fraction digits, optional exponent. Hexadecimal, "inf"
// and "nan" are not numbers, whatever the C library would accept: "0x2" is
// read as 0 (and refused as a factor), "+inf" as 0 cents. The command line
// and the temperament list thereby read numbers alike.
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

// Leading blanks skipped, then the plain decimal at the start (see
// ScanPlainDecimal); 0.0 when there is none, infinity for a value too large.
double LeadingDouble(std::string_view text);

struct PlainDecimal {
  double value = 0.0;
  std::size_t length = 0;  // characters converted; 0 when `text` holds no number
};

// Converts the longest plain decimal at the start of `text` (no leading
// blanks). Out-of-range values behave as strtod: +-HUGE_VAL or 0.
PlainDecimal ScanPlainDecimal(std::string_view text);

}  // namespace zelvanor
