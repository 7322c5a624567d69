// Helpers for end-to-end tests that run the built program:
//
//   ScratchDirectory dir;                       // empty, removed afterwards
//   WriteFile(dir.path() / "a.wav", bytes);
//   ZelvanorRun run = RunZelvanor({"*.wav", "out", "1"}, dir.path());
//   EXPECT_EQ(run.exit_code, 1);
//   EXPECT_EQ(run.output, "usage: ...\n");      // standard output after the banner
//
// RunProgram is the general form: any program, any arguments (passed as
// they are, no shell), a working directory; it returns the exit code and
// everything written to standard output. Standard error is left alone, so
// sanitizer reports still show up in the test log.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "driver/version.h"
#include "platform/path_separators.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zelvanor::testing {

// A fresh, empty directory under the system's temporary directory, removed
// with everything in it when the object goes.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device entropy;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("zelvanor-test-" + std::to_string(entropy()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
  WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

inline std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Names of the entries of `directory`, sorted.
inline std::vector<std::string> ListDirectory(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct ProgramResult {
  int exit_code = -1;  // 128 + the signal number when a signal ended it
  std::string output;  // standard output, byte for byte
};

#ifndef _WIN32
// `prepare_child`, when given, runs in the child just before exec (a
// resource limit, a signal disposition); it must be async-signal-safe.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const std::filesystem::path& working_directory,
                                void (*prepare_child)() = nullptr) {
  // Everything the child needs is prepared before fork: after it, only
  // async-signal-safe calls are allowed.
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string directory = working_directory.string();

  ProgramResult result;
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) {
    ADD_FAILURE() << "pipe failed";
    return result;
  }
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_ends[0]);
    if (::chdir(directory.c_str()) != 0 || ::dup2(pipe_ends[1], STDOUT_FILENO) < 0) ::_exit(126);
    if (prepare_child != nullptr) prepare_child();
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipe_ends[1]);
  if (child < 0) {
    ::close(pipe_ends[0]);
    ADD_FAILURE() << "fork failed";
    return result;
  }
  char block[4096];
  for (;;) {
    const ssize_t got = ::read(pipe_ends[0], block, sizeof block);
    if (got > 0) {
      result.output.append(block, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipe_ends[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.exit_code = 128 + WTERMSIG(status);
  return result;
}
#else
// Windows: CreateProcess with a command line quoted by the C runtime's
// rules (no command processor in between, so no word is reinterpreted),
// standard output read from a pipe.
inline std::string QuotedForCommandLine(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\n\v\"") == std::string::npos) return word;
  // Backslashes are literal except before a quote: there they double, and
  // the quote gets one more.
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

// `prepare_child` is for POSIX children; Windows has no such step.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const std::filesystem::path& working_directory,
                                void (*prepare_child)() = nullptr) {
  (void)prepare_child;
  ProgramResult result;
  std::string command_line = QuotedForCommandLine(program);
  for (const std::string& argument : arguments) {
    command_line += ' ';
    command_line += QuotedForCommandLine(argument);
  }

  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!::CreatePipe(&read_end, &write_end, &inheritable, 0)) {
    ADD_FAILURE() << "CreatePipe failed";
    return result;
  }
  ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  const std::string directory = working_directory.string();
  const BOOL started = ::CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, directory.c_str(), &startup, &process);
  ::CloseHandle(write_end);  // the child holds the only write end now
  if (!started) {
    ::CloseHandle(read_end);
    ADD_FAILURE() << "CreateProcess failed for " << program << ": error " << ::GetLastError();
    return result;
  }
  char block[4096];
  DWORD got = 0;
  while (::ReadFile(read_end, block, sizeof block, &got, nullptr) && got > 0) result.output.append(block, got);
  ::CloseHandle(read_end);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process.hProcess, &exit_code);
  result.exit_code = static_cast<int>(exit_code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return result;
}
#endif

// What the program printed, with the line ends every system's tests expect.
// Standard output is a text stream on Windows, where every line ends in
// CR LF; taken back to LF the text must be the same as anywhere else.
inline std::string ConsoleText(const std::string& printed) {
#ifdef _WIN32
  std::string text;
  for (std::size_t i = 0; i < printed.size(); ++i) {
    const char c = printed[i];
    if (c == '\r' && i + 1 < printed.size() && printed[i + 1] == '\n') {
      text += '\n';
      ++i;
      continue;
    }
    EXPECT_NE(c, '\n') << "a line end without CR in: " << printed;
    text += c;
  }
  return text;
#else
  return printed;
#endif
}

// The output path the program forms from a destination given without a
// final separator: "out/a.wav", or "out\\a.wav" on Windows.
inline std::string DestinationPath(const std::string& destination, const std::string& name) {
  return destination + platform::kNativeSeparator + name;
}

#ifdef ZELVANOR_EXECUTABLE
struct ZelvanorRun {
  int exit_code = -1;
  std::string banner;  // the first line, with its line end
  std::string output;  // everything after the banner
};

// Runs the built program with `arguments` (the words after the program
// name) in `working_directory` and splits off the banner line.
inline ZelvanorRun RunZelvanor(const std::vector<std::string>& arguments,
                               const std::filesystem::path& working_directory,
                               void (*prepare_child)() = nullptr) {
  const ProgramResult run = RunProgram(ZELVANOR_EXECUTABLE, arguments, working_directory, prepare_child);
  ZelvanorRun result;
  result.exit_code = run.exit_code;
  const std::string output = ConsoleText(run.output);
  const std::size_t line_end = output.find('\n');
  const std::size_t split = line_end == std::string::npos ? output.size() : line_end + 1;
  result.banner = output.substr(0, split);
  result.output = output.substr(split);
  EXPECT_EQ(result.banner.rfind(std::string("Zelvanor Vers ") + kVersion, 0), 0u) << "no banner in: " << run.output;
  return result;
}
#endif  // ZELVANOR_EXECUTABLE

}  // namespace zelvanor::testing
