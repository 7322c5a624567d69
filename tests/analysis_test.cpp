// The source side: what the analysis tells the user about each chunk, the
// cut it proposes and the frames it dumps; how a file is loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "run_program.h"
#include "test_support.h"
#include "wave/analysis_steps.h"
#include "wave/source_image.h"

namespace zelvanor::testing {
namespace {

const std::string kBanner = "*************** Analyzing Sourcefile pipe.wav ****************************\n";
const std::string kDataLine = "data chunk 100 Samples, 0.002268 Seconds\n";
const std::string kCueSize = "fatal error - size of cue chunk\n";
const std::string kRefused =
    "fatal error: cannot work with compressed datafiles or Bits/sample other than 16Bit or 24Bit\n";

Bytes StereoFrames(int count) {
  std::vector<std::int32_t> values;
  for (int frame = 0; frame < count; ++frame) values.insert(values.end(), {100 * frame, -frame});
  return Pcm(values, 16);
}

// 100 frames of 16-bit mono silence.
WaveBuilder Pipe() { return WaveBuilder().Fmt({}).Data(Bytes(200, 0)); }

// What a run printed after the banner, and after the data line of Pipe().
std::string Shown(const Outcome& outcome) {
  std::string text = outcome.output.starts_with(kBanner) ? outcome.output.substr(kBanner.size()) : outcome.output;
  const std::size_t data = text.find(kDataLine);
  return data == std::string::npos ? text : text.substr(data + kDataLine.size());
}

// Short messages are stated here; the longer descriptions of verbose runs
// are held by one digest of their transcript, printed in full on a change.
TEST(AnalysisTest, WhatItSays) {
  const std::vector<CuePoint> two = {{.id = 1, .offset = 10}, {.id = 2, .offset = 20}};
  const std::optional<std::string> described;  // in the transcript
  Bytes odd_block = ExtensibleFmt(2, 3);
  odd_block[12] = 7;  // not a whole number of values per channel
  const struct {
    std::string name;
    Bytes image;
    int verbosity;
    std::optional<std::string> text;
    int exit_code = 0;
  } rows[] = {
      {"not RIFF", WaveBuilder("RIFX").Build(), 0, "pipe.wav is not a RIFF-file\n"},
      {"not WAVE", WaveBuilder("RIFF", "AVI ").Build(), 3, "Dataformat of pipe.wav is not WAVE-fmt\n"},
      {"empty", {}, 0, "pipe.wav is too short for a RIFF/WAVE file (0 bytes)\n"},
      {"11 bytes", Truncated(WaveBuilder().Build(), 11), 0, "pipe.wav is too short for a RIFF/WAVE file (11 bytes)\n"},
      {"no chunks, nothing to dump", WaveBuilder("RIFF", "WAVE", 4).Build(), 5, ""},
      {"the format", WaveBuilder().Fmt({.channels = 2, .rate = 48000, .bits = 24}).Build(), 3, described},
      {"the format, quietly", WaveBuilder().Fmt({.channels = 2}).Build(), 2, ""},
      {"five channels end the run mid-line", WaveBuilder().Fmt({.channels = 5}).Build(), 3, described, 99},
      {"no channels", WaveBuilder().Fmt({.channels = 0}).Build(), 3, described, 99},
      {"8 bits", WaveBuilder().Fmt({.bits = 8}).Build(), 3, described, 99},
      {"floats", WaveBuilder().Fmt({.format_tag = 3, .channels = 4}).Build(), 3, described, 99},
      {"format 0", WaveBuilder().Fmt({.format_tag = 0}).Build(), 3, described, 99},
      {"32 bits", WaveBuilder().Fmt({.bits = 32}).Build(), 0, kRefused, 99},
      // The extensible form: PCM of its container's width, or refused as any other format.
      {"extensible 24-bit stereo", WaveBuilder().Add(Chunk("fmt ", ExtensibleFmt(2, 3))).Build(), 3, described},
      {"extensible 16-bit, 4 channels", WaveBuilder().Add(Chunk("fmt ", ExtensibleFmt(4, 2))).Build(), 3, described},
      {"extensible floats", WaveBuilder().Add(Chunk("fmt ", ExtensibleFmt(2, 3, 3))).Build(), 3, described, 99},
      {"extensible 32 bits", WaveBuilder().Add(Chunk("fmt ", ExtensibleFmt(1, 4))).Build(), 0, kRefused, 99},
      {"extensible 8 bits", WaveBuilder().Add(Chunk("fmt ", ExtensibleFmt(2, 1))).Build(), 0, kRefused, 99},
      {"extensible, 7-byte frames", WaveBuilder().Add(Chunk("fmt ", odd_block)).Build(), 0, kRefused, 99},
      {"no extension", WaveBuilder().Add(Chunk("fmt ", ExtensibleFmt(2, 3, 1, 0, 18))).Build(), 0, described, 99},
      {"extension cut", WaveBuilder().Add(Chunk("fmt ", ExtensibleFmt(2, 3, 1, 22, 30))).Build(), 0, described, 99},
      {"extensible, 16 bytes", WaveBuilder().Add(Chunk("fmt ", ExtensibleFmt(2, 3, 1, 22, 16))).Build(), 0, described,
       99},
      {"fmt fields missing", WaveBuilder().Add(Chunk("fmt ", Truncated(FmtBody({}), 14))).Build(), 0, described, 99},
      {"an unpadded fmt chunk, walked by its size alone",
       WaveBuilder().Fmt({}, 1, false).Data(Pcm({1, 2, 3}, 16)).Build(), 3, described},
      {"a sample rate of 0", WaveBuilder().Fmt({.rate = 0}).Data(Pcm({1, 2}, 16)).Build(), 3, described},
      {"data before fmt", WaveBuilder().Data(Pcm({1, 2}, 16)).Fmt({}).Build(), 0, described, 99},
      {"bytes left over", WaveBuilder().Fmt({.channels = 2, .bits = 24}).Data(Bytes(601, 0)).Build(), 0, described},
      {"a partial frame", WaveBuilder().Fmt({.channels = 2, .bits = 24}).Data(Bytes(603, 0)).Build(), 0, described},
      {"a cue chunk behind the odd data chunk's pad byte",
       WaveBuilder().Fmt({.channels = 2, .bits = 24}).Data(Bytes(603, 0)).Cue({{.id = 3, .offset = 7}}).Build(), 3,
       described},
      {"a recorder's placeholder size",
       WaveBuilder().Fmt({.channels = 2}).Data(Pcm({1, 2, 3, 4, 5}, 16), ~0u).Build(), 0, described},
      {"bytes too few for a chunk", Cat({Pipe().Build(), {0, 0, 0}}), 0, described},
      {"a cue size with a pad byte counted", Pipe().Unknown("cue ", Cat({CueBody(two), {0}})).Build(), 0, kCueSize, 99},
      {"a cue count no size can match", Pipe().Cue(two, 0x20000000u).Build(), 0, kCueSize, 99},
      {"a cue chunk without a count", Pipe().Unknown("cue ", {}).Build(), 0, kCueSize, 99},
      {"a cue chunk cut off", Truncated(Pipe().Cue(two).Build(), 12 + 24 + 208 + 8 + 30), 0, described, 99},
      {"cue points", Pipe().Cue({{.id = 0, .offset = 10}, {.id = 5, .position = 7, .offset = 50}, {.id = 150,
           .offset = 90, .chunk = "slnt"}, {.id = ~0u, .offset = 1}, {.id = 0x7FFFFFFF, .offset = 2}}).Build(), 3,
       described},
      {"a block or chunk start, at any verbosity", Pipe().Cue({{.id = 4, .chunk_start = 3}, {.block_start = 7}})
           .Build(), 0, "  Error: BlockStart=0, ChunkStart=3\n  Error: BlockStart=7, ChunkStart=0\n"},
      // One byte of sampler data and the pad byte; the next chunk at body + 134.
      {"the sampler, its loops and its data", Pipe().Smpl({{.id = 1, .start = 10, .end = 90}, {.id = 2, .type = 1,
           .start = 20, .end = 80, .fraction = 3, .play_count = 4}, {.id = 3, .type = 2, .start = 1, .end = 2},
           {.id = ~0u, .type = 7, .start = 0x80000000, .end = 3}}, {0x55}, {71, 2, 20833, 0, 5, 25, ~0u})
           .Unknown("junk", {}).Build(), 4, described},
      {"sampler data, untold at V=3", Pipe().Smpl({}, {9}).Build(), 3, "SAMPLE MIDI-Notenumber=60\n0 Sample-Loops\n"},
      {"a loop record that does not fit", Pipe().Smpl({{.id = 1, .end = 90}}, {}, {}, 2).Build(), 0, described, 99},
      {"a smpl chunk without its header", Pipe().Unknown("smpl", Bytes(35, 0)).Build(), 0, described, 99},
      // Every sub-chunk kind, a purpose with a zero in it, a text without its
      // zero, sub-chunks too short for their fields and just long enough, an odd
      // "fmt " (padded inside a list like any other), the last one cut by the list's end.
      {"adtl sub-chunks", WaveBuilder().Adtl({Labl(1, "Attack"), Note(1, "n"), Ltxt(1, 44100, "rgn "),
           Chunk("file", Bytes(3, 0x41)), Labl(150, "far"), Ltxt(2, 7, std::string("ab\0 ", 4)),
           TextSubChunk("labl", 2, "Hold", false), Chunk("labl", {1, 0}), Chunk("note", {}), Chunk("ltxt",
           Bytes(19, 0)), Chunk("labl", {5, 0, 0, 0}), Chunk("ltxt", Bytes(20, 6)), Chunk("fmt ", Bytes(17, 1)),
           Labl(4, "A"), Chunk("labl", {3, 0, 0, 0, 'A', 'b', 0, 0}, 40)}).Cue({{.id = 3, .offset = 1}}).Build(), 3,
       described},
      {"an odd text ended by the pad byte", WaveBuilder().Adtl({TextSubChunk("note", 3, "Rel", false)}).Build(), 0, ""},
      {"bytes too few for a sub-chunk", WaveBuilder().Adtl({Labl(1, "A"), Bytes{0, 0}}).Build(), 0, described},
      // At V=5 every stored cue point by its label (at most 99 characters) or its id, then the loop end, the end.
      {"frames dumped", WaveBuilder().Fmt({.channels = 2}).Data(StereoFrames(8)).Cue({{.id = 9, .offset = 3}, {.id = 2,
           .offset = 40}, {.id = 150, .offset = 1}, {.id = 4, .offset = 50}}).Smpl({{.id = 1, .start = 1, .end = 6}})
           .Adtl({Labl(2, "Attack"), Labl(7, "no cue"), Labl(9, std::string(120, 'L'))}).Build(), 5, described},
      {"other lists", WaveBuilder().List("INFO", {Labl(1, "not a label")}).Unknown("LIST", {'a', 'd'}).Build(), 3,
       described},
      // With its pad byte, sixteen bytes a line, printables only, and as far
      // as it goes when the file ends inside it.
      {"unknown chunks dumped", WaveBuilder().Unknown("junk", {'a', 'b', 1, 'c', 'd'}).Unknown("bext", {0x00, 0x1f,
           0x20, 0x41, 0x7e, 0x7f, 0x80, 0xff, '0', '1', '2', '3', '4', '5', '6', '7', 'x', 'y'})
           .Unknown("junk", {'a', 'b', 'c'}, 9).Build(), 4, described},
  };
  std::string transcript;
  for (const auto& row : rows) {
    const Outcome outcome = AnalyseImage(row.image, Verbose(row.verbosity));
    EXPECT_EQ(outcome.exit_code.value_or(0), row.exit_code) << row.name;
    EXPECT_EQ(Shown(outcome), row.text.value_or(Shown(outcome))) << row.name;
    if (!row.text) transcript += Transcribed(row.name, "--- " + row.name + "\n" + Shown(outcome));
  }
  EXPECT_EQ(Digest(transcript), "d77ec8abc2aa7d28") << transcript;
}

// The release begins at the nearest stored cue point behind the loop's end,
// whatever the order of ids, chunks and loops; when it lies 1000 frames or
// more behind, the gap less 10 frames at either end may be cut.
TEST(AnalysisTest, TheCut) {
  const std::vector<CuePoint> cues = {{.id = 1, .offset = 52000}, {.id = 150, .offset = 50500},
                                      {.id = 2, .offset = 51000}, {.id = 3, .offset = 50000}, {.id = 4, .offset = 20}};
  const std::vector<Loop> loops = {{.id = 1, .end = 30000}, {.id = 2, .end = 50000}};
  const Bytes gap = Pipe().Smpl({{.start = 100, .end = 50000}}).Cue({{.id = 1}, {.id = 2, .offset = 51000}}).Build();
  const struct {
    std::string name;
    Bytes image;
    std::vector<std::uint32_t> expected;  // loop end, release start, cut first and limit
    bool keep = false;
  } rows[] = {
      {"a gap of 1000 frames", gap, {50000, 51000, 50010, 50990}},
      {"a gap of 1000 frames, kept", gap, {50000, 51000, 50010, 50990}, true},
      {"a gap of 999 frames", Pipe().Smpl({{.end = 50000}}).Cue({{.id = 1}, {.id = 2, .offset = 50999}}).Build(),
       {50000, 50999, 101, 0}},
      {"cue before smpl", Pipe().Cue(cues).Smpl(loops).Build(), {50000, 51000, 50010, 50990}},
      {"loops in reverse", Pipe().Smpl({loops[1], loops[0]}).Cue(cues).Build(), {50000, 51000, 50010, 50990}},
      {"two smpl chunks", Pipe().Smpl({loops[1]}).Cue(cues).Smpl({loops[0]}).Build(), {50000, 51000, 50010, 50990}},
      {"no loop", Pipe().Cue(cues).Smpl({}).Build(), {0, 0, 101, 0}},
      {"no audio", WaveBuilder().Smpl({{.end = 500}}).Cue({{.id = 1, .offset = 900}}).Build(), {500, 900, 0, 0}},
      // No release can lie 1000 frames behind this loop end: nothing wraps.
      {"a loop end near the top", Pipe().Smpl({{.end = 0xFFFFFFF0u}}).Cue({{.id = 1, .offset = ~0u}}).Build(),
       {0xFFFFFFF0u, ~0u, 101, 0}},
  };
  for (const auto& row : rows) {
    const Outcome outcome = AnalyseImage(row.image, {.verbosity = 3, .keep_unused_part = row.keep});
    ASSERT_TRUE(outcome.analysis) << row.name;
    const SourceAnalysis& got = *outcome.analysis;
    EXPECT_EQ(std::vector({got.loop_end, got.release_start, got.cut_first, got.cut_limit}), row.expected) << row.name;
    const std::string removable = "Samples between " + std::to_string(row.expected[2]) + " and " +
                                  std::to_string(row.expected[3]) + " may be removed\n";
    EXPECT_EQ(outcome.output.ends_with(removable), row.expected[2] < row.expected[3] && !row.keep) << row.name;
  }
}

std::string Title(const std::string& name) { return "\n===== Cuepoint " + name + " " + std::string(38, '=') + "\n"; }

// Frames of StereoFrames (channel 0 holds 100 times the frame, channel 1
// minus it).
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
  const Bytes eight = WaveBuilder().Fmt({.channels = 2}).Data(StereoFrames(8)).Build();
  const struct {
    Bytes image;
    std::int32_t frame;
    std::string expected;
  } rows[] = {
      {eight, 3, Frames(0, 7, 3)}, {eight, 6, Frames(1, 7, 6)}, {eight, -4, Frames(0, 0, -1)},
      {eight, 12, Frames(7, 7, -1)}, {eight, 13, ""}, {eight, INT32_MIN, ""}, {eight, INT32_MAX, ""},
      {WaveBuilder().Fmt({.bits = 24}).Data(Pcm({-8388608, 8388607, -1}, 24)).Build(), 1,
       "            0:  -8388608 \n->          1:   8388607 \n            2:        -1 \n"},
      // A second fmt chunk widens the frames after the audio was counted.
      {WaveBuilder().Fmt({}).Data(Pcm({1, 2, 3, 4}, 16)).Fmt({.channels = 4, .bits = 24}).Build(), 0, ""},
  };
  for (const auto& [image, frame, expected] : rows) {
    const SourceAnalysis analysis = *AnalyseImage(image).analysis;
    Outcome dumped;
    Capture(dumped, [&] { DumpFrameNeighbourhood("x", frame, image, analysis); });
    EXPECT_EQ(dumped.output, Title("x") + expected) << frame;
  }
}

// The buffer is replaced only for a larger file, by one of its size + 65536
// bytes; a failed allocation names that size and leaves no buffer, and the
// next source that is not empty asks again.
TEST(SourceImage, GrowsOnlyForALargerFileBySizePlusHeadroom) {
  std::vector<std::uint32_t> requests;
  bool refuse = false;
  SourceImage image([&](std::uint32_t capacity) {
    requests.push_back(capacity);
    return refuse ? nullptr : std::make_unique<std::uint8_t[]>(capacity);
  });
  for (const std::uint32_t size : {0u, 100000u, 120000u, 165536u, 165537u, 170000u}) {
    ASSERT_TRUE(image.Assign(Bytes(size, 1)));
    EXPECT_EQ(image.length(), size);
  }
  EXPECT_EQ(requests, (std::vector<std::uint32_t>{165536, 231073}));
  refuse = true;
  Outcome refused;
  Capture(refused, [&] { EXPECT_FALSE(image.Assign(Bytes(240000, 1))); });
  EXPECT_EQ(refused.output, "Can't alloc 305536 Bytes of databufferspace for wavfile\n");
  EXPECT_EQ(image.capacity() + image.length() + image.has_buffer(), 0u);
  refuse = false;
  ASSERT_TRUE(image.Assign(Bytes(10, 1)));
  EXPECT_EQ(image.capacity(), 65546u);
}

// A missing file ends the run; an empty file, a folder (where it can be
// opened: it announces a size but delivers nothing) and a file too large
// for 32-bit sizes load nothing, so the source is skipped.
TEST(SourceImage, LoadsOrSkipsAFile) {
  const ScratchDirectory dir;
  const auto load = [&](const char* name) {
    SourceImage image;
    Outcome outcome;
    std::uint32_t length = 0;
    Capture(outcome, [&] { length = LoadSourceImage((dir.path() / name).string(), image); });
    return std::to_string(length) + " " + outcome.output + std::to_string(outcome.exit_code.value_or(0));
  };
  WriteFile(dir.path() / "pipe.wav", Tone(100000, 1, 24));
  EXPECT_EQ(load("pipe.wav"), "300000 0");
  EXPECT_EQ(load("gone.wav"), "0 can't stat file " + (dir.path() / "gone.wav").string() + "\n1");
  std::filesystem::create_directory(dir.path() / "folder.wav");
#ifdef _WIN32
  EXPECT_EQ(load("folder.wav"), "0 can't open " + (dir.path() / "folder.wav").string() + "\n1");
#else
  EXPECT_EQ(load("folder.wav"), "0 0");
#endif
  std::filesystem::resize_file(dir.path() / "pipe.wav", 0);
  EXPECT_EQ(load("pipe.wav"), "0 0");
#ifdef __linux__
  SourceImage sysfs;  // a file the system cannot map (sysfs, some network file systems) is read instead
  const char* const cpus = "/sys/devices/system/cpu/online";
  if (std::filesystem::exists(cpus)) {
    EXPECT_NE(LoadSourceImage(cpus, sysfs), 0u);
  }
#endif
  std::error_code error;
  std::filesystem::resize_file(dir.path() / "pipe.wav", 0xFFFF0001ull, error);  // sparse
  if (error) GTEST_SKIP() << "no sparse files here: " << error.message();
  const std::string huge = load("pipe.wav");
  EXPECT_TRUE(huge.starts_with("0 ") && huge.find("too large") != std::string::npos && huge.ends_with("\n0") &&
              std::count(huge.begin(), huge.end(), '\n') == 1) << huge;
}

}  // namespace
}  // namespace zelvanor::testing
