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
  // Every file goes from the pitch it sounds to its note's pitch in the
  // target temperament at A4 = a4_hz (A=).
  kPitchStandard,
  // Every pipe's pitch and that target are only reported (M): no audio.
  kPitchReport,
};

struct RunConfig {
  std::string executable_path;  // where the temperament list is looked for second
  std::string source_pattern;
  std::string destination;
  std::string detune;  // as typed; the tuning page reads it as a temperament request
  Settings settings;
  Temperament original;  // of the source recordings (T=)
  Temperament target;    // the detune argument's temperament in the modes that have one
  TuningMode mode = TuningMode::kFixedFactor;
  double base_factor = 1.0;
  double a4_hz = 0.0;  // A4 of the target in kPitchStandard and kPitchReport: A=, or 440 for M without it
  int parallel_files = 1;  // J=, else the usable cores (at most kMaxParallelFiles)
};

// Reads the words after the program name: the usage check, the options
// from left to right (T= loads its temperament at once), then the detune
// argument (a temperament name loads the target temperament). With A= or
// M the detune argument must be a temperament request (RunError, exit code
// 99, otherwise).
RunConfig BuildRunConfig(std::span<const std::string> words_after_program,
                         const std::string& executable_path, const TemperamentLoader& load);

}  // namespace zelvanor
