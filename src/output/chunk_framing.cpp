#include <array>

#include "common/run_error.h"
#include "output/output_steps.h"
#include "wave/chunk_layout.h"

namespace zelvanor {

std::uint32_t WrittenSize(const WalkedChunk& chunk) {
  return chunk.truncated() ? chunk.body.size : chunk.declared_size;
}

void WriteChunkHeader(const FourCC& id, std::uint32_t size, ByteSink& sink) {
  std::array<std::uint8_t, kChunkHeaderSize> header{};
  for (std::size_t i = 0; i < 4; ++i) header[i] = static_cast<std::uint8_t>(id[i]);
  StoreU32le(header.data() + 4, size);
  sink.Write(header);
}

void WriteChunkHeader(const WalkedChunk& chunk, ByteSink& sink) {
  WriteChunkHeader(chunk.id, WrittenSize(chunk), sink);
}

void WriteMissingPad(const WalkedChunk& chunk, std::uint64_t body_bytes, ByteSink& sink) {
  const std::uint64_t padded = PaddedSize(WrittenSize(chunk));
  if (body_bytes < padded) sink.WriteZeros(padded - body_bytes);
}

void CopyChunk(const WalkedChunk& chunk, OutputRun& run) {
  WriteChunkHeader(chunk, run.sink);
  run.sink.Write(run.Bytes(chunk.stored));
  WriteMissingPad(chunk, chunk.stored.size, run.sink);
}

void ThrowOutputTooLarge() {
  ThrowFatal("fatal error: output would exceed the 4 GB size limit of a WAVE file\n");
}

}  // namespace zelvanor
