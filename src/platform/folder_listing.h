// One level of a source pattern's match, by each system's own wildcard
// rules (posix/ and windows/ folder_listing.cpp).
#pragma once

#include <string>
#include <vector>

namespace zelvanor::platform {

enum class EntryKind {
  kFile,        // a regular file, or a link to one
  kFolder,      // a folder, or a link to one
  kRealFolder,  // a folder itself: a walk through "**" follows no link, so never loops
};

// The names in `folder` (a path ending in a separator; empty for the
// current folder) that fit `component` and are of `kind`, "." and ".."
// never among them; in the order the system lists them.
std::vector<std::string> ListEntries(const std::string& folder, const std::string& component, EntryKind kind);

}  // namespace zelvanor::platform
