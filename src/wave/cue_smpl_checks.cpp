#include "wave/cue_smpl_checks.h"

#include <algorithm>

#include "common/run_error.h"
#include "wave/chunk_layout.h"

namespace zelvanor {

std::uint32_t CheckedCuePointCount(const WalkedChunk& chunk, std::span<const std::uint8_t> image) {
  ByteReader body(Slice(image, chunk.body));
  const std::uint32_t count = body.U32At(0);
  const std::uint64_t expected = kCueCountSize + std::uint64_t{kCueRecordSize} * count;
  if (!body.ok() || expected != chunk.declared_size || chunk.truncated()) {
    ThrowFatal("fatal error - size of cue chunk\n");
  }
  return count;
}

void CheckSamplerHeader(const WalkedChunk& chunk, const std::string& path) {
  if (chunk.body.size < kSmplHeaderSize) {
    ThrowFatal("fatal error: %s: smpl chunk of %u bytes is too short for its 36-byte header\n", path.c_str(),
               chunk.body.size);
  }
}

void CheckLoopRecord(const WalkedChunk& chunk, std::int32_t index) {
  const std::int64_t record_end = kSmplHeaderSize + (std::int64_t{index} + 1) * kLoopRecordSize;
  if (record_end > std::int64_t{chunk.stored.size}) ThrowFatal("not enough data for SampleLoop\n");
}

std::int64_t BytesAfterLoops(const WalkedChunk& chunk, std::int32_t loop_count) {
  const std::int64_t loops = std::max(loop_count, 0);
  return std::int64_t{chunk.stored.size} - kSmplHeaderSize - loops * kLoopRecordSize;
}

}  // namespace zelvanor
