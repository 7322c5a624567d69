// The stretch of a pipe's audio a measurement looks at: a view of the data
// chunk's bytes that turns only the frames asked for into numbers, so a
// measurement reads the few stretches it needs and not the whole pipe.
#pragma once

#include <cstdint>
#include <span>

#include "wave/sample_access.h"
#include "wave/source_analysis.h"

namespace zelvanor::pitch {

class PipeFrames {
 public:
  // Frames first .. first + count - 1, which lie within ReadableFrames.
  PipeFrames(std::span<const std::uint8_t> image, const SourceAnalysis& analysis, std::uint32_t first,
             std::uint32_t count);

  int channels = 0;
  double rate = 0.0;
  std::uint32_t first = 0;  // the frame of the file the stretch begins with
  std::uint32_t count = 0;

  // Frame `frame` of the stretch, in units of full scale. A read outside the
  // stretch is a fault of the measurement that the bytes behind it would hide
  // (they are the file's, or a mapping's end): sanitized builds stop it.
  double at(std::uint32_t frame, int channel) const {
#ifdef ZELVANOR_CHECKED_READS
    if (frame >= count || channel < 0 || channel >= channels) ReadOutside(frame, channel);
#endif
    const std::uint8_t* sample = frames_.data() + std::size_t{frame} * bytes_per_frame_ + channel * width_;
    return ReadSampleValue(sample, width_) * scale_;
  }

 private:
  [[noreturn]] void ReadOutside(std::uint32_t frame, int channel) const;  // throws std::out_of_range

  std::span<const std::uint8_t> frames_;  // the stretch's bytes
  std::size_t bytes_per_frame_ = 0;
  int width_ = 0;
  double scale_ = 0.0;
};

// The frames the data chunk really holds (frame_count, but never past the
// bytes the image has); 0 when the analysis found no audio it can read.
std::uint32_t ReadableFrames(std::span<const std::uint8_t> image, const SourceAnalysis& analysis);

}  // namespace zelvanor::pitch
