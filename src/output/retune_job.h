// Everything the output stage needs to know about one source: its image,
// what the analysis found, the run's settings and the file's factor, plus
// the decisions derived from them that several writers share.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "common/settings.h"
#include "output/interpolation_kernels.h"
#include "output/map_position.h"
#include "output/whole_loop.h"
#include "wave/source_analysis.h"

namespace zelvanor {

struct RetuneJob {
  std::span<const std::uint8_t> image;
  const SourceAnalysis& analysis;
  const Settings& settings;
  // The factor every position and the audio map with: the requested one,
  // or for Q=3 the one that keeps the sustain loop whole.
  double tuning_factor = 1.0;
  CutRegion cut;
  // Frames of the silent dummy loop (L=) when one is appended, else 0.
  std::uint32_t dummy_loop_frames = 0;
  KernelKind kernel = KernelKind::kHyperbolic;
  // The requested factor (for the messages) and, for Q=3, what became of
  // the sustain loop; LoopFit::kNone for the other qualities.
  WholeLoop whole_loop;
  // The pitch the output's smpl chunks state, in cents on the MIDI note
  // scale (100 x note + fraction): by default the source's statement moved
  // by tuning_factor, the factor the audio was resampled by. None leaves
  // every smpl chunk's unity note and pitch fraction as the source has them.
  std::optional<double> stated_pitch;
};

// A dummy loop goes only to sources without a sustain loop. A negative L=
// means nothing sensible and counts as 0.
inline std::uint32_t DummyLoopFramesFor(const SourceAnalysis& analysis, const Settings& settings) {
  if (settings.dummy_loop_length <= 0 || analysis.loop_end != 0 || analysis.release_start != 0) return 0;
  return static_cast<std::uint32_t>(settings.dummy_loop_length);
}

RetuneJob MakeRetuneJob(std::span<const std::uint8_t> image, const SourceAnalysis& analysis,
                        const Settings& settings, double tuning_factor);

}  // namespace zelvanor
