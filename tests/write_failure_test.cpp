// Outputs that cannot be written: a disk that fills up (a file-size limit
// on the child process) ends the run as a write failure and leaves nothing
// behind; a destination that cannot take a new file is a creation failure.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "examples/example_pipes.h"
#include "reliability_support.h"

namespace zelvanor::testing {
namespace {

#ifndef _WIN32
const char kCantWrite[] = "Fatal: can't write to output file!\n";

// A file-size limit with SIGXFSZ ignored: a write past the limit fails
// with EFBIG, as on a full disk, instead of killing the process.
void LimitFileSize(rlim_t bytes) {
  const struct rlimit limit {bytes, bytes};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::signal(SIGXFSZ, SIG_IGN);
}
void LimitTo64KiB() { LimitFileSize(64 * 1024); }
void LimitTo300KiB() { LimitFileSize(300 * 1024); }

// About 1.5 MB retuned by 0.4: the output passes the writer's 256 KiB buffer,
// so the failure comes from a write in the middle of the audio.
Bytes LongPipe() {
  return examples::SynthesizePipe({.note = 40, .bits = 24, .channels = 2, .seconds = 1.2}).bytes;
}
#endif
// About 130 KB retuned by 1: the whole output sits in the buffer, so the
// failure comes from the last flush before the rename.
Bytes ShortPipe() { return examples::SynthesizePipe({.note = 60, .bits = 16, .channels = 1, .seconds = 1.5}).bytes; }

class WriteFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir_.path() / "in");
    std::filesystem::create_directory(dir_.path() / "out");
  }
  std::filesystem::path In(const std::string& name) const { return dir_.path() / "in" / name; }
  std::filesystem::path Out(const std::string& name) const { return dir_.path() / "out" / name; }

  ScratchDirectory dir_;
};

// A file-size limit stands in for a full disk; Windows has none to set.
#ifndef _WIN32
TEST_F(WriteFailure, AFullDiskInTheMiddleOfTheAudioLeavesNothing) {
  const Bytes source = LongPipe();
  WriteFile(In("pipe.wav"), source);
  const ZelvanorRun run = RunZelvanor({"in/pipe.wav", "out", "0.4"}, dir_.path(), LimitTo300KiB);
  EXPECT_EQ(run.exit_code, 99);
  EXPECT_EQ(run.output, "Tune in/pipe.wav to out/pipe.wav by factor 0.400000\n" + std::string(kCantWrite));
  EXPECT_EQ(ListDirectory(dir_.path() / "out"), std::vector<std::string>{});
  EXPECT_EQ(ReadFile(In("pipe.wav")), source);
}

TEST_F(WriteFailure, AFullDiskAtTheLastFlushLeavesNothing) {
  WriteFile(In("pipe.wav"), ShortPipe());
  const ZelvanorRun run = RunZelvanor({"in/pipe.wav", "out", "1", "V=0"}, dir_.path(), LimitTo64KiB);
  EXPECT_EQ(run.exit_code, 99);
  EXPECT_EQ(run.output, kCantWrite);
  EXPECT_EQ(ListDirectory(dir_.path() / "out"), std::vector<std::string>{});
}

// Files finished before the failure stay, complete; the run ends at the
// first file that cannot be written.
TEST_F(WriteFailure, OutputsFinishedBeforeTheFailureStay) {
  const Bytes small = WaveBuilder().Fmt({}).Data(Pcm({1, 2, 3, 4, 5, 6, 7, 8}, 16)).Build();
  WriteFile(In("a.wav"), small);
  WriteFile(In("b.wav"), LongPipe());
  WriteFile(In("c.wav"), small);
  const ZelvanorRun run = RunZelvanor({"in/*.wav", "out", "0.5", "V=0"}, dir_.path(), LimitTo300KiB);
  EXPECT_EQ(run.exit_code, 99);
  EXPECT_EQ(run.output, kCantWrite);
  EXPECT_EQ(ListDirectory(dir_.path() / "out"), std::vector<std::string>{"a.wav"});
  std::filesystem::create_directory(dir_.path() / "reference");
  ASSERT_EQ(RunZelvanor({"in/a.wav", "reference", "0.5", "V=0"}, dir_.path()).exit_code, 0);
  EXPECT_EQ(ReadFile(Out("a.wav")), ReadFile(dir_.path() / "reference" / "a.wav"));
}

#endif  // !_WIN32

TEST_F(WriteFailure, AMissingDestinationFolderCannotTakeANewFile) {
  WriteFile(In("pipe.wav"), ShortPipe());
  const ZelvanorRun run = RunZelvanor({"in/pipe.wav", "missing", "1"}, dir_.path());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.output, "can't create new file " + DestinationPath("missing", "pipe.wav") + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "missing"));
}

// A folder that cannot be written, as far as root is concerned: a path
// that runs through a regular file.
TEST_F(WriteFailure, ADestinationThroughAFileCannotTakeANewFile) {
  WriteFile(In("pipe.wav"), ShortPipe());
  WriteFile(dir_.path() / "notes.txt", std::string("not a folder\n"));
  const ZelvanorRun run = RunZelvanor({"in/pipe.wav", "notes.txt/out", "1"}, dir_.path());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.output, "can't create new file " + DestinationPath("notes.txt/out", "pipe.wav") + "\n");
  EXPECT_EQ(ListDirectory(dir_.path()), (std::vector<std::string>{"in", "notes.txt", "out"}));
}

// Windows's read-only attribute on a folder does not stop new files in it.
#ifndef _WIN32
TEST_F(WriteFailure, AReadOnlyDestinationFolderCannotTakeANewFile) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root writes into read-only folders; the path through a regular file covers this case";
  }
  WriteFile(In("pipe.wav"), ShortPipe());
  std::filesystem::permissions(dir_.path() / "out", std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_exec);
  const ZelvanorRun run = RunZelvanor({"in/pipe.wav", "out", "1"}, dir_.path());
  std::filesystem::permissions(dir_.path() / "out", std::filesystem::perms::owner_all);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.output, "can't create new file out/pipe.wav\n");
  EXPECT_EQ(ListDirectory(dir_.path() / "out"), std::vector<std::string>{});
}
#endif

// The temporary file can be made but the finished file cannot take the
// destination's name (a folder has it): nothing is left, the folder stays.
TEST_F(WriteFailure, ADestinationNameTakenByAFolderKeepsTheFolder) {
  WriteFile(In("pipe.wav"), ShortPipe());
  std::filesystem::create_directories(Out("pipe.wav") / "inside");
  const ZelvanorRun run = RunZelvanor({"in/pipe.wav", "out", "1"}, dir_.path());
  EXPECT_EQ(run.exit_code, 1);
  const std::string destination = DestinationPath("out", "pipe.wav");
  EXPECT_EQ(run.output, "Tune in/pipe.wav to " + destination + " by factor 1.000000\ncan't create new file " +
                            destination + "\n");
  EXPECT_EQ(ListDirectory(dir_.path() / "out"), std::vector<std::string>{"pipe.wav"});
  EXPECT_TRUE(std::filesystem::is_directory(Out("pipe.wav") / "inside"));
}

}  // namespace
}  // namespace zelvanor::testing
