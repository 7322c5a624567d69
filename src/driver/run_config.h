// Everything the file loop needs, fixed before the first file is touched
// and passed on by const reference.
#pragma once

#include <span>
#include <string>

#include "common/settings.h"
#include "driver/command_line.h"
#include "tuning/temperament.h"

namespace zelvanor {

enum class TuningMode {
  kFixedFactor,  // every file gets base_factor
  kTemperament,  // every file gets its own factor from its note
};

struct RunConfig {
  std::string executable_path;  // where the temperament list is looked for second
  std::string source_pattern;
  std::string destination;
  std::string detune;  // as typed; the tuning page reads it as a temperament request
  Settings settings;
  Temperament original;  // of the source recordings (T=)
  Temperament target;    // the detune argument's temperament in temperament mode
  TuningMode mode = TuningMode::kFixedFactor;
  double base_factor = 1.0;
  int parallel_files = 1;  // J=, else the usable cores (at most kMaxParallelFiles)
};

// Reads the words after the program name: the usage check, the options
// from left to right (T= loads its temperament at once), then the detune
// argument (a temperament name loads the target temperament).
RunConfig BuildRunConfig(std::span<const std::string> words_after_program,
                         const std::string& executable_path, const TemperamentLoader& load);

}  // namespace zelvanor
