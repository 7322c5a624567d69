// The output stage: where a position lands, and each chunk kind rewritten,
// copied or left out, the dummy loop, the messages and the fatal cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fuzz/pipeline_exercise.h"
#include "output/map_position.h"
#include "test_support.h"
#include "tuning/tuning_factor.h"

namespace zelvanor::testing {
namespace {

const std::string kInsideTheCut = "fatal error: Illegal computation of a position within removed sample-area\n";

// The end-to-end tests compute their expectations with MapPosition, so it
// is pinned here by worked values.
TEST(MapPositionTest, DividesRoundsHalvesUpAndMovesPastTheCut) {
  const CutRegion none, cut{50010, 99990};  // loop end 50000, release at 100000
  const struct {
    std::uint32_t position;
    double factor;
    CutRegion cut;
    std::int64_t expected;  // -1: fatal
  } rows[] = {{1, 2.0, none, 1}, {2, 2.0, none, 1}, {3, 2.0, none, 2}, {1001, 2.0, none, 501}, {3, 0.5, none, 6},
              {50010, 1.0, cut, 50010}, {99990, 1.0, cut, 50010}, {100000, 2.0, cut, 25010}, {50011, 1.0, cut, -1},
              {99989, 1.0, cut, -1}, {0xFFFFFFFF, 0.2, none, 21474836475 & 0xFFFFFFFF}};  // the low 32 bits
  for (const auto& row : rows) {
    Outcome outcome;
    std::int64_t mapped = -1;
    Capture(outcome, [&] { mapped = MapPosition(row.position, row.factor, row.cut); });
    EXPECT_EQ(mapped, row.expected) << row.position << " / " << row.factor;
    EXPECT_EQ(outcome.output, row.expected < 0 ? kInsideTheCut : "");
  }
  EXPECT_EQ(ScaleLength(44101, 2.0), 22051u);
  EXPECT_EQ(ScalePosition(5, 0.0), INT64_MAX);  // a factor outside the driver's range stays defined
}

const Format kMono{};

Bytes Header(const std::string& id, std::uint32_t size) { return Chunk(id, {}, size); }
Bytes Cues(const std::vector<CuePoint>& cues) { return Chunk("cue ", CueBody(cues)); }
Bytes Pipe(std::uint32_t frames) { return WaveBuilder().Fmt(kMono).Data(Tone(frames, 1, 16)).Build(); }
// Loop 40000-50000, release at 100000 (frames 50010 to 99989 are cut), and
// a third cue point whose dwPosition is `extra`.
Bytes Released(std::uint32_t extra) {
  return WaveBuilder().Fmt(kMono).Data(Tone(200, 1, 16))
      .Cue({{.id = 1}, {.id = 2, .offset = 100000}, {.id = 3, .position = extra}})
      .Smpl({{.start = 40000, .end = 50000}}).Build();
}
Bytes Unknowns() {
  return WaveBuilder().Fmt(kMono).Unknown("fact", {1, 0, 0, 0}).Unknown("odd!", {1, 2, 3, 4, 5})
      .List("INFO", {Chunk("ISFT", {'a', 'b', 0})}).Build();
}
// A smpl chunk stating note + fraction, with a loop of 800 frames (its
// first 28 bytes when `head`), and a pipe whose audio that loop lies in.
Bytes Stating(std::uint32_t note, std::uint32_t fraction, bool head = true) {
  const Bytes chunk = Chunk("smpl", SmplBody({{.start = 100, .end = 899}}, {}, {0, 0, 22675, note, fraction, 0, 0}));
  return head ? Truncated(chunk, 28) : chunk;
}
Bytes PipeStating(std::uint32_t note, std::uint32_t fraction) {
  return WaveBuilder().Fmt(kMono).Data(Tone(1000, 1, 16)).Add(Stating(note, fraction, false)).Build();
}
Bytes WithList(const Bytes& list) { return WaveBuilder().Fmt(kMono).Data(Tone(6, 1, 16)).Add(list).Build(); }
// An adtl list whose ltxt sub-chunk claims `size` bytes of which it holds `body`.
Bytes LtxtCutOff(std::uint32_t size, const Bytes& body) {
  return Chunk("LIST", Cat({ListBody("adtl", {Labl(1, "ab")}), Header("ltxt", size), body}));
}

// The same, cut one byte into the header of its ltxt sub-chunk (the size is then odd: a pad byte follows).
Bytes CutHeader(std::uint32_t size) {
  return Chunk("LIST", Cat({ListBody("adtl", {Labl(1, "ab")}), Truncated(Header("ltxt", size), 7)}));
}

TEST(WriteRetunedWave, EachChunkKind) {
  const SourceAnalysis stated = AnalysisFor(16, 1);
  const Bytes extra = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const Bytes junk = WaveBuilder().Fmt(kMono).Data(Tone(10, 1, 16)).Unknown("junk", {1, 2, 3, 4, 5, 6, 7}, 100).Build();
  const Bytes stereo = WaveBuilder().Fmt({.channels = 2}).Data(Tone(50, 2, 16)).Build();
  const Bytes list = Cat({ListBody("adtl", {}), Header("labl", 5), {1, 0, 0, 0, 0}});
  const Settings quiet = Verbose(0), dummy{.verbosity = 0, .dummy_loop_length = 500};
  const Settings whole{.verbosity = 2, .quality = 3};
  const auto looped = [](std::uint32_t start, std::uint32_t end) {
    return WaveBuilder().Fmt(kMono).Data(Tone(1000, 1, 16)).Smpl({{.start = start, .end = end}}).Build();
  };
  const std::uint32_t third = 1u << 27;  // of the fraction: 3.125 cents
  const Bytes none_then_60 = WaveBuilder().Fmt(kMono).Data(Tone(1000, 1, 16)).Add(Stating(0, 0, false))
      .Add(Stating(60, 0, false)).Build();
  const struct {
    std::string name;
    Bytes image;
    Bytes expected;  // bytes the output holds: whole chunks, or the whole file
    int exit_code = 0;
    Settings settings = Verbose(0);
    double factor = 1.0;
    std::uint64_t limit = UINT64_MAX;
    const SourceAnalysis* stated = nullptr;  // the analysis, when not the image's own
    std::optional<double> target = {};       // A=: MIDI cents
  } rows[] = {
      {"every fmt goes out with the last one's body", WaveBuilder().Fmt(kMono).Data(Tone(10, 1, 16))
           .Fmt({.rate = 22050}).Build(), Cat({Chunk("fmt ", FmtBody({.rate = 22050})), Header("data", 20)})},
      {"cue positions mapped, the rest kept", WaveBuilder().Fmt(kMono).Data(Tone(2000, 1, 16)).Cue({{.id = 0},
           {.id = 1, .position = 7, .offset = 1, .chunk = "slnt"}, {.id = 2, .offset = 2}, {.id = 3, .offset = 3},
           {.id = 4, .offset = 1001, .block_start = 9}}).Build(),
       Cues({{.id = 0}, {.id = 1, .position = 4, .offset = 1, .chunk = "slnt"}, {.id = 2, .offset = 1},
             {.id = 3, .offset = 2}, {.id = 4, .offset = 501, .block_start = 9}}), 0, Verbose(4), 2.0},
      {"positions behind the cut move down by its length", Released(99990), Cat({Cues({{.id = 1},
           {.id = 2, .offset = 50020}, {.id = 3, .position = 50010}}), Chunk("smpl", SmplBody({{.start = 40000,
           .end = 50000}}))})},
      {"U keeps every position", Released(50011),
       Cues({{.id = 1}, {.id = 2, .offset = 100000}, {.id = 3, .position = 50011}}), 0,
       {.verbosity = 0, .keep_unused_part = true}},
      {"a position inside the cut", Released(50011), {}, 99},
      {"smpl loops mapped, sampler data and pad byte kept", WaveBuilder().Fmt(kMono).Data(Tone(100, 1, 16))
           .Smpl({{.id = 3, .type = 7, .start = 10, .end = 31, .fraction = 5}}, extra).Unknown("fact", {1, 0, 0, 0})
           .Build(), Cat({Chunk("smpl", SmplBody({{.id = 3, .type = 7, .start = 5, .end = 16, .fraction = 5}},
           extra, {0, 0, 22675, 72, 0, 0, 0})), Chunk("fact", {1, 0, 0, 0})}), 0, Verbose(4), 2.0},
      {"sampler data untold at V=3", WaveBuilder().Fmt(kMono).Smpl({}, {9}).Build(), {}, 0, Verbose(3)},
      // Q=3 keeps a loop whole from 64 frames on, when it runs forwards inside the audio.
      {"64 frames ending on the last", looped(936, 999), {}, 0, whole, 1.5},
      {"63 frames", looped(937, 999), {}, 0, whole, 1.5},
      {"past the audio", looped(937, 1000), {}, 0, whole, 1.5},
      {"backwards", looped(200, 100), {}, 0, whole, 1.5},
      {"a bare RIFF header goes out as it is", WaveBuilder().Build(), WaveBuilder().Build(), 0, quiet},
      {"Q=4 is the default kernel", looped(936, 999), {}, 0, {.verbosity = 2, .quality = 4}, 1.5},
      // The stated pitch moves by the cents of the factor the audio was resampled by.
      {"+100 cents: a note up", PipeStating(67, third), Stating(68, third - 3), 0, Verbose(3), CentsToFactor(100)},
      {"-50 cents: across a note down", PipeStating(67, third), Stating(66, 2281701378), 0, quiet, CentsToFactor(-50)},
      {"a fraction rounding to 2^32 is the next note", PipeStating(60, 3), Stating(61, 0), 0, quiet,
       CentsToFactor(100)},
      {"factor 0.5", PipeStating(67, third), Stating(55, third), 0, quiet, 0.5},
      {"factor 2", PipeStating(60, 1), Stating(72, 1), 0, quiet, 2.0},
      {"Q=3: the factor that keeps the loop whole, 800/533", PipeStating(67, third), Stating(74, 264671365), 0,
       {.verbosity = 0, .quality = 3}, 1.5},
      {"a second smpl chunk moves by the same interval", WaveBuilder().Fmt(kMono).Data(Tone(1000, 1, 16))
           .Add(Stating(79, third, false)).Add(Stating(60, 0, false)).Build(), Stating(91, third), 0, quiet, 2.0},
      {"0/0 states no pitch and stays", PipeStating(0, 0), Stating(0, 0), 0, quiet, 2.0},
      {"also beside a chunk that states one", none_then_60, Stating(0, 0), 0, quiet, 2.0},
      {"A= states the target in both", none_then_60, Cat({Stating(69, 0, false), Stating(69, 0, false)}), 0, quiet,
       1.0, UINT64_MAX, nullptr, 6900.0},
      {"P=0 keeps the statement", PipeStating(67, third), Stating(67, third), 0,
       {.verbosity = 0, .update_stated_pitch = false}, 2.0},
      {"a carry into note 128 stays, with a warning", PipeStating(127, 3), Stating(127, 3), 0, Verbose(1),
       CentsToFactor(100)},
      {"below note 0 as well", PipeStating(10, 0), Stating(10, 0), 0, Verbose(1), 0.2},
      {"and quietly at V=0", PipeStating(10, 0), Stating(10, 0), 0, quiet, 0.2},
      // A cut is not taken out of a text region: its length keeps the duration.
      {"text lengths divided", WaveBuilder().Fmt(kMono).Data(Tone(10, 1, 16)).Cue({{.id = 1}, {.id = 2,
           .offset = 60000}}).Smpl({{.end = 1000}}).Adtl({Labl(1, "attack"), Note(2, "rel"), Ltxt(1, 44100),
           Ltxt(2, 44101, "mark", "text"), Chunk("fill", {9, 9, 9})}).Build(),
       Chunk("LIST", ListBody("adtl", {Labl(1, "attack"), Note(2, "rel"), Ltxt(1, 22050), Ltxt(2, 22051, "mark",
           "text"), Chunk("fill", {9, 9, 9})})), 0, Verbose(3), 2.0},
      {"unknown chunks and lists copied", Unknowns(), Unknowns(), 0, Verbose(3)},
      {"X leaves them out", Unknowns(), WaveBuilder().Fmt(kMono).Build(), 0,
       {.verbosity = 3, .copy_unknown_chunks = false}},
      {"a dummy loop for a source without one", Pipe(1000), Cat({Cues({{.id = 1, .offset = 1000}, {.id = 2,
           .offset = 1500}}), Chunk("smpl", SmplBody({{.id = 1, .start = 1000, .end = 1499}}))}), 0,
       {.verbosity = 4, .dummy_loop_length = 500}},
      {"its silence", Pipe(1000), Header("data", 3000), 0, dummy},
      {"none beside a loop", Released(0), Header("data", 400), 0, dummy},
      {"none of a negative length", Pipe(1000), Cat({Header("RIFF", 4 + 24 + 8 + 2000), {'W', 'A', 'V', 'E'}}), 0,
       {.verbosity = 0, .dummy_loop_length = -5}},
      {"one beside cue points", WaveBuilder().Fmt(kMono).Data(Tone(1000, 1, 16)).Cue({{.id = 1, .offset = 10}})
           .Build(), Cat({Cues({{.id = 1, .offset = 10}}), Cues({{.id = 1, .offset = 1000}, {.id = 2,
           .offset = 1500}})}), 0, dummy},
      {"a chunk cut off by the file's end goes out whole, with a zero pad byte", Truncated(junk, junk.size() - 1),
       Chunk("junk", {1, 2, 3, 4, 5, 6, 7})},
      {"a data chunk cut mid-frame counts what is written", Truncated(stereo, stereo.size() - 101),
       Header("data", 24 * 4)},
      {"an adtl sub-chunk cut by its list's end gets the size it has", WithList(LtxtCutOff(20, {1, 0, 0, 0, 7, 0})),
       LtxtCutOff(6, {1, 0, 0, 0, 7, 0})},
      {"nor the list's pad byte", WithList(LtxtCutOff(20, {1, 0, 0, 0, 7})), LtxtCutOff(5, {1, 0, 0, 0, 7})},
      {"a header cut by the list's end, the pad byte in its last place", WithList(CutHeader(20)), CutHeader(0)},
      {"a tail too short for a sub-chunk is left out, the list shrinking",
       WithList(Chunk("LIST", Cat({ListBody("adtl", {Labl(1, "ab")}), {1, 2, 3}}))),
       Chunk("LIST", ListBody("adtl", {Labl(1, "ab")}))},
      {"a sound list of odd size goes out byte for byte", WithList(Chunk("LIST", list)), Chunk("LIST", list)},
      // The writers guard their own reads: with an analysis stated by hand,
      // which has not refused them, inconsistent chunks reach them.
      {"the cue writer's own size check", WaveBuilder().Fmt(kMono).Cue({{.id = 1}}, {}, 40).Build(), {}, 99, quiet,
       1.0, UINT64_MAX, &stated},
      {"the smpl writer's own loop check", WaveBuilder().Fmt(kMono).Smpl({{.end = 5}}, {}, {}, 2).Build(), {}, 99,
       quiet, 1.0, UINT64_MAX, &stated},
      {"the smpl writer's own header check", WaveBuilder().Fmt(kMono).Add(Chunk("smpl", Bytes(20, 0))).Build(), {},
       99, quiet, 1.0, UINT64_MAX, &stated},
      {"a failed write", Pipe(1000), {}, 99, quiet, 1.0, 900},
      {"an output beyond 4 GB", Pipe(1000), {}, 99, {.verbosity = 0, .dummy_loop_length = 0x7FFFFFFF}},
      {"a RIFF size of 2^32 - 1 fits (then the sink fails)", WaveBuilder().Fmt(kMono, 1, false).Data(Tone(10, 1,
           16)).Build(), {}, 99, {.verbosity = 0, .dummy_loop_length = 2147483619}, 1.0, 900},
      {"but not with the pad byte of odd audio", WaveBuilder().Fmt({.bits = 24}).Data(Tone(11, 1, 24)).Build(), {}, 99,
       {.verbosity = 0, .dummy_loop_length = 1431655742}, 1.0, 900},
  };
  // Everything printed, held by one digest and shown in full on a change.
  std::string transcript;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Outcome out = RetuneImage(row.image, row.factor, row.settings, row.limit, row.stated, row.target);
    EXPECT_EQ(out.exit_code.value_or(0), row.exit_code) << out.output;
    EXPECT_TRUE(row.expected.empty() || !std::ranges::search(out.bytes, row.expected).empty());
    EXPECT_EQ(out.exit_code ? "" : Quietly([&] { return fuzzing::CheckRetunedFile(out.bytes); }), "");
    transcript += Transcribed(row.name, "--- " + row.name + "\n" + out.output);
  }
  EXPECT_EQ(Digest(transcript), "9a0e8051674a7054") << transcript;
}

}  // namespace
}  // namespace zelvanor::testing
