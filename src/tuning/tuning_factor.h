#pragma once

#include <cstdint>
#include <string>

#include "common/settings.h"
#include "tuning/temperament.h"

namespace zelvanor {

// `note_index` moved by `key_offset` semitones, wrapped into 0 to 11.
int ApplyKeyOffset(int note_index, std::int32_t key_offset);

// The file's tuning factor in temperament mode: the ratio between its
// note's pitch in `target` and in `original`, each shifted by its offset.
// Prints the "Tuning to" line when settings.verbosity is above 1.
double TemperamentTuningFactor(const std::string& source_path, const Temperament& original,
                               const Temperament& target, const Settings& settings);

// ln 2 / 1200 to eleven significant digits: a difference in cents times this
// is the natural logarithm of the frequency ratio. The digits are part of
// the output: a set retuned by the same cents must come out byte-identical
// with every version of the program.
inline constexpr double kCentsToLogRatio = 0.00057762265;

// The frequency ratio of an interval of `cents`: exp(cents * kCentsToLogRatio).
double CentsToFactor(double cents);

}  // namespace zelvanor
