// The RIFF/WAVE header checks, the fmt chunk and the data chunk.
#include <gtest/gtest.h>

#include "analysis_harness.h"

namespace zelvanor::testing {
namespace {

const std::string kBanner =
    "*************** Analyzing Sourcefile pipe.wav ****************************\n";

TEST(HeaderCheck, RefusesWhatIsNotRiffWave) {
  const AnalysisOutcome not_riff = AnalyseImage(WaveBuilder().Magic("RIFX", "WAVE").Build(), 0);
  EXPECT_FALSE(not_riff.result);
  EXPECT_FALSE(not_riff.exit_code);
  EXPECT_EQ(not_riff.output, "pipe.wav is not a RIFF-file\n");

  const AnalysisOutcome not_wave = AnalyseImage(WaveBuilder().Magic("RIFF", "AVI ").Build(), 3);
  EXPECT_FALSE(not_wave.result);
  EXPECT_EQ(not_wave.output, kBanner + "Dataformat of pipe.wav is not WAVE-fmt\n");
}

TEST(HeaderCheck, RefusesImagesShorterThanTheHeader) {
  const Bytes header = WaveBuilder().Build();
  for (std::size_t length = 0; length < 12; ++length) {
    SCOPED_TRACE(length);
    const AnalysisOutcome outcome = AnalyseImage(Truncated(header, length), 0);
    EXPECT_FALSE(outcome.result);
    EXPECT_FALSE(outcome.exit_code);
    EXPECT_EQ(outcome.output,
              "pipe.wav is too short for a RIFF/WAVE file (" + std::to_string(length) + " bytes)\n");
  }
}

TEST(HeaderCheck, TwelveBytesHaveNoChunks) {
  const AnalysisOutcome outcome = AnalyseImage(WaveBuilder().RiffSize(4).Build(), 5);
  ASSERT_TRUE(outcome.result);
  EXPECT_FALSE(outcome.result->format);
  EXPECT_FALSE(outcome.result->data);
  EXPECT_EQ(outcome.result->frame_count, 0);
  EXPECT_EQ(outcome.output, kBanner);  // no dumps without format and data
}

TEST(FmtChunk, DescribesTheFormatAboveVerbosityTwo) {
  const Bytes image = WaveBuilder().Fmt({.channels = 2, .rate = 48000, .bits = 24}).Build();
  EXPECT_EQ(AnalyseImage(image, 2).output, "");
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  EXPECT_EQ(outcome.output, kBanner + "SAMPLE FORMAT PCM STEREO Rate 48000 Samples/Sec 24 Bits/Sample\n");
  ASSERT_TRUE(outcome.result && outcome.result->format);
  EXPECT_EQ(outcome.result->format->offset, 20u);
  EXPECT_EQ(outcome.result->format->size, 16u);
  EXPECT_EQ(outcome.result->layout.bytes_per_sample, 3);
  EXPECT_EQ(outcome.result->layout.channels, 2);
  EXPECT_EQ(outcome.result->layout.bytes_per_frame, 6);
  EXPECT_EQ(outcome.result->sample_rate, 48000u);
}

TEST(FmtChunk, FiveChannelsEndTheRunMidLine) {
  const Bytes image = WaveBuilder().Fmt({.channels = 5}).Build();
  const std::string fatal = "fatal error: cannot work with more than 4 channels\n";
  const AnalysisOutcome quiet = AnalyseImage(image, 1);
  EXPECT_EQ(quiet.exit_code, 99);
  EXPECT_EQ(quiet.output, fatal);
  const AnalysisOutcome verbose = AnalyseImage(image, 3);
  EXPECT_EQ(verbose.exit_code, 99);
  EXPECT_EQ(verbose.output, kBanner + "SAMPLE FORMAT PCM 5 Channel" + fatal);
}

TEST(FmtChunk, RefusesZeroChannels) {
  const AnalysisOutcome outcome = AnalyseImage(WaveBuilder().Fmt({.channels = 0}).Build(), 3);
  EXPECT_EQ(outcome.exit_code, 99);
  EXPECT_EQ(outcome.output, kBanner + "SAMPLE FORMAT PCM 0 Channelfatal error: pipe.wav: cannot work with 0 channels\n");
}

TEST(FmtChunk, RefusesCompressedAndOtherWidths) {
  const std::string fatal =
      "fatal error: cannot work with compressed datafiles or Bits/sample other than 16Bit or 24Bit\n";
  const AnalysisOutcome eight_bit = AnalyseImage(WaveBuilder().Fmt({.bits = 8}).Build(), 3);
  EXPECT_EQ(eight_bit.exit_code, 99);
  EXPECT_EQ(eight_bit.output, kBanner + "SAMPLE FORMAT PCM MONO Rate 44100 Samples/Sec 8 Bits/Sample\n" + fatal);
  const AnalysisOutcome float_format = AnalyseImage(WaveBuilder().Fmt({.format_tag = 3, .channels = 4}).Build(), 3);
  EXPECT_EQ(float_format.output,
            kBanner + "SAMPLE FORMAT 3? 4 Channel Rate 44100 Samples/Sec 16 Bits/Sample\n" + fatal);
  EXPECT_EQ(AnalyseImage(WaveBuilder().Fmt({.bits = 32}).Build(), 0).output, fatal);
}

TEST(FmtChunk, RefusesABodyTooShortForTheFormat) {
  const Bytes short_fmt = Chunk("fmt ", Truncated(FmtBody({}), 14));
  const AnalysisOutcome outcome = AnalyseImage(WaveBuilder().Add(short_fmt).Data(Bytes(8, 0)).Build(), 3);
  EXPECT_EQ(outcome.exit_code, 99);
  EXPECT_EQ(outcome.output, kBanner + "fatal error: pipe.wav: fmt chunk of 14 bytes is too short to describe the format\n");
}

TEST(FmtChunk, IsWalkedByItsSizeAlone) {
  // Size 17 and no pad byte: the data chunk starts right at body + 17.
  const Bytes image = WaveBuilder().Fmt({}, 1, /*pad=*/false).Data(Pcm({1, 2, 3}, 16)).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result && outcome.result->data);
  EXPECT_EQ(outcome.result->data->offset, 12u + 8u + 17u + 8u);
  EXPECT_EQ(outcome.result->frame_count, 3);
  EXPECT_EQ(outcome.output, kBanner + "SAMPLE FORMAT PCM MONO Rate 44100 Samples/Sec 16 Bits/Sample\n"
                                      "data chunk 3 Samples, 0.000068 Seconds\n");
}

TEST(FmtChunk, SampleRateZeroShowsZeroSeconds) {
  const Bytes image = WaveBuilder().Fmt({.rate = 0}).Data(Pcm({1, 2}, 16)).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.output,
            kBanner + "SAMPLE FORMAT PCM MONO Rate 0 Samples/Sec 16 Bits/Sample\n"
                      "Warning: pipe.wav: the fmt chunk gives a sample rate of 0; durations are shown as 0 seconds\n"
                      "data chunk 2 Samples, 0.000000 Seconds\n");
  EXPECT_EQ(AnalyseImage(image, 0).output,
            "Warning: pipe.wav: the fmt chunk gives a sample rate of 0; durations are shown as 0 seconds\n");
}

