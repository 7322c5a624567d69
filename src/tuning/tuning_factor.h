#pragma once

#include <string>

#include "driver/settings.h"
#include "tuning/temperament.h"

namespace zelvanor {

// The note index 0 (C) to 11 (B) named by the file name of `source_path`;
// throws RunError (exit code 99) when no note can be guessed.
int GuessNoteIndex(const std::string& source_path);

// The file's tuning factor in temperament mode: the ratio between its
// note's pitch in `target` and in `original`, each shifted by its offset.
double TemperamentTuningFactor(const std::string& source_path, const Temperament& original,
                               const Temperament& target, const Settings& settings);

}  // namespace zelvanor
