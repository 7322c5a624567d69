#include "output/retune_job.h"

#include "common/series_math.h"
#include "output/output_pitch.h"

namespace zelvanor {

RetuneJob MakeRetuneJob(std::span<const std::uint8_t> image, const SourceAnalysis& analysis,
                        const Settings& settings, double tuning_factor, std::optional<double> target_pitch) {
  const KernelKind kernel = KernelForQuality(settings.quality);
  const WholeLoop whole_loop = kernel == KernelKind::kBandLimited
                                   ? PlanWholeLoop(analysis, tuning_factor)
                                   : WholeLoop{.requested_factor = tuning_factor, .factor = tuning_factor};
  const bool states_target = target_pitch && settings.update_stated_pitch;
  // Q=3 moves the pitch by f' / f to keep the loop whole; the statement follows.
  const std::optional<double> stated_pitch =
      states_target ? *target_pitch + series::CentsOfRatio(whole_loop.factor / whole_loop.requested_factor)
                    : StatedPitchAfterRetune(analysis, settings, whole_loop.factor);
  return RetuneJob{image,
                   analysis,
                   settings,
                   whole_loop.factor,
                   CutRegionFor(analysis, settings),
                   DummyLoopFramesFor(analysis, settings),
                   kernel,
                   whole_loop,
                   stated_pitch,
                   states_target};
}

}  // namespace zelvanor
