// Which frames of a pipe its pitch is measured from. A held key repeats the
// sustain loop, so where there is one the loop is the steady part. Without
// one (release files, percussive samples) it is the stretch after the
// attack whose loudness changes least.
#pragma once

#include <cstdint>
#include <span>

#include "wave/source_analysis.h"

namespace zelvanor::pitch {

struct FrameRange {
  std::uint32_t first = 0;
  std::uint32_t count = 0;  // 0: no stretch long enough
};

// A second is plenty: the fit's precision grows with the stretch's length
// cubed, and a second of a 30 Hz pipe still holds 30 periods.
inline constexpr double kLongestStretchSeconds = 1.0;
// Loops shorter than this are measured together with the frames before
// them, which a loop is cut from the steady tone to match.
inline constexpr double kShortestStretchSeconds = 0.25;

// The loop, or its middle second; a short loop with the frames before it.
FrameRange LoopStretch(const LoopPoints& loop, std::uint32_t sample_rate);

// The steadiest stretch among the first few seconds of `readable` frames,
// read block by block.
FrameRange SteadiestStretch(std::span<const std::uint8_t> image, const SourceAnalysis& analysis,
                            std::uint32_t readable);

}  // namespace zelvanor::pitch
