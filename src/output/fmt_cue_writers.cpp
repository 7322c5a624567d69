#include <algorithm>
#include <array>

#include "common/console.h"
#include "common/run_error.h"
#include "output/output_steps.h"
#include "wave/chunk_layout.h"
#include "wave/cue_smpl_checks.h"

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

void WriteCueChunk(const WalkedChunk& chunk, OutputRun& run) {
  // The analysis has made the same check, but the reads below rely on it.
  const std::uint32_t count = CheckedCuePointCount(chunk, run.job.image);
  const std::span<const std::uint8_t> body = run.Bytes(chunk.body);
  if (run.VerbosityAbove(3)) Print("%d cue-points:\n", AsInt(count));
  WriteChunkHeader(chunk, run.sink);
  run.sink.Write(body.first(kCueCountSize));

  std::array<std::uint8_t, kCueRecordSize> record{};
  for (std::uint32_t index = 0; index < count; ++index) {
    const auto source = body.subspan(kCueCountSize + std::size_t{index} * kCueRecordSize, kCueRecordSize);
    std::copy(source.begin(), source.end(), record.begin());
    const std::uint32_t position = run.Map(LoadU32le(record.data() + kCuePosition));
    const std::uint32_t sample_offset = run.Map(LoadU32le(record.data() + kCueSampleOffset));
    StoreU32le(record.data() + kCuePosition, position);
    StoreU32le(record.data() + kCueSampleOffset, sample_offset);
    if (run.VerbosityAbove(3)) {
      Print("  CUE POINT %ld POS %ld Offset=%ld\n", AsLong(LoadU32le(record.data() + kCueName)),
            AsLong(position), AsLong(sample_offset));
    }
    run.sink.Write(record);
  }
}

void WriteUnknownChunk(const WalkedChunk& chunk, OutputRun& run) {
  const FourCC& id = chunk.id;
  if (run.job.settings.copy_unknown_chunks) {
    if (run.VerbosityAbove(2)) {
      Print("copy unknown chunk %c%c%c%c of size %d\n", id[0], id[1], id[2], id[3], AsInt(chunk.declared_size));
    }
    CopyChunk(chunk, run);
  } else if (run.VerbosityAbove(2)) {
    Print("dont copy unknown chunk %c%c%c%c of size %d\n", id[0], id[1], id[2], id[3],
          AsInt(chunk.declared_size));
  }
}

}  // namespace zelvanor
