#include <algorithm>
#include <set>

#include "platform/directory.h"
#include "platform/folder_listing.h"
#include "platform/path_separators.h"
#include "platform/source_pattern.h"

namespace zelvanor::platform {
namespace {

// Matches components[index..] in the folder `relative` below the fixed
// part, adding the files found, relative to the fixed part.
void MatchBelow(const SourcePattern& pattern, std::size_t index, const std::string& relative,
                std::vector<std::string>& found) {
  const std::string& component = pattern.components[index];
  const std::string folder = pattern.fixed_part + relative;
  if (index + 1 == pattern.components.size()) {
    for (const std::string& name : ListEntries(folder, component, EntryKind::kFile)) found.push_back(relative + name);
    return;
  }
  if (component == "**") {
    MatchBelow(pattern, index + 1, relative, found);  // no folder at all
    for (const std::string& name : ListEntries(folder, "*", EntryKind::kRealFolder)) {
      MatchBelow(pattern, index, relative + name + kNativeSeparator, found);
    }
    return;
  }
  for (const std::string& name : ListEntries(folder, component, EntryKind::kFolder)) {
    MatchBelow(pattern, index + 1, relative + name + kNativeSeparator, found);
  }
}

}  // namespace

std::vector<std::string> MatchFiles(const std::string& pattern) {
  const SourcePattern split = SplitSourcePattern(pattern);
  std::vector<std::string> found;
  if (split.components.empty()) return found;
  MatchBelow(split, 0, "", found);
  // Two "**" can reach one file by two ways; it is retuned once.
  std::set<std::string> seen;
  const auto repeated = [&](const std::string& path) { return !seen.insert(path).second; };
  found.erase(std::remove_if(found.begin(), found.end(), repeated), found.end());
#ifndef _WIN32
  // Listing order is the file system's whim; sorted paths make runs
  // reproducible. std::string compares bytes as unsigned, like memcmp.
  std::sort(found.begin(), found.end());
#endif
  // Windows keeps the walk's order: each folder as the system lists it
  // (alphabetical on NTFS), the order its users know from Explorer.
  return found;
}

}  // namespace zelvanor::platform
