// LIST chunks (adtl sub-chunks and other lists) and unknown chunks.
#include <gtest/gtest.h>

#include "analysis_harness.h"

namespace zelvanor::testing {
namespace {

const std::string kBanner =
    "*************** Analyzing Sourcefile pipe.wav ****************************\n";

// What a verbose run prints after the banner for a file of no fmt chunk.
std::string Lines(const AnalysisOutcome& outcome) {
  return outcome.output.rfind(kBanner, 0) == 0 ? outcome.output.substr(kBanner.size()) : outcome.output;
}

std::string TextAt(const Bytes& image, const std::optional<ByteRange>& range) {
  if (!range) return "<none>";
  return std::string(image.begin() + range->offset, image.begin() + range->offset + range->size);
}

TEST(AdtlList, DescribesAndStoresItsSubChunks) {
  const Bytes image = WaveBuilder()
                          .Adtl({Labl(1, "Attack"), Note(1, "n"), Ltxt(1, 44100, "rgn "),
                                 Chunk("file", Bytes(3, 0x41)), Labl(150, "far")})
                          .Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(Lines(outcome),
            "Associated Data Chunk LIST of size 94\n"
            "  LABEL  1 \"Attack\"\n"
            "  NOTE   1 \"n\"\n"
            "  LTXT   1 44100 Samples, Purpose=rgn \n"
            "  file length 3\n"
            "  LABEL 150 \"far\"\n");
  const CueSlot& slot = outcome.result->cues[1];
  EXPECT_EQ(TextAt(image, slot.label_text), "Attack");
  EXPECT_EQ(TextAt(image, slot.note_text), "n");
  ASSERT_TRUE(slot.ltxt);
  EXPECT_EQ(slot.ltxt->offset, 12u + 8u + 4u + 20u + 14u + 8u);
  EXPECT_EQ(slot.ltxt->size, 20u);
  EXPECT_FALSE(slot.cue_point);
  EXPECT_EQ(AnalyseImage(image, 2).output, "");
}

TEST(AdtlList, LabelWithoutCuePointIsStored) {
  const AnalysisOutcome outcome = AnalyseImage(WaveBuilder().Adtl({Labl(7, "Release")}).Build(), 0);
  ASSERT_TRUE(outcome.result);
  EXPECT_TRUE(outcome.result->cues[7].label_text);
  EXPECT_FALSE(outcome.result->cues[7].cue_point);
}

TEST(AdtlList, PurposeIsShownAsAText) {
  Bytes image = WaveBuilder().Adtl({Ltxt(2, 7, "ab")}).Build();  // "ab  "
  image[12 + 8 + 4 + 8 + 10] = 0;                                  // "ab\0 "
  EXPECT_EQ(Lines(AnalyseImage(image, 3)),
            "Associated Data Chunk LIST of size 32\n"
            "  LTXT   2 7 Samples, Purpose=  ab\n");
}

TEST(AdtlList, TextWithoutItsZeroEndsWithItsSubChunk) {
  // Even length: no zero anywhere in the sub-chunk; a cue chunk follows.
  const Bytes image = WaveBuilder()
                          .Adtl({TextSubChunk("labl", 2, "Hold", false)})
                          .Cue({{.id = 2, .offset = 5}})
                          .Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(TextAt(image, outcome.result->cues[2].label_text), "Hold");
  EXPECT_EQ(Lines(outcome),
            "Associated Data Chunk LIST of size 20\n"
            "Warning: pipe.wav: labl text of cue point 2 has no terminating zero; it ends with its sub-chunk\n"
            "  LABEL  2 \"Hold\"\n"
            "1 cue-points:\n"
            "  CUE POINT 2 POS 5 data Offset=5\n");

  // Odd length: the zero pad byte ends the text, which is no fault.
  const Bytes odd = WaveBuilder().Adtl({TextSubChunk("note", 3, "Rel", false)}).Build();
  const AnalysisOutcome padded = AnalyseImage(odd, 0);
  ASSERT_TRUE(padded.result);
  EXPECT_EQ(padded.output, "");
  EXPECT_EQ(TextAt(odd, padded.result->cues[3].note_text), "Rel");
}

TEST(AdtlList, SubChunksTooShortForTheirFieldsAreIgnored) {
  const Bytes image =
      WaveBuilder().Adtl({Chunk("labl", Bytes{1, 0}), Chunk("note", Bytes{}), Chunk("ltxt", Bytes(19, 0))}).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(Lines(outcome),
            "Associated Data Chunk LIST of size 50\n"
            "Warning: pipe.wav: labl sub-chunk of 2 bytes has no cue point id; ignored\n"
            "Warning: pipe.wav: note sub-chunk of 0 bytes has no cue point id; ignored\n"
            "Warning: pipe.wav: ltxt sub-chunk of 19 bytes is shorter than its 20-byte fixed part; ignored\n");
}

TEST(AdtlList, SubChunkPastItsListIsCutAtTheListsEnd) {
  const Bytes overlong = Chunk("labl", Bytes{3, 0, 0, 0, 'A', 'b', 0, 0}, /*declared_size=*/40);
  const Bytes image = WaveBuilder().Adtl({overlong}).Cue({{.id = 3, .offset = 1}}).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(TextAt(image, outcome.result->cues[3].label_text), "Ab");
  EXPECT_TRUE(outcome.result->cues[3].cue_point);  // the walk went on behind the LIST
  EXPECT_EQ(Lines(outcome),
            "Associated Data Chunk LIST of size 20\n"
            "Warning: pipe.wav: sub-chunk \"labl\" declares 40 bytes but only 8 are left in its LIST; cut at the end of"
            " the LIST\n"
            "  LABEL  3 \"Ab\"\n"
            "1 cue-points:\n"
            "  CUE POINT 3 POS 1 data Offset=1\n");
}

TEST(AdtlList, BytesTooFewForASubChunkHeaderAreIgnored) {
  const Bytes image = WaveBuilder().Adtl({Labl(1, "A"), Bytes{0, 0}}).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 0);
  ASSERT_TRUE(outcome.result);
  EXPECT_TRUE(outcome.result->cues[1].label_text);
  EXPECT_EQ(outcome.output, "Warning: pipe.wav: 2 bytes at the end of a LIST are too few for a sub-chunk header; ignored\n");
}

TEST(OtherList, IsDescribedNotLookedInto) {
  const Bytes image = WaveBuilder()
                          .List("INFO", {Labl(1, "not a label")})
                          .Unknown("LIST", Bytes{'a', 'd'})  // too short for a list type
                          .Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 3);
  ASSERT_TRUE(outcome.result);
  EXPECT_FALSE(outcome.result->cues[1].label_text);
  EXPECT_EQ(Lines(outcome), "unknown LIST of length 28\nunknown LIST of length 2\n");
}

