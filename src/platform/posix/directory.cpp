#include "platform/directory.h"

#include <dirent.h>
#include <fnmatch.h>
#include <unistd.h>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "platform/file_system.h"
#include "platform/path_separators.h"

namespace zelvanor::platform {
namespace {

bool HasWildcard(const std::string& name_pattern) {
  return name_pattern.find_first_of("*?[") != std::string::npos;
}

}  // namespace

std::vector<std::string> MatchFiles(const std::string& pattern) {
  const std::size_t cut = LastSeparator(pattern);
  const std::string directory = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
  const std::string name_pattern = cut == std::string::npos ? pattern : pattern.substr(cut + 1);

  std::vector<std::string> names;
  if (name_pattern.empty()) return names;
  // A plain name needs no listing, and still works in a directory that may
  // be entered but not listed.
  if (!HasWildcard(name_pattern)) {
    if (IsRegularFile(pattern)) names.push_back(name_pattern);
    return names;
  }

  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.empty() ? "." : directory.c_str()),
                                          ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    // FNM_PERIOD: as in a shell, wildcards do not match a leading dot, so
    // "." and ".." and hidden files stay out.
    if (::fnmatch(name_pattern.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
    if (!IsRegularFile(directory + name)) continue;
    names.push_back(name);
  }
  // Directory order is the file system's whim; sorted names make runs
  // reproducible. std::string compares bytes as unsigned, like memcmp.
  std::sort(names.begin(), names.end());
  return names;
}

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
