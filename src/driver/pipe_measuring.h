// The measuring pass of A= and M: every file loaded, analysed and its pitch
// found before anything is written, on the same lanes as the writing pass.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/run_config.h"
#include "pitch/pipe_pitch.h"

namespace zelvanor {

// What the measuring pass learns about one file.
struct PipePitch {
  std::string source_path;
  // Not a pipe: loading or analysing it printed why and went no further (not
  // RIFF/WAVE, empty, too large, a buffer refused). Nothing below is set.
  bool skipped = false;
  int note = 0;  // 0 = C .. 11 = B, from the file name, moved by O=
  std::optional<double> stated_hz;  // the smpl chunk's unity note and fraction, where it states one
  // None where S took the statement instead (nothing else needs measuring).
  std::optional<pitch::PitchMeasurement> measured;
};

// Measures the files `names` of the pattern on `lanes` lanes and hands
// each result, with its index in `names` and what loading and analysing it
// printed, to `each` on the calling thread, strictly in file order. A file that fails (its note
// cannot be guessed, a format error, a file gone) ends the run there with
// its messages and its error, as a run writing files would; `each` may
// throw to end the run too. Either way no later file is handed over.
using EachMeasuredPipe = std::function<void(std::size_t item, const PipePitch& pipe, const std::string& messages)>;
void MeasurePipes(const RunConfig& config, const std::vector<std::string>& names, std::size_t lanes,
                  const EachMeasuredPipe& each);

}  // namespace zelvanor
