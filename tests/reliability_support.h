// For the reliability tests: the temporaries left in a folder, and a
// file-size limit for a spawned program (a full disk).
#pragma once

#include "run_program.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace zelvanor::testing {

// Temporary outputs in `directory`: ".NAME.zelvanor-XXXXXX" or ".zelvanor-XXXXXX"; "zlvXXXX.tmp" on Windows.
inline std::vector<std::string> TemporariesIn(const fs::path& directory) {
  std::vector<std::string> found;
  for (const std::string& name : ListDirectory(directory)) {
#ifdef _WIN32
    if (name.rfind("zlv", 0) == 0 && fs::path(name).extension() == ".tmp") found.push_back(name);
#else
    if (name.find(".zelvanor-") != std::string::npos) found.push_back(name);
#endif
  }
  return found;
}

#ifndef _WIN32
// The `prepare` of a spawned program: writes past kKiB KiB fail as on a full
// disk, with EFBIG when SIGXFSZ is ignored, else by that signal (its default
// action, as a user's shell leaves it; a test runner may pass it on ignored).
template <unsigned kKiB, bool kIgnoreSigxfsz = true>
void LimitFileSize() {
  const rlimit limit{rlim_t{kKiB} * 1024, rlim_t{kKiB} * 1024};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::signal(SIGXFSZ, kIgnoreSigxfsz ? SIG_IGN : SIG_DFL);
}
#endif

}  // namespace zelvanor::testing
