#pragma once

#include <cstdint>
#include <string>

#include "common/settings.h"
#include "tuning/temperament.h"

namespace zelvanor {

// The note index 0 (C) to 11 (B) named by the file name of `source_path`
// (036-C#.wav, Prin8_F#3.wav, pipe_a2.wav); throws RunError (exit code 99)
// when no note can be guessed.
int GuessNoteIndex(const std::string& source_path);

// `note_index` moved by `key_offset` semitones, wrapped into 0 to 11.
int ApplyKeyOffset(int note_index, std::int32_t key_offset);

// The file's tuning factor in temperament mode: the ratio between its
// note's pitch in `target` and in `original`, each shifted by its offset.
// Prints the "Tuning to" line when settings.verbosity is above 1.
double TemperamentTuningFactor(const std::string& source_path, const Temperament& original,
                               const Temperament& target, const Settings& settings);

// ln 2 / 1200 to eleven significant digits: a difference in cents times this
// is the natural logarithm of the frequency ratio.
inline constexpr double kCentsToLogRatio = 0.00057762265;

}  // namespace zelvanor
