// The output walk in memory: header, each chunk kind, the dummy loop, the
// messages and the fatal cases.
#include "output/write_retuned_wave.h"

#include <gtest/gtest.h>

#include "output_test_support.h"

namespace zelvanor::testing {
namespace {

const Format kMono16{.channels = 1, .bits = 16};

Bytes Frames(int count, int channels = 1, int bits = 16) {
  std::vector<std::int32_t> values;
  for (int i = 0; i < count * channels; ++i) values.push_back((i * 37) % 2000 - 1000);
  return Pcm(values, bits);
}

std::uint32_t U32(const Bytes& bytes, std::size_t at) { return LoadU32le(bytes.data() + at); }

std::optional<ChunkView> Find(const std::vector<ChunkView>& chunks, const std::string& id, int nth = 0) {
  for (const ChunkView& chunk : chunks)
    if (chunk.id == id && nth-- == 0) return chunk;
  return std::nullopt;
}

TEST(WriteRetunedWave, HeaderAloneGivesTwelveBytes) {
  // The source's RIFF size is not taken over; the true one is written.
  const RetuneOutcome out = RetuneImage(WaveBuilder().RiffSize(12345).Build(), 1.0);
  EXPECT_EQ(out.bytes, (Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}));
}

TEST(WriteRetunedWave, FmtIsCopiedByItsSizeAndDataResampled) {
  // A 17-byte fmt chunk (walked and copied without a pad byte), then 24-bit
  // mono audio of an odd byte count.
  const Bytes image = WaveBuilder().Fmt({.channels = 1, .bits = 24}, 1, false).Data(Frames(1001, 1, 24)).Build();
  const RetuneOutcome out = RetuneImage(image, 1.0);
  ASSERT_FALSE(out.exit_code) << out.output;
  const std::vector<ChunkView> chunks = ChunksOf(out.bytes);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].id, "fmt ");
  EXPECT_EQ(chunks[0].size, 17u);
  EXPECT_EQ(chunks[0].stored.size(), 17u);
  EXPECT_EQ(chunks[1].id, "data");
  EXPECT_EQ(chunks[1].size, 3003u);
  EXPECT_EQ(chunks[1].stored.size(), 3004u);
  EXPECT_EQ(out.bytes.size(), 12u + 8 + 17 + 8 + 3004);
}

TEST(WriteRetunedWave, CuePointsAreMappedAndTheRestKept) {
  const Bytes image = WaveBuilder()
                          .Fmt(kMono16)
                          .Data(Frames(2000))
                          .Cue({{.id = 0, .offset = 0},
                                {.id = 1, .position = 7, .offset = 1, .chunk = "slnt"},
                                {.id = 2, .offset = 2},
                                {.id = 3, .offset = 3},
                                {.id = 4, .offset = 1001, .block_start = 9}})
                          .Build();
  const RetuneOutcome out = RetuneImage(image, 2.0, Verbose(4));
  ASSERT_FALSE(out.exit_code);
  const std::optional<ChunkView> cue = Find(ChunksOf(out.bytes), "cue ");
  ASSERT_TRUE(cue);
  EXPECT_EQ(cue->size, 4u + 5 * 24);
  const std::uint32_t offsets[] = {0, 1, 1, 2, 501};
  for (std::size_t i = 0; i < 5; ++i) {
    const std::size_t record = 4 + 24 * i;
    EXPECT_EQ(U32(cue->stored, record), i);
    EXPECT_EQ(U32(cue->stored, record + 20), offsets[i]);
  }
  EXPECT_EQ(U32(cue->stored, 4 + 24 + 4), 4u);  // dwPosition 7 / 2
  EXPECT_EQ(std::string(cue->stored.begin() + 4 + 24 + 8, cue->stored.begin() + 4 + 24 + 12), "slnt");
  EXPECT_EQ(U32(cue->stored, 4 + 4 * 24 + 16), 9u);
  EXPECT_NE(out.output.find("5 cue-points:\n  CUE POINT 0 POS 0 Offset=0\n  CUE POINT 1 POS 4 Offset=1\n"),
            std::string::npos)
      << out.output;
  EXPECT_NE(out.output.find("  CUE POINT 4 POS 501 Offset=501\n"), std::string::npos);
}

