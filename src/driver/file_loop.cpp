#include "driver/file_loop.h"

#include <optional>

#include "common/console.h"
#include "common/run_error.h"
#include "driver/command_line.h"
#include "driver/detune.h"
#include "driver/source_paths.h"
#include "output/generate_output.h"
#include "platform/directory.h"
#include "platform/file_system.h"
#include "tuning/tuning_factor.h"
#include "wave/chunk_analysis.h"
#include "wave/source_file.h"

namespace zelvanor {
namespace {

double TuningFactorFor(const RunConfig& config, const std::string& source_path) {
  if (config.mode == TuningMode::kTemperament) {
    return TemperamentTuningFactor(source_path, config.original, config.target, config.settings);
  }
  return config.base_factor;
}

void ProcessFile(const RunConfig& config, const std::string& file_name, SourceBuffers& buffers) {
  const std::string source_path = SourcePathFor(config.source_pattern, file_name);
  const std::string destination_path = DestinationPathFor(config.destination, file_name);

  // The file was listed a moment ago; if it is gone now, something else is
  // working on the folder and carrying on would be guesswork.
  if (!platform::FileSize(source_path)) {
    Print("can't find source-file %s\n", source_path.c_str());
    ThrowUsage();
  }

  const double tuning_factor = TuningFactorFor(config, source_path);
  CheckTuningFactor(tuning_factor);

  const std::optional<LoadedSource> source = LoadSource(source_path, buffers);
  if (!source) return;
  const std::optional<SourceAnalysis> analysis = AnalyseSource(source_path, source->wave, config.settings);
  if (!analysis) return;
  GenerateOutput(source_path, destination_path, tuning_factor, source->wave, *analysis, config.settings,
                 source->wavpack);
}

}  // namespace

void ProcessMatchingFiles(const RunConfig& config) {
  CheckRunPaths(config.source_pattern, config.destination);
  const std::vector<std::string> names = platform::MatchFiles(config.source_pattern);
  if (names.empty()) {
    ThrowExit(kExitFatal, "can't find source-file %s\n", config.source_pattern.c_str());
  }
  SourceBuffers buffers;
  for (const std::string& name : names) ProcessFile(config, name, buffers);
}

}  // namespace zelvanor
