// The consistency checks on cue and smpl chunks. The analysis makes them to
// refuse a source; the output writers make them again because they guard
// their own reads, whether or not an analysis ran before. Each failure is a
// consistency error: RunError, exit code 99.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "wave/chunk_walker.h"

namespace zelvanor {

// The number of cue points of a cue chunk. Its size must be exactly that of
// the records it announces and those records must all be in the file: a
// truncated cue chunk is refused like a miscounted one, and so is a body too
// short for the count.
std::uint32_t CheckedCuePointCount(const WalkedChunk& chunk, std::span<const std::uint8_t> image);

// Without the whole 36-byte sampler header the loop count is unknown, and a
// sustain loop taken for absent would change what the output cuts. `path`
// names the file in the message.
void CheckSamplerHeader(const WalkedChunk& chunk, const std::string& path);

// Loop record `index` (from 0) must lie whole in the chunk's stored bytes:
// the records may reach into the pad byte.
void CheckLoopRecord(const WalkedChunk& chunk, std::int32_t index);

// The bytes behind the last of `loop_count` loop records: sampler-specific
// data (and the pad byte). Valid once every record has passed
// CheckLoopRecord.
std::int64_t BytesAfterLoops(const WalkedChunk& chunk, std::int32_t loop_count);

}  // namespace zelvanor
