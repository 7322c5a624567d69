#include "output/generate_output.h"

#include "common/run_error.h"
#include "output/file_sink.h"
#include "output/write_retuned_wave.h"

namespace zelvanor {

void GenerateOutput(const std::string& source_path, const std::string& destination_path,
                    double tuning_factor, std::span<const std::uint8_t> image,
                    const SourceAnalysis& analysis, const Settings& settings) {
  // If anything below throws, the file's destructor deletes the temporary.
  platform::OutputFile file;
  WriteOutputFile(source_path, destination_path, tuning_factor, image, analysis, settings, file);
  PutOutputInPlace(file);
}

void WriteOutputFile(const std::string& source_path, const std::string& destination_path,
                     double tuning_factor, std::span<const std::uint8_t> image,
                     const SourceAnalysis& analysis, const Settings& settings,
                     platform::OutputFile& file) {
  if (!file.Create(destination_path)) {
    ThrowExit(kExitFailure, "can't create new file %s\n", destination_path.c_str());
  }
  FileSink sink(file);
  WriteRetunedWave(source_path, destination_path, MakeRetuneJob(image, analysis, settings, tuning_factor),
                   sink);
  if (!file.Finish()) ThrowWriteFailed();
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

}  // namespace zelvanor
