#include "output/resample_data_chunk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/run_error.h"
#include "output_test_support.h"
#include "wave_builder.h"

namespace zelvanor {
namespace {

using testing::AnalysisFor;
using testing::ChannelValues;
using testing::ExactBuffer;
using testing::Pcm;

struct Resampled {
  std::vector<std::uint8_t> bytes;  // the whole chunk, header first
  std::uint32_t frames = 0;         // OutputFrameCount
  std::uint32_t size() const { return LoadU32le(bytes.data() + 4); }
};

Resampled Resample(const std::vector<std::int32_t>& values, int bits, int channels, double factor,
                   const Settings& settings = {}, SourceAnalysis analysis = {}) {
  if (!analysis.format) analysis = AnalysisFor(bits, channels);
  const ExactBuffer body(Pcm(values, bits));
  const RetuneJob job = MakeRetuneJob({}, analysis, settings, factor);
  MemorySink sink;
  Resampled out;
  out.frames = ResampleDataChunk(job, body.span(), sink);
  out.bytes = sink.bytes();
  return out;
}

std::vector<std::int32_t> Ramp(int frames, int step, int channels = 1) {
  std::vector<std::int32_t> values;
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) values.push_back(i * step + c);
  return values;
}

Settings WithQuality(int quality) {
  Settings settings;
  settings.quality = quality;
  return settings;
}

TEST(ResampleDataChunkTest, FactorOneKeepsTheFramesAndRepeatsTheSecondToLast) {
  const std::vector<std::int32_t> values = Ramp(50, 300, 2);
  for (int quality : {0, 1, 2}) {
    const Resampled out = Resample(values, 16, 2, 1.0, WithQuality(quality));
    ASSERT_EQ(out.frames, 50u);
    EXPECT_EQ(out.size(), 200u);
    for (int channel : {0, 1}) {
      const std::vector<std::int32_t> got = ChannelValues(out.bytes, 16, 2, channel);
      ASSERT_EQ(got.size(), 50u);
      for (int k = 0; k < 49; ++k) EXPECT_EQ(got[k], k * 300 + channel) << quality << " frame " << k;
      EXPECT_EQ(got[49], 48 * 300 + channel);
    }
  }
}

TEST(ResampleDataChunkTest, FactorOneWithAFallingSignalShowsTheLinearRounding) {
  // Where the signal falls, the linear kernel lands one above x1.
  const Resampled out = Resample({100, 90, 80, 70}, 16, 1, 1.0, WithQuality(0));
  EXPECT_EQ(ChannelValues(out.bytes, 16, 1, 0), (std::vector<std::int32_t>{100, 91, 81, 80}));
}

TEST(ResampleDataChunkTest, FactorOneAndAHalfOn101Frames) {
  for (int quality : {0, 1, 2}) {
    const Resampled out = Resample(Ramp(101, 100), 24, 1, 1.5, WithQuality(quality));
    ASSERT_EQ(out.frames, 67u);
    const std::vector<std::int32_t> got = ChannelValues(out.bytes, 24, 1, 0);
    ASSERT_EQ(got.size(), 67u);
    EXPECT_EQ(got[0], 0);
    // Positions 1.5, 3.0, ..., 97.5 on a straight line: every kernel is exact.
    for (int k = 1; k <= 65; ++k) EXPECT_EQ(got[k], 150 * k) << quality << " frame " << k;
    // The last frame copies the source frame before position 99.0.
    EXPECT_EQ(got[66], 9800);
  }
}

TEST(ResampleDataChunkTest, TwoOutputFramesAreFirstAndLastCopied) {
  const Resampled out = Resample({7, 8, 9}, 16, 1, 1.5);
  ASSERT_EQ(out.frames, 2u);
  EXPECT_EQ(ChannelValues(out.bytes, 16, 1, 0), (std::vector<std::int32_t>{7, 8}));
}

TEST(ResampleDataChunkTest, FrameZeroIsCopiedByteForByte) {
  // 24-bit bytes that a value round trip would not reproduce differently,
  // but copying must not pass through the kernel either.
  const std::vector<std::int32_t> values = {-8388608, 8388607, 5, 6, 7, 8};
  for (int quality : {0, 1, 2}) {
    const Resampled out = Resample(values, 24, 2, 0.7, WithQuality(quality));
    const std::vector<std::uint8_t> first = Pcm({-8388608, 8388607}, 24);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), out.bytes.begin() + 8));
  }
}

