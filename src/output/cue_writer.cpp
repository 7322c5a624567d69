#include <algorithm>
#include <array>

#include "common/console.h"
#include "output/output_steps.h"
#include "wave/chunk_layout.h"
#include "wave/cue_smpl_checks.h"

namespace zelvanor {

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

}  // namespace zelvanor
