#include <algorithm>
#include <array>

#include "common/console.h"
#include "common/run_error.h"
#include "output/output_steps.h"
#include "wave/chunk_layout.h"
#include "wave/cue_smpl_checks.h"
#include "wave/sample_loop_line.h"

namespace zelvanor {
namespace {

constexpr std::uint32_t kDummyLoopCueSize = kCueCountSize + 2 * kCueRecordSize;  // 52
constexpr std::uint32_t kDummyLoopSmplSize = kSmplHeaderSize + kLoopRecordSize;  // 60
constexpr std::uint32_t kDummyLoopUnityNote = 60;

void PutU32(std::uint8_t*& at, std::uint32_t value) {
  StoreU32le(at, value);
  at += 4;
}

void PutId(std::uint8_t*& at, const char (&id)[5]) {
  std::copy(id, id + 4, at);
  at += 4;
}

}  // namespace

void WriteSmplChunk(const WalkedChunk& chunk, OutputRun& run) {
  // The analysis has made the same checks, but the reads below rely on them.
  CheckSamplerHeader(chunk, run.source_path);
  // Loop records may reach into the pad byte, as the analysis reads them.
  const std::span<const std::uint8_t> stored = run.Bytes(chunk.stored);
  WriteChunkHeader(chunk, run.sink);
  run.sink.Write(stored.first(kSmplHeaderSize));

  const auto loop_count = static_cast<std::int32_t>(LoadU32le(stored.data() + kSmplLoopCount));
  std::size_t at = kSmplHeaderSize;
  std::array<std::uint8_t, kLoopRecordSize> loop{};
  for (std::int32_t k = 0; k < loop_count; ++k) {
    CheckLoopRecord(chunk, k);
    const auto source = stored.subspan(at, kLoopRecordSize);
    std::copy(source.begin(), source.end(), loop.begin());
    const std::uint32_t start = run.Map(LoadU32le(loop.data() + kLoopStart));
    const std::uint32_t end = run.Map(LoadU32le(loop.data() + kLoopEnd));
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

void WriteDummyLoopChunks(OutputRun& run) {
  const std::uint32_t first = run.output_frame_count;
  const std::uint32_t length = run.job.dummy_loop_frames;
  // Cue point 1 marks the loop's start, cue point 2 the release behind it.
  std::array<std::uint8_t, kChunkHeaderSize + kDummyLoopCueSize> cue{};
  std::uint8_t* at = cue.data();
  PutId(at, "cue ");
  PutU32(at, kDummyLoopCueSize);
  PutU32(at, 2);
  for (std::uint32_t name : {1u, 2u}) {
    const std::uint32_t position = name == 1 ? first : first + length;
    PutU32(at, name);
    PutU32(at, position);
    PutId(at, "data");
    PutU32(at, 0);
    PutU32(at, 0);
    PutU32(at, position);
  }
  run.sink.Write(cue);

  // The loop covers the first `length` frames of the silence.
  std::array<std::uint8_t, kChunkHeaderSize + kDummyLoopSmplSize> smpl{};
  at = smpl.data();
  PutId(at, "smpl");
  PutU32(at, kDummyLoopSmplSize);
  for (std::uint32_t value : {0u, 0u, kUsualSamplePeriod, kDummyLoopUnityNote, 0u, 0u, 0u, 1u, 0u}) {
    PutU32(at, value);
  }
  const std::uint8_t* loop = at;
  for (std::uint32_t value : {1u, 0u, first, first + length - 1, 0u, 0u}) PutU32(at, value);
  if (run.VerbosityAbove(3)) PrintSampleLoopLine({loop, kLoopRecordSize});
  run.sink.Write(smpl);
}

}  // namespace zelvanor
