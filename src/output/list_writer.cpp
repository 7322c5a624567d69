#include <algorithm>
#include <array>
#include <string>

#include "common/console.h"
#include "output/output_steps.h"
#include "wave/chunk_layout.h"

namespace zelvanor {
namespace {

// The text after dwName up to its zero; a pad byte may supply the zero, and
// without one the text ends with the sub-chunk (as the analysis reads it).
std::string SubChunkText(const WalkedChunk& sub, const OutputRun& run) {
  const std::span<const std::uint8_t> after_name = run.Bytes(sub.stored).subspan(kAdtlNameSize);
  const auto zero = std::find(after_name.begin(), after_name.end(), std::uint8_t{0});
  const std::size_t length =
      zero == after_name.end() ? sub.body.size - kAdtlNameSize : static_cast<std::size_t>(zero - after_name.begin());
  return std::string(after_name.begin(), after_name.begin() + static_cast<std::ptrdiff_t>(length));
}

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

void RewriteSubChunk(const WalkedChunk& sub, ListCopier& copier, OutputRun& run) {
  const bool describe = run.VerbosityAbove(2);
  // Sub-chunks too short for their fields are copied as they are; the
  // analysis has said so and ignored them.
  if ((sub.Is("labl") || sub.Is("note")) && sub.body.size >= kAdtlNameSize) {
    if (!describe) return;
    const auto id = static_cast<std::int32_t>(LoadU32le(run.Bytes(sub.body).data() + kAdtlName));
    const std::string text = SubChunkText(sub, run);
    Print(sub.Is("labl") ? "  LABEL %2d \"%s\"\n" : "  NOTE  %2d \"%s\"\n", id, text.c_str());
  } else if (sub.Is("ltxt") && sub.body.size >= kLtxtFixedSize) {
    // A text region keeps its duration: divided by the factor, not cut.
    const std::uint8_t* fields = run.Bytes(sub.body).data();
    const std::uint32_t length = ScaleLength(LoadU32le(fields + kLtxtSampleLength), run.job.tuning_factor);
    copier.Replace(sub.body.offset + kLtxtSampleLength, length);
    if (describe) {
      const char purpose[5] = {static_cast<char>(fields[kLtxtPurpose]), static_cast<char>(fields[kLtxtPurpose + 1]),
                               static_cast<char>(fields[kLtxtPurpose + 2]),
                               static_cast<char>(fields[kLtxtPurpose + 3]), '\0'};
      Print("  LTXT  %2d %d Samples, Purpose=%4s\n", static_cast<std::int32_t>(LoadU32le(fields + kAdtlName)),
            AsInt(length), purpose);
    }
  } else if (describe && !sub.Is("labl") && !sub.Is("note") && !sub.Is("ltxt")) {
    Print("  %c%c%c%c length %d\n", sub.id[0], sub.id[1], sub.id[2], sub.id[3], AsInt(sub.declared_size));
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

// A sub-chunk cut off by the end of its list is given the size it has
// there; the list's pad byte, should the cut reach it, stays the pad byte.
std::uint32_t CutSize(const WalkedChunk& sub, const WalkedChunk& list) {
  const std::uint64_t list_end = list.body.end();
  if (sub.body.end() <= list_end) return sub.body.size;
  return list_end > sub.body.offset ? static_cast<std::uint32_t>(list_end - sub.body.offset) : 0;
}

}  // namespace

void WriteListChunk(const WalkedChunk& chunk, OutputRun& run) {
  if (!IsFourCC(run.Bytes(chunk.body), "adtl")) {
    // Other lists are never looked into: copied whole or left out whole.
    if (run.job.settings.copy_unknown_chunks) {
      if (run.VerbosityAbove(2)) Print("copy unknown LIST of length %d\n", AsInt(chunk.declared_size));
      CopyChunk(chunk, run);
    } else if (run.VerbosityAbove(2)) {
      Print("don't copy unknown LIST of length %d\n", AsInt(chunk.declared_size));
    }
    return;
  }
  if (run.VerbosityAbove(2)) Print("Write associated data chunk LIST of size %d\n", AsInt(chunk.declared_size));
  // A sound list goes out byte for byte with its own size; only the
  // text-region lengths change. A damaged one is written so that a reader
  // frames it as the analysis did: a sub-chunk cut off by the list's end
  // gets the size it has, and a tail too short for a sub-chunk header is
  // left out, the list's size shrinking by it.
  const std::uint64_t framed_end = FramedEnd(chunk, run);
  const bool whole = framed_end == chunk.stored.end();
  if (whole) {
    WriteChunkHeader(chunk, run.sink);
  } else {
    WriteChunkHeader(chunk.id, static_cast<std::uint32_t>(framed_end - chunk.body.offset), run.sink);
  }
  ListCopier copier(chunk, run);
  ChunkWalker walker(run.job.image, chunk.stored.offset + kListTypeSize,
                     static_cast<std::uint32_t>(chunk.stored.end()), Framing::kSubChunk);
  while (const std::optional<WalkedChunk> sub = walker.Next()) {
    if (sub->truncated()) copier.Replace(sub->offset + 4, CutSize(*sub, chunk));
    RewriteSubChunk(*sub, copier, run);
  }
  copier.CopyUpTo(framed_end);
  // A tail left out leaves an even size: whole sub-chunks after the type.
  if (whole) WriteMissingPad(chunk, chunk.stored.size, run.sink);
}

}  // namespace zelvanor
