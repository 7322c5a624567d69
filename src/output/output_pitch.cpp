#include "output/output_pitch.h"

#include <string>

#include "common/console.h"
#include "common/series_math.h"
#include "output/retune_job.h"
#include "wave/stated_pitch.h"

namespace zelvanor {
namespace {

// "note 67 +3.12 cents": the unity note and the fraction in cents above it.
std::string Describe(StatedPitch pitch) {
  if (!pitch.states_a_pitch()) return "none";
  return Format("note %u %+.2f cents", static_cast<unsigned>(pitch.unity_note),
                CentsOfStatement(StatedPitch{0, pitch.pitch_fraction}));
}

}  // namespace

std::optional<double> StatedPitchAfterRetune(const SourceAnalysis& analysis, const Settings& settings,
                                             double factor) {
  if (!settings.update_stated_pitch || !analysis.stated_pitch.states_a_pitch()) return std::nullopt;
  // Cents from the fixed-order series: the fraction must be the same bits on every system.
  return CentsOfStatement(analysis.stated_pitch) + series::CentsOfRatio(factor);
}

std::optional<StatedPitch> OutputStatementFor(const RetuneJob& job, StatedPitch own) {
  if (!job.stated_pitch || (!own.states_a_pitch() && !job.states_target)) return std::nullopt;
  const StatedPitch source = job.analysis.stated_pitch;
  // A target is stated as it is wherever the source stated no pitch: a
  // chunk without one has nothing the correction could move.
  if (own == source || (job.states_target && !own.states_a_pitch())) {
    return StatementOfCents(*job.stated_pitch);
  }
  return StatementOfCents(CentsOfStatement(own) + (*job.stated_pitch - CentsOfStatement(source)));
}

void PrintStatedPitchLine(const RetuneJob& job, const char* source_path) {
  if (!job.stated_pitch) return;
  const int verbosity = job.settings.verbosity;
  const StatedPitch before = job.analysis.stated_pitch;
  if (const std::optional<StatedPitch> after = StatementOfCents(*job.stated_pitch)) {
    if (verbosity > 1) Print("Stated pitch: %s -> %s\n", Describe(before).c_str(), Describe(*after).c_str());
  } else if (verbosity != 0) {
    Print("Warning: %s: smpl can't state %.2f cents (outside MIDI notes 0 to 127); it keeps %s\n", source_path,
          *job.stated_pitch, Describe(before).c_str());
  }
}

}  // namespace zelvanor
