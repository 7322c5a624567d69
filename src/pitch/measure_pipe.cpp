#include "pitch/pipe_pitch.h"

namespace zelvanor::pitch {

PitchMeasurement MeasurePipePitch(std::span<const std::uint8_t> image, const SourceAnalysis& analysis,
                                  const PitchHint& hint) {
  (void)image;
  (void)analysis;
  (void)hint;
  PitchMeasurement measurement;
  measurement.problem = "not measured yet";
  return measurement;
}

}  // namespace zelvanor::pitch
