#include "platform/directory.h"

#include "platform/windows/windows_api.h"

namespace zelvanor::platform {

std::vector<std::string> MatchFiles(const std::string& pattern) {
  // FindFirstFileA applies the system's own rules (case-insensitive, "*.*"
  // matches names without a dot, short names count) and returns the names
  // in the file system's order (alphabetical on NTFS). That is what Windows
  // users expect of a wildcard, so the names are kept as they come.
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  const HANDLE search = ::FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) continue;
    names.emplace_back(entry.cFileName);
  } while (::FindNextFileA(search, &entry));
  ::FindClose(search);
  return names;
}

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