TEST(DataChunk, NeedsAFmtChunkBeforeIt) {
  const Bytes image = WaveBuilder().Data(Pcm({1, 2}, 16)).Fmt({}).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  EXPECT_EQ(outcome.exit_code, 99);
  EXPECT_EQ(outcome.output, kBanner + "Fatal: no fmt-chunk found describing data chunk\n");
}

// 24-bit stereo: 6 bytes per frame. The rest bytes are not counted, and the
// walk skips the pad byte to find the chunk behind.
TEST(DataChunk, OddSizesForTwentyFourBitStereo) {
  struct Case {
    std::uint32_t size;
    const char* message;
  };
  for (const Case& c : {Case{601, "length of data chunk must be divisible by Bytes per Sample\n"},
                        Case{603, "data segment must contain complete samples\n"}}) {
    SCOPED_TRACE(c.size);
    const Bytes image = WaveBuilder()
                            .Fmt({.channels = 2, .bits = 24})
                            .Data(Bytes(c.size, 0))
                            .Cue({{.id = 3, .offset = 7}})
                            .Build();
    const AnalysisOutcome quiet = AnalyseImage(image, 0);
    EXPECT_EQ(quiet.output, c.message);
    ASSERT_TRUE(quiet.result);
    EXPECT_EQ(quiet.result->frame_count, 100);
    EXPECT_EQ(quiet.result->cut_first, 101u);
    EXPECT_EQ(quiet.result->data->size, c.size);
    // The cue chunk was found behind the pad byte.
    ASSERT_TRUE(quiet.result->cues[3].cue_point);
    EXPECT_EQ(quiet.result->cues[3].cue_point->offset, 36u + 8u + c.size + 1u + 8u + 4u);

    const AnalysisOutcome verbose = AnalyseImage(image, 3);
    EXPECT_NE(verbose.output.find(std::string(c.message) + "data chunk 100 Samples, 0.002268 Seconds\n"),
              std::string::npos);
  }
}

TEST(DataChunk, LaterChunksReplaceEarlierOnes) {
  const Bytes image =
      WaveBuilder().Fmt({.channels = 2}).Data(Pcm({1, 2, 3, 4}, 16)).Fmt({.channels = 1}).Data(Pcm({5, 6, 7}, 16)).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 0);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.result->layout.channels, 1);
  EXPECT_EQ(outcome.result->frame_count, 3);
  EXPECT_EQ(outcome.result->data->size, 6u);
}

TEST(DataChunk, CutOffRecordingCountsTheFramesThatAreThere) {
  // A recorder that died left the placeholder size and half a frame.
  const Bytes image = WaveBuilder().Fmt({.channels = 2}).Data(Pcm({1, 2, 3, 4, 5}, 16), 0xFFFFFFFF).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 0);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.result->frame_count, 2);
  EXPECT_EQ(outcome.result->data->size, 10u);
  EXPECT_EQ(outcome.output,
            "Warning: pipe.wav: chunk \"data\" declares 4294967295 bytes but only 10 are left in the file;"
            " cut at the end of the file\n"
            "data segment must contain complete samples\n");
}

TEST(ChunkWalk, ReportsBytesTooFewForAChunkHeader) {
  Bytes image = WaveBuilder().Fmt({}).Data(Pcm({1}, 16)).Build();
  image.insert(image.end(), {0, 0, 0});
  const AnalysisOutcome outcome = AnalyseImage(image, 0);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.result->frame_count, 1);
  EXPECT_EQ(outcome.output, "Warning: pipe.wav: 3 bytes at the end are too few for a chunk header; ignored\n");
}

}  // namespace
}  // namespace zelvanor::testing
