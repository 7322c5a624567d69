#include "wave/chunk_walker.h"

#include <gtest/gtest.h>

#include <vector>

#include "wave_builder.h"

namespace zelvanor {
namespace {

using testing::Bytes;
using testing::Chunk;

std::vector<WalkedChunk> WalkAll(const Bytes& bytes, Framing framing, std::uint32_t* leftover = nullptr) {
  ChunkWalker walker(bytes, 0, static_cast<std::uint32_t>(bytes.size()), framing);
  std::vector<WalkedChunk> chunks;
  while (auto chunk = walker.Next()) chunks.push_back(*chunk);
  if (leftover) *leftover = walker.leftover();
  return chunks;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) testing::PutBytes(out, part);
  return out;
}

TEST(ChunkWalker, PadsOddBodiesExceptTopLevelFmt) {
  const Bytes bytes = Concat({Chunk("fmt ", Bytes(17, 1), std::nullopt, /*pad=*/false),
                              Chunk("junk", Bytes(5, 2)), Chunk("data", Bytes(4, 3))});
  const auto chunks = WalkAll(bytes, Framing::kTopLevel);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].next(), 8u + 17u);  // by its size alone
  EXPECT_EQ(chunks[1].offset, 25u);
  EXPECT_EQ(chunks[1].body.size, 5u);
  EXPECT_EQ(chunks[1].stored.size, 6u);  // pad byte included
  EXPECT_EQ(chunks[1].next(), 25u + 8u + 6u);
  EXPECT_TRUE(chunks[2].Is("data"));
  EXPECT_FALSE(chunks[2].truncated());
}

TEST(ChunkWalker, PadsEveryOddSubChunk) {
  // Inside a LIST a sub-chunk called "fmt " is no exception.
  const Bytes bytes = Concat({Chunk("fmt ", Bytes(17, 1)), Chunk("labl", Bytes(4, 2))});
  const auto chunks = WalkAll(bytes, Framing::kSubChunk);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[1].offset, 26u);
  EXPECT_TRUE(chunks[1].Is("labl"));
}

TEST(ChunkWalker, CutsABodyThatClaimsMoreThanTheRangeHolds) {
  for (const std::uint32_t declared : {11u, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
    SCOPED_TRACE(declared);
    const Bytes bytes = Chunk("data", Bytes(10, 0), declared);
    const auto chunks = WalkAll(bytes, Framing::kTopLevel);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_TRUE(chunks[0].truncated());
    EXPECT_EQ(chunks[0].declared_size, declared);
    EXPECT_EQ(chunks[0].body.size, 10u);
    EXPECT_EQ(chunks[0].stored.size, 10u);
    EXPECT_EQ(chunks[0].next(), bytes.size());
  }
}

TEST(ChunkWalker, MissingPadByteAtTheEndIsNoTruncation) {
  const Bytes bytes = Chunk("junk", Bytes(5, 7), std::nullopt, /*pad=*/false);
  const auto chunks = WalkAll(bytes, Framing::kTopLevel);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_FALSE(chunks[0].truncated());
  EXPECT_TRUE(chunks[0].pad_missing());
  EXPECT_EQ(chunks[0].stored.size, 5u);
  EXPECT_EQ(chunks[0].declared_extent, 6u);
}

TEST(ChunkWalker, EndsAtBytesTooFewForAHeader) {
  for (std::size_t tail = 1; tail < 8; ++tail) {
    SCOPED_TRACE(tail);
    Bytes bytes = Chunk("junk", Bytes(4, 0));
    bytes.resize(bytes.size() + tail, 0xAB);
    std::uint32_t leftover = 0;
    EXPECT_EQ(WalkAll(bytes, Framing::kTopLevel, &leftover).size(), 1u);
    EXPECT_EQ(leftover, tail);
  }
  std::uint32_t leftover = 99;
  EXPECT_TRUE(WalkAll(Bytes{}, Framing::kTopLevel, &leftover).empty());
  EXPECT_EQ(leftover, 0u);
}

TEST(ChunkWalker, StaysInsideItsRange) {
  // A sub-range (a LIST body) bounds the walk even when the image goes on.
  const Bytes bytes = Concat({Chunk("labl", Bytes(4, 1)), Chunk("note", Bytes(4, 2))});
  ChunkWalker walker(bytes, 0, 16, Framing::kSubChunk);
  auto first = walker.Next();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->next(), 12u);
  EXPECT_FALSE(walker.Next());
  EXPECT_EQ(walker.leftover(), 4u);
  // An end beyond the image is the image's end.
  ChunkWalker beyond(bytes, 12, 1000, Framing::kSubChunk);
  auto second = beyond.Next();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->body.end(), bytes.size());
}

}  // namespace
}  // namespace zelvanor
