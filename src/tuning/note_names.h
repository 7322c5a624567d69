#pragma once

#include <array>

namespace zelvanor {

// The notes of the octave as the program spells them. Their index, 0 (C)
// to 11 (B), is the note index everywhere: in Temperament::cents, in
// GuessNoteIndex and in the "Tuning to" line.
inline constexpr std::array<const char*, 12> kNoteNames = {
    "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

}  // namespace zelvanor
