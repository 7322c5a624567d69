#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/settings.h"
#include "output/write_retuned_wave.h"
#include "platform/output_file.h"
#include "wave/source_analysis.h"
#include "wavpack/wavpack_format.h"

namespace zelvanor {

// Writes the retuned WAVE file for one analysed source at
// `destination_path`, packed with WavPack as `wavpack` says when the source
// was. The file appears only when complete; every failure throws RunError
// and leaves nothing under the destination name. It is the two steps below,
// one after the other. A `target_pitch` is stated in smpl (MakeRetuneJob).
RetunedWaveSummary GenerateOutput(const std::string& source_path, const std::string& destination_path,
                                  double tuning_factor, std::span<const std::uint8_t> image,
                                  const SourceAnalysis& analysis, const Settings& settings,
                                  const std::optional<WavPackFormat>& wavpack = std::nullopt);

// The retuned file written completely into `file`, a new temporary file
// beside `destination_path`, and closed; not yet in place. Throws RunError
// ("can't create new file", exit code 1; a failed write or a format error,
// 99); `file` may then still hold a temporary, which its Discard or its
// destructor removes. Folders after the first `new_folders_from`
// characters of `destination_path` may be missing: they are made when the
// file is put in place (platform::OutputFile::Create).
RetunedWaveSummary WriteOutputFile(const std::string& source_path, const std::string& destination_path,
                                   double tuning_factor, std::span<const std::uint8_t> image,
                                   const SourceAnalysis& analysis, const Settings& settings,
                                   const std::optional<WavPackFormat>& wavpack,
                                   platform::OutputFile& file,
                                   std::optional<double> target_pitch = std::nullopt,
                                   std::size_t new_folders_from = std::string::npos);

// Renames a file finished by WriteOutputFile into place. Throws RunError
// when it cannot ("can't create new file", exit code 1: the destination is
// a directory, say, or a folder on its way cannot be made); the temporary
// is removed then.
void PutOutputInPlace(platform::OutputFile& file);

// After a finished output whose interpolated values had to be saturated:
// one line at every verbosity but 0. Saturation keeps an overshoot from
// wrapping into a full-scale click, but the pipe was too hot for its retune
// and its builder should know. Nothing for an output without such values.
void PrintSaturationWarning(const std::string& destination_path, const RetunedWaveSummary& summary,
                            const Settings& settings);

}  // namespace zelvanor
