// The pitch a smpl chunk states, as cents on the MIDI note scale (100 per
// note, note 69 the A of 440 Hz), and back. Players of organ sample sets
// read the two fields as the pipe's actual pitch, so an output that moves
// the pitch rewrites them through these.
#pragma once

#include <optional>

#include "wave/source_analysis.h"

namespace zelvanor {

// 100 × dwMIDIUnityNote + 100 × dwMIDIPitchFraction / 2^32. Exact for every
// note up to 127 (44 significant bits at most), so a statement converted
// there and back is the same statement.
double CentsOfStatement(StatedPitch pitch);

// The fields that state `cents`: unity = floor(cents / 100), fraction =
// (cents / 100 - unity) × 2^32 rounded half up through a 64-bit integer;
// a fraction that rounds to 2^32 is the next note's 0. None when the
// result is no statement a smpl chunk can make: below note 0 or above
// note 127 (a 7-bit MIDI note), or exactly note 0 with fraction 0, which
// players read as "no pitch stated".
std::optional<StatedPitch> StatementOfCents(double cents);

}  // namespace zelvanor
