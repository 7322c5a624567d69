// Sample sets name their pipes in two common ways: a key number and the note
// after a dash (036-C#.wav), or the note just before the extension, behind
// an octave number (Prin8_F#3.wav). Flats and the German H are not guessed.
#pragma once

#include <optional>
#include <string>

namespace zelvanor {

// The note index 0 (C) to 11 (B) named by the file name of `source_path`
// (036-C#.wav, Prin8_F#3.wav, pipe_a2.wav); throws RunError (exit code 99)
// when no note can be guessed.
int GuessNoteIndex(const std::string& source_path);

// The key number of a name of the form "036-C#.wav" when it agrees with
// the note (36 is a C): a MIDI note number, so the pipe's rough pitch.
// Nothing for other names or numbers that disagree.
std::optional<int> GuessMidiNote(const std::string& source_path);

}  // namespace zelvanor
