// Shared pieces of the reliability tests: the real file loop run in-process
// (exit code and console output as main would show them), temporaries
// looked for, and a file-size limit for a spawned program (a full disk).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "driver/file_loop.h"
#include "driver/run_config.h"
#include "run_program.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace zelvanor::testing {

struct LoopRun {
  int exit_code = 0;
  std::string output;  // everything printed, then the message main prints
};

// ProcessMatchingFiles with a fixed factor, as main runs it after the
// banner and the options.
inline LoopRun RunFileLoop(const std::string& pattern, const std::string& destination, double factor,
                           const Settings& settings = {}) {
  RunConfig config;
  config.source_pattern = pattern;
  config.destination = destination;
  config.detune = std::to_string(factor);
  config.settings = settings;
  config.base_factor = factor;
  LoopRun run;
  ::testing::internal::CaptureStdout();
  std::string message;
  try {
    ProcessMatchingFiles(config);
  } catch (const RunError& error) {
    run.exit_code = error.exit_code();
    message = error.message();
  }
  run.output = ::testing::internal::GetCapturedStdout() + message;
  return run;
}

// Names in `directory` that are temporary outputs ("NAME.zelvanor-XXXXXX",
// or the anonymous ".zelvanor-XXXXXX"; "zlvXXXX.tmp" on Windows).
inline std::vector<std::string> TemporariesIn(const std::filesystem::path& directory) {
  std::vector<std::string> found;
  for (const std::string& name : ListDirectory(directory)) {
#ifdef _WIN32
    const bool temporary = name.rfind("zlv", 0) == 0 && std::filesystem::path(name).extension() == ".tmp";
#else
    const bool temporary = name.find(".zelvanor-") != std::string::npos;
#endif
    if (temporary) found.push_back(name);
  }
  return found;
}

#ifndef _WIN32
// For a spawned program (the `prepare` of RunZelvanor or StartProgram): a
// file-size limit of kKiB KiB, so that a write past it fails as on a full
// disk. With kIgnoreSigxfsz the write fails with EFBIG instead of the
// signal ending the process.
template <unsigned kKiB, bool kIgnoreSigxfsz = true>
void LimitFileSize() {
  const struct rlimit limit {rlim_t{kKiB} * 1024, rlim_t{kKiB} * 1024};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  if (kIgnoreSigxfsz) ::signal(SIGXFSZ, SIG_IGN);
}
#endif

}  // namespace zelvanor::testing
