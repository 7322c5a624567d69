// The coarse pitch: the period where the pipe's waveform best repeats
// itself (a cumulative-mean-normalised difference function, which dips at
// every multiple of the period and not at fractions of it, so a reed's weak
// fundamental or a stopped pipe's strong third partial does not mislead it).
// The hint decides only where a false period competes with the true one;
// periods too short for the difference function come from the spectrum.
#pragma once

#include "pitch/pipe_frames.h"
#include "pitch/pipe_pitch.h"

namespace zelvanor::pitch {

// The lowest pitch looked for: the 16' C sounds 32.7 Hz, and the lowest
// pitch standards (392 Hz) take it down to 29 Hz.
inline constexpr double kLowestPitch = 25.0;

// 0 when no period stands out (noise, or too few frames for one).
double SearchPeriod(const PipeFrames& frames, const PitchHint& hint);

}  // namespace zelvanor::pitch