// A loop ending at 50000 and the release at `release`. A third cue point
// may carry `extra_position` in dwPosition, which the output maps but the
// analysis does not use.
Bytes PipeWithRelease(std::uint32_t release, std::uint32_t extra_position = 0) {
  std::vector<CuePoint> cues = {{.id = 1, .offset = 0}, {.id = 2, .offset = release}};
  if (extra_position != 0) cues.push_back({.id = 3, .position = extra_position, .offset = 0});
  return WaveBuilder()
      .Fmt(kMono16)
      .Data(Frames(200))
      .Cue(cues)
      .Smpl({{.start = 40000, .end = 50000}})
      .Build();
}

TEST(WriteRetunedWave, PositionsBehindTheCutMoveDown) {
  const RetuneOutcome out = RetuneImage(PipeWithRelease(100000, 99990), 1.0);
  ASSERT_FALSE(out.exit_code) << out.output;
  ASSERT_EQ(out.analysis->cut_first, 50010u);
  const std::optional<ChunkView> cue = Find(ChunksOf(out.bytes), "cue ");
  EXPECT_EQ(U32(cue->stored, 4 + 24 + 20), 50020u);
  EXPECT_EQ(U32(cue->stored, 4 + 48 + 4), 50010u);
  const std::optional<ChunkView> smpl = Find(ChunksOf(out.bytes), "smpl");
  EXPECT_EQ(U32(smpl->stored, 36 + 8), 40000u);
  EXPECT_EQ(U32(smpl->stored, 36 + 12), 50000u);
}

TEST(WriteRetunedWave, APositionInsideTheCutIsFatal) {
  for (std::uint32_t inside : {50011u, 99989u}) {
    const RetuneOutcome out = RetuneImage(PipeWithRelease(100000, inside), 1.0);
    EXPECT_EQ(out.exit_code, 99);
    EXPECT_EQ(out.output, "Tune in/pipe.wav to out/pipe.wav by factor 1.000000\n"
                          "fatal error: Illegal computation of a position within removed sample-area\n");
  }
  Settings keep;
  keep.keep_unused_part = true;
  const RetuneOutcome kept = RetuneImage(PipeWithRelease(100000, 50011), 1.0, keep);
  ASSERT_FALSE(kept.exit_code);
  EXPECT_EQ(U32(Find(ChunksOf(kept.bytes), "cue ")->stored, 4 + 48 + 4), 50011u);
}

TEST(WriteRetunedWave, SmplLoopsMappedAndExtraDataKept) {
  // Size 69: one loop, 9 bytes of sampler data, and the pad byte.
  const Bytes extra = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const Bytes image = WaveBuilder()
                          .Fmt(kMono16)
                          .Data(Frames(100))
                          .Smpl({{.id = 3, .type = 7, .start = 10, .end = 31, .fraction = 5}}, extra)
                          .Unknown("fact", {1, 0, 0, 0})
                          .Build();
  const RetuneOutcome out = RetuneImage(image, 2.0, Verbose(4));
  ASSERT_FALSE(out.exit_code) << out.output;
  const std::vector<ChunkView> chunks = ChunksOf(out.bytes);
  const std::optional<ChunkView> smpl = Find(chunks, "smpl");
  ASSERT_TRUE(smpl);
  EXPECT_EQ(smpl->size, 69u);
  ASSERT_EQ(smpl->stored.size(), 70u);
  EXPECT_EQ(U32(smpl->stored, 36 + 8), 5u);
  EXPECT_EQ(U32(smpl->stored, 36 + 12), 16u);
  EXPECT_TRUE(std::equal(extra.begin(), extra.end(), smpl->stored.begin() + 60));
  EXPECT_EQ(smpl->stored.back(), 0);
  EXPECT_TRUE(Find(chunks, "fact"));  // the walk found the chunk behind it
  EXPECT_NE(out.output.find("  SAMPLE LOOP 3 TYPE=7? Start=5, End=16, Fraction=5\n"
                            "skipping 10 bytes additional data\n"),
            std::string::npos)
      << out.output;
}

