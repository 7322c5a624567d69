// For the reliability tests: the file loop run in-process (exit code and
// console output as main shows them), the temporaries left in a folder, and
// a file-size limit for a spawned program (a full disk).
#pragma once

#include "driver/file_loop.h"
#include "driver/run_config.h"
#include "run_program.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace zelvanor::testing {

using LoopRun = ProgramResult;  // everything printed, then the message main prints

// ProcessMatchingFiles with a fixed factor, as main runs it after the banner and the options.
inline LoopRun RunFileLoop(const std::string& pattern, const std::string& destination, double factor,
                           const Settings& settings = {}) {
  RunConfig config;
  config.source_pattern = pattern;
  config.destination = destination;
  config.detune = std::to_string(factor);
  config.settings = settings;
  config.base_factor = factor;
  LoopRun run{0, ""};
  ::testing::internal::CaptureStdout();
  try {
    ProcessMatchingFiles(config);
  } catch (const RunError& error) {
    run = {error.exit_code(), error.message()};
  }
  run.output = ::testing::internal::GetCapturedStdout() + run.output;
  return run;
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
// disk, with EFBIG when SIGXFSZ is ignored, else by that signal.
template <unsigned kKiB, bool kIgnoreSigxfsz = true>
void LimitFileSize() {
  const rlimit limit{rlim_t{kKiB} * 1024, rlim_t{kKiB} * 1024};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  if (kIgnoreSigxfsz) ::signal(SIGXFSZ, SIG_IGN);
}
#endif

}  // namespace zelvanor::testing
