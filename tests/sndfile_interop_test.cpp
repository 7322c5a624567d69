// Another reader accepts what Zelvanor writes: every output is opened with
// libsndfile and its format, length, sustain loop and cue points are
// compared with the positions MapPosition gives. (Built only when
// libsndfile is there; see tests/CMakeLists.txt.)
#include <sndfile.h>

#include <gtest/gtest.h>

#include <memory>

#include "pipe_fixtures.h"

namespace zelvanor::testing {
namespace {

struct SndFile {
  SF_INFO info{};
  SNDFILE* handle = nullptr;
  explicit SndFile(const std::filesystem::path& path) { handle = sf_open(path.string().c_str(), SFM_READ, &info); }
  ~SndFile() {
    if (handle) sf_close(handle);
  }
  std::string Log() {
    char log[8192] = {};
    sf_command(handle, SFC_GET_LOG_INFO, log, sizeof log);
    return log;
  }
};

struct Expected {
  int bits = 16;
  int channels = 1;
  std::uint32_t frames = 0;  // what a reader sees: the silence of a dummy loop included
  std::uint32_t loop_start = 0;
  std::uint32_t loop_end = 0;  // the smpl record's last frame
  std::vector<std::pair<int, std::uint32_t>> cues;
};

void ExpectReadable(const std::filesystem::path& path, const Expected& expected) {
  SCOPED_TRACE(path.string());
  SndFile file(path);
  ASSERT_NE(file.handle, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(file.info.format, SF_FORMAT_WAV | (expected.bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_16));
  EXPECT_EQ(file.info.channels, expected.channels);
  EXPECT_EQ(file.info.samplerate, 44100);
  EXPECT_EQ(file.info.frames, static_cast<sf_count_t>(expected.frames));
  // libsndfile marks what it finds odd with "***" in its log. An odd-sized
  // data chunk (24-bit mono, odd frame count) is legal with its pad byte and
  // read correctly; libsndfile merely remarks on it.
  std::string log = file.Log();
  const std::string odd_data = "*** 'data' chunk should be an even number of bytes in length.";
  if (const std::size_t at = log.find(odd_data); at != std::string::npos) log.erase(at, odd_data.size());
  EXPECT_EQ(log.find("***"), std::string::npos) << log;

  SF_INSTRUMENT instrument{};
  ASSERT_EQ(sf_command(file.handle, SFC_GET_INSTRUMENT, &instrument, sizeof instrument), SF_TRUE);
  ASSERT_EQ(instrument.loop_count, 1);
  EXPECT_EQ(instrument.loops[0].mode, SF_LOOP_FORWARD);
  EXPECT_EQ(instrument.loops[0].start, expected.loop_start);
  EXPECT_EQ(instrument.loops[0].end, expected.loop_end + 1);  // libsndfile counts the end exclusively

  SF_CUES cues{};
  ASSERT_EQ(sf_command(file.handle, SFC_GET_CUE, &cues, sizeof cues), SF_TRUE);
  ASSERT_EQ(cues.cue_count, expected.cues.size());
  for (std::size_t i = 0; i < expected.cues.size(); ++i) {
    EXPECT_EQ(cues.cue_points[i].indx, expected.cues[i].first);
    EXPECT_EQ(static_cast<std::uint32_t>(cues.cue_points[i].position), expected.cues[i].second);
    EXPECT_EQ(cues.cue_points[i].sample_offset, expected.cues[i].second);
  }

  // The audio reads to its end.
  std::vector<int> frames(static_cast<std::size_t>(file.info.frames) * static_cast<std::size_t>(file.info.channels));
  EXPECT_EQ(sf_readf_int(file.handle, frames.data(), file.info.frames), file.info.frames);
}

TEST(SndfileInterop, RetunedPipesReadBackWithTheirMarkers) {
  for (const char* factor_text : {"1.05", "0.7"}) {
    const double factor = std::strtod(factor_text, nullptr);
    ScratchDirectory dir;
    const std::vector<SourcePipe> sources = WritePipes(dir.path() / "pipes");
    std::filesystem::create_directory(dir.path() / "out");
    ASSERT_EQ(RunZelvanor({"pipes/*.wav", "out", factor_text, "V=0"}, dir.path()).exit_code, 0);
    for (const SourcePipe& source : sources) {
      const CutRegion cut = CutRegionFor(source.analysis, Settings{});
      const auto map = [&](std::uint32_t p) { return MapPosition(p, factor, cut); };
      Expected expected;
      expected.bits = source.analysis.layout.bytes_per_sample * 8;
      expected.channels = source.analysis.layout.channels;
      expected.frames = map(static_cast<std::uint32_t>(source.analysis.frame_count));
      expected.loop_start = map(source.pipe.markers.loop_start);
      expected.loop_end = map(source.pipe.markers.loop_end);
      for (const auto& [id, offset] : CueOffsets(source.pipe.bytes, source.analysis))
        expected.cues.emplace_back(id, map(offset));
      ExpectReadable(dir.path() / "out" / source.name, expected);
    }
  }
}

TEST(SndfileInterop, DummyLoopReadsAsLoopAndRelease) {
  ScratchDirectory dir;
  WriteFile(dir.path() / "a.wav",
            WaveBuilder().Fmt({.channels = 1, .bits = 24}).Data(Pcm(std::vector<std::int32_t>(999, -7), 24)).Build());
  std::filesystem::create_directory(dir.path() / "out");
  ASSERT_EQ(RunZelvanor({"a.wav", "out", "2", "L=300", "V=0"}, dir.path()).exit_code, 0);
  // 999 / 2 + 0.5 = 500 frames; the silence is 300 frames (mono); odd size, pad byte.
  ExpectReadable(dir.path() / "out" / "a.wav",
                 {.bits = 24, .channels = 1, .frames = 800, .loop_start = 500, .loop_end = 799,
                  .cues = {{1, 500}, {2, 800}}});
}

}  // namespace
}  // namespace zelvanor::testing
