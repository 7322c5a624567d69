// The output `data` chunk: header with the new size, source frame 0, the
// interpolated frames, the last frame copied, the dummy-loop silence and the
// pad byte.
#pragma once

#include <cstdint>
#include <span>

#include "output/byte_sink.h"
#include "output/retune_job.h"

namespace zelvanor {

// Resamples `body` (the source chunk's body as far as the image holds it)
// into `sink` and returns the OutputFrameCount: the resampled frames, the
// silence not counted. Reads nothing outside `body`; a trailing partial
// frame is left out. The size in the header always equals what follows.
// Adds the number of interpolated values that had to be saturated to the
// sample width to `*saturated_values` when given.
std::uint32_t ResampleDataChunk(const RetuneJob& job, std::span<const std::uint8_t> body, ByteSink& sink,
                                std::uint64_t* saturated_values = nullptr);

}  // namespace zelvanor
