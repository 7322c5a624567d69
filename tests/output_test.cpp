// The output stage: where a position lands, and each chunk kind rewritten,
// copied or left out, the dummy loop, the messages and the fatal cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/pipeline_exercise.h"
#include "output/map_position.h"
#include "test_support.h"

namespace zelvanor::testing {
namespace {

const Format kMono16{};

// The expectations of retune_end_to_end and the interop tests are computed
// with MapPosition, so it is pinned here by worked values.
TEST(MapPositionTest, DividesRoundsHalvesUpAndMovesPastTheCut) {
  const CutRegion none, cut{50010, 99990};  // loop end 50000, release at 100000
  const struct {
    std::uint32_t position;
    double factor;
    CutRegion cut;
    std::int64_t expected;  // -1: fatal
  } rows[] = {
      {1, 2.0, none, 1}, {2, 2.0, none, 1}, {3, 2.0, none, 2}, {1001, 2.0, none, 501}, {3, 0.5, none, 6},
      {50000, 1.0, cut, 50000}, {50010, 1.0, cut, 50010}, {99990, 1.0, cut, 50010}, {100000, 1.0, cut, 50020},
      {100000, 2.0, cut, 25010}, {50011, 1.0, cut, -1}, {99989, 1.0, cut, -1},
      // 0xFFFFFFFF / 0.2 needs 35 bits; the stored field keeps the low 32.
      {0xFFFFFFFFu, 0.2, none, 21474836475 & 0xFFFFFFFF},
  };
  for (const auto& row : rows) {
    Outcome outcome;
    std::int64_t mapped = -1;
    Capture(outcome, [&] { mapped = MapPosition(row.position, row.factor, row.cut); });
    EXPECT_EQ(mapped, row.expected) << row.position << " / " << row.factor;
    if (row.expected < 0) {
      EXPECT_EQ(outcome.output, "fatal error: Illegal computation of a position within removed sample-area\n");
    }
  }
  EXPECT_EQ(ScaleLength(44101, 2.0), 22051u);
  EXPECT_EQ(ScalePosition(5, 0.0), INT64_MAX);  // a factor outside the driver's range stays defined
}

Bytes Header(const std::string& id, std::uint32_t size) { return Chunk(id, {}, size); }
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) PutBytes(out, part);
  return out;
}

// Loop 40000-50000 and the release at 100000 (frames 50010 to 99989 are
// cut); a third cue point carries `extra_position` in dwPosition.
Bytes PipeWithRelease(std::uint32_t extra_position) {
  return WaveBuilder()
      .Fmt(kMono16)
      .Data(Tone(200, 1, 16))
      .Cue({{.id = 1, .offset = 0}, {.id = 2, .offset = 100000}, {.id = 3, .position = extra_position, .offset = 0}})
      .Smpl({{.start = 40000, .end = 50000}})
      .Build();
}
Bytes LoopLess() { return WaveBuilder().Fmt(kMono16).Data(Tone(1000, 1, 16)).Build(); }
Bytes Unknowns() {
  return WaveBuilder()
      .Fmt(kMono16)
      .Unknown("fact", {1, 0, 0, 0})
      .Unknown("odd!", {1, 2, 3, 4, 5})
      .List("INFO", {Chunk("ISFT", {'a', 'b', 0})})
      .Build();
}
Bytes WithList(const Bytes& body) { return WaveBuilder().Fmt(kMono16).Data(Tone(6, 1, 16)).Add(body).Build(); }
// An adtl list whose last sub-chunk claims more than the list holds.
Bytes CutSubChunk(std::uint32_t size_field, const Bytes& body) {
  return Chunk("LIST", Cat({ListBody("adtl", {Labl(1, "ab")}), Header("ltxt", size_field), body}));
}

struct Row {
  std::string name;
  Bytes image;
  Settings settings{.verbosity = 0};
  double factor = 1.0;
  Bytes expected = {};  // bytes the output holds somewhere (whole chunks, or the whole file)
  std::string text = "";  // a part of what was printed
  int exit_code = 0;
  std::uint64_t limit = UINT64_MAX;
  const SourceAnalysis* stated = nullptr;  // the analysis, when not the image's own
};