TEST(WriteRetunedWave, SmplWithTooFewLoopRecordsIsFatal) {
  const Bytes image = WaveBuilder().Fmt(kMono16).Smpl({{.end = 5}}, {}, {}, 2).Build();
  const RetuneOutcome out = RetuneImage(image, 1.0);
  EXPECT_EQ(out.exit_code, 99);
}

TEST(WriteRetunedWave, CueChunkOfTheWrongSizeIsFatal) {
  const Bytes good = WaveBuilder().Fmt(kMono16).Cue({{.id = 1}, {.id = 2}, {.id = 3}}).Build();
  EXPECT_FALSE(RetuneImage(good, 1.0).exit_code);
  const Bytes bad = WaveBuilder().Fmt(kMono16).Cue({{.id = 1}, {.id = 2}, {.id = 3}}, std::nullopt, 72).Build();
  EXPECT_EQ(RetuneImage(bad, 1.0).exit_code, 99);
}

// The writers guard their own reads: with an analysis stated by hand, which
// has not refused them, inconsistent cue and smpl chunks reach the writers.
TEST(WriteRetunedWave, WritersRefuseInconsistentCueAndSmplChunksThemselves) {
  const struct {
    Bytes image;
    std::string message;
  } cases[] = {
      {WaveBuilder().Fmt(kMono16).Cue({{.id = 1}}, std::nullopt, 40).Build(), "fatal error - size of cue chunk\n"},
      {WaveBuilder().Fmt(kMono16).Smpl({{.end = 5}}, {}, {}, 2).Build(), "not enough data for SampleLoop\n"},
      {WaveBuilder().Fmt(kMono16).Add(Chunk("smpl", Bytes(20, 0))).Build(),
       "fatal error: in/pipe.wav: smpl chunk of 20 bytes is too short for its 36-byte header\n"},
  };
  const SourceAnalysis analysis = AnalysisFor(16, 1);
  for (const auto& c : cases) {
    const ExactBuffer exact(c.image);
    MemorySink sink;
    try {
      WriteRetunedWave("in/pipe.wav", "out/pipe.wav", MakeRetuneJob(exact.span(), analysis, Verbose(0), 1.0), sink);
      ADD_FAILURE() << "not refused: " << c.message;
    } catch (const RunError& error) {
      EXPECT_EQ(error.message(), c.message);
      EXPECT_EQ(error.exit_code(), 99);
    }
  }
}

TEST(WriteRetunedWave, UnknownChunksCopiedOrLeftOut) {
  const Bytes image = WaveBuilder()
                          .Fmt(kMono16)
                          .Unknown("fact", {1, 0, 0, 0})
                          .Unknown("odd!", {1, 2, 3, 4, 5})
                          .List("INFO", {Chunk("ISFT", {'a', 'b', 0})})
                          .Build();
  const RetuneOutcome copied = RetuneImage(image, 1.0, Verbose(3));
  const std::vector<ChunkView> chunks = ChunksOf(copied.bytes);
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[1].size, 4u);
  EXPECT_EQ(chunks[2].size, 5u);
  EXPECT_EQ(chunks[2].stored, (Bytes{1, 2, 3, 4, 5, 0}));
  // Everything after fmt is the source's bytes.
  EXPECT_TRUE(std::equal(image.begin() + 36, image.end(), copied.bytes.begin() + 36));
  EXPECT_EQ(copied.output,
            "Tune in/pipe.wav to out/pipe.wav by factor 1.000000\n"
            "copy unknown chunk fact of size 4\n"
            "copy unknown chunk odd! of size 5\n"
            "copy unknown LIST of length 16\n");

  Settings drop = Verbose(3);
  drop.copy_unknown_chunks = false;
  const RetuneOutcome dropped = RetuneImage(image, 1.0, drop);
  EXPECT_EQ(ChunksOf(dropped.bytes).size(), 1u);
  EXPECT_EQ(U32(dropped.bytes, 4), 4u + 24);
  EXPECT_EQ(dropped.output,
            "Tune in/pipe.wav to out/pipe.wav by factor 1.000000\n"
            "dont copy unknown chunk fact of size 4\n"
            "dont copy unknown chunk odd! of size 5\n"
            "don't copy unknown LIST of length 16\n");
}

