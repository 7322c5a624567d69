// The program retunes generated pipes; every output is read back by the
// program's own analysis and compared with the positions MapPosition gives.
#include <gtest/gtest.h>

#include "pipe_fixtures.h"

namespace zelvanor::testing {
namespace {

struct Outputs {
  ScratchDirectory dir;
  std::vector<SourcePipe> sources;
  ZelvanorRun run;
};

void Retune(Outputs& outputs, const std::vector<std::string>& arguments) {
  outputs.sources = WritePipes(outputs.dir.path() / "pipes");
  std::filesystem::create_directories(outputs.dir.path() / "out");
  outputs.run = RunZelvanor(arguments, outputs.dir.path());
}

void ExpectMappedAsSource(const SourcePipe& source, const Bytes& output, double factor, const Settings& settings) {
  SCOPED_TRACE(source.name);
  ASSERT_GT(output.size(), 12u);
  EXPECT_EQ(LoadU32le(output.data() + 4), output.size() - 8);
  const SourceAnalysis result = AnalyseQuietly(output, Verbose(0));
  const CutRegion cut = CutRegionFor(source.analysis, settings);
  const auto map = [&](std::uint32_t p) { return MapPosition(p, factor, cut); };
  EXPECT_EQ(result.frame_count, static_cast<std::int32_t>(map(static_cast<std::uint32_t>(source.analysis.frame_count))));
  EXPECT_EQ(result.loop_end, map(source.analysis.loop_end));
  EXPECT_EQ(result.release_start, map(source.analysis.release_start));
  const auto before = CueOffsets(source.pipe.bytes, source.analysis);
  const auto after = CueOffsets(output, result);
  ASSERT_EQ(before.size(), after.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].first, before[i].first);
    EXPECT_EQ(after[i].second, map(before[i].second));
  }
  EXPECT_EQ(result.layout.channels, source.analysis.layout.channels);
  EXPECT_EQ(result.sample_rate, source.analysis.sample_rate);
}

std::vector<std::string> ChunkIds(const Bytes& file) {
  std::vector<std::string> ids;
  for (const ChunkView& chunk : ChunksOf(file)) ids.push_back(chunk.id);
  return ids;
}

TEST(RetuneEndToEnd, OutputsCarryTheMappedMarkers) {
  for (const char* factor_text : {"1.05", "0.7", "2"}) {
    SCOPED_TRACE(factor_text);
    const double factor = std::strtod(factor_text, nullptr);
    Outputs outputs;
    Retune(outputs, {"pipes/*.wav", "out", factor_text});
    ASSERT_EQ(outputs.run.exit_code, 0) << outputs.run.output;
    std::string expected_lines;
    for (const SourcePipe& source : outputs.sources) {
      expected_lines += "Tune pipes/" + source.name + " to out/" + source.name + " by factor " +
                        zelvanor::Format("%f", factor) + "\n";
      const Bytes output = ReadFile(outputs.dir.path() / "out" / source.name);
      ExpectMappedAsSource(source, output, factor, Settings{});
      EXPECT_EQ(ChunkIds(output), ChunkIds(source.pipe.bytes));
    }
    EXPECT_EQ(outputs.run.output, expected_lines);
    EXPECT_EQ(ListDirectory(outputs.dir.path() / "out").size(), outputs.sources.size());
  }
}

TEST(RetuneEndToEnd, KeepingTheUnusedPartMovesNothingAcrossIt) {
  Outputs outputs;
  Retune(outputs, {"pipes/*.wav", "out", "1.2", "U", "Q=0"});
  ASSERT_EQ(outputs.run.exit_code, 0) << outputs.run.output;
  Settings keep;
  keep.keep_unused_part = true;
  for (const SourcePipe& source : outputs.sources) {
    ExpectMappedAsSource(source, ReadFile(outputs.dir.path() / "out" / source.name), 1.2, keep);
  }
}

TEST(RetuneEndToEnd, UnknownChunksFollowTheXOption) {
  Outputs with_x;
  Retune(with_x, {"pipes/*.wav", "out", "1", "X", "V=3"});
  ASSERT_EQ(with_x.run.exit_code, 0);
  Outputs without_x;
  Retune(without_x, {"pipes/*.wav", "out", "1"});
  for (std::size_t i = 0; i < with_x.sources.size(); ++i) {
    const std::string& name = with_x.sources[i].name;
    const Bytes dropped = ReadFile(with_x.dir.path() / "out" / name);
    const Bytes kept = ReadFile(without_x.dir.path() / "out" / name);
    EXPECT_EQ(ChunkIds(dropped), (std::vector<std::string>{"fmt ", "data", "cue ", "smpl", "LIST"}));
    EXPECT_EQ(ChunkIds(kept), (std::vector<std::string>{"fmt ", "data", "cue ", "smpl", "LIST", "LIST"}));
    // Leaving out the INFO list changes nothing else.
    EXPECT_EQ(kept.size() - dropped.size(), 52u);
    EXPECT_TRUE(std::equal(dropped.begin() + 8, dropped.end(), kept.begin() + 8));
  }
  EXPECT_NE(with_x.run.output.find("don't copy unknown LIST of length 44\n"), std::string::npos);
}

