#include "platform/directory.h"

#include "platform/windows/windows_api.h"

namespace zelvanor::platform {

std::string ExecutablePath(const char* argv0) {
  // GetModuleFileNameA cuts a long path to the buffer and returns its size;
  // grow until the whole path fits.
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) break;
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) break;  // longer than any Windows path
    path.resize(path.size() * 2);
  }
  return argv0 != nullptr ? std::string(argv0) : std::string();
}

}  // namespace zelvanor::platform
