// Which frames of a pipe its pitch is measured from. A held key repeats the
// sustain loop, so where there is one the loop is the steady part. Without
// one (release files, percussive samples) it is the stretch after the
// attack whose loudness changes least.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "wave/source_analysis.h"

namespace zelvanor::pitch {

struct FrameRange {
  std::uint32_t first = 0;
  std::uint32_t count = 0;  // 0: no stretch long enough
};

// A second is plenty: the fit's precision grows with the stretch's length
// cubed, and a second of a 30 Hz pipe still holds 30 periods.
inline constexpr double kLongestStretchSeconds = 1.0;

// The loop, or its middle second. (Never the frames before it: a short
// loop may start right behind the attack.)
FrameRange LoopStretch(const LoopPoints& loop, std::uint32_t sample_rate);

// The loudness of the first few seconds of `readable` frames, block by
// block: the sound lasts from where the attack reaches half the loudest
// block's amplitude to where the release falls below it for good.
struct Loudness {
  std::uint32_t block = 1;  // frames
  std::vector<double> power;
  std::uint32_t attack = 0;   // the first block past the attack
  std::uint32_t release = 0;  // the first block of the release
};
Loudness ScanLoudness(std::span<const std::uint8_t> image, const SourceAnalysis& analysis, std::uint32_t readable);

// The steadiest stretch of up to a second before the release, behind the
// attack and
// `settling_frames` more (a pipe's speech settles after its transient),
// where the file leaves room for them.
FrameRange SteadiestStretch(const Loudness& loudness, std::uint32_t settling_frames);

}  // namespace zelvanor::pitch
