// A= and M over the measuring pass: each pipe's target from its note and
// its pitch, then either every factor (A=, before the first output is
// written) or the report (M, no audio written).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "driver/run_config.h"

namespace zelvanor {

// How the writing pass handles one file in A= mode. A file that is no
// pipe keeps the defaults: the writing pass loads it again and says why it
// is skipped, in its turn.
struct PipeTuning {
  double factor = 1.0;        // target / pitch
  double target_pitch = 0.0;  // what the output states: cents on the MIDI note scale
  std::string pitch_line;     // the V=2 line: note, pitch and its origin, target, correction
  std::string warning;        // V>=1: tuned from its statement as its pitch was not measured reliably
};

// Every file's tuning, found before anything is written. A pipe whose
// pitch is not measured reliably, or whose correction exceeds 300 cents,
// ends the run here (RunError, exit code 99) with one line naming the file
// and the reason: a set is never left half tuned.
std::vector<PipeTuning> TuningsToPitchStandard(const RunConfig& config, const std::vector<std::string>& names,
                                               std::size_t lanes);

// M: a line per pipe and the page pitch-report.html in the destination
// folder; no audio is written.
void ReportPitches(const RunConfig& config, const std::vector<std::string>& names, std::size_t lanes);

}  // namespace zelvanor
