#include "driver/pipe_judgement.h"

#include <cmath>

#include "common/midi_note.h"
#include "common/series_math.h"
#include "report/pitch_report.h"
#include "tuning/pitch_standard.h"

namespace zelvanor {

PipeJudgement JudgePipe(const RunConfig& config, const PipePitch& pipe) {
  PipeJudgement judged;
  judged.source_path = pipe.source_path;
  judged.note = pipe.note;
  judged.skipped = pipe.skipped;
  if (pipe.skipped) return judged;
  const std::optional<pitch::PitchMeasurement>& measured = pipe.measured;  // none where S took the statement
  if (measured && measured->hz > 0 && std::isfinite(measured->hz)) judged.measured_hz = measured->hz;
  judged.stated_hz = pipe.stated_hz;
  const bool reliable = !measured || measured->reliable;
  if (!reliable) {
    judged.problems.push_back(PipeProblem::kNotMeasuredReliably);
    judged.measurement_problem = measured->problem;
  }
  judged.pitch_hz = judged.measured_hz ? judged.measured_hz : judged.stated_hz;
  if (!judged.measured_hz) judged.pitch_origin = PitchOrigin::kStated;
  if (!reliable && judged.measured_hz && judged.stated_hz &&
      std::fabs(series::CentsOfRatio(*judged.measured_hz / *judged.stated_hz)) <= report::kInTuneCents) {
    judged.pitch_hz = judged.stated_hz;
    judged.pitch_origin = PitchOrigin::kStatedInstead;
  }
  if (!judged.pitch_hz) {
    judged.problems.push_back(PipeProblem::kNoPitch);
    return judged;
  }
  // The octave is the one the pipe sounds in.
  const double target_hz = TargetPitch(pipe.note, config.target, config.a4_hz, *judged.pitch_hz);
  if (std::isnan(target_hz)) {
    judged.problems.push_back(PipeProblem::kNoTargetPitch);
    return judged;
  }
  judged.target_hz = target_hz;
  judged.target_midi_cents = MidiCentsOfPitch(target_hz);
  judged.factor = target_hz / *judged.pitch_hz;
  judged.correction_cents = series::CentsOfRatio(judged.factor);
  if (judged.measured_hz) judged.measured_cents = series::CentsOfRatio(*judged.measured_hz / target_hz);
  if (judged.stated_hz) judged.stated_cents = series::CentsOfRatio(*judged.stated_hz / target_hz);
  if (judged.measured_cents && judged.stated_cents &&
      std::fabs(*judged.measured_cents - *judged.stated_cents) > report::kInTuneCents) {
    judged.problems.push_back(PipeProblem::kMeasuredAndStatedApart);
  }
  const bool trusted = reliable || judged.pitch_origin == PitchOrigin::kStatedInstead;
  if (trusted && std::fabs(judged.correction_cents) > kLargestCorrectionCents) {
    judged.problems.push_back(PipeProblem::kBeyondLargestCorrection);
  }
  return judged;
}

}  // namespace zelvanor
