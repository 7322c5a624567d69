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