TEST(ResampleDataChunkTest, OvershootIsSaturatedNotWrapped) {
  Settings settings = WithQuality(1);
  settings.verbosity = 5;
  ::testing::internal::CaptureStdout();
  const Resampled out16 = Resample({30000, 32700, 32767, 32767}, 16, 1, 1.5, settings);
  const std::string dump = ::testing::internal::GetCapturedStdout();
  ASSERT_EQ(out16.frames, 3u);
  EXPECT_EQ(ChannelValues(out16.bytes, 16, 1, 0)[1], 32767);  // 33063, which would wrap to -32473
  // The dump shows the stored value.
  EXPECT_NE(dump.find("            1:  32767 \n"), std::string::npos) << dump;

  const Resampled negative = Resample({-30000, -32700, -32767, -32767}, 16, 1, 1.5, WithQuality(1));
  EXPECT_EQ(ChannelValues(negative.bytes, 16, 1, 0)[1], -32768);

  const Resampled out24 =
      Resample({30000 * 256, 32700 * 256, 32767 * 256, 32767 * 256}, 24, 1, 1.5, WithQuality(1));
  EXPECT_EQ(ChannelValues(out24.bytes, 24, 1, 0)[1], 8388607);
}

TEST(ResampleDataChunkTest, DummyLoopSilenceIsLoopLengthTimesChannelsFrames) {
  Settings settings;
  settings.dummy_loop_length = 100;
  const Resampled out = Resample(Ramp(5000, 3, 2), 16, 2, 1.0, settings);
  EXPECT_EQ(out.frames, 5000u);
  EXPECT_EQ(out.size(), 20800u);
  ASSERT_EQ(out.bytes.size(), 8u + 20800u);
  EXPECT_TRUE(std::all_of(out.bytes.end() - 800, out.bytes.end(), [](std::uint8_t b) { return b == 0; }));
  EXPECT_NE(out.bytes[out.bytes.size() - 801], 0);
}

TEST(ResampleDataChunkTest, NoSilenceForASourceWithALoopOrANegativeLength) {
  Settings settings;
  settings.dummy_loop_length = 100;
  SourceAnalysis looped = AnalysisFor(16, 2);
  looped.loop_end = 10;
  EXPECT_EQ(Resample(Ramp(50, 3, 2), 16, 2, 1.0, settings, looped).size(), 200u);
  settings.dummy_loop_length = -100;
  EXPECT_EQ(Resample(Ramp(50, 3, 2), 16, 2, 1.0, settings).size(), 200u);
}

TEST(ResampleDataChunkTest, OddSizeGetsAPadByte) {
  const Resampled odd = Resample(Ramp(1001, 5), 24, 1, 1.0);
  EXPECT_EQ(odd.size(), 3003u);
  ASSERT_EQ(odd.bytes.size(), 8u + 3004u);
  EXPECT_EQ(odd.bytes.back(), 0);
  const Resampled even = Resample(Ramp(1000, 5), 24, 1, 1.0);
  EXPECT_EQ(even.size(), 3000u);
  EXPECT_EQ(even.bytes.size(), 8u + 3000u);
}

SourceAnalysis WithCut(std::uint32_t first, std::uint32_t limit) {
  SourceAnalysis analysis = AnalysisFor(24, 1);
  analysis.loop_end = first - 10;
  analysis.release_start = limit + 10;
  analysis.cut_first = first;
  analysis.cut_limit = limit;
  return analysis;
}

TEST(ResampleDataChunkTest, CutDropsExactlyItsLengthWhereverTheCounterStands) {
  // A ramp whose value is the source frame number: behind the cut, every
  // output frame must sit at its position shifted by exactly the cut's length.
  constexpr int kFrames = 60000;
  constexpr std::uint32_t kFirst = 20010, kLimit = 50000, kLength = kLimit - kFirst;
  for (double factor : {1.5, 2.3, 0.7}) {
    const Resampled out = Resample(Ramp(kFrames, 1), 24, 1, factor, WithQuality(0), WithCut(kFirst, kLimit));
    const auto expected_frames = static_cast<std::uint32_t>((kFrames - kLength) / factor + 0.5);
    ASSERT_EQ(out.frames, expected_frames) << factor;
    const std::vector<std::int32_t> got = ChannelValues(out.bytes, 24, 1, 0);
    ASSERT_EQ(got.size(), expected_frames);
    int checked = 0;
    for (std::uint32_t k = 1; k + 1 < expected_frames; ++k) {
      const double position = k * factor;
      const double fraction = position - std::floor(position);
      if (std::fabs(fraction - 0.5) < 1e-6) continue;  // rounding there depends on the last bit
      const double shifted = position > kFirst + 1 ? position + kLength : position;
      if (position > kFirst - 1 && position <= kFirst + 1) continue;  // the join itself
      EXPECT_EQ(got[k], static_cast<std::int32_t>(std::floor(shifted + 0.5))) << factor << " frame " << k;
      ++checked;
    }
    EXPECT_GT(checked, 8000);
  }
}

TEST(ResampleDataChunkTest, KeepUnusedPartCutsNothing) {
  Settings settings = WithQuality(0);
  settings.keep_unused_part = true;
  const Resampled out = Resample(Ramp(60000, 1), 24, 1, 1.5, settings, WithCut(20010, 50000));
  EXPECT_EQ(out.frames, 40000u);
  EXPECT_EQ(ChannelValues(out.bytes, 24, 1, 0)[30000], 45000);
}

