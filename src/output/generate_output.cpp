#include "output/generate_output.h"

#include "common/console.h"
#include "common/run_error.h"
#include "output/file_sink.h"
#include "output/write_retuned_wave.h"
#include "platform/output_file.h"

namespace zelvanor {

RetunedWaveSummary GenerateOutput(const std::string& source_path, const std::string& destination_path,
                                  double tuning_factor, std::span<const std::uint8_t> image,
                                  const SourceAnalysis& analysis, const Settings& settings) {
  // The file is written under a temporary name and renamed when complete;
  // if anything below throws, its destructor deletes the temporary file.
  platform::OutputFile file;
  if (!file.Create(destination_path)) {
    ThrowExit(kExitFailure, "can't create new file %s\n", destination_path.c_str());
  }
  FileSink sink(file);
  const RetunedWaveSummary summary = WriteRetunedWave(
      source_path, destination_path, MakeRetuneJob(image, analysis, settings, tuning_factor), sink);
  switch (file.Commit()) {
    case platform::OutputFile::CommitResult::kDone:
      break;
    case platform::OutputFile::CommitResult::kWriteFailed:
      ThrowWriteFailed();
    case platform::OutputFile::CommitResult::kRenameFailed:
      ThrowExit(kExitFailure, "can't create new file %s\n", destination_path.c_str());
  }
  return summary;
}

void PrintSaturationWarning(const std::string& destination_path, const RetunedWaveSummary& summary,
                            const Settings& settings) {
  if (summary.saturated_values == 0 || settings.verbosity == 0) return;
  Print("Warning: %s: %llu sample values clipped to full scale\n", destination_path.c_str(),
        static_cast<unsigned long long>(summary.saturated_values));
}

}  // namespace zelvanor
