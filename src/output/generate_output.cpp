#include "output/generate_output.h"

#include "common/console.h"
#include "common/run_error.h"
#include "output/file_sink.h"
#include "output/wavpack_sink.h"
#include "output/write_retuned_wave.h"
#include "platform/output_file.h"

namespace zelvanor {

RetunedWaveSummary GenerateOutput(const std::string& source_path, const std::string& destination_path,
                                  double tuning_factor, std::span<const std::uint8_t> image,
                                  const SourceAnalysis& analysis, const Settings& settings,
                                  const std::optional<WavPackFormat>& wavpack) {
  // If anything below throws, the file's destructor deletes the temporary.
  platform::OutputFile file;
  const RetunedWaveSummary summary = WriteOutputFile(source_path, destination_path, tuning_factor,
                                                     image, analysis, settings, wavpack, file);
  PutOutputInPlace(file);
  return summary;
}

RetunedWaveSummary WriteOutputFile(const std::string& source_path, const std::string& destination_path,
                                   double tuning_factor, std::span<const std::uint8_t> image,
                                   const SourceAnalysis& analysis, const Settings& settings,
                                   const std::optional<WavPackFormat>& wavpack,
                                   platform::OutputFile& file, std::optional<double> target_pitch,
                                   std::size_t new_folders_from) {
  if (!file.Create(destination_path, new_folders_from)) {
    ThrowExit(kExitFailure, "can't create new file %s\n", destination_path.c_str());
  }
  FileSink sink(file);
  const RetuneJob job = MakeRetuneJob(image, analysis, settings, tuning_factor, target_pitch);
  RetunedWaveSummary summary;
  if (wavpack) {
    WavPackSink packed(*wavpack, sink);
    summary = WriteRetunedWave(source_path, destination_path, job, packed);
    packed.Finish();
  } else {
    summary = WriteRetunedWave(source_path, destination_path, job, sink);
  }
  if (!file.Finish()) ThrowWriteFailed();
  return summary;
}

void PutOutputInPlace(platform::OutputFile& file) {
  switch (file.Commit()) {
    case platform::OutputFile::CommitResult::kDone:
      return;
    case platform::OutputFile::CommitResult::kWriteFailed:
      ThrowWriteFailed();
    case platform::OutputFile::CommitResult::kRenameFailed:
      ThrowExit(kExitFailure, "can't create new file %s\n", file.final_path().c_str());
  }
}

void PrintSaturationWarning(const std::string& destination_path, const RetunedWaveSummary& summary,
                            const Settings& settings) {
  if (summary.saturated_values == 0 || settings.verbosity == 0) return;
  Print("Warning: %s: %llu sample values clipped to full scale\n", destination_path.c_str(),
        static_cast<unsigned long long>(summary.saturated_values));
}

}  // namespace zelvanor
