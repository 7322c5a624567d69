#include "common/console.h"

#include <cstdio>
#include <vector>

namespace zelvanor {
namespace {

// Where Print goes on this thread; null: standard output.
thread_local std::string* t_capture = nullptr;

}  // namespace

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (t_capture != nullptr) {
    t_capture->append(FormatV(format, args));
  } else {
    std::vprintf(format, args);
  }
  va_end(args);
}

MessageCapture::MessageCapture(std::string& into) : previous_(t_capture) { t_capture = &into; }

MessageCapture::~MessageCapture() { t_capture = previous_; }

void PrintCaptured(std::string_view text) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stdout);
}

void FlushMessages() { std::fflush(stdout); }

std::string FormatV(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  return text;
}

}  // namespace zelvanor
