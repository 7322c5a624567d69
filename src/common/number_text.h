// Numbers typed on the command line. Option values follow the C library's
// decimal conversions (atoi/atof): the leading number is taken and the rest
// of the word ignored, so "V=3x" means 3 and "V=" or "V=x" means 0. Unlike
// atoi, an integer too large for 32 bits is clamped instead of being
// undefined: "L=99999999999" means 2147483647.
#pragma once

#include <cstdint>
#include <string_view>

namespace zelvanor {

// Leading blanks skipped, an optional sign, then digits up to the first
// non-digit; 0 when there are none; clamped to the signed 32-bit range.
std::int32_t DecimalToInt32(std::string_view text);

// The C library's floating-point conversion of the leading number (strtod
// in the "C" locale): 0.0 when there is none, infinity for a value too
// large, and "inf" and "nan" as strtod reads them.
double DecimalToDouble(std::string_view text);

}  // namespace zelvanor
