// The analysis: what it tells the user about each chunk, what it records
// for the output stage, the cut it proposes and the frames it dumps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "wave/analysis_steps.h"

namespace zelvanor::testing {
namespace {

const std::string kBanner = "*************** Analyzing Sourcefile pipe.wav ****************************\n";
const std::string kDataLine = "data chunk 100 Samples, 0.002268 Seconds\n";
const std::string kCompressed =
    "fatal error: cannot work with compressed datafiles or Bits/sample other than 16Bit or 24Bit\n";
const std::string kCueSize = "fatal error - size of cue chunk\n";

// 100 frames of 16-bit mono silence.
WaveBuilder Pipe() { return WaveBuilder().Fmt({}).Data(Bytes(200, 0)); }

// What a run printed after the banner, and after the data line of Pipe().
std::string Shown(const Outcome& outcome) {
  std::string text = outcome.output.starts_with(kBanner) ? outcome.output.substr(kBanner.size()) : outcome.output;
  const std::size_t data = text.find(kDataLine);
  return data == std::string::npos ? text : text.substr(data + kDataLine.size());
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(AnalysisTest, WhatItSays) {
  const std::vector<CuePoint> two = {{.id = 1, .offset = 10}, {.id = 2, .offset = 20}};
  Bytes padded_cue = CueBody(two);
  padded_cue.push_back(0);
  Bytes purpose_with_zero = WaveBuilder().Adtl({Ltxt(2, 7, "ab")}).Build();
  purpose_with_zero[12 + 8 + 4 + 8 + 10] = 0;  // "ab\0 "
  Bytes three_bytes_left = Pipe().Build();
  three_bytes_left.insert(three_bytes_left.end(), {0, 0, 0});
  const Bytes bytes = {0x00, 0x1f, 0x20, 0x41, 0x7e, 0x7f, 0x80, 0xff, '0', '1', '2', '3', '4', '5', '6', '7', 'x', 'y'};
  const struct {
    std::string name;
    Bytes image;
    int verbosity;
    std::string text;
    int exit_code = 0;
  } rows[] = {
      {"not RIFF", WaveBuilder("RIFX").Build(), 0, "pipe.wav is not a RIFF-file\n"},
      {"not WAVE", WaveBuilder("RIFF", "AVI ").Build(), 3, "Dataformat of pipe.wav is not WAVE-fmt\n"},
      {"empty", {}, 0, "pipe.wav is too short for a RIFF/WAVE file (0 bytes)\n"},
      {"11 bytes", Truncated(WaveBuilder().Build(), 11), 0, "pipe.wav is too short for a RIFF/WAVE file (11 bytes)\n"},
      {"no chunks, nothing to dump", WaveBuilder("RIFF", "WAVE", 4).Build(), 5, ""},
      {"the format", WaveBuilder().Fmt({.channels = 2, .rate = 48000, .bits = 24}).Build(), 3,
       "SAMPLE FORMAT PCM STEREO Rate 48000 Samples/Sec 24 Bits/Sample\n"},
      {"the format, quietly", WaveBuilder().Fmt({.channels = 2}).Build(), 2, ""},
      {"five channels end the run mid-line", WaveBuilder().Fmt({.channels = 5}).Build(), 3,
       "SAMPLE FORMAT PCM 5 Channelfatal error: cannot work with more than 4 channels\n", 99},
      {"no channels", WaveBuilder().Fmt({.channels = 0}).Build(), 3,
       "SAMPLE FORMAT PCM 0 Channelfatal error: pipe.wav: cannot work with 0 channels\n", 99},
      {"8 bits", WaveBuilder().Fmt({.bits = 8}).Build(), 3,
       "SAMPLE FORMAT PCM MONO Rate 44100 Samples/Sec 8 Bits/Sample\n" + kCompressed, 99},
      {"floats", WaveBuilder().Fmt({.format_tag = 3, .channels = 4}).Build(), 3,
       "SAMPLE FORMAT 3? 4 Channel Rate 44100 Samples/Sec 16 Bits/Sample\n" + kCompressed, 99},
      {"32 bits", WaveBuilder().Fmt({.bits = 32}).Build(), 0, kCompressed, 99},
      {"a format without its fields", WaveBuilder().Add(Chunk("fmt ", Truncated(FmtBody({}), 14))).Build(), 3,
       "fatal error: pipe.wav: fmt chunk of 14 bytes is too short to describe the format\n", 99},
      {"a sample rate of 0", WaveBuilder().Fmt({.rate = 0}).Data(Pcm({1, 2}, 16)).Build(), 3,
       "SAMPLE FORMAT PCM MONO Rate 0 Samples/Sec 16 Bits/Sample\nWarning: pipe.wav: the fmt chunk gives a sample "
       "rate of 0; durations are shown as 0 seconds\ndata chunk 2 Samples, 0.000000 Seconds\n"},
      {"data before fmt", WaveBuilder().Data(Pcm({1, 2}, 16)).Fmt({}).Build(), 3,
       "Fatal: no fmt-chunk found describing data chunk\n", 99},
      {"bytes left over", WaveBuilder().Fmt({.channels = 2, .bits = 24}).Data(Bytes(601, 0)).Build(), 0,
       "length of data chunk must be divisible by Bytes per Sample\n"},
      {"a partial frame", WaveBuilder().Fmt({.channels = 2, .bits = 24}).Data(Bytes(603, 0)).Build(), 0,
       "data segment must contain complete samples\n"},
      {"a recorder's placeholder size", WaveBuilder().Fmt({.channels = 2}).Data(Pcm({1, 2, 3, 4, 5}, 16), ~0u).Build(),
       0, "Warning: pipe.wav: chunk \"data\" declares 4294967295 bytes but only 10 are left in the file; cut at the end"
       " of the file\ndata segment must contain complete samples\n"},
      {"bytes too few for a chunk", three_bytes_left, 0,
       "Warning: pipe.wav: 3 bytes at the end are too few for a chunk header; ignored\n"},
      {"a cue size with a pad byte counted", Pipe().Unknown("cue ", padded_cue).Build(), 0, kCueSize, 99},
      {"a cue count no size can match", Pipe().Cue(two, 0x20000000u).Build(), 0, kCueSize, 99},
      {"a cue chunk without a count", Pipe().Unknown("cue ", {}).Build(), 0, kCueSize, 99},
      {"a cue chunk cut off", Truncated(Pipe().Cue(two).Build(), 12 + 24 + 208 + 8 + 30), 0,
       "Warning: pipe.wav: chunk \"cue \" declares 52 bytes but only 30 are left in the file; cut at the end of the "
       "file\n" + kCueSize, 99},
      {"cue points", Pipe().Cue({{.id = 0, .offset = 10}, {.id = 5, .position = 7, .offset = 50},
                                 {.id = 150, .offset = 90, .chunk = "slnt"}}).Build(), 3,
       "3 cue-points:\n  CUE POINT 0 POS 10 data Offset=10\n  CUE POINT 5 POS 7 data Offset=50\n"
       "  CUE POINT 150 POS 90 slnt Offset=90\n"},
      {"ids beyond the slots", Pipe().Cue({{.id = ~0u, .offset = 1}, {.id = 0x7FFFFFFF, .offset = 2}}).Build(), 3,
       "2 cue-points:\n  CUE POINT -1 POS 1 data Offset=1\n  CUE POINT 2147483647 POS 2 data Offset=2\n"},
      {"a block or chunk start, at any verbosity", Pipe().Cue({{.id = 4, .offset = 9, .chunk_start = 3,
                                                               .block_start = 7}}).Build(), 0,
       "  Error: BlockStart=7, ChunkStart=3\n"},
      {"the sampler and its loops",
       Pipe().Smpl({{.id = 1, .type = 0, .start = 10, .end = 90},
                    {.id = 2, .type = 1, .start = 20, .end = 80, .fraction = 3, .play_count = 4},
                    {.id = 3, .type = 2, .start = 1, .end = 2}, {.id = ~0u, .type = 7, .start = 0x80000000, .end = 3}},
                   {}, {71, 2, 20833, 0, 5, 25, ~0u}).Build(), 3,
       "SAMPLE Manufacturer=71 Product=2 SamplePeriod=20833 MIDI-PitchFraction=5 SMPTE-Format=25 SMPTE-Offset=-1\n"
       "4 Sample-Loops\n  SAMPLE LOOP 1 FORWARD Start=10, End=90\n"
       "  SAMPLE LOOP 2 ALTERNATING Start=20, End=80, Fraction=3, PlayCount=4\n  SAMPLE LOOP 3 BACKWARD Start=1, End=2\n"
       "  SAMPLE LOOP -1 TYPE=7? Start=-2147483648, End=3\n"},
      // One byte of sampler data and the pad byte; the next chunk at body + 62.
      {"sampler data", Pipe().Smpl({{.id = 1, .start = 10, .end = 90}}, {0x55}).Unknown("junk", {}).Build(), 4,
       "SAMPLE MIDI-Notenumber=60\n1 Sample-Loops\n  SAMPLE LOOP 1 FORWARD Start=10, End=90\n"
       "skipping 2 bytes additional data\nUnknown chunk \"junk\" of size 0 - simple copying\n"},
      {"a loop record that does not fit", Pipe().Smpl({{.id = 1, .end = 90}}, {}, {}, 2).Build(), 3,
       "SAMPLE MIDI-Notenumber=60\n2 Sample-Loops\n  SAMPLE LOOP 1 FORWARD Start=0, End=90\n"
       "not enough data for SampleLoop\n", 99},
      {"a smpl chunk without its header", Pipe().Unknown("smpl", Bytes(35, 0)).Build(), 3,
       "fatal error: pipe.wav: smpl chunk of 35 bytes is too short for its 36-byte header\n", 99},
      {"adtl sub-chunks", WaveBuilder().Adtl({Labl(1, "Attack"), Note(1, "n"), Ltxt(1, 44100, "rgn "),
                                             Chunk("file", Bytes(3, 0x41)), Labl(150, "far")}).Build(), 3,
       "Associated Data Chunk LIST of size 94\n  LABEL  1 \"Attack\"\n  NOTE   1 \"n\"\n"
       "  LTXT   1 44100 Samples, Purpose=rgn \n  file length 3\n  LABEL 150 \"far\"\n"},
      {"a purpose shown as text", purpose_with_zero, 3,
       "Associated Data Chunk LIST of size 32\n  LTXT   2 7 Samples, Purpose=  ab\n"},
      {"a text without its zero", WaveBuilder().Adtl({TextSubChunk("labl", 2, "Hold", false)}).Build(), 3,
       "Associated Data Chunk LIST of size 20\nWarning: pipe.wav: labl text of cue point 2 has no terminating zero; "
       "it ends with its sub-chunk\n  LABEL  2 \"Hold\"\n"},
      {"an odd text ended by the pad byte", WaveBuilder().Adtl({TextSubChunk("note", 3, "Rel", false)}).Build(), 0, ""},
      {"sub-chunks without their fields",
       WaveBuilder().Adtl({Chunk("labl", {1, 0}), Chunk("note", {}), Chunk("ltxt", Bytes(19, 0))}).Build(), 3,
       "Associated Data Chunk LIST of size 50\n"
       "Warning: pipe.wav: labl sub-chunk of 2 bytes has no cue point id; ignored\n"
       "Warning: pipe.wav: note sub-chunk of 0 bytes has no cue point id; ignored\n"
       "Warning: pipe.wav: ltxt sub-chunk of 19 bytes is shorter than its 20-byte fixed part; ignored\n"},
      {"a sub-chunk past its list", WaveBuilder().Adtl({Chunk("labl", {3, 0, 0, 0, 'A', 'b', 0, 0}, 40)})
                                        .Cue({{.id = 3, .offset = 1}}).Build(), 3,
       "Associated Data Chunk LIST of size 20\nWarning: pipe.wav: sub-chunk \"labl\" declares 40 bytes but only 8 are "
       "left in its LIST; cut at the end of the LIST\n  LABEL  3 \"Ab\"\n1 cue-points:\n"
       "  CUE POINT 3 POS 1 data Offset=1\n"},
      {"bytes too few for a sub-chunk", WaveBuilder().Adtl({Labl(1, "A"), Bytes{0, 0}}).Build(), 0,
       "Warning: pipe.wav: 2 bytes at the end of a LIST are too few for a sub-chunk header; ignored\n"},
      // Inside a list a sub-chunk called "fmt " is padded like any other.
      {"an odd fmt sub-chunk", WaveBuilder().Adtl({Chunk("fmt ", Bytes(17, 1)), Labl(1, "A")}).Build(), 3,
       "Associated Data Chunk LIST of size 44\n  fmt  length 17\n  LABEL  1 \"A\"\n"},
      {"other lists", WaveBuilder().List("INFO", {Labl(1, "not a label")}).Unknown("LIST", {'a', 'd'}).Build(), 3,
       "unknown LIST of length 28\nunknown LIST of length 2\n"},
      {"an unknown chunk dumped with its pad byte",
       WaveBuilder().Unknown("junk", {'a', 'b', 1, 'c', 'd'}).Unknown("next", {}).Build(), 4,
       "Unknown chunk \"junk\" of size 5 - simple copying\n    61 62 01 63 64 00 " + Repeat("   ", 10) +
           "ab.cd.\nUnknown chunk \"next\" of size 0 - simple copying\n"},
      {"sixteen bytes a line, printables only", WaveBuilder().Unknown("bext", bytes).Build(), 4,
       "Unknown chunk \"bext\" of size 18 - simple copying\n    00 1f 20 41 7e 7f 80 ff 30 31 32 33 34 35 36 37 "
       ".. A~...01234567\n    78 79 " + Repeat("   ", 14) + "xy\n"},
      {"a chunk cut off, dumped as far as it goes", WaveBuilder().Unknown("junk", {'a', 'b', 'c'}, 9).Build(), 4,
       "Warning: pipe.wav: chunk \"junk\" declares 9 bytes but only 4 are left in the file; cut at the end of the file\n"
       "Unknown chunk \"junk\" of size 9 - simple copying\n    61 62 63 00 " + Repeat("   ", 12) + "abc.\n"},
  };
  for (const auto& row : rows) {
    const Outcome outcome = AnalyseImage(row.image, Verbose(row.verbosity));
    EXPECT_EQ(Shown(outcome), row.text) << row.name;
    EXPECT_EQ(outcome.exit_code.value_or(0), row.exit_code) << row.name;
  }
}

std::string TextAt(const Bytes& image, const std::optional<ByteRange>& range) {
  return range ? std::string(image.begin() + range->offset, image.begin() + range->end()) : "<none>";
}

TEST(AnalysisTest, WhatItRecords) {
  // An unpadded 17-byte fmt chunk is walked by its size alone.
  Outcome outcome = AnalyseImage(WaveBuilder().Fmt({}, 1, false).Data(Pcm({1, 2, 3}, 16)).Build());
  ASSERT_TRUE(outcome.analysis && outcome.analysis->data);
  EXPECT_EQ(outcome.analysis->data->offset, 12u + 8 + 17 + 8);
  EXPECT_EQ(outcome.analysis->frame_count, 3);
  // A cue chunk is found behind an odd data chunk's pad byte.
  outcome = AnalyseImage(WaveBuilder().Fmt({.channels = 2, .bits = 24}).Data(Bytes(601, 0)).Cue({{.id = 3}}).Build());
  ASSERT_TRUE(outcome.analysis && outcome.analysis->cues[3].cue_point);
  EXPECT_EQ(outcome.analysis->cues[3].cue_point->offset, 36u + 8 + 601 + 1 + 8 + 4);
  EXPECT_EQ(outcome.analysis->frame_count, 100);
  // Later fmt and data chunks replace earlier ones.
  outcome = AnalyseImage(
      WaveBuilder().Fmt({.channels = 2}).Data(Pcm({1, 2, 3, 4}, 16)).Fmt({}).Data(Pcm({5, 6, 7}, 16)).Build());
  ASSERT_TRUE(outcome.analysis);
  EXPECT_EQ(outcome.analysis->layout.channels, 1);
  EXPECT_EQ(outcome.analysis->frame_count, 3);
  // Cue records by id; ids beyond the slots are not stored.
  outcome = AnalyseImage(Pipe().Cue({{.id = 0}, {.id = 5}, {.id = 150}, {.id = ~0u}}).Build());
  ASSERT_TRUE(outcome.analysis);
  int stored = 0;
  for (const CueSlot& slot : outcome.analysis->cues) stored += slot.cue_point.has_value();
  EXPECT_EQ(stored, 2);
  EXPECT_EQ(outcome.analysis->cues[5].cue_point->offset, 12u + 24 + 208 + 8 + 4 + 24);
  // The texts of labels and notes, without their zeros, and the ltxt body.
  const Bytes adtl = WaveBuilder()
                         .Adtl({Labl(1, "Attack"), Note(1, "n"), Ltxt(1, 44100), TextSubChunk("labl", 2, "Hold", false),
                                Chunk("labl", {3, 0, 0, 0, 'A', 'b', 0, 0}, 40)})
                         .Cue({{.id = 3, .offset = 1}})
                         .Build();
  outcome = AnalyseImage(adtl);
  ASSERT_TRUE(outcome.analysis);
  const auto& cues = outcome.analysis->cues;
  EXPECT_EQ(TextAt(adtl, cues[1].label_text) + TextAt(adtl, cues[1].note_text), "Attackn");
  EXPECT_EQ(TextAt(adtl, cues[2].label_text) + TextAt(adtl, cues[3].label_text), "HoldAb");
  ASSERT_TRUE(cues[1].ltxt);
  EXPECT_EQ(cues[1].ltxt->offset, 12u + 8 + 4 + 20 + 14 + 8);
  EXPECT_EQ(cues[1].ltxt->size, 20u);
  EXPECT_TRUE(cues[3].cue_point);  // the walk went on behind the list
}

// The release begins at the nearest stored cue point behind the loop's end,
// whatever the order of ids, chunks and loops; frames 10 inside each end of
// the gap between them are cut when it is 1000 frames or more.
TEST(AnalysisTest, TheCut) {
  const std::vector<CuePoint> cues = {{.id = 1, .offset = 52000}, {.id = 150, .offset = 50500},
                                      {.id = 2, .offset = 51000}, {.id = 3, .offset = 50000}, {.id = 4, .offset = 20}};
  const std::vector<Loop> loops = {{.id = 1, .end = 30000}, {.id = 2, .end = 50000}};
  const struct {
    std::string name;
    Bytes image;
    std::uint32_t loop_end, release_start, cut_first, cut_limit;
    bool keep = false;
  } rows[] = {
      {"a gap of 1000 frames",
       Pipe().Smpl({{.start = 100, .end = 50000}}).Cue({{.id = 1}, {.id = 2, .offset = 51000}}).Build(),
       50000, 51000, 50010, 50990},
      {"a gap of 1000 frames, kept",
       Pipe().Smpl({{.start = 100, .end = 50000}}).Cue({{.id = 1}, {.id = 2, .offset = 51000}}).Build(),
       50000, 51000, 50010, 50990, true},
      {"a gap of 999 frames", Pipe().Smpl({{.end = 50000}}).Cue({{.id = 1}, {.id = 2, .offset = 50999}}).Build(),
       50000, 50999, 101, 0},
      {"cue before smpl", Pipe().Cue(cues).Smpl(loops).Build(), 50000, 51000, 50010, 50990},
      {"loops in reverse", Pipe().Smpl({loops[1], loops[0]}).Cue(cues).Build(), 50000, 51000, 50010, 50990},
      {"two smpl chunks", Pipe().Smpl({loops[1]}).Cue(cues).Smpl({loops[0]}).Build(), 50000, 51000, 50010, 50990},
      {"no loop", Pipe().Cue(cues).Smpl({}).Build(), 0, 0, 101, 0},
      {"no audio", WaveBuilder().Smpl({{.end = 500}}).Cue({{.id = 1, .offset = 900}}).Build(), 500, 900, 0, 0},
      // No release can lie 1000 frames behind this loop end: nothing wraps.
      {"a loop end near the top", Pipe().Smpl({{.end = 0xFFFFFFF0u}}).Cue({{.id = 1, .offset = ~0u}}).Build(),
       0xFFFFFFF0u, ~0u, 101, 0},
  };
  for (const auto& row : rows) {
    Settings settings = Verbose(3);
    settings.keep_unused_part = row.keep;
    const Outcome outcome = AnalyseImage(row.image, settings);
    ASSERT_TRUE(outcome.analysis) << row.name;
    const SourceAnalysis& got = *outcome.analysis;
    EXPECT_EQ(std::vector({got.loop_end, got.release_start, got.cut_first, got.cut_limit}),
              std::vector({row.loop_end, row.release_start, row.cut_first, row.cut_limit}))
        << row.name;
    const std::string removable = "Samples between " + std::to_string(row.cut_first) + " and " +
                                  std::to_string(row.cut_limit) + " may be removed\n";
    EXPECT_EQ(outcome.output.ends_with(removable), row.cut_first < row.cut_limit && !row.keep) << row.name;
  }
}

// Stereo, 16 bits, 8 frames: channel 0 holds 100 times the frame, channel 1
// minus the frame.
Bytes EightStereoFrames() {
  std::vector<std::int32_t> values;
  for (int frame = 0; frame < 8; ++frame) values.insert(values.end(), {100 * frame, -frame});
  return WaveBuilder().Fmt({.channels = 2}).Data(Pcm(values, 16)).Build();
}

std::string Title(const std::string& name) {
  return "\n===== Cuepoint " + name + " ======================================\n";
}

std::string Frames(int first, int last, int marked) {
  std::string text;
  for (int frame = first; frame <= last; ++frame) {
    char line[64];
    std::snprintf(line, sizeof line, "%s%11d: %9d %9d \n", frame == marked ? "->" : "  ", frame, 100 * frame, -frame);
    text += line;
  }
  return text;
}

// Five frames before the one of interest and four after, those that exist.
TEST(AnalysisTest, FrameDumps) {
  const Bytes image = EightStereoFrames();
  const struct {
    Bytes image;
    std::int32_t frame;
    std::string expected;
  } rows[] = {
      {image, 3, Frames(0, 7, 3)}, {image, 6, Frames(1, 7, 6)}, {image, -4, Frames(0, 0, -1)},
      {image, 12, Frames(7, 7, -1)}, {image, 13, ""}, {image, INT32_MIN, ""}, {image, INT32_MAX, ""},
      {WaveBuilder().Fmt({.bits = 24}).Data(Pcm({-8388608, 8388607, -1}, 24)).Build(), 1,
       "            0:  -8388608 \n->          1:   8388607 \n            2:        -1 \n"},
      // A second fmt chunk widens the frames after the audio was counted.
      {WaveBuilder().Fmt({}).Data(Pcm({1, 2, 3, 4}, 16)).Fmt({.channels = 4, .bits = 24}).Build(), 0, ""},
  };
  for (const auto& row : rows) {
    const Outcome analysed = AnalyseImage(row.image);
    ASSERT_TRUE(analysed.analysis);
    Outcome dumped;
    Capture(dumped, [&] { DumpFrameNeighbourhood("x", row.frame, row.image, *analysed.analysis); });
    EXPECT_EQ(dumped.output, Title("x") + row.expected) << row.frame;
  }
  // At verbosity 5: every cue point by its label (at most 99 characters) or
  // its id, then the loop's end, then the very end.
  const Bytes cued = WaveBuilder()
                         .Fmt({.channels = 2})
                         .Data(Bytes(image.begin() + 44, image.end()))
                         .Cue({{.id = 9, .offset = 3}, {.id = 2, .offset = 40}, {.id = 150, .offset = 1},
                               {.id = 4, .offset = 50}})
                         .Smpl({{.id = 1, .start = 1, .end = 6}})
                         .Adtl({Labl(2, "Attack"), Labl(7, "no cue"), Labl(9, std::string(120, 'L'))})
                         .Build();
  EXPECT_EQ(AnalyseImage(cued, Verbose(4)).output.find("====="), std::string::npos);
  const std::string dumps = AnalyseImage(cued, Verbose(5)).output;
  EXPECT_EQ(dumps.substr(std::min(dumps.size(), dumps.find("\n====="))),
            Title("Attack") + Title("4") + Title(std::string(99, 'L')) + Frames(0, 7, 3) + Title("loopend") +
                Frames(1, 7, 6) + Title("veryend") + Frames(0, 7, 3));
}

}  // namespace
}  // namespace zelvanor::testing