TEST(WriteRetunedWave, EachChunkKind) {
  const SourceAnalysis mono16 = AnalysisFor(16, 1);
  const Bytes extra = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const Bytes truncated = WaveBuilder().Fmt(kMono16).Data(Tone(10, 1, 16)).Unknown("junk", {1, 2, 3, 4, 5, 6, 7}, 100).Build();
  const Bytes stereo = WaveBuilder().Fmt({.channels = 2}).Data(Tone(50, 2, 16)).Build();
  const Row rows[] = {
      {.name = "fmt by its size alone, then odd data padded",
       .image = WaveBuilder().Fmt({.bits = 24}, 1, false).Data(Tone(1001, 1, 24)).Build(),
       .expected = Cat({Chunk("fmt ", FmtBody({.bits = 24}, 1), {}, false), Header("data", 3003)})},
      {.name = "every fmt goes out with the last one's body",
       .image = WaveBuilder().Fmt({.rate = 44100}).Data(Tone(10, 1, 16)).Fmt({.rate = 22050}).Build(),
       .expected = Cat({Chunk("fmt ", FmtBody({.rate = 22050})), Header("data", 20)})},
      {.name = "cue positions mapped, the rest kept",
       .image = WaveBuilder()
                    .Fmt(kMono16)
                    .Data(Tone(2000, 1, 16))
                    .Cue({{.id = 0, .offset = 0}, {.id = 1, .position = 7, .offset = 1, .chunk = "slnt"},
                          {.id = 2, .offset = 2}, {.id = 3, .offset = 3}, {.id = 4, .offset = 1001, .block_start = 9}})
                    .Build(),
       .settings = Verbose(4),
       .factor = 2.0,
       .expected = Chunk("cue ", CueBody({{.id = 0, .offset = 0}, {.id = 1, .position = 4, .offset = 1, .chunk = "slnt"},
                                          {.id = 2, .offset = 1}, {.id = 3, .offset = 2},
                                          {.id = 4, .offset = 501, .block_start = 9}})),
       .text = "5 cue-points:\n  CUE POINT 0 POS 0 Offset=0\n  CUE POINT 1 POS 4 Offset=1\n"},
      {.name = "positions behind the cut move down by its length",
       .image = PipeWithRelease(99990),
       .expected = Cat({Chunk("cue ", CueBody({{.id = 1, .offset = 0}, {.id = 2, .offset = 50020},
                                               {.id = 3, .position = 50010, .offset = 0}})),
                        Chunk("smpl", SmplBody({{.start = 40000, .end = 50000}}))})},
      {.name = "U keeps every position",
       .image = PipeWithRelease(50011),
       .settings = {.verbosity = 0, .keep_unused_part = true},
       .expected = Chunk("cue ", CueBody({{.id = 1, .offset = 0}, {.id = 2, .offset = 100000},
                                          {.id = 3, .position = 50011, .offset = 0}}))},
      {.name = "a position inside the cut",
       .image = PipeWithRelease(50011),
       .text = "fatal error: Illegal computation of a position within removed sample-area\n",
       .exit_code = 99},
      {.name = "smpl loops mapped, sampler data and pad byte kept",
       .image = WaveBuilder()
                    .Fmt(kMono16)
                    .Data(Tone(100, 1, 16))
                    .Smpl({{.id = 3, .type = 7, .start = 10, .end = 31, .fraction = 5}}, extra)
                    .Unknown("fact", {1, 0, 0, 0})
                    .Build(),
       .settings = Verbose(4),
       .factor = 2.0,
       .expected = Cat({Chunk("smpl", SmplBody({{.id = 3, .type = 7, .start = 5, .end = 16, .fraction = 5}}, extra)),
                        Chunk("fact", {1, 0, 0, 0})}),
       .text = "  SAMPLE LOOP 3 TYPE=7? Start=5, End=16, Fraction=5\nskipping 10 bytes additional data\n"},
      {.name = "text lengths divided, not cut",
       .image = WaveBuilder()
                    .Fmt(kMono16)
                    .Data(Tone(10, 1, 16))
                    .Cue({{.id = 1, .offset = 0}, {.id = 2, .offset = 60000}})
                    .Smpl({{.end = 1000}})
                    .Adtl({Labl(1, "attack"), Note(2, "rel"), Ltxt(1, 44100), Ltxt(2, 44101, "mark", "text"),
                           Chunk("fill", {9, 9, 9})})
                    .Build(),
       .settings = Verbose(3),
       .factor = 2.0,
       .expected = Chunk("LIST", ListBody("adtl", {Labl(1, "attack"), Note(2, "rel"), Ltxt(1, 22050),
                                                   Ltxt(2, 22051, "mark", "text"), Chunk("fill", {9, 9, 9})})),
       .text = "  LABEL  1 \"attack\"\n  NOTE   2 \"rel\"\n  LTXT   1 22050 Samples, Purpose=rgn \n"
               "  LTXT   2 22051 Samples, Purpose=mark\n  fill length 3\n"},
      {.name = "unknown chunks and lists copied",
       .image = Unknowns(),
       .settings = Verbose(3),
       .expected = Unknowns(),
       .text = "copy unknown chunk fact of size 4\ncopy unknown chunk odd! of size 5\ncopy unknown LIST of length 16\n"},
      {.name = "X leaves them out",
       .image = Unknowns(),
       .settings = {.verbosity = 3, .copy_unknown_chunks = false},
       .expected = WaveBuilder().Fmt(kMono16).Build(),
       .text = "dont copy unknown chunk fact of size 4\ndont copy unknown chunk odd! of size 5\n"
               "don't copy unknown LIST of length 16\n"},
      {.name = "a dummy loop for a source without one",
       .image = LoopLess(),
       .settings = {.verbosity = 4, .dummy_loop_length = 500},
       .expected = Header("data", 3000),
       .text = "  SAMPLE LOOP 1 FORWARD Start=1000, End=1499\n"},
      {.name = "the dummy loop's chunks",
       .image = LoopLess(),
       .settings = {.verbosity = 0, .dummy_loop_length = 500},
       .expected = Cat({Chunk("cue ", CueBody({{.id = 1, .offset = 1000}, {.id = 2, .offset = 1500}})),
                        Chunk("smpl", SmplBody({{.id = 1, .start = 1000, .end = 1499}}))})},
      {.name = "no dummy loop beside a loop",
       .image = PipeWithRelease(0),
       .settings = {.verbosity = 0, .dummy_loop_length = 500},
       .expected = Header("data", 400)},
      {.name = "a dummy loop beside cue points",
       .image = WaveBuilder().Fmt(kMono16).Data(Tone(1000, 1, 16)).Cue({{.id = 1, .offset = 10}}).Build(),
       .settings = {.verbosity = 0, .dummy_loop_length = 500},
       .expected = Cat({Chunk("cue ", CueBody({{.id = 1, .offset = 10}})),
                        Chunk("cue ", CueBody({{.id = 1, .offset = 1000}, {.id = 2, .offset = 1500}}))})},
      {.name = "no dummy loop of a negative length",
       .image = LoopLess(),
       .settings = {.verbosity = 0, .dummy_loop_length = -5},
       .expected = Cat({Header("RIFF", 4 + 24 + 8 + 2000), {'W', 'A', 'V', 'E'}})},
      {.name = "a chunk cut off by the file's end goes out whole, with a zero pad byte",
       .image = Truncated(truncated, truncated.size() - 1),
       .expected = Chunk("junk", {1, 2, 3, 4, 5, 6, 7})},
      {.name = "a data chunk cut mid-frame counts what is written",
       .image = Truncated(stereo, stereo.size() - 101),
       .expected = Header("data", 24 * 4)},
      {.name = "an adtl sub-chunk cut by its list's end gets the size it has",
       .image = WithList(CutSubChunk(20, {1, 0, 0, 0, 7, 0})),
       .expected = CutSubChunk(6, {1, 0, 0, 0, 7, 0})},
      {.name = "an adtl sub-chunk cut by its list's end never takes the list's pad byte",
       .image = WithList(CutSubChunk(20, {1, 0, 0, 0, 7})),
       .expected = CutSubChunk(5, {1, 0, 0, 0, 7})},
      {.name = "a tail too short for a sub-chunk is left out, the list shrinking",
       .image = WithList(Chunk("LIST", Cat({ListBody("adtl", {Labl(1, "ab"), Note(1, "n")}), {1, 2, 3}}))),
       .expected = Chunk("LIST", ListBody("adtl", {Labl(1, "ab"), Note(1, "n")}))},
      {.name = "a sound list of odd size goes out byte for byte",
       .image = WithList(Chunk("LIST", Cat({ListBody("adtl", {}), Header("labl", 5), {1, 0, 0, 0, 0}}))),
       .expected = Chunk("LIST", Cat({ListBody("adtl", {}), Header("labl", 5), {1, 0, 0, 0, 0}}))},
      // The writers guard their own reads: with an analysis stated by hand,
      // which has not refused them, inconsistent chunks reach them.
      {.name = "the cue writer's own size check",
       .image = WaveBuilder().Fmt(kMono16).Cue({{.id = 1}}, {}, 40).Build(),
       .text = "fatal error - size of cue chunk\n",
       .exit_code = 99,
       .stated = &mono16},
      {.name = "the smpl writer's own loop check",
       .image = WaveBuilder().Fmt(kMono16).Smpl({{.end = 5}}, {}, {}, 2).Build(),
       .text = "not enough data for SampleLoop\n",
       .exit_code = 99,
       .stated = &mono16},
      {.name = "the smpl writer's own header check",
       .image = WaveBuilder().Fmt(kMono16).Add(Chunk("smpl", Bytes(20, 0))).Build(),
       .text = "fatal error: in/pipe.wav: smpl chunk of 20 bytes is too short for its 36-byte header\n",
       .exit_code = 99,
       .stated = &mono16},
      {.name = "a failed write", .image = LoopLess(), .text = "Fatal: can't write to output file!\n",
       .exit_code = 99, .limit = 900},
      {.name = "a failed first write", .image = LoopLess(), .text = "Fatal: can't write to output file!\n",
       .exit_code = 99, .limit = 0},
      {.name = "an output beyond 4 GB",
       .image = LoopLess(),
       .settings = {.verbosity = 0, .dummy_loop_length = 0x7FFFFFFF},
       .text = "fatal error: output would exceed the 4 GB size limit of a WAVE file\n",
       .exit_code = 99},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Outcome out = RetuneImage(row.image, row.factor, row.settings, row.limit, row.stated);
    EXPECT_EQ(out.exit_code.value_or(0), row.exit_code) << out.output;
    EXPECT_TRUE(row.expected.empty() ||
                std::search(out.bytes.begin(), out.bytes.end(), row.expected.begin(), row.expected.end()) !=
                    out.bytes.end());
    EXPECT_NE(out.output.find(row.text), std::string::npos) << out.output;
    EXPECT_EQ(out.exit_code ? "" : Quietly([&] { return fuzzing::CheckRetunedFile(out.bytes); }), "");
  }
}

TEST(WriteRetunedWave, AnnouncementByVerbosity) {
  const Bytes image = WaveBuilder().Fmt(kMono16).Data(Tone(10, 1, 16)).Build();
  EXPECT_EQ(RetuneImage(image, 2.0, Verbose(0)).output, "");
  EXPECT_EQ(RetuneImage(image, 2.0, Verbose(-1)).output, "Tune in/pipe.wav to out/pipe.wav by factor 2.000000\n");
  EXPECT_EQ(RetuneImage(image, 2.0, Verbose(4)).output,
            "\n********* Generate new file out/pipe.wav tuning by factor 2.000000 *****\n"
            "data chunk 5 Samples, 0.000113 Seconds\n");
  // Read back, a dummy loop is the sustain loop and its second cue point the release.
  const Outcome again = AnalyseImage(RetuneImage(LoopLess(), 1.0, {.verbosity = 0, .dummy_loop_length = 500}).bytes);
  ASSERT_TRUE(again.analysis);
  EXPECT_EQ(again.analysis->loop_end, 1499u);
  EXPECT_EQ(again.analysis->release_start, 1500u);
}

}  // namespace
}  // namespace zelvanor::testing
