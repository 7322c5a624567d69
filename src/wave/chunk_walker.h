// The framing of RIFF chunks, shared by the analysis and the output
// generation so that both cut a file into exactly the same chunks.
//
// A chunk is an 8-byte header (id, u32 size) and its body; an odd body is
// followed by a pad byte that the size does not count. At the top level the
// `fmt ` chunk is the exception: it is walked by its size alone, without a
// pad byte. Inside a LIST every sub-chunk is padded.
//
// Nothing here trusts a size: a body that claims more bytes than the walked
// range holds is cut at the range's end (the chunk says so, `truncated()`),
// and bytes too few for a header end the walk (`leftover()`). Offsets are
// image offsets, so ranges can be kept as references into the image.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "wave/byte_reader.h"
#include "wave/source_analysis.h"

namespace zelvanor {

enum class Framing {
  kTopLevel,  // the chunks of the file: `fmt ` goes by its size alone
  kSubChunk,  // the sub-chunks of a LIST: always padded
};

// `size` rounded up to even; 64 bits, so 0xFFFFFFFF does not wrap to 0.
inline std::uint64_t PaddedSize(std::uint32_t size) { return std::uint64_t{size} + (size & 1u); }

struct WalkedChunk {
  FourCC id{};
  std::uint32_t offset = 0;         // of the 8-byte header
  std::uint32_t declared_size = 0;  // the size field as stored
  ByteRange body;                   // the body as far as the range holds it, no pad byte
  ByteRange stored;                 // body and pad byte as far as the range holds them
  // How far the body and pad byte reach by the size field: the padded size,
  // or the size alone for a top-level `fmt ` chunk.
  std::uint64_t declared_extent = 0;

  // The following chunk starts here (at the range's end for a truncated chunk).
  std::uint32_t next() const { return static_cast<std::uint32_t>(stored.end()); }
  bool truncated() const { return body.size < declared_size; }
  // The body is whole but the range ends before its pad byte (a copy then
  // writes a zero pad byte; the bytes behind the range are not the file's).
  bool pad_missing() const { return !truncated() && stored.size < declared_extent; }
  bool Is(const char (&name)[5]) const {
    return id[0] == name[0] && id[1] == name[1] && id[2] == name[2] && id[3] == name[3];
  }
};

class ChunkWalker {
 public:
  // Walks the chunks in image[begin, end); `end` is capped at the image size.
  ChunkWalker(std::span<const std::uint8_t> image, std::uint32_t begin, std::uint32_t end,
              Framing framing);

  // The next chunk, or nothing at the end of the range.
  std::optional<WalkedChunk> Next();

  // After the walk: the number of bytes at the end of the range that were
  // too few for a chunk header (0 for a range that ends where a chunk does).
  std::uint32_t leftover() const { return leftover_; }

 private:
  std::span<const std::uint8_t> image_;
  std::uint32_t offset_;
  std::uint32_t end_;
  Framing framing_;
  std::uint32_t leftover_ = 0;
};

}  // namespace zelvanor
