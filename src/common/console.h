// Every line the program shows goes through Print, so that the whole
// console output follows one path (tests capture standard output).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

#if defined(__GNUC__) || defined(__clang__)
#define ZELVANOR_PRINTF_FORMAT(fmt_index, first_arg) \
  __attribute__((format(printf, fmt_index, first_arg)))
#else
#define ZELVANOR_PRINTF_FORMAT(fmt_index, first_arg)
#endif

namespace zelvanor {

// printf to standard output.
void Print(const char* format, ...) ZELVANOR_PRINTF_FORMAT(1, 2);

// The same formatting into a string (for messages carried by exceptions).
std::string Format(const char* format, ...) ZELVANOR_PRINTF_FORMAT(1, 2);
std::string FormatV(const char* format, va_list args);

// Messages print the same text on every system, whatever the width of
// long: "%ld" shows a 32-bit field as a signed 32-bit number.
inline long AsLong(std::uint32_t field) {
  return static_cast<std::int32_t>(field);
}
inline long AsLong(std::int32_t value) { return value; }

// "%d" with an unsigned 32-bit field: its signed 32-bit reading.
inline int AsInt(std::uint32_t field) { return static_cast<std::int32_t>(field); }

}  // namespace zelvanor
