#include "pitch/pipe_frames.h"

#include <algorithm>
#include <stdexcept>

#include "common/console.h"

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

PipeFrames::PipeFrames(std::span<const std::uint8_t> image, const SourceAnalysis& analysis, std::uint32_t first_frame,
                       std::uint32_t frame_count)
    : channels(analysis.layout.channels),
      rate(static_cast<double>(analysis.sample_rate)),
      first(first_frame),
      count(frame_count),
      bytes_per_frame_(static_cast<std::size_t>(analysis.layout.bytes_per_frame)),
      width_(analysis.layout.bytes_per_sample),
      scale_(analysis.layout.bytes_per_sample == 3 ? 1.0 / 8388608.0 : 1.0 / 32768.0) {
  const std::span<const std::uint8_t> data = Slice(image, *analysis.data);
  const std::size_t offset = std::size_t{first_frame} * bytes_per_frame_;
  const std::size_t length = std::size_t{frame_count} * bytes_per_frame_;
#ifdef ZELVANOR_CHECKED_READS
  if (offset > data.size() || length > data.size() - offset) ReadOutside(frame_count, 0);
#endif
  frames_ = data.subspan(offset, length);
}

void PipeFrames::ReadOutside(std::uint32_t frame, int channel) const {
  throw std::out_of_range(Format("pitch: frame %u channel %d read outside a stretch of frames %u+%u (%d channels)",
                                 frame, channel, first, count, channels));
}

}  // namespace zelvanor::pitch
