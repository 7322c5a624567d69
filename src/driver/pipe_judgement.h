// What the program makes of one measured pipe, for A= and M alike: the
// pitch it goes by, its target, the correction and what is wrong with it.
// A= stops the run on a problem (pitch_standard_run.h), M flags it
// (pitch_report_run.h); either way it is found here, once.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "driver/pipe_measuring.h"
#include "driver/run_config.h"

namespace zelvanor {

enum class PitchOrigin {
  kMeasured,
  kStated,  // S took the statement, or nothing was measured
  // Not measured reliably, but the measurement's best guess lies within
  // report::kInTuneCents of the statement: the audio bears the statement
  // out, so the pipe goes by it (A= tunes it and says so; M marks it).
  kStatedInstead,
};

// In the order A= looks at them: the first it stops for is the one it names.
enum class PipeProblem {
  kNotMeasuredReliably,     // `measurement_problem` says why
  kNoPitch,                 // neither measured nor stated
  kNoTargetPitch,           // the temperament gives the note no pitch
  kMeasuredAndStatedApart,  // more than report::kInTuneCents
  kBeyondLargestCorrection,  // more than kLargestCorrectionCents, for a pitch that is reliable or stated instead
};

struct PipeJudgement {
  std::string source_path;
  int note = 0;          // 0 = C .. 11 = B, from the file name, moved by O=
  bool skipped = false;  // no pipe while measuring (PipePitch::skipped): nothing else is set
  // The pitch the pipe is judged by: the measured one where the measurement
  // found one, else the statement (S, M's fallback for the octave, or a
  // statement the unreliable measurement bears out).
  std::optional<double> pitch_hz;
  PitchOrigin pitch_origin = PitchOrigin::kMeasured;
  std::optional<double> measured_hz;  // the best guess also when not reliable
  std::optional<double> stated_hz;    // from the smpl chunk, where it states one
  std::string measurement_problem;    // why the measurement is not reliable
  // Its note's pitch in the target temperament, in the octave of pitch_hz.
  std::optional<double> target_hz;
  double target_midi_cents = 0.0;  // the same on the MIDI note scale, as a smpl chunk states it
  double factor = 1.0;             // target_hz / pitch_hz: what A= resamples by
  double correction_cents = 0.0;   // the factor in cents
  std::optional<double> measured_cents, stated_cents;  // each pitch from the target
  std::vector<PipeProblem> problems;
};

PipeJudgement JudgePipe(const RunConfig& config, const PipePitch& pipe);

}  // namespace zelvanor
