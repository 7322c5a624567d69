// Character classes as the "C" locale has them, whatever locale the system
// has: names, numbers and options are bytes, and a byte of 128 or above is
// never a digit, a blank or a letter here.
#pragma once

namespace zelvanor {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Blank, tab, line feed, vertical tab, form feed or carriage return.
inline bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace zelvanor
