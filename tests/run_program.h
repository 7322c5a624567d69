// Running the program in tests: in-process through zelvanor::Run (the
// working directory changed, standard output captured, an early end shown
// as main shows it) or as the built executable, for what only a process
// shows (signals, resource limits, main's own exit codes, Windows' console).
//
//   ScratchDirectory dir;                       // empty, removed afterwards
//   WriteFile(dir.path() / "a.wav", bytes);
//   ZelvanorRun run = RunInProcess({"*.wav", "out", "1"}, dir.path());
//   EXPECT_EQ(run.output, "...");               // what was printed after the banner
//
// ExpectRun states a whole run as one table row: the files it starts from,
// its arguments, what it prints, its exit code and the files it leaves.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "driver/run.h"
#include "driver/version.h"
#include "examples/example_pipes.h"
#include "platform/path_separators.h"
#include "wave_builder.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zelvanor::testing {

namespace fs = std::filesystem;

// A fresh, empty directory under the system's temporary directory, removed
// with everything in it when the object goes.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device entropy;
    do path_ = fs::temp_directory_path() / ("zelvanor-test-" + std::to_string(entropy()));
    while (!fs::create_directory(path_));
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Makes `directory` the current directory for the lifetime of the object.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const fs::path& directory) : previous_(fs::current_path()) {
    fs::current_path(directory);
  }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;
  ~CurrentDirectory() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
  }

 private:
  fs::path previous_;
};

inline void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}
inline void WriteFile(const fs::path& path, const std::string& text) {
  WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}
inline std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline std::string ReadText(const fs::path& path) {
  const std::vector<std::uint8_t> bytes = ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// Names of the entries of `directory`, sorted.
inline std::vector<std::string> ListDirectory(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The output path the program forms from a destination given without a
// final separator: "out/a.wav", or "out\\a.wav" on Windows.
inline std::string DestinationPath(const std::string& destination, const std::string& name) {
  return destination + platform::kNativeSeparator + name;
}

struct ProgramResult {
  int exit_code = -1;  // 128 + the signal number when a signal ended it
  std::string output;  // standard output, byte for byte
};

#ifndef _WIN32
// Starts `program` in `working_directory` with standard output into
// `output_fd` (or thrown away when it is negative). SIGINT, SIGTERM and
// SIGHUP get their default action, as under a terminal: a runner started in
// the background may have them ignored, and that survives exec. `prepare`,
// when given, runs in the child just before exec; it must be
// async-signal-safe.
inline pid_t StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const fs::path& working_directory, int output_fd, void (*prepare)() = nullptr) {
  // After fork only async-signal-safe calls are allowed: prepare everything before.
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string directory = working_directory.string();
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child != 0) return child;
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal_number, SIG_DFL);
  if (output_fd < 0) output_fd = ::open("/dev/null", O_WRONLY);
  if (::chdir(directory.c_str()) != 0 || output_fd < 0 || ::dup2(output_fd, STDOUT_FILENO) < 0) ::_exit(126);
  if (prepare != nullptr) prepare();
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

// Exit code, or 128 + the signal that ended the process (as a shell says).
inline int WaitForExit(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const fs::path& working_directory, void (*prepare)() = nullptr) {
  ProgramResult result;
  int ends[2];
  if (::pipe(ends) != 0) return result;
  const pid_t child = StartProgram(program, arguments, working_directory, ends[1], prepare);
  ::close(ends[1]);
  char block[4096];
  for (ssize_t got; (got = ::read(ends[0], block, sizeof block)) != 0;) {
    if (got > 0) result.output.append(block, static_cast<std::size_t>(got));
    if (got < 0 && errno != EINTR) break;
  }
  ::close(ends[0]);
  if (child > 0) result.exit_code = WaitForExit(child);
  return result;
}
#else
// Windows: CreateProcess with each word quoted by the C runtime's rules (no
// command processor in between), standard output read from a pipe.
inline std::string QuotedForCommandLine(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\n\v\"") == std::string::npos) return word;
  // Backslashes are literal except before a quote: there they double, and the quote gets one more.
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
  return quoted.append(backslashes * 2, '\\') + "\"";
}

inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const fs::path& working_directory, void (*)() = nullptr) {
  ProgramResult result;
  std::string command_line = QuotedForCommandLine(program);
  for (const std::string& argument : arguments) command_line += ' ' + QuotedForCommandLine(argument);
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!::CreatePipe(&read_end, &write_end, &inheritable, 0)) return result;
  ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  const std::string directory = working_directory.string();
  const BOOL started = ::CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        directory.c_str(), &startup, &process);
  ::CloseHandle(write_end);  // the child holds the only write end now
  char block[4096];
  DWORD got = 0;
  while (started && ::ReadFile(read_end, block, sizeof block, &got, nullptr) && got > 0) result.output.append(block, got);
  ::CloseHandle(read_end);
  if (!started) return result;
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process.hProcess, &exit_code);
  result.exit_code = static_cast<int>(exit_code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return result;
}
#endif

struct ZelvanorRun {
  int exit_code = -1;
  std::string output;  // everything printed after the banner
};

// Checks and removes the banner.
inline ZelvanorRun AfterBanner(int exit_code, const std::string& printed) {
  const std::string banner = std::string("Zelvanor Vers ") + kVersion + " (c) the Zelvanor developers\n";
  EXPECT_EQ(printed.substr(0, banner.size()), banner) << printed;
  return {exit_code, printed.substr(std::min(banner.size(), printed.size()))};
}

