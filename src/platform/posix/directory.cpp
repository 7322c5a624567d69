#include "platform/directory.h"

#include <dirent.h>
#include <fnmatch.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "platform/file_system.h"
#include "platform/path_separators.h"

namespace zelvanor::platform {

std::vector<std::string> MatchFiles(const std::string& pattern) {
  const std::size_t cut = LastSeparator(pattern);
  const std::string directory = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
  const std::string name_pattern = cut == std::string::npos ? pattern : pattern.substr(cut + 1);

  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.empty() ? "." : directory.c_str()),
                                          ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (::fnmatch(name_pattern.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
    if (!IsRegularFile(directory + name)) continue;
    names.push_back(name);
  }
  // Directory order is the file system's whim; sorted names make runs reproducible.
  std::sort(names.begin(), names.end());
  return names;
}

std::string ExecutablePath(const char* argv0) {
#ifdef __linux__
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length > 0) return std::string(path, static_cast<std::size_t>(length));
#endif
  return argv0 != nullptr ? std::string(argv0) : std::string();
}

}  // namespace zelvanor::platform
