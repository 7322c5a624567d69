#include "pitch/pipe_frames.h"

#include <algorithm>

#include "wave/sample_access.h"

namespace zelvanor::pitch {

std::uint32_t ReadableFrames(std::span<const std::uint8_t> image, const SourceAnalysis& analysis) {
  const FrameLayout& layout = analysis.layout;
  if (!analysis.format || !analysis.data || analysis.frame_count <= 0 || analysis.sample_rate == 0) return 0;
  if (layout.bytes_per_sample != 2 && layout.bytes_per_sample != 3) return 0;
  if (layout.channels < 1 || layout.bytes_per_frame != layout.bytes_per_sample * layout.channels) return 0;
  const std::span<const std::uint8_t> data = Slice(image, *analysis.data);
  const std::uint64_t held = data.size() / static_cast<std::uint64_t>(layout.bytes_per_frame);
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(held, static_cast<std::uint64_t>(analysis.frame_count)));
}

PipeFrames ReadFrames(std::span<const std::uint8_t> image, const SourceAnalysis& analysis, std::uint32_t first,
                      std::uint32_t count) {
  const FrameLayout& layout = analysis.layout;
  PipeFrames frames;
  frames.channels = layout.channels;
  frames.rate = static_cast<double>(analysis.sample_rate);
  frames.first = first;
  frames.count = count;
  const double full_scale = layout.bytes_per_sample == 3 ? 8388608.0 : 32768.0;
  const std::size_t values = std::size_t{count} * static_cast<std::size_t>(layout.channels);
  const std::uint8_t* at = Slice(image, *analysis.data).data() + std::size_t{first} * layout.bytes_per_frame;
  frames.values.resize(values);
  for (std::size_t i = 0; i < values; ++i, at += layout.bytes_per_sample) {
    frames.values[i] = ReadSampleValue(at, layout.bytes_per_sample) / full_scale;
  }
  return frames;
}

}  // namespace zelvanor::pitch
