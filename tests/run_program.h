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

#ifndef _WIN32
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
// Windows: through the command processor, with standard output sent to a
// file beside the working directory. There is no child to prepare.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const std::filesystem::path& working_directory,
                                void (*prepare_child)() = nullptr) {
  (void)prepare_child;
  const auto quoted = [](const std::string& word) { return "\"" + word + "\""; };
  const std::filesystem::path capture = working_directory.parent_path() /
                                        (working_directory.filename().string() + ".stdout");
  std::string command = "cd /d " + quoted(working_directory.string()) + " && " + quoted(program);
  for (const std::string& argument : arguments) command += " " + quoted(argument);
  command += " > " + quoted(capture.string());
  ProgramResult result;
  result.exit_code = std::system(quoted(command).c_str());
  const std::vector<std::uint8_t> bytes = ReadFile(capture);
  result.output.assign(bytes.begin(), bytes.end());
  std::filesystem::remove(capture);
  return result;
}
#endif

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
  const std::size_t line_end = run.output.find('\n');
  const std::size_t split = line_end == std::string::npos ? run.output.size() : line_end + 1;
  result.banner = run.output.substr(0, split);
  result.output = run.output.substr(split);
  EXPECT_EQ(result.banner.rfind("Zelvanor Vers 2.01", 0), 0u) << "no banner in: " << run.output;
  return result;
}
#endif  // ZELVANOR_EXECUTABLE

}  // namespace zelvanor::testing
