#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/settings.h"
#include "wave/source_analysis.h"
#include "wavpack/wavpack_format.h"

namespace zelvanor {

// Writes the retuned WAVE file for one analysed source at
// `destination_path`, packed with WavPack as `wavpack` says when the source
// was. The file appears only when complete; every failure throws RunError
// and leaves nothing under the destination name.
void GenerateOutput(const std::string& source_path, const std::string& destination_path,
                    double tuning_factor, std::span<const std::uint8_t> image,
                    const SourceAnalysis& analysis, const Settings& settings,
                    const std::optional<WavPackFormat>& wavpack = std::nullopt);

}  // namespace zelvanor
