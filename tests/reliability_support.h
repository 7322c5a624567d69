// Shared pieces of the reliability tests: the real file loop run in-process
// (exit code and console output as main would show them), temporaries
// looked for, and the built program started with a prepared child process
// (resource limits, signal dispositions) or interrupted while it runs.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/file_loop.h"
#include "driver/run_config.h"
#include "common/run_error.h"
#include "run_program.h"
#include "wave_builder.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
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

// The built program, started with its standard output thrown away and
// `prepare` run in the child before exec (limits, signal dispositions).
// SIGINT, SIGTERM and SIGHUP get their default action in the child, as under a
// terminal: a test runner started in the background may have them ignored,
// and an ignored signal stays ignored across exec.
inline pid_t StartZelvanor(const std::vector<std::string>& arguments, const std::filesystem::path& working_directory,
                           void (*prepare)() = nullptr) {
  std::vector<std::string> words{ZELVANOR_EXECUTABLE};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string directory = working_directory.string();
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
    const int null = ::open("/dev/null", O_WRONLY);
    if (::chdir(directory.c_str()) != 0 || null < 0 || ::dup2(null, STDOUT_FILENO) < 0) ::_exit(126);
    if (prepare != nullptr) prepare();
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return child;
}

// Exit code, or 128 + the signal that ended the process (as a shell says).
inline int WaitForExit(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif  // !_WIN32

}  // namespace zelvanor::testing
