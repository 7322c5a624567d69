#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/settings.h"
#include "output/write_retuned_wave.h"
#include "wave/source_analysis.h"

namespace zelvanor {

// Writes the retuned WAVE file for one analysed source at
// `destination_path`. The file appears only when complete; every failure
// throws RunError and leaves nothing under the destination name.
RetunedWaveSummary GenerateOutput(const std::string& source_path, const std::string& destination_path,
                                  double tuning_factor, std::span<const std::uint8_t> image,
                                  const SourceAnalysis& analysis, const Settings& settings);

// After a finished output whose interpolated values had to be saturated:
// one line at every verbosity but 0. Saturation keeps an overshoot from
// wrapping into a full-scale click, but the pipe was too hot for its retune
// and its builder should know. Nothing for an output without such values.
void PrintSaturationWarning(const std::string& destination_path, const RetunedWaveSummary& summary,
                            const Settings& settings);

}  // namespace zelvanor
