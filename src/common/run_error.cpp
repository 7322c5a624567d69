#include "common/run_error.h"

#include <cstdarg>

namespace zelvanor {

void ThrowFatal(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = FormatV(format, args);
  va_end(args);
  throw RunError(kExitFatal, std::move(message));
}

void ThrowWriteFailed() { ThrowFatal("Fatal: can't write to output file!\n"); }

void ThrowExit(int exit_code, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = FormatV(format, args);
  va_end(args);
  throw RunError(exit_code, std::move(message));
}

}  // namespace zelvanor
