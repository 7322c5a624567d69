#include <array>

#include "common/console.h"
#include "output/output_steps.h"
#include "wave/adtl_sub_chunk.h"
#include "wave/chunk_layout.h"

namespace zelvanor {
namespace {

class ListCopier {
 public:
  ListCopier(const WalkedChunk& list, OutputRun& run) : run_(run), copied_to_(list.stored.offset) {}

  // Writes the list's bytes up to `offset` (an image offset) unchanged.
  void CopyUpTo(std::uint64_t offset) {
    run_.sink.Write(run_.Bytes({copied_to_, static_cast<std::uint32_t>(offset - copied_to_)}));
    copied_to_ = static_cast<std::uint32_t>(offset);
  }

  // Writes `value` in place of the 4 bytes at `offset`.
  void Replace(std::uint32_t offset, std::uint32_t value) {
    CopyUpTo(offset);
    std::array<std::uint8_t, 4> field{};
    StoreU32le(field.data(), value);
    run_.sink.Write(field);
    copied_to_ = offset + 4;
  }

 private:
  OutputRun& run_;
  std::uint32_t copied_to_;
};

// A sub-chunk goes out byte for byte but for a text region's length, which
// keeps its duration: divided by the factor, not cut.
void RewriteSubChunk(const WalkedChunk& sub, ListCopier& copier, OutputRun& run) {
  std::uint32_t ltxt_length = 0;
  if (ClassifyAdtlSubChunk(sub) == AdtlSubChunkKind::kTextRegion) {
    const std::uint8_t* fields = run.Bytes(sub.body).data();
    ltxt_length = ScaleLength(LoadU32le(fields + kLtxtSampleLength), run.job.tuning_factor);
    copier.Replace(sub.body.offset + kLtxtSampleLength, ltxt_length);
  }
  if (run.VerbosityAbove(2)) PrintAdtlSubChunkLine(sub, run.job.image, ltxt_length);
}

// Lists of other types are never looked into: copied whole or left out whole.
void WriteOtherList(const WalkedChunk& chunk, OutputRun& run) {
  if (run.job.settings.copy_unknown_chunks) {
    if (run.VerbosityAbove(2)) Print("copy unknown LIST of length %d\n", AsInt(chunk.declared_size));
    CopyChunk(chunk, run);
  } else if (run.VerbosityAbove(2)) {
    Print("don't copy unknown LIST of length %d\n", AsInt(chunk.declared_size));
  }
}

// Where a reader can frame the list's sub-chunks up to: its end, less a
// tail too short for a sub-chunk header.
std::uint64_t FramedEnd(const WalkedChunk& list, const OutputRun& run) {
  ChunkWalker walker(run.job.image, list.stored.offset + kListTypeSize, static_cast<std::uint32_t>(list.stored.end()),
                     Framing::kSubChunk);
  while (walker.Next()) {
  }
  return list.stored.end() - walker.leftover();
}

// A sub-chunk truncated by the end of its list is given the size it has
// there; the list's pad byte, should the truncation reach it, stays the pad
// byte.
std::uint32_t SizeWithinList(const WalkedChunk& sub, const WalkedChunk& list) {
  const std::uint64_t list_end = list.body.end();
  if (sub.body.end() <= list_end) return sub.body.size;
  return list_end > sub.body.offset ? static_cast<std::uint32_t>(list_end - sub.body.offset) : 0;
}

}  // namespace

void WriteListChunk(const WalkedChunk& chunk, OutputRun& run) {
  if (!IsFourCC(run.Bytes(chunk.body), "adtl")) {
    WriteOtherList(chunk, run);
    return;
  }
  if (run.VerbosityAbove(2)) Print("Write associated data chunk LIST of size %d\n", AsInt(chunk.declared_size));
  // A sound list goes out byte for byte with its own size; only the
  // text-region lengths change. A damaged one is written so that a reader
  // frames it as the analysis did: a sub-chunk cut off by the list's end
  // gets the size it has, and a tail too short for a sub-chunk header is
  // left out, the list's size shrinking by it (whole sub-chunks after the
  // type: an even size, so no pad byte follows).
  const std::uint64_t framed_end = FramedEnd(chunk, run);
  const bool whole = framed_end == chunk.stored.end();
  const std::uint32_t size =
      whole ? WrittenSize(chunk) : static_cast<std::uint32_t>(framed_end - chunk.body.offset);
  WriteChunkHeader(chunk.id, size, run.sink);
  ListCopier copier(chunk, run);
  ChunkWalker walker(run.job.image, chunk.stored.offset + kListTypeSize,
                     static_cast<std::uint32_t>(chunk.stored.end()), Framing::kSubChunk);
  while (const std::optional<WalkedChunk> sub = walker.Next()) {
    if (sub->truncated()) copier.Replace(sub->offset + 4, SizeWithinList(*sub, chunk));
    RewriteSubChunk(*sub, copier, run);
  }
  copier.CopyUpTo(framed_end);
  if (whole) WriteMissingPad(chunk, chunk.stored.size, run.sink);
}

}  // namespace zelvanor
