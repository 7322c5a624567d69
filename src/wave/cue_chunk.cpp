#include "common/console.h"
#include "wave/analysis_steps.h"
#include "wave/chunk_layout.h"
#include "wave/cue_smpl_checks.h"

namespace zelvanor {

void AnalyseCueChunk(const WalkedChunk& chunk, AnalysisRun& run) {
  const std::uint32_t count = CheckedCuePointCount(chunk, run.image);
  if (run.VerbosityAbove(2)) Print("%d cue-points:\n", AsInt(count));

  SourceAnalysis& result = run.result;
  for (std::uint32_t index = 0; index < count; ++index) {
    const ByteRange record{chunk.body.offset + kCueCountSize + index * kCueRecordSize,
                           kCueRecordSize};
    ByteReader fields(run.Bytes(record));
    const auto name = static_cast<std::int32_t>(fields.U32At(kCueName));
    const std::uint32_t position = fields.U32At(kCuePosition);
    const FourCC chunk_id = fields.IdAt(kCueChunkId);
    const std::uint32_t chunk_start = fields.U32At(kCueChunkStart);
    const std::uint32_t block_start = fields.U32At(kCueBlockStart);
    const std::uint32_t sample_offset = fields.U32At(kCueSampleOffset);

    if (run.VerbosityAbove(2)) {
      Print("  CUE POINT %ld POS %ld", AsLong(name), AsLong(position));
      Print(" %c%c%c%c Offset=%ld\n", chunk_id[0], chunk_id[1], chunk_id[2], chunk_id[3],
            AsLong(sample_offset));
    }
    if (block_start != 0 || chunk_start != 0) {
      Print("  Error: BlockStart=%ld, ChunkStart=%ld\n", AsLong(block_start), AsLong(chunk_start));
    }
    if (IsStoredCueId(name)) result.cues[static_cast<std::size_t>(name)].cue_point = record;
  }
}

}  // namespace zelvanor
