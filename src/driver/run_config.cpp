#include "driver/run_config.h"

#include <algorithm>

#include "driver/detune.h"
#include "platform/usable_cores.h"

namespace zelvanor {

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

  // The factor is range-checked per file, not here: in temperament mode it
  // differs per file, and a pattern that matches nothing reports that first.
  if (ClassifyDetune(config.detune) == DetuneForm::kTemperament) {
    config.target = load(TemperamentSlot::kTarget, config.detune, config.settings);
    config.mode = TuningMode::kTemperament;
  } else {
    config.base_factor = DetuneToFactor(config.detune);
  }
  return config;
}

}  // namespace zelvanor
