// The frame loop of Q=3: every output frame, the first and the last
// included, made by the band-limited kernel.
//
// Output frame k lies at source position k * f (positions counted with the
// cut left out, as MapPosition counts them), computed exactly in integers:
// with the sustain loop kept whole f is L/L', otherwise the factor to 28
// binary places. The frames of a kept loop read the source loop as if it
// repeated; all others read the recording as it is, its first and last
// frames standing for what lies beyond them.
#pragma once

#include <cstdint>

#include "output/byte_sink.h"
#include "output/resample_plan.h"

namespace zelvanor {

// Writes output frames 0 to N - 1 (N >= 1); returns how many values had to
// be saturated to the sample width.
std::uint64_t WriteBandLimitedFrames(const ResamplePlan& plan, ByteSink& sink);

}  // namespace zelvanor
