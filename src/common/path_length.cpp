#include "common/path_length.h"

#include "common/run_error.h"

namespace zelvanor {

std::string CheckedPath(std::string path, const char* what) {
  if (path.size() > kMaxPathLength) {
    ThrowExit(kExitFailure, "%s longer than %d characters: %s\n", what, static_cast<int>(kMaxPathLength),
              path.c_str());
  }
  return path;
}

}  // namespace zelvanor
