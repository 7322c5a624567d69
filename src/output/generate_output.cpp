#include "output/generate_output.h"

#include "common/run_error.h"
#include "output/file_sink.h"
#include "output/wavpack_sink.h"
#include "output/write_retuned_wave.h"
#include "platform/output_file.h"

namespace zelvanor {

void GenerateOutput(const std::string& source_path, const std::string& destination_path,
                    double tuning_factor, std::span<const std::uint8_t> image,
                    const SourceAnalysis& analysis, const Settings& settings,
                    const std::optional<WavPackFormat>& wavpack) {
  // The file is written under a temporary name and renamed when complete;
  // if anything below throws, its destructor deletes the temporary file.
  platform::OutputFile file;
  if (!file.Create(destination_path)) {
    ThrowExit(kExitFailure, "can't create new file %s\n", destination_path.c_str());
  }
  FileSink sink(file);
  const RetuneJob job = MakeRetuneJob(image, analysis, settings, tuning_factor);
  if (wavpack) {
    WavPackSink packed(*wavpack, sink);
    WriteRetunedWave(source_path, destination_path, job, packed);
    packed.Finish();
  } else {
    WriteRetunedWave(source_path, destination_path, job, sink);
  }
  switch (file.Commit()) {
    case platform::OutputFile::CommitResult::kDone:
      return;
    case platform::OutputFile::CommitResult::kWriteFailed:
      ThrowWriteFailed();
    case platform::OutputFile::CommitResult::kRenameFailed:
      ThrowExit(kExitFailure, "can't create new file %s\n", destination_path.c_str());
  }
}

}  // namespace zelvanor
