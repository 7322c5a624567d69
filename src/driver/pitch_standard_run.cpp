#include "driver/pitch_standard_run.h"

#include <cmath>

#include "common/console.h"
#include "common/run_error.h"
#include "driver/pipe_measuring.h"
#include "tuning/note_names.h"
#include "tuning/pitch_standard.h"

namespace zelvanor {
namespace {

// Before the first output exists: the run ends and the set stays as it was.
[[noreturn]] void StopBeforeWriting(const PipeJudgement& judged, const std::string& reason) {
  ThrowFatal("%s: %s; nothing is written\n", judged.source_path.c_str(), reason.c_str());
}

// The first problem A= cannot tune past stops the run; measured and stated
// pitches apart are only M's concern, A= goes by the measured one. A pitch
// not measured reliably but whose statement it bears out is tuned from the
// statement, with a warning in the writing pass.
void StopForProblems(const PipeJudgement& judged) {
  for (const PipeProblem problem : judged.problems) {
    switch (problem) {
      case PipeProblem::kNotMeasuredReliably:
        if (judged.pitch_origin == PitchOrigin::kStatedInstead) break;
        StopBeforeWriting(judged, Format("pitch not measured reliably (%s)", judged.measurement_problem.c_str()));
      case PipeProblem::kNoPitch:
        StopBeforeWriting(judged, "no pitch found");
      case PipeProblem::kNoTargetPitch:
        StopBeforeWriting(judged, "the temperament gives its note no pitch");
      case PipeProblem::kBeyondLargestCorrection:
        StopBeforeWriting(judged, Format("correction of %+.2f cents is beyond %.0f cents (check O= and the file name)",
                                         judged.correction_cents, kLargestCorrectionCents));
      case PipeProblem::kMeasuredAndStatedApart:
        break;
    }
  }
}

}  // namespace

std::vector<PipeJudgement> TuningsToPitchStandard(const RunConfig& config, const std::vector<std::string>& names,
                                                  std::size_t lanes) {
  std::vector<PipeJudgement> tunings;
  tunings.reserve(names.size());
  // A file's messages are dropped here (a pipe's and a skipped file's
  // alike): the writing pass loads it again and prints them then, in their
  // place among the other files' lines.
  MeasurePipes(config, names, lanes, [&](std::size_t, const PipePitch& pipe, const std::string& /*messages*/) {
    tunings.push_back(JudgePipe(config, pipe));
    StopForProblems(tunings.back());
  });
  return tunings;
}

void PrintPitchLines(const PipeJudgement& judged, int verbosity) {
  if (judged.pitch_origin == PitchOrigin::kStatedInstead && verbosity != 0) {
    Print("Warning: %s: pitch not measured reliably (%s); tuned from its stated pitch %.3f Hz\n",
          judged.source_path.c_str(), judged.measurement_problem.c_str(), *judged.pitch_hz);
  }
  if (verbosity < 2) return;
  Print("Pitch of %s: note %s, %.3f Hz %s, target %.3f Hz, correction %+.2f cents\n", judged.source_path.c_str(),
        kNoteNames[static_cast<std::size_t>(judged.note)], *judged.pitch_hz,
        judged.pitch_origin == PitchOrigin::kMeasured ? "measured" : "stated", *judged.target_hz,
        judged.correction_cents);
}

}  // namespace zelvanor
