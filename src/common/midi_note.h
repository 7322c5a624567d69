// MIDI notes are 7-bit numbers: 0 to 127, note 69 the A of 440 Hz. The
// smpl chunk's unity note, the key numbers in pipes' file names and the
// statements Zelvanor writes all stay within them.
#pragma once

namespace zelvanor {

inline constexpr int kHighestMidiNote = 127;

// Pitches on the MIDI note scale in cents (100 per note, 6900 = A4 =
// 440 Hz), as a smpl chunk's unity note and fraction state them, and in Hz.
// Fixed-order series only (common/series_math.h): a pitch that decides a
// factor or a hint is the same bits on every machine.
double PitchOfMidiCents(double cents);
double MidiCentsOfPitch(double hz);

}  // namespace zelvanor
