#include "wave/chunk_walker.h"

#include <algorithm>

#include "wave/chunk_layout.h"

namespace zelvanor {

ChunkWalker::ChunkWalker(std::span<const std::uint8_t> image, std::uint32_t begin,
                         std::uint32_t end, Framing framing)
    : image_(image), framing_(framing) {
  end_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(end, image.size()));
  offset_ = std::min(begin, end_);
}

std::optional<WalkedChunk> ChunkWalker::Next() {
  if (offset_ >= end_) return std::nullopt;
  const std::uint32_t left = end_ - offset_;
  if (left < kChunkHeaderSize) {
    leftover_ = left;
    offset_ = end_;
    return std::nullopt;
  }

  WalkedChunk chunk;
  chunk.offset = offset_;
  ByteReader header(image_.subspan(offset_, kChunkHeaderSize));
  chunk.id = header.Id();
  chunk.declared_size = header.U32();

  const std::uint32_t body_offset = offset_ + kChunkHeaderSize;
  const std::uint32_t available = end_ - body_offset;
  const bool by_size_alone = framing_ == Framing::kTopLevel && chunk.Is("fmt ");
  chunk.declared_extent =
      by_size_alone ? std::uint64_t{chunk.declared_size} : PaddedSize(chunk.declared_size);
  chunk.body = {body_offset,
                static_cast<std::uint32_t>(std::min<std::uint64_t>(chunk.declared_size, available))};
  chunk.stored = {body_offset,
                  static_cast<std::uint32_t>(std::min<std::uint64_t>(chunk.declared_extent, available))};
  offset_ = chunk.next();
  return chunk;
}

}  // namespace zelvanor
