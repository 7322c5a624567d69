#include "driver/pitch_standard_run.h"

#include <cmath>

#include "common/console.h"
#include "common/run_error.h"
#include "common/series_math.h"
#include "driver/pipe_measuring.h"
#include "tuning/note_names.h"
#include "tuning/pitch_standard.h"

namespace zelvanor {
namespace {

// Before the first output exists: the run ends and the set stays as it was.
[[noreturn]] void StopBeforeWriting(const PipePitch& pipe, const std::string& reason) {
  ThrowFatal("%s: %s; nothing is written\n", pipe.source_path.c_str(), reason.c_str());
}

PipeTuning TuningFor(const RunConfig& config, const PipePitch& pipe) {
  PipeTuning tuning;
  if (pipe.skipped) return tuning;
  const bool stands_in = StatementStandsIn(pipe);
  const bool stated = !pipe.measured || stands_in;  // S took the statement, or it stands in
  if (pipe.measured && !pipe.measured->reliable && !stands_in) {
    StopBeforeWriting(pipe, Format("pitch not measured reliably (%s)", pipe.measured->problem.c_str()));
  }
  const double pitch = stated ? *pipe.stated_hz : pipe.measured->hz;
  if (!(pitch > 0) || !std::isfinite(pitch)) StopBeforeWriting(pipe, "no pitch found");
  const double target_hz = TargetPitch(pipe.note, config.target, config.a4_hz, pitch);
  if (std::isnan(target_hz)) StopBeforeWriting(pipe, "the temperament gives its note no pitch");
  tuning.target_pitch = MidiCentsOfPitch(target_hz);
  tuning.factor = target_hz / pitch;
  const double cents = series::CentsOfRatio(tuning.factor);
  if (std::fabs(cents) > kLargestCorrectionCents) {
    StopBeforeWriting(pipe, Format("correction of %+.2f cents is beyond 300 cents (check O= and the file name)", cents));
  }
  if (stands_in) {
    tuning.warning = Format("Warning: %s: pitch not measured reliably (%s); tuned from its stated pitch %.3f Hz\n",
                            pipe.source_path.c_str(), pipe.measured->problem.c_str(), pitch);
  }
  tuning.pitch_line = Format("Pitch of %s: note %s, %.3f Hz %s, target %.3f Hz, correction %+.2f cents\n",
                             pipe.source_path.c_str(), kNoteNames[static_cast<std::size_t>(pipe.note)], pitch,
                             stated ? "stated" : "measured", target_hz, cents);
  return tuning;
}

}  // namespace

std::vector<PipeTuning> TuningsToPitchStandard(const RunConfig& config, const std::vector<std::string>& names,
                                               std::size_t lanes) {
  std::vector<PipeTuning> tunings;
  tunings.reserve(names.size());
  // A file's messages are dropped here (a pipe's and a skipped file's
  // alike): the writing pass loads it again and prints them then, in their
  // place among the other files' lines.
  MeasurePipes(config, names, lanes, [&](const PipePitch& pipe) { tunings.push_back(TuningFor(config, pipe)); });
  return tunings;
}

}  // namespace zelvanor
