// For the reliability tests: the file loop run in-process, the temporaries
// left in a folder, and a file-size limit for a spawned program (a full disk).
#pragma once

#include "common/settings.h"
#include "run_program.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace zelvanor::testing {

using LoopRun = ProgramResult;

// The file loop as main runs it, with the settings stated as options.
inline LoopRun RunFileLoop(const std::string& pattern, const std::string& destination, double factor,
                           const Settings& settings = {}) {
  std::vector<std::string> words{pattern, destination, zelvanor::Format("%.17g", factor),
                                 "V=" + std::to_string(settings.verbosity), "Q=" + std::to_string(settings.quality),
                                 "L=" + std::to_string(settings.dummy_loop_length)};
  if (settings.keep_unused_part) words.push_back("U");
  if (!settings.copy_unknown_chunks) words.push_back("X");
  return RunInProcess(words, fs::current_path());
}

// Temporary outputs in `directory`: "NAME.zelvanor-XXXXXX" or ".zelvanor-XXXXXX"; "zlvXXXX.tmp" on Windows.
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
