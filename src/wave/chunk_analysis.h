#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/settings.h"
#include "wave/source_analysis.h"

namespace zelvanor {

// Checks that `image` is a RIFF/WAVE file, walks its chunks once, describes
// them at the higher verbosities and records what the output needs.
// Nothing (after a message) when the image is not RIFF/WAVE: the source is
// skipped. Format and consistency errors throw RunError (exit code 99).
// `path` is used only in messages.
std::optional<SourceAnalysis> AnalyseSource(const std::string& path,
                                            std::span<const std::uint8_t> image,
                                            const Settings& settings);

}  // namespace zelvanor
