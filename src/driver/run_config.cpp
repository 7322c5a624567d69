#include "driver/run_config.h"

#include <algorithm>

#include "common/console.h"
#include "common/run_error.h"
#include "driver/detune.h"
#include "platform/usable_cores.h"

namespace zelvanor {
namespace {

// M without A= reports against the standard of today's instruments.
constexpr double kStandardPitch = 440.0;

}  // namespace

RunConfig BuildRunConfig(std::span<const std::string> words_after_program,
                         const std::string& executable_path, const TemperamentLoader& load) {
  Arguments arguments = SplitArguments(words_after_program);
  OptionOutcome options = ParseOptions(arguments.options, load);

  RunConfig config;
  config.executable_path = executable_path;
  config.source_pattern = std::move(arguments.source_pattern);
  config.destination = std::move(arguments.destination);
  config.detune = std::move(arguments.detune);
  config.settings = options.settings;
  config.original = std::move(options.original);
  config.parallel_files =
      options.parallel_files.value_or(std::min(platform::UsableCores(), kMaxParallelFiles));

  const bool to_standard = options.pitch_standard || options.report_pitches;
  const char* const standard_option = options.report_pitches ? "M" : "A=";
  const bool temperament = ClassifyDetune(config.detune) == DetuneForm::kTemperament;
  if (to_standard && !temperament) {
    ThrowFatal("%s needs a temperament as detune value (Equal, Werckmeister_III, Kellner+2), not %s\n",
               standard_option, config.detune.c_str());
  }
  // The factor is range-checked per file, not here: in temperament mode it
  // differs per file, and a pattern that matches nothing reports that first.
  if (temperament) {
    config.target = load(TemperamentSlot::kTarget, config.detune, config.settings);
    config.mode = options.report_pitches ? TuningMode::kPitchReport
                  : options.pitch_standard   ? TuningMode::kPitchStandard
                                             : TuningMode::kTemperament;
  } else {
    config.base_factor = DetuneToFactor(config.detune);
  }
  if (to_standard) {
    config.a4_hz = options.pitch_standard.value_or(kStandardPitch);
    // Each pipe's own pitch takes the place of an assumed original temperament.
    if (options.original_named && config.settings.verbosity > 1) {
      Print("T= has no effect with %s: each pipe's own pitch is used instead\n", standard_option);
    }
  }
  return config;
}

}  // namespace zelvanor
