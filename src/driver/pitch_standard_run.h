// A= over the measuring pass: each pipe judged (pipe_judgement.h), every
// factor found before the first output is written.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "driver/pipe_judgement.h"
#include "driver/run_config.h"

namespace zelvanor {

// Every file's judgement, in file order, found before anything is written.
// A pipe whose pitch is not measured reliably (and states none that the
// measurement bears out, pipe_judgement.h), or whose correction exceeds
// kLargestCorrectionCents, ends the run here (RunError, exit code 99) with
// one line naming the file and the reason: a set is never left half tuned.
// A file that is no pipe comes back `skipped`: the writing pass loads it
// again and says why it is skipped, in its turn.
std::vector<PipeJudgement> TuningsToPitchStandard(const RunConfig& config, const std::vector<std::string>& names,
                                                  std::size_t lanes);

// The lines of a pipe the writing pass retunes, before its Tune line: at
// V>=1 the warning of a pipe tuned from its statement as its pitch was not
// measured reliably; at V=2 note, pitch and its origin, target, correction.
void PrintPitchLines(const PipeJudgement& judged, int verbosity);

}  // namespace zelvanor
