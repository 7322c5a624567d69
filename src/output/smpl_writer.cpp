#include <algorithm>
#include <array>
#include <optional>

#include "common/console.h"
#include "output/output_pitch.h"
#include "output/output_steps.h"
#include "wave/chunk_layout.h"
#include "wave/cue_smpl_checks.h"
#include "wave/sample_loop_line.h"

namespace zelvanor {

void WriteSmplChunk(const WalkedChunk& chunk, OutputRun& run) {
  // The analysis has made the same checks, but the reads below rely on them.
  CheckSamplerHeader(chunk, run.source_path);
  // Loop records may reach into the pad byte, as the analysis reads them.
  const std::span<const std::uint8_t> stored = run.Bytes(chunk.stored);
  WriteChunkHeader(chunk, run.sink);
  std::array<std::uint8_t, kSmplHeaderSize> header{};
  std::copy_n(stored.begin(), kSmplHeaderSize, header.begin());
  const StatedPitch own{LoadU32le(header.data() + kSmplUnityNote), LoadU32le(header.data() + kSmplPitchFraction)};
  if (const std::optional<StatedPitch> moved = OutputStatementFor(run.job, own)) {
    StoreU32le(header.data() + kSmplUnityNote, moved->unity_note);
    StoreU32le(header.data() + kSmplPitchFraction, moved->pitch_fraction);
  }
  if (run.VerbosityAbove(2)) {
    Print("Write sampler chunk smpl:");
    PrintSamplerFields(header);
    Print("\n");
  }
  run.sink.Write(header);

  const auto loop_count = static_cast<std::int32_t>(LoadU32le(stored.data() + kSmplLoopCount));
  std::size_t at = kSmplHeaderSize;
  std::array<std::uint8_t, kLoopRecordSize> loop{};
  for (std::int32_t k = 0; k < loop_count; ++k) {
    CheckLoopRecord(chunk, k);
    const auto source = stored.subspan(at, kLoopRecordSize);
    std::copy(source.begin(), source.end(), loop.begin());
    const std::uint32_t start = run.Map(LoadU32le(loop.data() + kLoopStart));
    const std::uint32_t end = run.MapLoopEnd(LoadU32le(loop.data() + kLoopStart), LoadU32le(loop.data() + kLoopEnd));
    StoreU32le(loop.data() + kLoopStart, start);
    StoreU32le(loop.data() + kLoopEnd, end);
    if (run.VerbosityAbove(3)) PrintSampleLoopLine({loop.data(), kLoopRecordSize});
    run.sink.Write(loop);
    at += kLoopRecordSize;
  }
  // Sampler-specific data (and the pad byte) are kept, not dropped.
  const std::int64_t remaining = BytesAfterLoops(chunk, loop_count);
  if (remaining > 0) {
    if (run.VerbosityAbove(3)) Print("skipping %d bytes additional data\n", static_cast<int>(remaining));
    run.sink.Write(stored.subspan(at, static_cast<std::size_t>(remaining)));
  }
  WriteMissingPad(chunk, stored.size(), run.sink);
}

}  // namespace zelvanor
