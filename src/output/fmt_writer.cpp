#include <algorithm>

#include "output/output_steps.h"

namespace zelvanor {

void WriteFmtChunk(const WalkedChunk& chunk, OutputRun& run) {
  // Every fmt chunk goes out with the body of the last one, the format the
  // audio is read in. Should this chunk be longer than that body, its own
  // bytes fill the rest, so the size written stays true.
  const std::uint32_t size = WrittenSize(chunk);
  const std::span<const std::uint8_t> own = run.Bytes(chunk.body);
  const std::span<const std::uint8_t> format =
      run.job.analysis.format ? run.Bytes(*run.job.analysis.format) : own;
  const std::size_t from_format = std::min<std::size_t>(size, format.size());
  WriteChunkHeader(chunk, run.sink);
  run.sink.Write(format.first(from_format));
  run.sink.Write(own.subspan(from_format, size - from_format));
}

}  // namespace zelvanor
