// The example pipes retuned and read back: by the program's own analysis,
// which must find every marker where MapPosition puts it and have nothing
// to say, and, where libsndfile is there, by another reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "examples/example_pipes.h"
#include "output/map_position.h"
#include "pipe_fixtures.h"
#include "run_program.h"

#if ZELVANOR_WITH_SNDFILE
#include <sndfile.h>
#endif

namespace zelvanor::testing {
namespace {

const fs::path kExamplePipes = fs::path(ZELVANOR_SOURCE_DIR) / "examples" / "pipes";

// Anyone can rebuild the demo's pipes: the same bytes on every platform.
TEST(RetuneEndToEnd, CommittedExamplePipesAreWhatTheGeneratorWrites) {
  const std::vector<examples::NamedPipe> set = examples::PlanSet({});
  ASSERT_EQ(set.size(), 4u);
  for (const examples::NamedPipe& planned : set) {
    EXPECT_TRUE(ReadFile(kExamplePipes / planned.file_name) == examples::SynthesizePipe(planned.spec).bytes)
        << planned.file_name;
  }
}

std::vector<std::string> ChunkIds(const Bytes& file) {
  std::vector<std::string> ids;
  for (const ChunkView& chunk : ChunksOf(file)) ids.push_back(chunk.id);
  return ids;
}

// The dwSampleOffset of each stored cue point: its id, then its offset.
std::vector<std::uint32_t> Cues(const Bytes& image, const SourceAnalysis& analysis) {
  std::vector<std::uint32_t> cues;
  for (std::uint32_t id = 0; id < kCueSlots; ++id) {
    if (const auto& record = analysis.cues[id].cue_point) cues.insert(cues.end(), {id, LoadU32le(image.data() + record->offset + 20)});
  }
  return cues;
}

#if ZELVANOR_WITH_SNDFILE
// libsndfile's view: frames, the sustain loop (its end counted exclusively)
// and the cue points, in the same form as Cues().
std::vector<std::uint32_t> SndfileView(const fs::path& path, const SourceAnalysis& analysis) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.string().c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  std::string log(8192, '\0');
  sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
  // An odd-sized data chunk with its pad byte is legal; libsndfile merely remarks on it.
  const std::string odd_data = "*** 'data' chunk should be an even number of bytes in length.";
  if (const std::size_t at = log.find(odd_data); at != std::string::npos) log.erase(at, odd_data.size());
  EXPECT_EQ(log.find("***"), std::string::npos) << log;
  EXPECT_EQ(info.format, SF_FORMAT_WAV | (analysis.layout.bytes_per_sample == 3 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_16));
  EXPECT_EQ(info.channels, analysis.layout.channels);
  std::vector<int> frames(static_cast<std::size_t>(info.frames * info.channels));
  EXPECT_EQ(sf_readf_int(file, frames.data(), info.frames), info.frames);
  SF_INSTRUMENT instrument{};
  SF_CUES cues{};
  std::vector<std::uint32_t> view{static_cast<std::uint32_t>(info.frames)};
  if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof instrument) == SF_TRUE && instrument.loop_count == 1) {
    view.insert(view.end(), {instrument.loops[0].start, instrument.loops[0].end - 1});
  }
  if (sf_command(file, SFC_GET_CUE, &cues, sizeof cues) == SF_TRUE) {
    for (std::uint32_t i = 0; i < cues.cue_count; ++i) {
      EXPECT_EQ(cues.cue_points[i].position, static_cast<std::int32_t>(cues.cue_points[i].sample_offset));
      view.insert(view.end(), {static_cast<std::uint32_t>(cues.cue_points[i].indx), cues.cue_points[i].sample_offset});
    }
  }
  sf_close(file);
  return view;
}
#endif

