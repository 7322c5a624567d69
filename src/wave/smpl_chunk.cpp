#include "common/console.h"
#include "wave/analysis_steps.h"
#include "wave/chunk_layout.h"
#include "wave/cue_smpl_checks.h"
#include "wave/sample_loop_line.h"

namespace zelvanor {
namespace {

void PrintSamplerHeader(std::span<const std::uint8_t> stored) {
  Print("SAMPLE");
  PrintSamplerFields(stored);
  Print("\n%ld Sample-Loops\n", AsLong(ByteReader(stored).U32At(kSmplLoopCount)));
}

}  // namespace

void AnalyseSmplChunk(const WalkedChunk& chunk, AnalysisRun& run) {
  CheckSamplerHeader(chunk, run.path);
  // Loop records may reach into the pad byte: they are read from the
  // stored bytes, and what follows the last record is additional data.
  const std::span<const std::uint8_t> stored = run.Bytes(chunk.stored);
  ByteReader header(stored);
  if (run.VerbosityAbove(2)) PrintSamplerHeader(stored);

  const auto loop_count = static_cast<std::int32_t>(header.U32At(kSmplLoopCount));
  SourceAnalysis& result = run.result;
  result.stated_pitch = StatedPitch{header.U32At(kSmplUnityNote), header.U32At(kSmplPitchFraction)};
  for (std::int32_t k = 0; k < loop_count; ++k) {
    CheckLoopRecord(chunk, k);
    const std::span<const std::uint8_t> loop_record = stored.subspan(
        kSmplHeaderSize + static_cast<std::size_t>(k) * kLoopRecordSize, kLoopRecordSize);
    ByteReader loop(loop_record);
    if (run.VerbosityAbove(2)) PrintSampleLoopLine(loop_record);
    const std::uint32_t end = loop.U32At(kLoopEnd);
    // Strictly later: of two loops ending alike, the first is the sustain loop.
    if (end > result.loop_end) {
      result.loop_end = end;
      result.loop_start = loop.U32At(kLoopStart);
    }
  }
  const std::int64_t remaining = BytesAfterLoops(chunk, loop_count);
  if (remaining > 0 && run.VerbosityAbove(3)) {
    Print("skipping %d bytes additional data\n", static_cast<int>(remaining));
  }
}

}  // namespace zelvanor
