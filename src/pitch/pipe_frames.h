// The stretch of a pipe's audio a measurement looks at, read once as
// doubles: only the frames asked for, never the whole data chunk.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "wave/source_analysis.h"

namespace zelvanor::pitch {

struct PipeFrames {
  int channels = 0;
  double rate = 0.0;
  std::uint32_t first = 0;  // the frame of the file the stretch begins with
  std::uint32_t count = 0;
  std::vector<double> values;  // interleaved, in units of full scale

  double at(std::uint32_t frame, int channel) const {
    return values[std::size_t{frame} * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)];
  }
};

// The frames the data chunk really holds (frame_count, but never past the
// bytes the image has); 0 when the analysis found no audio it can read.
std::uint32_t ReadableFrames(std::span<const std::uint8_t> image, const SourceAnalysis& analysis);

// Frames first .. first + count - 1, which lie within ReadableFrames.
PipeFrames ReadFrames(std::span<const std::uint8_t> image, const SourceAnalysis& analysis, std::uint32_t first,
                      std::uint32_t count);

}  // namespace zelvanor::pitch
