// Tuning to a pitch standard (A=): each pipe goes to its note's pitch in the
// requested temperament with A4 at the standard, in the octave of the pitch
// the pipe sounds now. The arithmetic decides the factor and so every output
// byte: fixed-order series only (common/series_math.h), no libm.
#pragma once

#include "tuning/temperament.h"

namespace zelvanor {

// The range A= accepts, in Hz: from well below the lowest historical
// standards to well above the highest.
inline constexpr double kLowestPitchStandard = 300.0;
inline constexpr double kHighestPitchStandard = 600.0;

// A pipe whose correction is larger than this, either way, is stopped for:
// at that size the note is most likely wrong (O=, the file name), not the pipe.
inline constexpr double kLargestCorrectionCents = 300.0;

// The pitch of `note` (0 = C .. 11 = B) in `temperament`, its shift
// included, with its A (note 9) at `a4_hz` shifted likewise, moved by whole
// octaves to the octave nearest `pitch_hz` (> 0, at most 1 MHz). NaN when
// the temperament puts the note a hundred octaves or more from A.
double TargetPitch(int note, const Temperament& temperament, double a4_hz, double pitch_hz);

}  // namespace zelvanor
