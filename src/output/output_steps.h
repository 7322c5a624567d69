// The steps of the output walk, one file per chunk kind. Internal to the
// output stage: each step gets the chunk as the shared walker cut it (the
// same chunks the analysis saw), reads only inside its bytes, rewrites
// records in small local copies (the image stays untouched) and writes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "output/byte_sink.h"
#include "output/retune_job.h"
#include "wave/chunk_walker.h"

namespace zelvanor {

struct OutputRun {
  const std::string& source_path;  // names the file in messages
  const RetuneJob& job;
  ByteSink& sink;
  // Frames of the last data chunk resampled (the dummy loop starts there).
  std::uint32_t output_frame_count = 0;

  bool VerbosityAbove(int level) const { return job.settings.verbosity > level; }
  std::span<const std::uint8_t> Bytes(ByteRange range) const { return Slice(job.image, range); }
  std::uint32_t Map(std::uint32_t position) const {
    return MapPosition(position, job.tuning_factor, job.cut);
  }
  // A loop's dwEnd is its last frame, not a boundary. With Q=3 it maps as
  // the frame before the mapped frame behind the loop, so that a loop of L
  // frames keeps about L/f frames instead of coming out a frame short or
  // long; the sustain loop kept whole keeps exactly its planned length.
  std::uint32_t MapLoopEnd(std::uint32_t start, std::uint32_t end) const {
    const WholeLoop& loop = job.whole_loop;
    if (job.kernel != KernelKind::kBandLimited) return Map(end);
    if (loop.kept() && start == loop.start && end == loop.end) return loop.output_start + loop.output_length - 1;
    if (end == UINT32_MAX) return Map(end);
    const std::uint32_t behind = Map(end + 1);
    return behind == 0 ? 0 : behind - 1;
  }
};

void WriteFmtChunk(const WalkedChunk& chunk, OutputRun& run);
void WriteCueChunk(const WalkedChunk& chunk, OutputRun& run);
void WriteSmplChunk(const WalkedChunk& chunk, OutputRun& run);
void WriteListChunk(const WalkedChunk& chunk, OutputRun& run);
void WriteUnknownChunk(const WalkedChunk& chunk, OutputRun& run);
// After the walk, for a source without a sustain loop when L= asks for it.
void WriteDummyLoopChunks(OutputRun& run);

// Framing shared by the steps. A chunk cut off by the end of the file is
// written with the size of what the file holds, so the output is always
// well formed; a pad byte that the file lacks is written as 0.
std::uint32_t WrittenSize(const WalkedChunk& chunk);
void WriteChunkHeader(const FourCC& id, std::uint32_t size, ByteSink& sink);
void WriteChunkHeader(const WalkedChunk& chunk, ByteSink& sink);
// Completes a padded chunk after `body_bytes` of it have been written.
void WriteMissingPad(const WalkedChunk& chunk, std::uint64_t body_bytes, ByteSink& sink);
// Header, stored body and pad byte, unchanged.
void CopyChunk(const WalkedChunk& chunk, OutputRun& run);

// RIFF sizes are 32 bits. An output that would not fit (a huge L=, a small
// factor on a huge source) is refused before anything is written with a
// wrapped size: fatal (exit code 99), and the partial output is discarded by
// its owner.
inline constexpr std::uint64_t kMaxRiffField = 0xFFFFFFFFu;
[[noreturn]] void ThrowOutputTooLarge();

}  // namespace zelvanor
