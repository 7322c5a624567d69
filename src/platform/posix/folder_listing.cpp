#include "platform/folder_listing.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <memory>

#include "platform/source_pattern.h"

namespace zelvanor::platform {
namespace {

bool IsOfKind(const std::string& path, EntryKind kind) {
  struct stat status {};
  // stat follows a link to what it names; lstat sees the link itself.
  const int got = kind == EntryKind::kRealFolder ? ::lstat(path.c_str(), &status) : ::stat(path.c_str(), &status);
  if (got != 0) return false;
  return kind == EntryKind::kFile ? S_ISREG(status.st_mode) : S_ISDIR(status.st_mode);
}

}  // namespace

std::vector<std::string> ListEntries(const std::string& folder, const std::string& component, EntryKind kind) {
  std::vector<std::string> names;
  // A plain name needs no listing, and still works in a folder that may
  // be entered but not listed.
  if (!HasWildcard(component)) {
    if (IsOfKind(folder + component, kind)) names.push_back(component);
    return names;
  }
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    // FNM_PERIOD: as in a shell, wildcards do not match a leading dot, so
    // hidden files and folders stay out unless the pattern spells the dot.
    if (name == "." || name == ".." || ::fnmatch(component.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
    if (IsOfKind(folder + name, kind)) names.push_back(name);
  }
  return names;
}

}  // namespace zelvanor::platform
