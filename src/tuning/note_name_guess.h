// Sample sets name their pipes in two common ways: a key number and the note
// after a dash (036-C#.wav), or the note just before the extension, behind
// an octave number (Prin8_F#3.wav). Flats and the German H are not guessed.
#pragma once

#include <string>

namespace zelvanor {

// The note index 0 (C) to 11 (B) named by the file name of `source_path`
// (036-C#.wav, Prin8_F#3.wav, pipe_a2.wav); throws RunError (exit code 99)
// when no note can be guessed.
int GuessNoteIndex(const std::string& source_path);

}  // namespace zelvanor