TEST(RetuneEndToEnd, OutputsCarryTheirMarkersWhereMapPositionPutsThem) {
  const std::vector<std::vector<std::string>> cases = {{"1.05"}, {"0.7"}, {"2"}, {"1.2", "U", "Q=0"}};
  for (const std::vector<std::string>& options : cases) {
    SCOPED_TRACE(options[0] + (options.size() > 1 ? " U" : ""));
    const double factor = std::stod(options[0]);
    ScratchDirectory dir;
    fs::copy(kExamplePipes, dir.path() / "pipes");
    fs::create_directory(dir.path() / "out");
    std::vector<std::string> arguments{"pipes/*.wav", "out"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const ZelvanorRun run = RunInProcess(arguments, dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.output;
    std::string lines;
    for (const examples::NamedPipe& planned : examples::PlanSet({})) {
      SCOPED_TRACE(planned.file_name);
      lines += "Tune pipes/" + planned.file_name + " to " + DestinationPath("out", planned.file_name) +
               " by factor " + zelvanor::Format("%f", factor) + "\n";
      const examples::Pipe pipe = examples::SynthesizePipe(planned.spec);
      const SourceAnalysis source = AnalyseQuietly(pipe.bytes);
      const Bytes output = ReadFile(dir.path() / "out" / planned.file_name);
      const SourceAnalysis result = AnalyseQuietly(output);
      const CutRegion cut = CutRegionFor(source, Settings{.keep_unused_part = options.size() > 1});
      const auto map = [&](std::uint32_t position) { return MapPosition(position, factor, cut); };
      EXPECT_EQ(LoadU32le(output.data() + 4), output.size() - 8);
      EXPECT_EQ(ChunkIds(output), ChunkIds(pipe.bytes));
      EXPECT_EQ(result.frame_count, static_cast<std::int32_t>(map(pipe.markers.frames)));
      EXPECT_EQ(result.loop_end, map(pipe.markers.loop_end));
      EXPECT_EQ(result.release_start, map(pipe.markers.release_start));
      std::vector<std::uint32_t> cues = Cues(pipe.bytes, source);
      for (std::size_t i = 1; i < cues.size(); i += 2) cues[i] = map(cues[i]);
      EXPECT_EQ(Cues(output, result), cues);
#if ZELVANOR_WITH_SNDFILE
      cues.insert(cues.begin(), {map(pipe.markers.frames), map(pipe.markers.loop_start), map(pipe.markers.loop_end)});
      EXPECT_EQ(SndfileView(dir.path() / "out" / planned.file_name, result), cues);
#endif
    }
    EXPECT_EQ(run.output, lines);
  }
}

TEST(RetuneEndToEnd, XLeavesOutTheInfoListAndNothingElse) {
  ScratchDirectory dir;
  fs::copy(kExamplePipes, dir.path() / "pipes");
  for (const char* folder : {"kept", "dropped"}) fs::create_directory(dir.path() / folder);
  ASSERT_EQ(RunInProcess({"pipes/*.wav", "kept", "1", "V=0"}, dir.path()).exit_code, 0);
  const ZelvanorRun run = RunInProcess({"pipes/*.wav", "dropped", "1", "X", "V=3"}, dir.path());
  ASSERT_EQ(run.exit_code, 0);
  EXPECT_NE(run.output.find("don't copy unknown LIST of length 44\n"), std::string::npos);
  for (const std::string& name : ListDirectory(dir.path() / "pipes")) {
    const Bytes kept = ReadFile(dir.path() / "kept" / name);
    const Bytes dropped = ReadFile(dir.path() / "dropped" / name);
    EXPECT_EQ(ChunkIds(kept), (std::vector<std::string>{"fmt ", "data", "cue ", "smpl", "LIST", "LIST"}));
    EXPECT_EQ(ChunkIds(dropped), (std::vector<std::string>{"fmt ", "data", "cue ", "smpl", "LIST"}));
    ASSERT_EQ(kept.size() - dropped.size(), 52u);
    EXPECT_TRUE(std::equal(dropped.begin() + 8, dropped.end(), kept.begin() + 8)) << name;
  }
}

// What libsndfile sees of a dummy loop: the loop over the silence, the release behind it.
#if ZELVANOR_WITH_SNDFILE
TEST(RetuneEndToEnd, AnotherReaderSeesTheDummyLoop) {
  ScratchDirectory dir;
  fs::create_directory(dir.path() / "out");
  WriteFile(dir.path() / "a.wav", WaveBuilder().Fmt({.bits = 24}).Data(Pcm(std::vector<std::int32_t>(999, -7), 24)).Build());
  ASSERT_EQ(RunInProcess({"a.wav", "out/", "2", "L=300", "V=0"}, dir.path()).exit_code, 0);
  // 999 / 2 + 0.5 = 500 frames, 300 silent ones after them; an odd size with its pad byte.
  const SourceAnalysis result = AnalyseQuietly(ReadFile(dir.path() / "out" / "a.wav"));
  EXPECT_EQ(SndfileView(dir.path() / "out" / "a.wav", result), (std::vector<std::uint32_t>{800, 500, 799, 1, 500, 2, 800}));
}
#endif

}  // namespace
}  // namespace zelvanor::testing
