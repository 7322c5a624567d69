#include "platform/directory.h"

#include <unistd.h>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

#include <climits>
#include <cstdint>

namespace zelvanor::platform {

std::string ExecutablePath(const char* argv0) {
#if defined(__linux__)
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length > 0) return std::string(path, static_cast<std::size_t>(length));
#elif defined(__APPLE__)
  std::uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::string path(size, '\0');
  if (size > 0 && _NSGetExecutablePath(path.data(), &size) == 0) {
    path.resize(std::char_traits<char>::length(path.c_str()));
    return path;
  }
#endif
  return argv0 != nullptr ? std::string(argv0) : std::string();
}

}  // namespace zelvanor::platform
