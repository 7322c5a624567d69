// Running the program in tests: in-process through zelvanor::Run (working
// directory changed, standard output captured, an early end shown as main
// shows it), or as the built executable where only a process tells (signals,
// resource limits, main's own exit codes, the console's line ends).
// ExpectRun states a whole run as one table row: the files it starts from,
// its arguments, what it prints, its exit code and the files it leaves.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "common/run_error.h"
#include "driver/run.h"
#include "driver/version.h"
#include "examples/example_pipes.h"
#include "platform/path_separators.h"
#include "wave_builder.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zelvanor::testing {

namespace fs = std::filesystem;

// A fresh, empty directory, removed with everything in it when the object goes.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device entropy;
    do path_ = fs::temp_directory_path() / ("zelvanor-test-" + std::to_string(entropy()));
    while (!fs::create_directory(path_));
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ~ScratchDirectory() { std::error_code ignored; fs::remove_all(path_, ignored); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// `directory` is the current directory while the object lives.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const fs::path& directory) : previous_(fs::current_path()) { fs::current_path(directory); }
  CurrentDirectory(const CurrentDirectory&) = delete;
  ~CurrentDirectory() { std::error_code ignored; fs::current_path(previous_, ignored); }

 private:
  fs::path previous_;
};

inline void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}
inline void WriteFile(const fs::path& path, const std::string& text) {
  WriteFile(path, Bytes(text.begin(), text.end()));
}
inline Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
inline std::string ReadText(const fs::path& path) {
  const Bytes bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}
inline std::vector<std::string> ListDirectory(const fs::path& directory) {  // sorted names
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The output path the program forms from a destination without a final
// separator: "out/a.wav", or "out\\a.wav" on Windows.
inline std::string DestinationPath(const std::string& destination, const std::string& name) {
  return destination + platform::kNativeSeparator + name;
}

struct ProgramResult {
  int exit_code = -1;  // 128 + the signal number when a signal ended it
  std::string output;  // standard output; for ZelvanorRun, what follows the banner
};
using ZelvanorRun = ProgramResult;

#ifndef _WIN32
// Starts `program` with standard output into `output_fd` (thrown away when
// negative), SIGINT, SIGTERM and SIGHUP at their default action as under a
// terminal (an ignored signal survives exec), and `prepare` run before exec.
inline pid_t StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const fs::path& working_directory, int output_fd, void (*prepare)() = nullptr) {
  // After fork only async-signal-safe calls are allowed: everything is made before.
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
  if (::chdir(directory.c_str()) != 0 || ::dup2(output_fd, STDOUT_FILENO) < 0) ::_exit(126);
  if (prepare != nullptr) prepare();
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

// Exit code, or 128 + the signal that ended the process (as a shell says).
inline int WaitForExit(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const fs::path& working_directory, void (*prepare)() = nullptr) {
  ProgramResult result;
  int ends[2];
  if (::pipe(ends) != 0) return result;
  const pid_t child = StartProgram(program, arguments, working_directory, ends[1], prepare);
  ::close(ends[1]);
  char block[4096];
  for (ssize_t got; (got = ::read(ends[0], block, sizeof block)) != 0 && (got > 0 || errno == EINTR);) {
    if (got > 0) result.output.append(block, static_cast<std::size_t>(got));
  }
  ::close(ends[0]);
  if (child > 0) result.exit_code = WaitForExit(child);
  return result;
}
#else
// Through the command processor: each word quoted (no test word holds a
// quote, and backslashes before a closing quote double), the whole line
// quoted once more for cmd /c; standard output read as bytes.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const fs::path& working_directory, void (*)() = nullptr) {
  std::string command = "\"";
  for (const std::string& word : arguments) {
    const std::size_t last = word.find_last_not_of('\\');
    const std::size_t backslashes = last == std::string::npos ? word.size() : word.size() - last - 1;
    command += " \"" + word + std::string(backslashes, '\\') + "\"";
  }
  const CurrentDirectory here(working_directory);
  FILE* pipe = ::_popen(("\"\"" + program + command + "\"").c_str(), "rb");
  ProgramResult result;
  char block[4096];
  for (std::size_t got; pipe != nullptr && (got = std::fread(block, 1, sizeof block, pipe)) > 0;) {
    result.output.append(block, got);
  }
  if (pipe != nullptr) result.exit_code = ::_pclose(pipe);
  return result;
}
#endif

inline ZelvanorRun AfterBanner(int exit_code, const std::string& printed) {
  const std::string banner = std::string("Zelvanor Vers ") + kVersion + " (c) the Zelvanor developers\n";
  EXPECT_EQ(printed.substr(0, banner.size()), banner) << printed;
  return {exit_code, printed.substr(std::min(banner.size(), printed.size()))};
}

// The run of `zelvanor ARGUMENTS` in `working_directory` as main runs it; the
// program's own path (the list's second place) is then the test executable's.
inline ZelvanorRun RunInProcess(const std::vector<std::string>& arguments, const fs::path& working_directory) {
  std::vector<std::string> words{"zelvanor"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  const CurrentDirectory here(working_directory);
  ::testing::internal::CaptureStdout();
  std::pair<int, std::string> end{kExitSuccess, ""};
  try {
    Run(words);
  } catch (const RunError& error) {
    end = {error.exit_code(), error.message()};
  } catch (const std::exception& error) {
    end = {kExitFatal, std::string("Fatal: ") + error.what() + "\n"};
  }
  return AfterBanner(end.first, ::testing::internal::GetCapturedStdout() + end.second);
}

// The built executable. Console lines end in CR LF on Windows; the text is
// compared with LF line ends.
inline ZelvanorRun RunZelvanor(const std::vector<std::string>& arguments, const fs::path& working_directory,
                               void (*prepare)() = nullptr) {
  const ProgramResult run = RunProgram(ZELVANOR_EXECUTABLE, arguments, working_directory, prepare);
  std::string text = run.output;
#ifdef _WIN32
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(run.output.begin(), run.output.end(), '\r'));
#endif
  return AfterBanner(run.exit_code, text);
}