// The whole run of `zelvanor ARGUMENTS` in `working_directory`, as main runs
// it. The program's own path (where the list is looked for when the
// current directory has none) is then that of the test executable.
inline ZelvanorRun RunInProcess(const std::vector<std::string>& arguments, const fs::path& working_directory) {
  std::vector<std::string> words{"zelvanor"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  const CurrentDirectory here(working_directory);
  ::testing::internal::CaptureStdout();
  int exit_code = kExitSuccess;
  std::string message;
  try {
    Run(words);
  } catch (const RunError& error) {
    exit_code = error.exit_code();
    message = error.message();
  } catch (const std::exception& error) {
    exit_code = kExitFatal;
    message = std::string("Fatal: ") + error.what() + "\n";
  }
  return AfterBanner(exit_code, ::testing::internal::GetCapturedStdout() + message);
}

// The built executable. Its console text must end every line the way the
// system does (CR LF on Windows); it is compared as LF text.
inline ZelvanorRun RunZelvanor(const std::vector<std::string>& arguments, const fs::path& working_directory,
                               void (*prepare)() = nullptr) {
  const ProgramResult run = RunProgram(ZELVANOR_EXECUTABLE, arguments, working_directory, prepare);
  std::string text = run.output;
#ifdef _WIN32
  text.clear();
  for (std::size_t i = 0; i < run.output.size(); ++i) {
    EXPECT_TRUE(run.output[i] != '\n' || (i > 0 && run.output[i - 1] == '\r')) << "a bare LF in " << run.output;
    if (run.output[i] != '\r' || i + 1 == run.output.size() || run.output[i + 1] != '\n') text += run.output[i];
  }
#endif
  return AfterBanner(run.exit_code, text);
}

// --- Runs as table rows.

// Sources by name: "long*.wav" is 1.2 s of 24-bit stereo (past the output
// buffer when retuned); "cut*.wav" has a cue point inside the stretch that
// is cut between loop and release, which is fatal when the file is
// written; any other "*.wav" is a short tone without markers.
inline std::vector<std::uint8_t> SourceNamed(const std::string& name) {
  if (name.rfind("long", 0) == 0) {
    return examples::SynthesizePipe({.note = 40, .bits = 24, .channels = 2, .seconds = 1.2}).bytes;
  }
  std::vector<std::int32_t> values(name.rfind("cut", 0) == 0 ? 1200 : 400);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::int32_t>(i % 100) * 300 - 15000;
  WaveBuilder pipe;
  pipe.Fmt({}).Data(Pcm(values, 16));
  if (name.rfind("cut", 0) == 0) {
    pipe.Smpl({{.start = 10, .end = 50}}).Cue({{.id = 1, .offset = 1100}, {.id = 3, .position = 500, .offset = 1100}});
  }
  return pipe.Build();
}

struct RunCase {
  // One word per entry: "dir/" a folder, "name:text" a text file,
  // "ZELVANOR.INI" a copy of the shipped list, "name.wav" a source (see
  // SourceNamed). Paths are relative to the scratch directory.
  std::vector<std::string> files = {};
  std::vector<std::string> arguments = {};
  std::string output = {};  // after the banner
  int exit_code = 0;
  // When given: every entry afterwards, folders with a "/", and a "*" after
  // each file of `files` whose bytes changed.
  std::string after = "-";
  bool spawned = false;           // run the built executable, not in-process
  void (*prepare)() = nullptr;   // in the spawned child: a limit, say
};

inline std::string Listing(const fs::path& directory, const std::map<std::string, std::vector<std::uint8_t>>& before) {
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    std::string name = fs::relative(entry.path(), directory).generic_string();
    const auto was = before.find(name);
    if (entry.is_directory()) name += "/";
    if (was != before.end() && ReadFile(entry.path()) != was->second) name += "*";
    entries.push_back(name);
  }
  std::sort(entries.begin(), entries.end());
  std::string joined;
  for (const std::string& entry : entries) joined += (joined.empty() ? "" : " ") + entry;
  return joined;
}

inline void ExpectRun(const RunCase& c) {
  const std::string trace = ::testing::PrintToString(c.arguments);
  ScratchDirectory dir;
  std::map<std::string, std::vector<std::uint8_t>> before;
  for (const std::string& file : c.files) {
    const std::size_t colon = file.find(':');
    const fs::path path = dir.path() / file.substr(0, colon);
    if (file.back() == '/') {
      fs::create_directories(path);
      continue;
    }
    fs::create_directories(path.parent_path());
    if (colon != std::string::npos) {
      WriteFile(path, file.substr(colon + 1));
    } else if (file == "ZELVANOR.INI") {
      fs::copy_file(fs::path(ZELVANOR_SOURCE_DIR) / "data" / "ZELVANOR.INI", path);
    } else {
      WriteFile(path, SourceNamed(path.filename().string()));
    }
    before[file.substr(0, colon)] = ReadFile(path);
  }
  const ZelvanorRun run = c.spawned || c.prepare ? RunZelvanor(c.arguments, dir.path(), c.prepare)
                                                  : RunInProcess(c.arguments, dir.path());
  EXPECT_EQ(run.output, c.output) << trace;
  EXPECT_EQ(run.exit_code, c.exit_code) << trace << "\n" << run.output;
  if (c.after != "-") {
    EXPECT_EQ(Listing(dir.path(), before), c.after) << trace;
  }
}

}  // namespace zelvanor::testing