TEST(RetuneEndToEnd, DummyLoopChunksByteForByte) {
  ScratchDirectory dir;
  std::vector<std::int32_t> values;
  for (int i = 0; i < 2 * 3000; ++i) values.push_back((i * 101) % 4000 - 2000);
  WriteFile(dir.path() / "flute.wav", WaveBuilder().Fmt({.channels = 2, .bits = 16}).Data(Pcm(values, 16)).Build());
  std::filesystem::create_directory(dir.path() / "out");
  const ZelvanorRun run = RunZelvanor({"flute.wav", "out", "1.5", "L=100"}, dir.path());
  ASSERT_EQ(run.exit_code, 0) << run.output;
  const Bytes output = ReadFile(dir.path() / "out" / "flute.wav");
  // 3000 / 1.5 = 2000 frames, then 100 x 2 silent frames.
  const std::vector<ChunkView> chunks = ChunksOf(output);
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[1].size, 2200u * 4);
  EXPECT_TRUE(std::all_of(chunks[1].stored.end() - 800, chunks[1].stored.end(), [](std::uint8_t b) { return b == 0; }));
  Bytes dummy;
  PutId(dummy, "cue ");
  PutU32(dummy, 52);
  PutU32(dummy, 2);
  PutBytes(dummy, CueRecord({.id = 1, .offset = 2000}));
  PutBytes(dummy, CueRecord({.id = 2, .offset = 2100}));
  PutId(dummy, "smpl");
  PutU32(dummy, 60);
  for (std::uint32_t v : {0u, 0u, 22675u, 60u, 0u, 0u, 0u, 1u, 0u, 1u, 0u, 2000u, 2099u, 0u, 0u}) PutU32(dummy, v);
  EXPECT_TRUE(std::equal(dummy.begin(), dummy.end(), output.end() - 128));
  EXPECT_EQ(LoadU32le(output.data() + 4), output.size() - 8);
}

TEST(RetuneEndToEnd, FatalErrorLeavesNoOutputAndKeepsTheOldOne) {
  ScratchDirectory dir;
  // A cue point inside the cut region (between loop end 500 and release 2000).
  const Bytes image = WaveBuilder()
                          .Fmt({.channels = 1, .bits = 16})
                          .Data(Pcm(std::vector<std::int32_t>(3000, 5), 16))
                          .Cue({{.id = 1, .offset = 2000}, {.id = 2, .position = 1000, .offset = 0}})
                          .Smpl({{.start = 100, .end = 500}})
                          .Build();
  WriteFile(dir.path() / "a.wav", image);
  std::filesystem::create_directory(dir.path() / "out");
  WriteFile(dir.path() / "out" / "a.wav", std::string("previous result"));
  const ZelvanorRun run = RunZelvanor({"a.wav", "out", "1"}, dir.path());
  EXPECT_EQ(run.exit_code, 99);
  EXPECT_EQ(run.output, "Tune a.wav to out/a.wav by factor 1.000000\n"
                        "fatal error: Illegal computation of a position within removed sample-area\n");
  EXPECT_EQ(ListDirectory(dir.path() / "out"), std::vector<std::string>{"a.wav"});
  const Bytes kept = ReadFile(dir.path() / "out" / "a.wav");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous result");

  // With U nothing is cut and the same file retunes.
  EXPECT_EQ(RunZelvanor({"a.wav", "out", "1", "U"}, dir.path()).exit_code, 0);
}

TEST(RetuneEndToEnd, DestinationThatCannotBeCreated) {
  ScratchDirectory dir;
  WriteFile(dir.path() / "a.wav", WaveBuilder().Fmt({.channels = 1, .bits = 16}).Data(Pcm({1, 2, 3}, 16)).Build());
  const ZelvanorRun missing = RunZelvanor({"a.wav", "nowhere", "1", "V=0"}, dir.path());
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.output, "can't create new file nowhere/a.wav\n");
  // The destination name is taken by a directory: the rename fails.
  std::filesystem::create_directories(dir.path() / "out" / "a.wav");
  const ZelvanorRun taken = RunZelvanor({"a.wav", "out", "1", "V=0"}, dir.path());
  EXPECT_EQ(taken.exit_code, 1);
  EXPECT_EQ(taken.output, "can't create new file out/a.wav\n");
  EXPECT_EQ(ListDirectory(dir.path() / "out"), std::vector<std::string>{"a.wav"});
}

}  // namespace
}  // namespace zelvanor::testing
