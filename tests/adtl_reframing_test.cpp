// A damaged adtl list goes out so that a reader frames it exactly as the
// analysis framed the source's: no sub-chunk reaching past the list, no
// stray tail. A sound list goes out byte for byte.
#include <gtest/gtest.h>

#include "fuzz/pipeline_exercise.h"
#include "output_test_support.h"

namespace zelvanor::testing {
namespace {

WaveBuilder Pipe() { return std::move(WaveBuilder().Fmt({}).Data(Pcm({0, 100, 200, 300, 400, 500}, 16))); }

Bytes ListOf(const Bytes& file) {
  const std::vector<ChunkView> chunks = ChunksOf(file);
  for (const ChunkView& chunk : chunks) {
    if (chunk.id == "LIST") return chunk.stored;
  }
  return {};
}

TEST(AdtlReframing, ASubChunkCutByTheListsEndGetsTheSizeItHas) {
  // ltxt announces its 20-byte fixed part; the list ends 6 bytes into it.
  Bytes body = ListBody("adtl", {Labl(1, "ab")});
  PutId(body, "ltxt");
  PutU32(body, 20);
  PutU32(body, 1);
  PutU16(body, 7);
  const Bytes image = Pipe().Unknown("LIST", body).Build();

  const RetuneOutcome out = RetuneImage(image, 1.0);
  ASSERT_FALSE(out.exit_code);
  EXPECT_EQ(fuzzing::CheckRetunedFile(out.bytes), "");
  Bytes expected = body;
  expected[body.size() - 10] = 6;  // the size field of the cut ltxt
  EXPECT_EQ(ListOf(out.bytes), expected);
}

TEST(AdtlReframing, AStrayTailIsLeftOutAndTheListShrinks) {
  Bytes body = ListBody("adtl", {Labl(1, "ab"), Note(1, "n")});
  const std::size_t framed = body.size();
  body.insert(body.end(), {1, 2, 3});  // too few for a sub-chunk header
  const Bytes image = Pipe().Unknown("LIST", body).Build();

  const RetuneOutcome out = RetuneImage(image, 1.0);
  ASSERT_FALSE(out.exit_code);
  EXPECT_EQ(fuzzing::CheckRetunedFile(out.bytes), "");
  const std::vector<ChunkView> chunks = ChunksOf(out.bytes);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[2].size, framed);
  EXPECT_EQ(chunks[2].stored, Bytes(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(framed)));
}

TEST(AdtlReframing, ASoundListWithAnOddSizeGoesOutByteForByte) {
  // Size 13: the odd labl's pad byte is the list's own.
  const Bytes body = ListBody("adtl", {Chunk("labl", {1, 0, 0, 0, 0})});
  const Bytes image = Pipe().Add(Chunk("LIST", Bytes(body.begin(), body.end() - 1))).Build();
  const RetuneOutcome out = RetuneImage(image, 1.0);
  ASSERT_FALSE(out.exit_code);
  const std::vector<ChunkView> chunks = ChunksOf(out.bytes);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[2].size, 17u);
  EXPECT_EQ(chunks[2].stored, body);
}

}  // namespace
}  // namespace zelvanor::testing
