// Numbers in the temperament list and in a request's cents suffix are read
// with the plain decimal conversion: optional sign, digits, optional "."
// and fraction digits, optional exponent. Hexadecimal, "inf" and "nan" are
// not numbers here, whatever the C library would accept.
#pragma once

#include <cstddef>
#include <string_view>

namespace zelvanor {

struct DecimalNumber {
  double value = 0.0;
  std::size_t length = 0;  // characters converted; 0 when `text` holds no number
};

// Converts the longest number at the start of `text` (no leading blanks).
// Out-of-range values behave as strtod: +-HUGE_VAL or 0.
DecimalNumber ScanDecimal(std::string_view text);

}  // namespace zelvanor