TEST(ResampleDataChunkTest, FewerThanTwoOutputFrames) {
  Resampled one = Resample({11, 12}, 16, 2, 1.0);
  EXPECT_EQ(one.frames, 1u);
  EXPECT_EQ(one.size(), 4u);
  EXPECT_EQ(one.bytes.size(), 12u);

  Resampled none = Resample({11, 12}, 16, 2, 2.5);
  EXPECT_EQ(none.frames, 0u);
  EXPECT_EQ(none.size(), 0u);
  EXPECT_EQ(none.bytes.size(), 8u);

  Settings settings;
  settings.dummy_loop_length = 10;
  Resampled silent = Resample({}, 16, 1, 1.0, settings);
  EXPECT_EQ(silent.frames, 0u);
  EXPECT_EQ(silent.size(), 20u);
  EXPECT_EQ(silent.bytes.size(), 28u);
}

TEST(ResampleDataChunkTest, ASingleFrameStretchedStaysInsideTheBody) {
  // Past the end the current frame stands in for every neighbour; the
  // interpolated frames show the kernel's rounding of negative values.
  const Resampled out = Resample({-400}, 16, 1, 0.2);
  ASSERT_EQ(out.frames, 5u);
  EXPECT_EQ(ChannelValues(out.bytes, 16, 1, 0), (std::vector<std::int32_t>{-400, -399, -399, -399, -400}));
}

TEST(ResampleDataChunkTest, PartialTrailingFrameIsLeftOut) {
  // Stereo 16-bit: 10 whole frames and one lone value.
  std::vector<std::int32_t> values = Ramp(10, 100, 2);
  values.push_back(31000);
  for (double factor : {1.0, 0.3}) {
    ::testing::internal::CaptureStdout();
    const Resampled out = Resample(values, 16, 2, factor);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "data segment must contain complete samples\n");
    EXPECT_EQ(out.frames, static_cast<std::uint32_t>(10 / factor + 0.5));
    EXPECT_EQ(out.size(), out.frames * 4);
    // The lone value (31000) is never read: the last frames extrapolate
    // from frame 9 (900) at most.
    for (std::int32_t value : ChannelValues(out.bytes, 16, 2, 0)) EXPECT_LT(value, 1000);
  }
  ::testing::internal::CaptureStdout();
  std::vector<std::uint8_t> odd_body = {1, 2, 3};
  const ExactBuffer body(odd_body);
  const SourceAnalysis analysis = AnalysisFor(16, 1);
  const Settings settings;
  MemorySink sink;
  EXPECT_EQ(ResampleDataChunk(MakeRetuneJob({}, analysis, settings, 1.0), body.span(), sink), 1u);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "length of data chunk must be divisible by BytesPerSample\n");
  EXPECT_EQ(sink.bytes().size(), 10u);
}

TEST(ResampleDataChunkTest, MessagesAtVerbosityFour) {
  Settings settings;
  settings.verbosity = 4;
  settings.dummy_loop_length = 50;
  ::testing::internal::CaptureStdout();
  Resample(Ramp(1000, 1), 16, 1, 2.0, settings);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "adding dummy loop of 50 samples\n"
            "data chunk 500 Samples, 0.012472 Seconds\n");
}

TEST(ResampleDataChunkTest, DumpLinesForTheLastNineFrames) {
  Settings settings;
  settings.verbosity = 5;
  ::testing::internal::CaptureStdout();
  Resample(Ramp(1000, 1, 2), 16, 2, 1.0, settings);
  const std::string long_dump = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::count(long_dump.begin(), long_dump.end(), '\n'), 10);  // with the "data chunk" line
  EXPECT_NE(long_dump.find("          991:    991    992 \n"), std::string::npos) << long_dump;
  EXPECT_NE(long_dump.find("          999:    998    999 \n"), std::string::npos) << long_dump;
  EXPECT_EQ(long_dump.find("          990: "), std::string::npos);

  ::testing::internal::CaptureStdout();
  Resample(Ramp(5, 10), 16, 1, 1.0, settings);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "data chunk 5 Samples, 0.000113 Seconds\n"
            "            1:     10 \n"
            "            2:     20 \n"
            "            3:     30 \n"
            "            4:     30 \n");
}

TEST(ResampleDataChunkTest, OversizedOutputIsFatalBeforeAnythingIsWritten) {
  Settings settings;
  settings.dummy_loop_length = 0x7FFFFFFF;
  const SourceAnalysis analysis = AnalysisFor(16, 2);
  const ExactBuffer body(Pcm(Ramp(10, 1, 2), 16));
  MemorySink sink;
  try {
    ResampleDataChunk(MakeRetuneJob({}, analysis, settings, 1.0), body.span(), sink);
    FAIL() << "no error";
  } catch (const RunError& error) {
    EXPECT_EQ(error.exit_code(), kExitFatal);
  }
  EXPECT_EQ(sink.Position(), 0u);
}

}  // namespace
}  // namespace zelvanor
