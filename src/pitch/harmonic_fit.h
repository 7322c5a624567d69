// The fine pitch: the fundamental fitted from several harmonics at once.
// Each harmonic h is followed through short overlapping stretches of the
// steady part; the drift of its phase from stretch to stretch is h times the
// fundamental's frequency error. Weighted by their strength, the harmonics
// agree on one fundamental, so a stopped pipe (strong odd partials, weak
// even ones) and a reed (weak fundamental) are measured as well as a flue
// whose fundamental dominates.
#pragma once

#include "pitch/pipe_frames.h"

namespace zelvanor::pitch {

struct HarmonicFit {
  double hz = 0.0;
  // The share of the stretch's power in the fitted harmonics: near 1 for a
  // steady tone, well below for noise or a changing sound.
  double harmonic_share = 0.0;
};

// The harmonics need at least this many periods of the pitch to be told
// apart and followed (three or more half-overlapping stretches of three
// periods, with room to spare).
inline constexpr double kShortestFitPeriods = 8.0;

// Refines `coarse_hz` (within a few percent) over all of `frames`, which
// hold at least kShortestFitPeriods periods of it.
HarmonicFit FitHarmonics(const PipeFrames& frames, double coarse_hz);

}  // namespace zelvanor::pitch
