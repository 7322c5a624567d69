// How a run ends early. Library code never exits: it throws RunError with
// the message to show and the process exit code; main prints the message
// and returns the code. Objects that own a half-written output delete it
// while the exception unwinds, so no partial file survives.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include "common/console.h"

namespace zelvanor {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // usage, file-system failures
inline constexpr int kExitFatal = 99;   // format, consistency and lookup errors

class RunError : public std::runtime_error {
 public:
  RunError(int exit_code, std::string message)
      : std::runtime_error(message), exit_code_(exit_code), message_(std::move(message)) {}

  int exit_code() const { return exit_code_; }
  // Printed as it stands: the texts carry their own line ends.
  const std::string& message() const { return message_; }

 private:
  int exit_code_;
  std::string message_;
};

// The fatal-error routine: message, partial output deleted, exit code 99.
[[noreturn]] void ThrowFatal(const char* format, ...) ZELVANOR_PRINTF_FORMAT(1, 2);

// A write to an output failed (a full disk, a file-size limit): "Fatal:
// can't write to output file!", exit code 99.
[[noreturn]] void ThrowWriteFailed();

// Any other early end with its own exit code.
[[noreturn]] void ThrowExit(int exit_code, const char* format, ...)
    ZELVANOR_PRINTF_FORMAT(2, 3);

}  // namespace zelvanor
