// A file with every chunk kind, cut at every length and with every size and
// count field replaced by hostile values: each run must end in one of the
// three ways a user can see (results, a refused source, or an exit code with
// its message), never read outside the file, and reach the same decisions
// whatever the verbosity. Run under the sanitize preset, a stray read is a
// report (the harness hands over a heap block of exactly the image's size).
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "analysis_harness.h"
#include "wave/byte_reader.h"

namespace zelvanor::testing {
namespace {

struct RichFile {
  Bytes image;
  std::vector<std::size_t> fields;     // offsets of u32 size and count fields (and fmt u16s)
  std::set<std::size_t> chunk_ends;    // lengths at which a cut file ends where a chunk does
};

RichFile MakeRichFile() {
  RichFile file;
  WaveBuilder builder;
  std::vector<std::size_t> chunk_starts;
  auto add = [&](auto&& write) {
    chunk_starts.push_back(builder.Offset());
    file.fields.push_back(builder.Offset() + 4);
    write();
  };
  add([&] { builder.Fmt({.channels = 1, .bits = 24}, 2); });
  const std::size_t fmt_body = chunk_starts.back() + 8;
  add([&] { builder.List("INFO", {Chunk("INAM", {'P', 'i', 'p', 'e', ' ', '3', '6', 0})}); });
  add([&] { builder.Data(Pcm({1, -2, 3, -4, 5, -6, 7, -8, 9, -10, 11}, 24)); });  // 33 bytes
  add([&] { builder.Cue({{.id = 0, .offset = 2}, {.id = 1, .offset = 9}, {.id = 150, .offset = 5}}); });
  file.fields.push_back(chunk_starts.back() + 8);  // dwCuePoints
  add([&] {
    builder.Smpl({{.id = 1, .start = 1, .end = 4}, {.id = 2, .type = 1, .start = 2, .end = 3, .play_count = 2}},
                 {0xAA, 0xBB, 0xCC});
  });
  file.fields.push_back(chunk_starts.back() + 8 + 28);  // cSampleLoops
  file.fields.push_back(chunk_starts.back() + 8 + 32);  // cbSamplerData
  add([&] { builder.Unknown("junk", {'j', 'u', 'n', 'k', '!'}); });
  const std::vector<Bytes> subs = {Labl(0, "Attack"), Note(1, "odd"), Ltxt(1, 4, "rgn ", "txt"),
                                   Chunk("file", {1, 2, 3}), Labl(150, "x")};
  add([&] { builder.Adtl({subs[0], subs[1], subs[2], subs[3], subs[4]}); });
  std::size_t sub_at = chunk_starts.back() + 12;
  for (const Bytes& sub : subs) {
    file.fields.push_back(sub_at + 4);
    sub_at += sub.size();
  }
  file.image = builder.Build();
  file.fields.push_back(4);                 // RIFF size
  file.fields.push_back(fmt_body + 2);      // nChannels, wBitsPerSample: u16 fields that
  file.fields.push_back(fmt_body + 14 - 2); // take 2 hostile bytes each (with their neighbours)

  chunk_starts.push_back(file.image.size());
  for (std::size_t i = 0; i + 1 < chunk_starts.size(); ++i) {
    file.chunk_ends.insert(chunk_starts[i + 1]);
    const std::uint32_t size = LoadU32le(&file.image[chunk_starts[i] + 4]);
    file.chunk_ends.insert(chunk_starts[i] + 8 + size);  // without its pad byte
  }
  file.chunk_ends.insert(12);
  return file;
}

void ExpectInside(const std::optional<ByteRange>& range, std::size_t size) {
  if (range) {
    EXPECT_LE(range->end(), size);
  }
}

// One of the three endings, with a message where the user needs one, and
// every reference inside the image.
void ExpectSoundEnding(const Bytes& image, const AnalysisOutcome& outcome) {
  if (outcome.exit_code) {
    EXPECT_TRUE(*outcome.exit_code == 99 || *outcome.exit_code == 1) << *outcome.exit_code;
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(outcome.output.ends_with("\n")) << outcome.output;
    return;
  }
  if (!outcome.result) {
    EXPECT_FALSE(outcome.output.empty());
    return;
  }
  const SourceAnalysis& result = *outcome.result;
  ExpectInside(result.format, image.size());
  ExpectInside(result.data, image.size());
  for (const CueSlot& slot : result.cues) {
    ExpectInside(slot.label_text, image.size());
    ExpectInside(slot.note_text, image.size());
    ExpectInside(slot.cue_point, image.size());
    ExpectInside(slot.ltxt, image.size());
  }
  if (result.data) {
    ASSERT_TRUE(result.format);
    EXPECT_LE(std::uint64_t(result.frame_count) * result.layout.bytes_per_frame, result.data->size);
  }
}

// Verbosity only changes what is described, never what is decided; every
// line of a quiet run is also shown by a verbose one.
void ExpectSameDecisions(const AnalysisOutcome& quiet, const AnalysisOutcome& verbose) {
  EXPECT_EQ(quiet.exit_code, verbose.exit_code);
  ASSERT_EQ(quiet.result.has_value(), verbose.result.has_value());
  if (quiet.result) {
    EXPECT_EQ(quiet.result->frame_count, verbose.result->frame_count);
    EXPECT_EQ(quiet.result->loop_end, verbose.result->loop_end);
    EXPECT_EQ(quiet.result->release_start, verbose.result->release_start);
    EXPECT_EQ(quiet.result->cut_first, verbose.result->cut_first);
    EXPECT_EQ(quiet.result->cut_limit, verbose.result->cut_limit);
  }
  std::istringstream lines(quiet.output);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_NE(verbose.output.find(line), std::string::npos) << line;
  }
}

TEST(AnalysisRobustness, RichFileIsAnalysedWithoutComplaint) {
  const RichFile file = MakeRichFile();
  const AnalysisOutcome outcome = AnalyseImage(file.image, 0);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(outcome.output, "");
  EXPECT_EQ(outcome.result->frame_count, 11);
  EXPECT_EQ(outcome.result->loop_end, 4u);
  EXPECT_EQ(outcome.result->release_start, 5u + 4u);
  EXPECT_TRUE(outcome.result->cues[1].ltxt);
}

TEST(AnalysisRobustness, CutAtEveryLength) {
  const RichFile file = MakeRichFile();
  for (std::size_t length = 0; length <= file.image.size(); ++length) {
    SCOPED_TRACE(length);
    const Bytes image = Truncated(file.image, length);
    const AnalysisOutcome quiet = AnalyseImage(image, 0);
    const AnalysisOutcome verbose = AnalyseImage(image, 5);
    ExpectSoundEnding(image, quiet);
    ExpectSoundEnding(image, verbose);
    ExpectSameDecisions(quiet, verbose);
    // A cut inside a chunk never passes unmentioned.
    if (quiet.result && !file.chunk_ends.contains(length)) {
      EXPECT_NE(quiet.output.find("Warning:"), std::string::npos) << quiet.output;
    }
  }
}

TEST(AnalysisRobustness, HostileSizeAndCountFields) {
  const RichFile file = MakeRichFile();
  for (const std::size_t field : file.fields) {
    const std::uint32_t original = LoadU32le(&file.image[field]);
    for (const std::uint32_t value : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 15u, 16u, 17u, 23u, 24u, 25u, 35u, 36u, 37u,
                                      59u, 61u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu,
                                      original - 1, original + 1}) {
      SCOPED_TRACE(::testing::Message() << "field at " << field << " = " << value);
      const Bytes image = WithU32(file.image, field, value);
      const AnalysisOutcome quiet = AnalyseImage(image, 0);
      const AnalysisOutcome verbose = AnalyseImage(image, 5);
      ExpectSoundEnding(image, quiet);
      ExpectSoundEnding(image, verbose);
      ExpectSameDecisions(quiet, verbose);
    }
  }
}

}  // namespace
}  // namespace zelvanor::testing
