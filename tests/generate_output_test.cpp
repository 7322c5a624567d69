// GenerateOutput over a real file: the output appears only when complete,
// and every failure leaves the destination folder as it was.
#include "output/generate_output.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "pipe_fixtures.h"

namespace zelvanor::testing {
namespace {

struct Source {
  Bytes image;
  SourceAnalysis analysis;
};

Source PipeSource(double seconds = 0.3) {
  examples::PipeSpec spec;
  spec.seconds = seconds;
  Source source{examples::SynthesizePipe(spec).bytes, {}};
  source.analysis = AnalyseQuietly(source.image);
  return source;
}

void Generate(const Source& source, const std::filesystem::path& destination, double factor,
              const Settings& settings = Verbose(0)) {
  GenerateOutput("pipe.wav", destination.string(), factor, source.image, source.analysis, settings);
}

TEST(GenerateOutput, WritesTheSameBytesAsTheMemoryCore) {
  ScratchDirectory dir;
  const Source source = PipeSource();
  Generate(source, dir.path() / "new.wav", 1.3);
  EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{"new.wav"});
  const RetuneOutcome in_memory = RetuneImage(source.image, 1.3, Verbose(0));
  EXPECT_TRUE(ReadFile(dir.path() / "new.wav") == in_memory.bytes);
}

TEST(GenerateOutput, FatalErrorKeepsTheExistingFileAndLeavesNoTemporary) {
  ScratchDirectory dir;
  Source source = PipeSource();
  WriteFile(dir.path() / "new.wav", std::string("old"));
  // Cue point 1's dwPosition moved strictly inside the region that is cut.
  const std::uint32_t inside = source.analysis.cut_first + 1;
  const ByteRange record = *source.analysis.cues[1].cue_point;
  source.image = WithU32(source.image, record.offset + 4, inside);
  try {
    Generate(source, dir.path() / "new.wav", 1.0);
    FAIL() << "no error";
  } catch (const RunError& error) {
    EXPECT_EQ(error.exit_code(), 99);
  }
  EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{"new.wav"});
  const Bytes kept = ReadFile(dir.path() / "new.wav");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "old");
}

#ifndef _WIN32
// Runs in a child process: files may not grow beyond 8 KB there, as on a
// full disk. Ends the process with the code main would return.
[[noreturn]] void GenerateOnAFullDisk(const Source& source, const std::filesystem::path& destination) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{8192, 8192};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  try {
    Generate(source, destination, 0.9);
  } catch (const RunError& error) {
    std::fprintf(stderr, "%s", error.message().c_str());
    std::_Exit(error.exit_code());
  }
  std::_Exit(0);
}

TEST(GenerateOutputDeathTest, FullDiskIsFatalAndLeavesNothing) {
  ScratchDirectory dir;
  const Source source = PipeSource(0.5);
  EXPECT_EXIT(GenerateOnAFullDisk(source, dir.path() / "new.wav"), ::testing::ExitedWithCode(99),
              "Fatal: can't write to output file!");
  EXPECT_TRUE(ListDirectory(dir.path()).empty());
}
#endif

}  // namespace
}  // namespace zelvanor::testing
