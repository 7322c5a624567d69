// The example pipes retuned and read back: by the program's own analysis,
// which finds every marker where MapPosition puts it and has nothing to say,
// and, where libsndfile is there, by another reader.
#include <gtest/gtest.h>

#include "examples/example_pipes.h"
#include "output/map_position.h"
#include "run_program.h"
#include "test_support.h"

#if ZELVANOR_WITH_SNDFILE
#include <sndfile.h>
#endif

namespace zelvanor::testing {
namespace {

// A file this project wrote, analysed: the analysis must have nothing to say.
SourceAnalysis AnalyseQuietly(const Bytes& image) {
  const Outcome outcome = AnalyseImage(image);
  EXPECT_EQ(outcome.output, "") << "a file this project wrote gave a warning";
  return outcome.analysis.value_or(SourceAnalysis{});
}

using Marks = std::vector<std::uint32_t>;

std::vector<std::string> ChunkIds(const Bytes& file) {
  std::vector<std::string> ids;
  for (const ChunkView& chunk : ChunksOf(file)) ids.push_back(chunk.id);
  return ids;
}

// Each stored cue point's id and dwSampleOffset.
Marks Cues(const Bytes& image, const SourceAnalysis& analysis) {
  Marks cues;
  for (std::uint32_t id = 0; id < kCueSlots; ++id) {
    const auto& record = analysis.cues[id].cue_point;
    if (record) cues.insert(cues.end(), {id, LoadU32le(&image[record->offset + 20])});
  }
  return cues;
}

#if ZELVANOR_WITH_SNDFILE
// libsndfile's view, with no complaint in its log: the frames, the sustain
// loop's first and last frame, the cue points as Cues() has them.
Marks SndfileView(const fs::path& path, const SourceAnalysis& analysis) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.string().c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  std::string log(8192, '\0');
  sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
  // An odd-sized data chunk with its pad byte is legal; libsndfile merely remarks on it.
  const std::string odd = "*** 'data' chunk should be an even number of bytes in length.";
  if (const std::size_t at = log.find(odd); at != std::string::npos) log.erase(at, odd.size());
  EXPECT_EQ(log.find("***"), std::string::npos) << log;
  EXPECT_EQ(info.format, SF_FORMAT_WAV | (analysis.layout.bytes_per_sample == 3 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_16));
  EXPECT_EQ(info.channels, analysis.layout.channels);
  std::vector<int> frames(static_cast<std::size_t>(info.frames * info.channels));
  EXPECT_EQ(sf_readf_int(file, frames.data(), info.frames), info.frames);
  SF_INSTRUMENT instrument{};
  SF_CUES cues{};
  Marks view{static_cast<std::uint32_t>(info.frames)};
  if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof instrument) == SF_TRUE && instrument.loop_count == 1) {
    view.insert(view.end(), {instrument.loops[0].start, instrument.loops[0].end - 1});  // its end is exclusive
  }
  for (std::uint32_t i = 0; sf_command(file, SFC_GET_CUE, &cues, sizeof cues) == SF_TRUE && i < cues.cue_count; ++i) {
    EXPECT_EQ(cues.cue_points[i].position, static_cast<std::int32_t>(cues.cue_points[i].sample_offset));
    view.insert(view.end(), {static_cast<std::uint32_t>(cues.cue_points[i].indx), cues.cue_points[i].sample_offset});
  }
  sf_close(file);
  return view;
}

TEST(RetuneEndToEnd, AnotherReaderSeesADummyLoop) {
  ScratchDirectory dir;
  fs::create_directory(dir.path() / "out");
  WriteFile(dir.path() / "a.wav", WaveBuilder().Fmt({.bits = 24}).Data(Pcm(std::vector(999, -7), 24)).Build());
  ASSERT_EQ(RunInProcess({"a.wav", "out/", "2", "L=300", "V=0"}, dir.path()).exit_code, 0);
  // 999 / 2 + 0.5 = 500 frames, 300 silent ones after them; an odd size with its pad byte.
  const SourceAnalysis result = AnalyseQuietly(ReadFile(dir.path() / "out" / "a.wav"));
  EXPECT_EQ(SndfileView(dir.path() / "out" / "a.wav", result), (Marks{800, 500, 799, 1, 500, 2, 800}));
}
#endif

TEST(RetuneEndToEnd, OutputsCarryTheirMarkersWhereMapPositionPutsThem) {
  for (const std::vector<std::string>& options : {std::vector<std::string>{"1.05"}, {"0.7"}, {"2"}, {"1.2", "U", "Q=0"},
                                                  {"1", "X"}}) {
    const bool keep = options.size() == 3, drop_info = options.back() == "X";
    SCOPED_TRACE(::testing::PrintToString(options));
    const double factor = std::stod(options[0]);
    ScratchDirectory dir;
    fs::copy(fs::path(ZELVANOR_SOURCE_DIR) / "examples" / "pipes", dir.path() / "pipes");
    fs::create_directory(dir.path() / "out");
    std::vector<std::string> arguments{"pipes/*.wav", "out"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const ZelvanorRun run = RunInProcess(arguments, dir.path());
    ASSERT_EQ(ListDirectory(dir.path() / "pipes").size(), 4u);
    for (const examples::NamedPipe& planned : examples::PlanSet({})) {
      SCOPED_TRACE(planned.file_name);
      const examples::Pipe pipe = examples::SynthesizePipe(planned.spec);
      // Anyone can rebuild the demo's pipes: the same bytes on every platform.
      EXPECT_TRUE(ReadFile(dir.path() / "pipes" / planned.file_name) == pipe.bytes);
      const Bytes output = ReadFile(dir.path() / "out" / planned.file_name);
      const SourceAnalysis source = AnalyseQuietly(pipe.bytes), result = AnalyseQuietly(output);
      const CutRegion cut = CutRegionFor(source, Settings{.keep_unused_part = keep});
      const auto map = [&](std::uint32_t position) { return MapPosition(position, factor, cut); };
      EXPECT_EQ(LoadU32le(&output[4]), output.size() - 8);
      std::vector<std::string> ids = ChunkIds(pipe.bytes);
      if (drop_info) ids.pop_back();  // the INFO list, the last chunk of the example pipes
      EXPECT_EQ(ChunkIds(output), ids);
      EXPECT_EQ(result.frame_count, static_cast<std::int32_t>(map(pipe.markers.frames)));
      EXPECT_EQ(result.loop_end, map(pipe.markers.loop_end));
      EXPECT_EQ(result.release_start, map(pipe.markers.release_start));
      Marks cues = Cues(pipe.bytes, source);
      for (std::size_t i = 1; i < cues.size(); i += 2) cues[i] = map(cues[i]);
      EXPECT_EQ(Cues(output, result), cues);
#if ZELVANOR_WITH_SNDFILE
      cues.insert(cues.begin(), {map(pipe.markers.frames), map(pipe.markers.loop_start), map(pipe.markers.loop_end)});
      EXPECT_EQ(SndfileView(dir.path() / "out" / planned.file_name, result), cues);
#endif
    }
    EXPECT_EQ(run.exit_code, 0) << run.output;
  }
}

}  // namespace
}  // namespace zelvanor::testing
