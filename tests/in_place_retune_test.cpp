// Retuning in place: the destination folder is the source folder, so every
// output replaces its own source. A source may be replaced only by its
// complete retuned file; whatever ends the run in the middle of a file
// leaves that source byte for byte as it was.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "examples/example_pipes.h"
#include "reliability_support.h"
#include "wave_builder.h"

namespace zelvanor::testing {
namespace {

void LimitTo200KiB() {
  const struct rlimit limit {200 * 1024, 200 * 1024};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::signal(SIGXFSZ, SIG_IGN);
}

// Loop end 50, release cue at 1100: frames 60 to 1089 are cut. Cue point 3
// has its dwPosition inside that stretch, which has no place in the output:
// the run ends there, after the audio of this file has been written.
Bytes PipeWithAPositionInsideTheCut() {
  std::vector<std::int32_t> values(1200);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::int32_t>(i % 100) * 300 - 15000;
  return WaveBuilder()
      .Fmt({})
      .Data(Pcm(values, 16))
      .Smpl({{.start = 10, .end = 50}})
      .Cue({{.id = 1, .offset = 1100}, {.id = 3, .position = 500, .offset = 1100}})
      .Build();
}

class InPlace : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"set", "reference"}) std::filesystem::create_directory(dir_.path() / folder);
  }

  // Writes the pipes into set/, and their retuned forms, made in a separate
  // folder, into reference/.
  void WriteSet(const std::map<std::string, Bytes>& pipes, const std::string& factor) {
    std::filesystem::create_directory(dir_.path() / "originals");
    for (const auto& [name, bytes] : pipes) {
      WriteFile(dir_.path() / "set" / name, bytes);
      WriteFile(dir_.path() / "originals" / name, bytes);
    }
    const ZelvanorRun reference = RunZelvanor({"originals/*.wav", "reference", factor, "V=0"}, dir_.path());
    ASSERT_TRUE(reference.exit_code == 0 || reference.exit_code == 99) << reference.output;
  }

  Bytes Set(const std::string& name) const { return ReadFile(dir_.path() / "set" / name); }
  Bytes Reference(const std::string& name) const { return ReadFile(dir_.path() / "reference" / name); }

  ScratchDirectory dir_;
};

std::map<std::string, Bytes> ExampleSet(int count) {
  std::map<std::string, Bytes> pipes;
  for (int i = 0; i < count; ++i) {
    const examples::PipeSpec spec{.note = 36 + 7 * i, .bits = i % 2 == 0 ? 16 : 24, .channels = 1 + i % 2,
                                  .seconds = 0.4, .seed = static_cast<std::uint32_t>(i + 1)};
    pipes[examples::PipeFileName(spec.note)] = examples::SynthesizePipe(spec).bytes;
  }
  return pipes;
}

TEST_F(InPlace, EverySourceIsReplacedByItsRetunedFile) {
  const std::map<std::string, Bytes> pipes = ExampleSet(4);
  WriteSet(pipes, "+100");
  const ZelvanorRun run = RunZelvanor({"set/*.wav", "set", "+100", "V=0"}, dir_.path());
  EXPECT_EQ(run.exit_code, 0) << run.output;
  std::vector<std::string> names;
  for (const auto& [name, bytes] : pipes) {
    names.push_back(name);
    EXPECT_NE(Set(name), bytes) << name;
    EXPECT_TRUE(Set(name) == Reference(name)) << name;
  }
  EXPECT_EQ(ListDirectory(dir_.path() / "set"), names);
}

TEST_F(InPlace, AFatalErrorInTheMiddleOfAFileLeavesThatSourceAsItWas) {
  std::map<std::string, Bytes> pipes = ExampleSet(2);
  const std::string first = pipes.begin()->first;
  const std::string last = pipes.rbegin()->first;
  pipes["040-broken.wav"] = PipeWithAPositionInsideTheCut();  // sorts between the two
  WriteSet(pipes, "0.5");
  ASSERT_LT(first, "040-broken.wav");
  ASSERT_GT(last, "040-broken.wav");

  const ZelvanorRun run = RunZelvanor({"set/*.wav", "set/", "0.5", "V=0"}, dir_.path());
  EXPECT_EQ(run.exit_code, 99);
  EXPECT_EQ(run.output, "fatal error: Illegal computation of a position within removed sample-area\n");
  EXPECT_TRUE(Set(first) == Reference(first));                          // finished before
  EXPECT_TRUE(Set("040-broken.wav") == pipes.at("040-broken.wav"));     // byte for byte
  EXPECT_TRUE(Set(last) == pipes.at(last));                             // never reached
  EXPECT_EQ(ListDirectory(dir_.path() / "set"), (std::vector<std::string>{first, "040-broken.wav", last}));
}

TEST_F(InPlace, AFullDiskLeavesTheSourceAsItWas) {
  const Bytes pipe = examples::SynthesizePipe({.note = 50, .bits = 24, .channels = 2, .seconds = 1.0}).bytes;
  WriteFile(dir_.path() / "set" / "pipe.wav", pipe);
  // The source is larger than the limit: only a new file is limited.
  const ZelvanorRun run = RunZelvanor({"set/pipe.wav", "set", "0.5", "V=0"}, dir_.path(), LimitTo200KiB);
  EXPECT_EQ(run.exit_code, 99);
  EXPECT_EQ(run.output, "Fatal: can't write to output file!\n");
  EXPECT_EQ(ListDirectory(dir_.path() / "set"), std::vector<std::string>{"pipe.wav"});
  EXPECT_TRUE(Set("pipe.wav") == pipe);
}

// The in-process file loop: an output that would exceed a WAVE file's 4 GB
// is refused before anything is written, and the source keeps its name.
TEST_F(InPlace, AnOutputTooLargeForAWaveFileLeavesTheSourceAsItWas) {
  const Bytes pipe = WaveBuilder().Fmt({}).Data(Pcm({1, 2, 3, 4}, 16)).Build();
  WriteFile(dir_.path() / "set" / "pipe.wav", pipe);
  Settings settings;
  settings.dummy_loop_length = 0x7FFFFFFF;  // 4 GB of silence
  const LoopRun run =
      RunFileLoop((dir_.path() / "set" / "pipe.wav").string(), (dir_.path() / "set").string(), 1.0, settings);
  EXPECT_EQ(run.exit_code, 99);
  EXPECT_NE(run.output.find("fatal error: output would exceed the 4 GB size limit of a WAVE file\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(ListDirectory(dir_.path() / "set"), std::vector<std::string>{"pipe.wav"});
  EXPECT_TRUE(Set("pipe.wav") == pipe);
}

}  // namespace
}  // namespace zelvanor::testing
