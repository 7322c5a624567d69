// The core of GenerateOutput, free of files: writes the retuned WAVE file
// for one analysed source into any ByteSink.
#pragma once

#include <cstdint>
#include <string>

#include "output/byte_sink.h"
#include "output/retune_job.h"

namespace zelvanor {

// RIFF header, the source's chunks in their order (rewritten, resampled,
// copied or left out), the dummy-loop chunks when due, then the true RIFF
// size. Announces the file and describes the chunks at their verbosities.
// Throws RunError (exit code 99) for a position inside the cut, a
// miscounted cue or smpl chunk, an output beyond 4 GB and a failed write;
// the caller discards what the sink holds then. `source_path` and
// `destination_path` are used in messages only.
struct RetunedWaveSummary {
  // Interpolated values that lay beyond the sample width and were saturated.
  std::uint64_t saturated_values = 0;
};

RetunedWaveSummary WriteRetunedWave(const std::string& source_path, const std::string& destination_path,
                                    const RetuneJob& job, ByteSink& sink);

}  // namespace zelvanor
