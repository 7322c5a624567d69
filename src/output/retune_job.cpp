#include "output/retune_job.h"

#include "output/output_pitch.h"

namespace zelvanor {

RetuneJob MakeRetuneJob(std::span<const std::uint8_t> image, const SourceAnalysis& analysis,
                        const Settings& settings, double tuning_factor) {
  const KernelKind kernel = KernelForQuality(settings.quality);
  const WholeLoop whole_loop = kernel == KernelKind::kBandLimited
                                   ? PlanWholeLoop(analysis, tuning_factor)
                                   : WholeLoop{.requested_factor = tuning_factor, .factor = tuning_factor};
  return RetuneJob{image,
                   analysis,
                   settings,
                   whole_loop.factor,
                   CutRegionFor(analysis, settings),
                   DummyLoopFramesFor(analysis, settings),
                   kernel,
                   whole_loop,
                   StatedPitchAfterRetune(analysis, settings, whole_loop.factor)};
}

}  // namespace zelvanor