// Sources by name: "long*.wav" is 1.2 s of 24-bit stereo with loop and
// release; "cut*.wav" has a cue point inside the stretch cut between loop and
// release, fatal when the file is written; "hot*.wav" is a full-scale square
// wave, on which every kernel that curves overshoots; "note<N>[+<C>]*.wav" half a
// second of the tone (441 Hz), its smpl stating MIDI note N and C cents (note0 none);
// any other "*.wav" a short tone.
inline Bytes SourceNamed(const std::string& name) {
  if (name.rfind("long", 0) == 0) {
    return examples::SynthesizePipe({.note = 40, .bits = 24, .channels = 2, .seconds = 1.2}).bytes;
  }
  const bool cut = name.rfind("cut", 0) == 0, hot = name.rfind("hot", 0) == 0, note = name.rfind("note", 0) == 0;
  std::vector<std::int32_t> values(cut ? 1200 : hot ? 4000 : note ? 22050 : 400);
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = hot ? ((i / 7) % 2 ? 32767 : -32768) : static_cast<std::int32_t>(i % 100) * 300 - 15000;
  }
  WaveBuilder pipe;
  pipe.Fmt({}).Data(Pcm(values, 16));
  if (note) {
    const std::uint64_t cents = name.find('+') == std::string::npos ? 0 : std::stoul(name.substr(name.find('+') + 1));
    // "loop" in the name: a loop of 30.5 periods, at odds with the tone's pitch.
    const bool loop = name.find("loop") != std::string::npos;
    pipe.Smpl(loop ? std::vector<Loop>{{.start = 1000, .end = 4049}} : std::vector<Loop>{},
              {}, {0, 0, 22675, static_cast<std::uint32_t>(std::stoul(name.substr(4))),
                       static_cast<std::uint32_t>((cents * 4294967296ULL + 50) / 100), 0, 0});
  }
  if (cut) pipe.Smpl({{.start = 10, .end = 50}}).Cue({{.id = 1, .offset = 1100}, {.id = 3, .position = 500}});
  return pipe.Build();
}

// The line of a file retuned into "out".
inline const std::string kSep(1, platform::kNativeSeparator);
inline std::string Tune(const std::string& name, const char* factor = "1.000000") {
  return "Tune " + name + " to out" + kSep + name + " by factor " + factor + "\n";
}

struct RunCase {
  // "dir/" a folder, "name:text" a text file, "ZELVANOR.INI" a copy of the
  // shipped list, "name.wav" a source (SourceNamed); inside the scratch folder.
  std::vector<std::string> files;
  std::vector<std::string> arguments;
  std::string output;  // after the banner
  int exit_code = 0;
  // When given: every entry afterwards, folders with a "/", and a "*" after
  // each file of `files` whose bytes changed.
  std::string after = "-";
  void (*spawn)() = nullptr;  // when given: the built executable, this run in the child first (a limit, say)
};
inline constexpr void (*kSpawned)() = [] {};

inline std::string Listing(const fs::path& directory, const std::map<std::string, Bytes>& before) {
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    std::string name = fs::relative(entry.path(), directory).generic_string();
    const auto was = before.find(name);
    const bool changed = was != before.end() && ReadFile(entry.path()) != was->second;
    entries.push_back(name + (entry.is_directory() ? "/" : "") + (changed ? "*" : ""));
  }
  std::sort(entries.begin(), entries.end());
  std::string joined;
  for (const std::string& entry : entries) joined += (joined.empty() ? "" : " ") + entry;
  return joined;
}

inline void ExpectRun(const RunCase& c) {
  ScratchDirectory dir;
  std::map<std::string, Bytes> before;
  for (const std::string& file : c.files) {
    const std::string name = file.substr(0, file.find(':'));
    const fs::path path = dir.path() / name;
    fs::create_directories(file.back() == '/' ? path : path.parent_path());
    if (file.back() == '/') continue;
    if (name == "ZELVANOR.INI" && name == file) {
      fs::copy_file(fs::path(ZELVANOR_SOURCE_DIR) / "data" / "ZELVANOR.INI", path);
    } else {
      const Bytes text(file.begin() + static_cast<std::ptrdiff_t>(std::min(file.size(), name.size() + 1)), file.end());
      WriteFile(path, name == file ? SourceNamed(path.filename().string()) : text);
    }
    before[name] = ReadFile(path);
  }
  const ZelvanorRun run =
      c.spawn ? RunZelvanor(c.arguments, dir.path(), c.spawn) : RunInProcess(c.arguments, dir.path());
  const std::string trace = ::testing::PrintToString(c.arguments);
  EXPECT_EQ(run.output, c.output) << trace;
  EXPECT_EQ(run.exit_code, c.exit_code) << trace << "\n" << run.output;
  if (c.after != "-") {
    EXPECT_EQ(Listing(dir.path(), before), c.after) << trace;
  }
}

}  // namespace zelvanor::testing
