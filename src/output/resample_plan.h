// What the frame loops of the data chunk share: the plan fixed before the
// first frame, and the hand-over of assembled output frames.
#pragma once

#include <cstdint>
#include <span>

#include "output/byte_sink.h"
#include "output/map_position.h"
#include "output/whole_loop.h"

namespace zelvanor {

struct ResamplePlan {
  const std::uint8_t* frames = nullptr;  // the body's whole frames
  std::uint64_t frame_count = 0;         // F
  std::int64_t output_frames = 0;        // N, at least 2 for the interpolating kernels
  int width = 2;                         // bytes per sample value
  int channels = 1;
  double tuning_factor = 1.0;
  CutRegion cut;
  WholeLoop whole_loop;  // the band-limited kernel's loop, when kept
  bool dump = false;     // frame lines at verbosity 5
};

// Hands `bytes` (whole output frames, the first of them frame `first`) to
// the sink, after the lines of those among the last nine frames (never
// frame 0) at verbosity 5.
void StoreOutputFrames(std::span<const std::uint8_t> bytes, std::int64_t first, const ResamplePlan& plan,
                       ByteSink& sink);

}  // namespace zelvanor
