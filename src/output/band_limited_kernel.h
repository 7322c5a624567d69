// The band-limited kernel (Q=3) over a block of output frames: for each
// frame, the table's row for its position blended with the next row, applied
// to the source values around it, rounded to the nearest integer and
// saturated to the sample width. The resampler's hot loop.
//
// Single precision: 16- and 24-bit values are exact in a float, and the
// rounding of the products and sums stays near 0.01 of a 16-bit step. Every
// operation is fixed, lane by lane in groups of eight and then summed in a
// fixed order, so the processor versions (see below) and every system give
// the same values.
#pragma once

#include <cstdint>

#include "output/band_limited_table.h"

namespace zelvanor {

struct BandLimitedBlock {
  int count = 0;  // output frames
  // Per frame: where its first tap lies in the windows, its table row and
  // its position between that row and the next (0 <= blend < 1).
  const std::int32_t* offsets = nullptr;
  const std::int32_t* phases = nullptr;
  const float* blends = nullptr;
  // Per channel: the source values the taps read (offsets[k] + taps() values
  // from each frame's offset on), and where the frame's results go.
  const float* const* windows = nullptr;
  std::int32_t* const* results = nullptr;
};

// Fills the results of `channels` channels (1 to 4) for a sample width of
// `width` bytes (2 or 3); returns how many values had to be saturated.
std::uint64_t FilterBandLimitedBlock(const BandLimitedTable& table, const BandLimitedBlock& block, int channels,
                                     int width);

}  // namespace zelvanor
