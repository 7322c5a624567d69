// Every line the program shows goes through Print, so that the whole
// console output follows one path (tests capture standard output).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#if defined(__GNUC__) || defined(__clang__)
#define ZELVANOR_PRINTF_FORMAT(fmt_index, first_arg) \
  __attribute__((format(printf, fmt_index, first_arg)))
#else
#define ZELVANOR_PRINTF_FORMAT(fmt_index, first_arg)
#endif

namespace zelvanor {

// printf to standard output, or into the calling thread's MessageCapture.
void Print(const char* format, ...) ZELVANOR_PRINTF_FORMAT(1, 2);

// While it lives, Print on the constructing thread appends to `into`
// instead of writing standard output. Files retuned side by side each run
// under one, so that their messages can be shown whole and in file order,
// exactly as a one-after-the-other run shows them.
//
// The capture is a property of the thread, not a parameter: messages are
// printed from every layer (analysis, writers, temperaments), often deep
// below the driver, and each worker thread handles one file at a time.
// Passing a message sink down would burden every function that prints with
// a concern of the driver alone; a process-wide switch would mix the files
// of different threads. Scopes nest; the destructor restores the previous.
class MessageCapture {
 public:
  explicit MessageCapture(std::string& into);
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;
  ~MessageCapture();

 private:
  std::string* previous_;
};

// Writes captured messages to standard output byte for byte (a "%c" of a
// zero byte included, as printf would have written it).
void PrintCaptured(std::string_view text);

// Hands what standard output has buffered to the system now. Called before
// an output is put in place, so that its messages are out first and a
// reader that has gone away is noticed while the output is still temporary.
void FlushMessages();

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
