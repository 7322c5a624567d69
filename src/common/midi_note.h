// MIDI notes are 7-bit numbers: 0 to 127, note 69 the A of 440 Hz. The
// smpl chunk's unity note, the key numbers in pipes' file names and the
// statements Zelvanor writes all stay within them.
#pragma once

namespace zelvanor {

inline constexpr int kHighestMidiNote = 127;

}  // namespace zelvanor