TEST(WriteRetunedWave, AdtlListRescalesTextLengthsOnly) {
  const Bytes image = WaveBuilder()
                          .Fmt(kMono16)
                          .Data(Frames(10))
                          .Cue({{.id = 1, .offset = 0}, {.id = 2, .offset = 60000}})
                          .Smpl({{.end = 1000}})
                          .Adtl({Labl(1, "attack"), Note(2, "rel"), Ltxt(1, 44100, "rgn "),
                                 Ltxt(2, 44101, "mark", "text"), Chunk("fill", {9, 9, 9})})
                          .Build();
  const RetuneOutcome out = RetuneImage(image, 2.0, Verbose(3));
  ASSERT_FALSE(out.exit_code) << out.output;
  ASSERT_LT(out.analysis->cut_first, out.analysis->cut_limit);  // a cut does not shorten texts
  const std::optional<ChunkView> list = Find(ChunksOf(out.bytes), "LIST");
  ASSERT_TRUE(list);
  const std::optional<ChunkView> source = Find(ChunksOf(image), "LIST");
  ASSERT_EQ(list->stored.size(), source->stored.size());
  Bytes expected = source->stored;
  // labl(4 + 8 + 7, padded 20) + note (8 + 8) → first ltxt at 4 + 20 + 16.
  const std::size_t first_ltxt = 4 + 20 + 16;
  const std::size_t second_ltxt = first_ltxt + 8 + 20;
  EXPECT_EQ(U32(expected, first_ltxt + 8 + 4), 44100u);
  expected = WithU32(expected, first_ltxt + 8 + 4, 22050);
  expected = WithU32(expected, second_ltxt + 8 + 4, 22051);
  EXPECT_EQ(list->stored, expected);
  EXPECT_NE(out.output.find("Write associated data chunk LIST of size " + std::to_string(source->size) +
                            "\n"
                            "  LABEL  1 \"attack\"\n"
                            "  NOTE   2 \"rel\"\n"
                            "  LTXT   1 22050 Samples, Purpose=rgn \n"
                            "  LTXT   2 22051 Samples, Purpose=mark\n"
                            "  fill length 3\n"),
            std::string::npos)
      << out.output;
}

Bytes LoopLessPipe(std::vector<CuePoint> cues = {}) {
  WaveBuilder builder;
  builder.Fmt(kMono16).Data(Frames(1000));
  if (!cues.empty()) builder.Cue(cues);
  return builder.Build();
}

TEST(WriteRetunedWave, DummyLoopChunksByteForByte) {
  Settings settings = Verbose(4);
  settings.dummy_loop_length = 500;
  const RetuneOutcome out = RetuneImage(LoopLessPipe(), 1.0, settings);
  ASSERT_FALSE(out.exit_code) << out.output;
  ASSERT_GT(out.bytes.size(), 128u);
  const Bytes tail(out.bytes.end() - 128, out.bytes.end());
  Bytes expected;
  PutId(expected, "cue ");
  PutU32(expected, 52);
  PutU32(expected, 2);
  PutBytes(expected, CueRecord({.id = 1, .offset = 1000}));
  PutBytes(expected, CueRecord({.id = 2, .offset = 1500}));
  PutId(expected, "smpl");
  PutU32(expected, 60);
  for (std::uint32_t v : {0u, 0u, 22675u, 60u, 0u, 0u, 0u, 1u, 0u, 1u, 0u, 1000u, 1499u, 0u, 0u}) PutU32(expected, v);
  EXPECT_EQ(tail, expected);
  EXPECT_EQ(U32(out.bytes, 4), out.bytes.size() - 8);
  const std::optional<ChunkView> data = Find(ChunksOf(out.bytes), "data");
  EXPECT_EQ(data->size, 3000u);
  EXPECT_NE(out.output.find("  SAMPLE LOOP 1 FORWARD Start=1000, End=1499\n"), std::string::npos) << out.output;

  // Read back, the dummy loop is the sustain loop and cue point 2 the release.
  const RetuneOutcome again = RetuneImage(out.bytes, 1.0);
  ASSERT_TRUE(again.analysis);
  EXPECT_EQ(again.analysis->loop_end, 1499u);
  EXPECT_EQ(again.analysis->release_start, 1500u);
}

