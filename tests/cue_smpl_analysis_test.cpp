// The cue and smpl chunks.
#include <gtest/gtest.h>

#include "analysis_harness.h"

namespace zelvanor::testing {
namespace {

const std::string kBanner =
    "*************** Analyzing Sourcefile pipe.wav ****************************\n";

WaveBuilder Pipe() { return WaveBuilder().Fmt({}).Data(Bytes(200, 0)); }

// Everything a verbose run prints after the banner, fmt and data lines.
std::string ChunkLines(const AnalysisOutcome& outcome) {
  const std::string data_line = "data chunk 100 Samples, 0.002268 Seconds\n";
  const std::size_t at = outcome.output.find(data_line);
  return at == std::string::npos ? outcome.output : outcome.output.substr(at + data_line.size());
}

TEST(CueChunk, SizeMustMatchTheCountExactly) {
  const std::vector<CuePoint> two = {{.id = 1, .offset = 10}, {.id = 2, .offset = 20}};
  const AnalysisOutcome exact = AnalyseImage(Pipe().Cue(two).Build(), 0);
  ASSERT_TRUE(exact.result);
  EXPECT_EQ(exact.output, "");

  // Size 53: a pad byte counted in the size.
  Bytes body = CueBody(two);
  body.push_back(0);
  const AnalysisOutcome padded = AnalyseImage(Pipe().Unknown("cue ", body).Build(), 0);
  EXPECT_EQ(padded.exit_code, 99);
  EXPECT_EQ(padded.output, "fatal error - size of cue chunk\n");

  // A count no size can match (24 × count overflows 32 bits).
  const AnalysisOutcome huge = AnalyseImage(Pipe().Cue(two, 0x20000000u).Build(), 0);
  EXPECT_EQ(huge.exit_code, 99);
  EXPECT_EQ(huge.output, "fatal error - size of cue chunk\n");
}

TEST(CueChunk, TooShortForItsCountOrCutOff) {
  const AnalysisOutcome empty = AnalyseImage(Pipe().Unknown("cue ", Bytes{}).Build(), 0);
  EXPECT_EQ(empty.exit_code, 99);
  EXPECT_EQ(empty.output, "fatal error - size of cue chunk\n");

  // Size and count agree, but the file ends inside the records.
  const Bytes image = Truncated(Pipe().Cue({{.id = 1}, {.id = 2}}).Build(), 12 + 24 + 208 + 8 + 30);
  const AnalysisOutcome cut = AnalyseImage(image, 0);
  EXPECT_EQ(cut.exit_code, 99);
  EXPECT_EQ(cut.output,
            "Warning: pipe.wav: chunk \"cue \" declares 52 bytes but only 30 are left in the file; cut at the end of the file\n"
            "fatal error - size of cue chunk\n");
}

TEST(CueChunk, DescribesStoresAndCountsIds) {
  const Bytes image = Pipe()
                          .Cue({{.id = 0, .offset = 10},
                                {.id = 5, .position = 7, .offset = 50},
                                {.id = 150, .offset = 90, .chunk = "slnt"}})
                          .Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(ChunkLines(outcome),
            "3 cue-points:\n"
            "  CUE POINT 0 POS 10 data Offset=10\n"
            "  CUE POINT 5 POS 7 data Offset=50\n"
            "  CUE POINT 150 POS 90 slnt Offset=90\n");
  const SourceAnalysis& result = *outcome.result;
  const std::uint32_t records = 12 + 24 + 208 + 8 + 4;
  ASSERT_TRUE(result.cues[0].cue_point);
  EXPECT_EQ(result.cues[0].cue_point->offset, records);
  EXPECT_EQ(result.cues[0].cue_point->size, 24u);
  ASSERT_TRUE(result.cues[5].cue_point);
  EXPECT_EQ(result.cues[5].cue_point->offset, records + 24);
  int stored = 0;
  for (const CueSlot& slot : result.cues) stored += slot.cue_point.has_value();
  EXPECT_EQ(stored, 2);
}

TEST(CueChunk, NegativeAndHugeIdsAreNotStored) {
  const AnalysisOutcome outcome =
      AnalyseImage(Pipe().Cue({{.id = 0xFFFFFFFF, .offset = 1}, {.id = 0x7FFFFFFF, .offset = 2}}).Build(), 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(ChunkLines(outcome),
            "2 cue-points:\n"
            "  CUE POINT -1 POS 1 data Offset=1\n"
            "  CUE POINT 2147483647 POS 2 data Offset=2\n");
  for (const CueSlot& slot : outcome.result->cues) EXPECT_FALSE(slot.cue_point);
}

TEST(CueChunk, BlockOrChunkStartIsReportedAtEveryVerbosity) {
  const Bytes image = Pipe().Cue({{.id = 4, .offset = 9, .chunk_start = 3, .block_start = 7}}).Build();
  const AnalysisOutcome quiet = AnalyseImage(image, 0);
  EXPECT_EQ(quiet.output, "  Error: BlockStart=7, ChunkStart=3\n");
  ASSERT_TRUE(quiet.result);
  EXPECT_TRUE(quiet.result->cues[4].cue_point);  // still used
  EXPECT_EQ(ChunkLines(AnalyseImage(image, 3)),
            "1 cue-points:\n"
            "  CUE POINT 4 POS 9 data Offset=9\n"
            "  Error: BlockStart=7, ChunkStart=3\n");
}

TEST(SmplChunk, DescribesHeaderAndLoops) {
  const Sampler sampler{.manufacturer = 71, .product = 2, .sample_period = 20833, .unity_note = 0,
                        .pitch_fraction = 5, .smpte_format = 25, .smpte_offset = 0xFFFFFFFF};
  const Bytes image = Pipe()
                          .Smpl({{.id = 1, .type = 0, .start = 10, .end = 90},
                                 {.id = 2, .type = 1, .start = 20, .end = 80, .fraction = 3, .play_count = 4},
                                 {.id = 3, .type = 2, .start = 1, .end = 2},
                                 {.id = 0xFFFFFFFF, .type = 7, .start = 0x80000000, .end = 3}},
                                {}, sampler)
                          .Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(ChunkLines(outcome),
            "SAMPLE Manufacturer=71 Product=2 SamplePeriod=20833 MIDI-PitchFraction=5 SMPTE-Format=25"
            " SMPTE-Offset=-1\n"
            "4 Sample-Loops\n"
            "  SAMPLE LOOP 1 FORWARD Start=10, End=90\n"
            "  SAMPLE LOOP 2 ALTERNATING Start=20, End=80, Fraction=3, PlayCount=4\n"
            "  SAMPLE LOOP 3 BACKWARD Start=1, End=2\n"
            "  SAMPLE LOOP -1 TYPE=7? Start=-2147483648, End=3\n");
  EXPECT_EQ(outcome.result->loop_end, 90u);
  EXPECT_EQ(AnalyseImage(image, 2).output, "");
}

TEST(SmplChunk, AdditionalDataIsSkippedPadByteIncluded) {
  // Size 61 with one loop: 1 byte of sampler data and the pad byte remain.
  const Bytes image = Pipe().Smpl({{.id = 1, .start = 10, .end = 90}}, {0x55}).Unknown("junk", {}).Build();
  const AnalysisOutcome v3 = AnalyseImage(image, 3);
  EXPECT_EQ(v3.output.find("skipping"), std::string::npos);
  const AnalysisOutcome v4 = AnalyseImage(image, 4);
  EXPECT_EQ(ChunkLines(v4),
            "SAMPLE MIDI-Notenumber=60\n"
            "1 Sample-Loops\n"
            "  SAMPLE LOOP 1 FORWARD Start=10, End=90\n"
            "skipping 2 bytes additional data\n"
            // The next chunk is read at body + 62.
            "Unknown chunk \"junk\" of size 0 - simple copying\n");
}

TEST(SmplChunk, LoopThatDoesNotFitEndsTheRun) {
  const Bytes image = Pipe().Smpl({{.id = 1, .end = 90}}, {}, {}, /*loop_count=*/2).Build();
  const AnalysisOutcome quiet = AnalyseImage(image, 0);
  EXPECT_EQ(quiet.exit_code, 99);
  EXPECT_EQ(quiet.output, "not enough data for SampleLoop\n");
  const AnalysisOutcome verbose = AnalyseImage(image, 3);
  EXPECT_EQ(ChunkLines(verbose),
            "SAMPLE MIDI-Notenumber=60\n"
            "2 Sample-Loops\n"
            "  SAMPLE LOOP 1 FORWARD Start=0, End=90\n"
            "not enough data for SampleLoop\n");
}

TEST(SmplChunk, NegativeLoopCountMeansNoLoops) {
  const AnalysisOutcome outcome = AnalyseImage(Pipe().Smpl({}, {}, {}, 0x80000000u).Build(), 0);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.result->loop_end, 0u);
}

TEST(SmplChunk, RefusesAChunkShorterThanItsHeader) {
  const AnalysisOutcome outcome = AnalyseImage(Pipe().Unknown("smpl", Bytes(35, 0)).Build(), 3);
  EXPECT_EQ(outcome.exit_code, 99);
  EXPECT_EQ(ChunkLines(outcome), "fatal error: pipe.wav: smpl chunk of 35 bytes is too short for its 36-byte header\n");
}

}  // namespace
}  // namespace zelvanor::testing
