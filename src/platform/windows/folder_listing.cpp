#include "platform/folder_listing.h"

#include "platform/windows/windows_api.h"

namespace zelvanor::platform {
namespace {

bool IsOfKind(DWORD attributes, EntryKind kind) {
  if (kind == EntryKind::kFile) return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  // A junction or a link to a folder is a reparse point.
  return kind == EntryKind::kFolder || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

}  // namespace

std::vector<std::string> ListEntries(const std::string& folder, const std::string& component, EntryKind kind) {
  // FindFirstFileA applies the system's own rules (case-insensitive, "*.*"
  // matches names without a dot, short names count, a leading dot is
  // nothing special) and returns the names in the file system's order
  // (alphabetical on NTFS). That is what Windows users expect of a
  // wildcard, so the names are kept as they come.
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  const HANDLE search = ::FindFirstFileA((folder + component).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != ".." && IsOfKind(entry.dwFileAttributes, kind)) names.push_back(name);
  } while (::FindNextFileA(search, &entry));
  ::FindClose(search);
  return names;
}

}  // namespace zelvanor::platform
