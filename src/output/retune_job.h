// Everything the output stage needs to know about one source: its image,
// what the analysis found, the run's settings and the file's factor, plus
// the two decisions derived from them that several writers share.
#pragma once

#include <cstdint>
#include <span>

#include "common/settings.h"
#include "output/map_position.h"
#include "wave/source_analysis.h"

namespace zelvanor {

struct RetuneJob {
  std::span<const std::uint8_t> image;
  const SourceAnalysis& analysis;
  const Settings& settings;
  double tuning_factor = 1.0;
  CutRegion cut;
  // Frames of the silent dummy loop (L=) when one is appended, else 0.
  std::uint32_t dummy_loop_frames = 0;
};

// A dummy loop goes only to sources without a sustain loop. A negative L=
// means nothing sensible and counts as 0.
inline std::uint32_t DummyLoopFramesFor(const SourceAnalysis& analysis, const Settings& settings) {
  if (settings.dummy_loop_length <= 0 || analysis.loop_end != 0 || analysis.release_start != 0) return 0;
  return static_cast<std::uint32_t>(settings.dummy_loop_length);
}

inline RetuneJob MakeRetuneJob(std::span<const std::uint8_t> image, const SourceAnalysis& analysis,
                               const Settings& settings, double tuning_factor) {
  return RetuneJob{image, analysis, settings, tuning_factor, CutRegionFor(analysis, settings),
                   DummyLoopFramesFor(analysis, settings)};
}

}  // namespace zelvanor
