#include "common/console.h"
#include "common/run_error.h"
#include "wave/analysis_steps.h"

namespace zelvanor {

void AnalyseDataChunk(const WalkedChunk& chunk, AnalysisRun& run) {
  SourceAnalysis& result = run.result;
  result.data = chunk.body;
  if (!result.format) ThrowFatal("Fatal: no fmt-chunk found describing data chunk\n");

  // A cut-off recording counts the frames that are really there.
  const std::uint32_t size = chunk.body.size;
  const auto width = static_cast<std::uint32_t>(result.layout.bytes_per_sample);
  const auto channels = static_cast<std::uint32_t>(result.layout.channels);
  if (size % width != 0) Print("length of data chunk must be divisible by Bytes per Sample\n");
  const std::uint32_t values = size / width;
  if (values % channels != 0) Print("data segment must contain complete samples\n");
  // At most 2^32 / 2 values: the count fits a signed 32-bit number.
  result.frame_count = static_cast<std::int32_t>(values / channels);

  if (run.VerbosityAbove(2)) {
    const double seconds =
        result.sample_rate == 0 ? 0.0 : result.frame_count / static_cast<double>(result.sample_rate);
    Print("data chunk %ld Samples, %f Seconds\n", AsLong(result.frame_count), seconds);
  }
  result.cut_first = static_cast<std::uint32_t>(result.frame_count) + 1;
}

}  // namespace zelvanor
