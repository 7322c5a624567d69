// The pitch each output states in its smpl chunks (dwMIDIUnityNote and
// dwMIDIPitchFraction). Organ players take those fields as the pipe's
// actual pitch and retune the pipe from it to their temperament; a
// statement left at the source's pitch would have them apply the retune a
// second time. So by default the statement moves with the audio.
#pragma once

#include <optional>

#include "common/settings.h"
#include "wave/source_analysis.h"

namespace zelvanor {

struct RetuneJob;

// With P=1 (the default) and a source that states a pitch: that pitch plus
// the cents of `factor`, the factor the audio is resampled by (at Q=3 the
// one that keeps the loop whole). Otherwise none.
std::optional<double> StatedPitchAfterRetune(const SourceAnalysis& analysis, const Settings& settings,
                                             double factor);

// The fields a smpl chunk that states `own` is written with, or none to
// write its own. A chunk stating the analysis's pitch (normally the only
// smpl chunk) states the job's pitch; a further chunk stating another one
// moves by the same interval; one that states none stays so.
std::optional<StatedPitch> OutputStatementFor(const RetuneJob& job, StatedPitch own);

// After the file's chunks: at V=2 and more the statement before and after;
// when the job's pitch is none a smpl chunk can state, a warning naming
// the file at every verbosity but 0.
void PrintStatedPitchLine(const RetuneJob& job, const char* source_path);

}  // namespace zelvanor
