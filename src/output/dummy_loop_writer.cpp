#include <algorithm>
#include <array>

#include "output/output_steps.h"
#include "wave/chunk_layout.h"
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