TEST(WriteRetunedWave, DummyLoopOnlyForSourcesWithoutALoop) {
  Settings settings;
  settings.dummy_loop_length = 500;
  const RetuneOutcome looped = RetuneImage(PipeWithRelease(300), 1.0, settings);
  EXPECT_FALSE(Find(ChunksOf(looped.bytes), "cue ", 1));
  EXPECT_EQ(Find(ChunksOf(looped.bytes), "data")->size, 400u);

  const RetuneOutcome cues_only = RetuneImage(LoopLessPipe({{.id = 1, .offset = 10}}), 1.0, settings);
  const std::vector<ChunkView> chunks = ChunksOf(cues_only.bytes);
  ASSERT_TRUE(Find(chunks, "cue ", 1));
  EXPECT_EQ(U32(Find(chunks, "cue ", 0)->stored, 4 + 20), 10u);
  EXPECT_EQ(U32(Find(chunks, "cue ", 1)->stored, 4 + 20), 1000u);

  settings.dummy_loop_length = -5;
  const RetuneOutcome negative = RetuneImage(LoopLessPipe(), 1.0, settings);
  EXPECT_EQ(ChunksOf(negative.bytes).size(), 2u);
  EXPECT_EQ(Find(ChunksOf(negative.bytes), "data")->size, 2000u);
}

TEST(WriteRetunedWave, AnnouncementByVerbosity) {
  const Bytes image = WaveBuilder().Fmt(kMono16).Data(Frames(10)).Build();
  EXPECT_EQ(RetuneImage(image, 2.0, Verbose(0)).output, "");
  EXPECT_EQ(RetuneImage(image, 2.0, Verbose(-1)).output, "Tune in/pipe.wav to out/pipe.wav by factor 2.000000\n");
  EXPECT_EQ(RetuneImage(image, 2.0, Verbose(4)).output,
            "\n********* Generate new file out/pipe.wav tuning by factor 2.000000 *****\n"
            "data chunk 5 Samples, 0.000113 Seconds\n");
}

TEST(WriteRetunedWave, OddDataChunkFollowedByCue) {
  const Bytes image = WaveBuilder()
                          .Fmt({.channels = 1, .bits = 24})
                          .Data(Frames(101, 1, 24))
                          .Cue({{.id = 1, .offset = 100}})
                          .Build();
  const RetuneOutcome out = RetuneImage(image, 0.5);
  const std::vector<ChunkView> chunks = ChunksOf(out.bytes);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[1].size, 202u * 3);
  EXPECT_EQ(U32(chunks[2].stored, 4 + 20), 200u);
}

TEST(WriteRetunedWave, ChunksCutOffByTheEndOfTheFileAreWrittenWhole) {
  // An unknown chunk that claims 100 bytes of which the file holds 7: it goes
  // out as a 7-byte chunk with a pad byte, so the output is well formed.
  const Bytes image =
      WaveBuilder().Fmt(kMono16).Data(Frames(10)).Unknown("junk", {1, 2, 3, 4, 5, 6, 7}, 100).Build();
  const Bytes cut = Truncated(image, image.size() - 1);  // the builder's pad byte goes too
  const RetuneOutcome out = RetuneImage(cut, 1.0);
  ASSERT_FALSE(out.exit_code);
  const std::vector<ChunkView> chunks = ChunksOf(out.bytes);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[2].size, 7u);
  EXPECT_EQ(chunks[2].stored, (Bytes{1, 2, 3, 4, 5, 6, 7, 0}));
  EXPECT_EQ(U32(out.bytes, 4), out.bytes.size() - 8);

  // A data chunk cut mid-frame: the header counts what is written.
  const Bytes stereo = WaveBuilder().Fmt({.channels = 2, .bits = 16}).Data(Frames(50, 2)).Build();
  const RetuneOutcome short_data = RetuneImage(Truncated(stereo, stereo.size() - 101), 1.0);
  const std::optional<ChunkView> data = Find(ChunksOf(short_data.bytes), "data");
  ASSERT_TRUE(data);
  EXPECT_EQ(data->size, 24u * 4);
  EXPECT_EQ(data->stored.size(), data->size);
}

