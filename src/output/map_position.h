// How a source frame position becomes an output frame position: moved down
// past the cut, divided by the tuning factor, rounded (+0.5, then
// truncated toward zero). Cue points, loops, text lengths and the output
// frame count all go through here, so the audio and its markers stay in step.
#pragma once

#include <cstdint>

#include "common/settings.h"
#include "wave/source_analysis.h"

namespace zelvanor {

// The source frames [first, limit) that the output leaves out: the stretch
// between the sustain loop and the release. Empty unless the analysis found
// one and KeepUnusedPart is off.
struct CutRegion {
  std::uint32_t first = 0;
  std::uint32_t limit = 0;

  bool active() const { return first != 0 && first < limit; }
  std::uint32_t length() const { return active() ? limit - first : 0; }
};

CutRegion CutRegionFor(const SourceAnalysis& analysis, const Settings& settings);

// p moved down past the cut. A position strictly inside the cut has no place
// in the output: fatal (exit code 99).
std::uint32_t MovePastCut(std::uint32_t position, const CutRegion& cut);

// position / factor + 0.5, truncated toward zero, before any 32-bit wrap.
// Factors outside the driver's range cannot make it undefined: results that
// do not fit 64 bits saturate, and a NaN gives 0.
std::int64_t ScalePosition(std::uint32_t position, double tuning_factor);

// ScalePosition's low 32 bits: the new length of a text region (a cut does
// not shorten one).
std::uint32_t ScaleLength(std::uint32_t length, double tuning_factor);

std::uint32_t MapPosition(std::uint32_t position, double tuning_factor, const CutRegion& cut);

}  // namespace zelvanor
