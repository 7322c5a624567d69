// Shared pieces of the output tests: an analysis stated by hand, images in
// allocations of exactly their size (so that a read past the end is caught
// by the sanitizers), a run of analysis and output into memory, and readers
// for what a sink received.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "common/settings.h"
#include "output/byte_sink.h"
#include "output/write_retuned_wave.h"
#include "wave/byte_reader.h"
#include "wave/chunk_analysis.h"
#include "wave/sample_access.h"
#include "wave/source_analysis.h"
#include "wave_builder.h"

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


struct RetuneOutcome {
  std::optional<SourceAnalysis> analysis;
  Bytes bytes;                   // what the sink holds afterwards
  std::string output;            // printed by the output stage, then the fatal message
  std::optional<int> exit_code;  // set when the run ended early
};

// Analyses `image` (its messages are not kept) and writes the retuned file
// into memory. `limit` makes the sink fail beyond that many bytes.
inline RetuneOutcome RetuneImage(const Bytes& image, double factor, const Settings& settings = {},
                                 std::uint64_t limit = UINT64_MAX) {
  const ExactBuffer exact(image);
  RetuneOutcome outcome;
  ::testing::internal::CaptureStdout();
  try {
    outcome.analysis = AnalyseSource("in/pipe.wav", exact.span(), settings);
  } catch (const RunError& error) {
    outcome.exit_code = error.exit_code();
  }
  ::testing::internal::GetCapturedStdout();
  if (!outcome.analysis) return outcome;

  MemorySink sink(limit);
  ::testing::internal::CaptureStdout();
  try {
    WriteRetunedWave("in/pipe.wav", "out/pipe.wav",
                     MakeRetuneJob(exact.span(), *outcome.analysis, settings, factor), sink);
  } catch (const RunError& error) {
    outcome.exit_code = error.exit_code();
    outcome.output = error.message();
  }
  outcome.output = ::testing::internal::GetCapturedStdout() + outcome.output;
  outcome.bytes = sink.bytes();
  return outcome;
}

// The chunks of a written file, as the program's own walker cuts them.
struct ChunkView {
  std::string id;
  std::uint32_t size = 0;
  Bytes stored;  // body and pad byte
};

inline std::vector<ChunkView> ChunksOf(const Bytes& file) {
  std::vector<ChunkView> chunks;
  for (std::size_t at = 12; at + 8 <= file.size();) {
    ChunkView chunk;
    chunk.id.assign(file.begin() + static_cast<std::ptrdiff_t>(at), file.begin() + static_cast<std::ptrdiff_t>(at + 4));
    chunk.size = LoadU32le(file.data() + at + 4);
    const std::size_t extent = chunk.id == "fmt " ? chunk.size : chunk.size + (chunk.size & 1u);
    const std::size_t end = std::min(file.size(), at + 8 + extent);
    chunk.stored.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 8), file.begin() + static_cast<std::ptrdiff_t>(end));
    chunks.push_back(chunk);
    at = end;
  }
  return chunks;
}

inline Settings Verbose(int verbosity) {
  Settings settings;
  settings.verbosity = verbosity;
  return settings;
}

}  // namespace zelvanor::testing
