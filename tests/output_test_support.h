// Shared pieces of the output tests: an analysis stated by hand, a data
// body in an allocation of exactly its size (so that a read past its end is
// caught by the sanitizers), and readers for what a sink received.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "wave/byte_reader.h"
#include "wave/sample_access.h"
#include "wave/source_analysis.h"

namespace zelvanor::testing {

inline SourceAnalysis AnalysisFor(int bits, int channels, std::uint32_t rate = 44100) {
  SourceAnalysis analysis;
  analysis.format = ByteRange{20, 16};
  analysis.layout.bytes_per_sample = bits / 8;
  analysis.layout.channels = channels;
  analysis.layout.bytes_per_frame = bits / 8 * channels;
  analysis.sample_rate = rate;
  return analysis;
}

class ExactBuffer {
 public:
  explicit ExactBuffer(const std::vector<std::uint8_t>& bytes)
      : size_(bytes.size()), bytes_(std::make_unique<std::uint8_t[]>(bytes.size())) {
    if (size_ > 0) std::memcpy(bytes_.get(), bytes.data(), size_);
  }
  std::span<const std::uint8_t> span() const { return {bytes_.get(), size_}; }

 private:
  std::size_t size_;
  std::unique_ptr<std::uint8_t[]> bytes_;
};

// The sample values of a data chunk written at the start of `chunk`
// (8-byte header first), frame by frame.
inline std::vector<std::int32_t> ChannelValues(std::span<const std::uint8_t> chunk, int bits, int channels,
                                               int channel) {
  std::vector<std::int32_t> values;
  const int width = bits / 8;
  const std::size_t size = LoadU32le(chunk.data() + 4);
  for (std::size_t at = 8 + static_cast<std::size_t>(channel * width); at + width <= 8 + size;
       at += static_cast<std::size_t>(width * channels)) {
    values.push_back(ReadSampleValue(chunk.data() + at, width));
  }
  return values;
}

}  // namespace zelvanor::testing
