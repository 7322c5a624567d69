// The program as a user's shell runs it, with every signal at its default
// action: under a file-size limit (`ulimit -f`), and with its standard
// output going to a reader that has gone away (`| head -1`). Either way no
// temporary file and no partial output may remain.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "examples/example_pipes.h"
#include "reliability_support.h"

namespace zelvanor::testing {
namespace {

namespace fs = std::filesystem;

constexpr auto Limit200KiB = LimitFileSize<200, false>;
constexpr auto LimitNothing = LimitFileSize<0, false>;

// a.wav and c.wav retune to under 200 KiB, b.wav to far more.
void ThreePipes(const fs::path& root) {
  fs::create_directories(root / "in");
  fs::create_directories(root / "out");
  fs::create_directories(root / "pages");
  const double seconds[] = {0.4, 2.0, 0.4};
  for (int i = 0; i < 3; ++i) {
    const examples::PipeSpec spec{.bits = 16, .channels = 1 + (i == 1), .seconds = seconds[i]};
    WriteFile(root / "in" / (std::string(1, static_cast<char>('a' + i)) + ".wav"),
              examples::SynthesizePipe(spec).bytes);
  }
}

// The write end of a pipe whose read end is closed before the program
// starts: its first write to standard output finds no reader, like a
// `head -1` that has read its line and gone.
int g_reader_gone = -1;
void OutputToGoneReader() {
  ::signal(SIGPIPE, SIG_DFL);  // as a user's shell leaves it
  ::dup2(g_reader_gone, STDOUT_FILENO);
}
void OutputToGoneReaderIgnoringSigpipe() {
  OutputToGoneReader();
  ::signal(SIGPIPE, SIG_IGN);
}

struct ShellRun {
  const char* name;
  std::vector<std::string> words;
  void (*prepare)();
  int exit_code;
  const char* ending;              // of standard output
  const char* folder;              // where outputs go
  std::vector<std::string> left;  // what it holds afterwards
};

void PrintTo(const ShellRun& row, std::ostream* out) { *out << row.name; }

class AsAShellRunsIt : public ::testing::TestWithParam<ShellRun> {};

TEST_P(AsAShellRunsIt, LeavesNoTemporaryAndNoPartialOutput) {
  ScratchDirectory dir;
  ThreePipes(dir.path());
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ::close(ends[0]);
  g_reader_gone = ends[1];
  const ProgramResult run = RunProgram(ZELVANOR_EXECUTABLE, GetParam().words, dir.path(), GetParam().prepare);
  ::close(ends[1]);
  EXPECT_EQ(run.exit_code, GetParam().exit_code) << run.output;
  const std::string ending = GetParam().ending;
  EXPECT_EQ(run.output.substr(run.output.size() - std::min(run.output.size(), ending.size())), ending);
  EXPECT_EQ(ListDirectory(dir.path() / GetParam().folder), GetParam().left);
}

// A file-size limit ends as a failed write: SIGXFSZ would kill the run
// silently and leave a temporary, so the program ignores it. SIGPIPE at its
// default action ends the run by that signal (141 in a shell) once every
// temporary is removed; a file's messages are written before its output is
// renamed, so none is in place. Ignored at start, SIGPIPE stays ignored and
// the run finishes its files.
const char kCantWrite[] = "Fatal: can't write to output file!\n";
INSTANTIATE_TEST_SUITE_P(
    Signals, AsAShellRunsIt,
    ::testing::Values(
        ShellRun{"FileSizeLimitJ1", {"in/*.wav", "out", "0.5", "J=1"}, Limit200KiB, 99, kCantWrite, "out", {"a.wav"}},
        ShellRun{"FileSizeLimitJ3", {"in/*.wav", "out", "0.5", "J=3"}, Limit200KiB, 99, kCantWrite, "out", {"a.wav"}},
        ShellRun{"FileSizeLimitTuningPage", {"x", "pages/", "Werckmeister_III", "H"}, LimitNothing, 99, kCantWrite,
                 "pages", {}},
        ShellRun{"ReaderGoneMidFileJ1", {"in/*.wav", "out", "0.2", "J=1", "V=5"}, OutputToGoneReader, 128 + SIGPIPE,
                 "", "out", {}},
        ShellRun{"ReaderGoneJ1", {"in/*.wav", "out", "0.2", "J=1"}, OutputToGoneReader, 128 + SIGPIPE, "", "out", {}},
        ShellRun{"ReaderGoneJ3", {"in/*.wav", "out", "0.2", "J=3"}, OutputToGoneReader, 128 + SIGPIPE, "", "out", {}},
        ShellRun{"ReaderGoneSigpipeIgnoredJ3", {"in/*.wav", "out", "0.2", "J=3", "V=4"},
                 OutputToGoneReaderIgnoringSigpipe, 0, "", "out", {"a.wav", "b.wav", "c.wav"}}),
    [](const auto& run) { return std::string(run.param.name); });

}  // namespace
}  // namespace zelvanor::testing

#endif  // !_WIN32