// Every output is whole: RIFF size = length - 8, each chunk as long as its
// size says (padded, except fmt).
void ExpectWellFormed(const Bytes& file) {
  ASSERT_GE(file.size(), 12u);
  EXPECT_EQ(U32(file, 4), file.size() - 8);
  std::size_t total = 12;
  for (const ChunkView& chunk : ChunksOf(file)) {
    const std::size_t extent = chunk.id == "fmt " ? chunk.size : chunk.size + (chunk.size & 1u);
    EXPECT_EQ(chunk.stored.size(), extent) << chunk.id;
    total += 8 + chunk.stored.size();
  }
  EXPECT_EQ(total, file.size());
}

TEST(WriteRetunedWave, TruncatedAtEveryByteStaysWellFormed) {
  const Bytes image = WaveBuilder()
                          .Fmt({.channels = 2, .bits = 24})
                          .Data(Frames(30, 2, 24))
                          .Cue({{.id = 1, .offset = 3}, {.id = 2, .offset = 25}})
                          .Smpl({{.start = 3, .end = 9}}, {7, 7, 7})
                          .Adtl({Labl(1, "a"), Ltxt(2, 5), Note(2, "bb")})
                          .Unknown("junk", {1, 2, 3})
                          .Build();
  for (std::size_t length = 12; length <= image.size(); ++length) {
    SCOPED_TRACE(length);
    const RetuneOutcome out = RetuneImage(Truncated(image, length), 1.3);
    if (out.exit_code) continue;  // refused with a message: fine
    ExpectWellFormed(out.bytes);
  }
}

TEST(WriteRetunedWave, HostileFieldsNeverBreakTheOutput) {
  const Bytes image = WaveBuilder()
                          .Fmt({.channels = 2, .bits = 16})
                          .Data(Frames(40, 2))
                          .Cue({{.id = 1, .offset = 3}, {.id = 2, .offset = 35}})
                          .Smpl({{.start = 3, .end = 9}}, {7, 7, 7})
                          .Adtl({Labl(1, "a"), Ltxt(2, 5), Note(2, "bb")})
                          .Unknown("junk", {1, 2, 3})
                          .Build();
  Settings settings;
  settings.dummy_loop_length = 3;
  for (std::size_t at = 4; at + 4 <= image.size(); at += 2) {
    for (std::uint32_t value : {0u, 1u, 23u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      SCOPED_TRACE(std::to_string(at) + " = " + std::to_string(value));
      const RetuneOutcome out = RetuneImage(WithU32(image, at, value), 0.45, settings);
      if (out.analysis && !out.exit_code) ExpectWellFormed(out.bytes);  // else refused or skipped
    }
  }
}

TEST(WriteRetunedWave, FailedWriteIsFatal) {
  const Bytes image = WaveBuilder().Fmt(kMono16).Data(Frames(1000)).Build();
  for (std::uint64_t limit : {0u, 40u, 900u}) {
    const RetuneOutcome out = RetuneImage(image, 1.0, Verbose(0), limit);
    EXPECT_EQ(out.exit_code, 99);
    EXPECT_EQ(out.output, "Fatal: can't write to output file!\n");
  }
}

TEST(WriteRetunedWave, OutputsBeyondFourGigabytesAreRefused) {
  Settings settings;
  settings.dummy_loop_length = 0x7FFFFFFF;
  const RetuneOutcome out = RetuneImage(LoopLessPipe(), 1.0, settings);
  EXPECT_EQ(out.exit_code, 99);
  EXPECT_EQ(out.output, "Tune in/pipe.wav to out/pipe.wav by factor 1.000000\n"
                        "fatal error: output would exceed the 4 GB size limit of a WAVE file\n");
}

}  // namespace
}  // namespace zelvanor::testing