TEST(UnknownChunk, SizeFiveIsDumpedWithItsPadByte) {
  const Bytes image = WaveBuilder().Unknown("junk", Bytes{'a', 'b', 1, 'c', 'd'}).Unknown("next", {}).Build();
  EXPECT_EQ(Lines(AnalyseImage(image, 3)),
            "Unknown chunk \"junk\" of size 5 - simple copying\n"
            "Unknown chunk \"next\" of size 0 - simple copying\n");
  EXPECT_EQ(Lines(AnalyseImage(image, 4)),
            "Unknown chunk \"junk\" of size 5 - simple copying"
            "\n    61 62 01 63 64 00 " + Repeat("   ", 10) + "ab.cd.\n"
            "Unknown chunk \"next\" of size 0 - simple copying\n");
  EXPECT_EQ(AnalyseImage(image, 2).output, "");
}

TEST(UnknownChunk, DumpsSixteenBytesALineAndShowsOnlyPrintables) {
  Bytes body;
  for (int byte : {0x00, 0x1f, 0x20, 0x41, 0x7e, 0x7f, 0x80, 0xff}) body.push_back(static_cast<std::uint8_t>(byte));
  body.insert(body.end(), {'0', '1', '2', '3', '4', '5', '6', '7', 'x', 'y'});
  const AnalysisOutcome outcome = AnalyseImage(WaveBuilder().Unknown("bext", body).Build(), 4);
  EXPECT_EQ(Lines(outcome),
            "Unknown chunk \"bext\" of size 18 - simple copying"
            "\n    00 1f 20 41 7e 7f 80 ff 30 31 32 33 34 35 36 37 .. A~...01234567"
            "\n    78 79 " + Repeat("   ", 14) + "xy\n");
}

TEST(UnknownChunk, CutOffChunkIsDumpedAsFarAsItGoes) {
  const Bytes image = WaveBuilder().Unknown("junk", Bytes{'a', 'b', 'c'}, /*declared_size=*/9).Build();
  const AnalysisOutcome outcome = AnalyseImage(image, 4);
  ASSERT_TRUE(outcome.result);
  EXPECT_EQ(Lines(outcome),
            "Warning: pipe.wav: chunk \"junk\" declares 9 bytes but only 4 are left in the file; cut at the end of the file\n"
            "Unknown chunk \"junk\" of size 9 - simple copying"
            "\n    61 62 63 00 " + Repeat("   ", 12) + "abc.\n");
}

}  // namespace
}  // namespace zelvanor::testing
