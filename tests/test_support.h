// The analysis and the output stage run in memory, as the tests state them:
// images in heap blocks of exactly their size (a read past the end is a
// sanitizer report, not a read of the neighbouring bytes), printed lines
// captured as the user sees them (the fatal message last, as main prints
// it), and the chunks of a written file read back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/run_error.h"
#include "fuzz/pipeline_exercise.h"
#include "output/write_retuned_wave.h"
#include "wave/byte_reader.h"
#include "wave/chunk_analysis.h"
#include "wave_builder.h"

namespace zelvanor::testing {

class ExactBuffer {
 public:
  explicit ExactBuffer(const Bytes& bytes) : block_(new std::uint8_t[bytes.size()]), size_(bytes.size()) {
    std::copy(bytes.begin(), bytes.end(), block_.get());
  }
  std::span<const std::uint8_t> span() const { return {block_.get(), size_}; }

 private:
  std::unique_ptr<std::uint8_t[]> block_;
  std::size_t size_;
};

inline Settings Verbose(int verbosity) { return {.verbosity = verbosity}; }

// The analysis a 16-bit or 24-bit source with its fmt body at offset 20
// would have: for the output stage run without one.
inline SourceAnalysis AnalysisFor(int bits, int channels) {
  SourceAnalysis analysis;
  analysis.format = ByteRange{20, 16};
  analysis.layout = {bits / 8, channels, bits / 8 * channels};
  analysis.sample_rate = 44100;
  return analysis;
}

struct Outcome {
  std::optional<SourceAnalysis> analysis;
  Bytes bytes;                   // what the output sink holds afterwards
  std::string output;            // printed, then the fatal message
  std::optional<int> exit_code;  // set when a RunError ended the run
};

template <class Stage>
void Capture(Outcome& outcome, Stage&& stage) {
  std::string message;
  ::testing::internal::CaptureStdout();
  try {
    stage();
  } catch (const RunError& error) {
    outcome.exit_code = error.exit_code();
    message = error.message();
  }
  outcome.output += ::testing::internal::GetCapturedStdout() + message;
}

// What `stage` returns; what it prints is dropped.
template <class Stage>
auto Quietly(Stage&& stage) {
  ::testing::internal::CaptureStdout();
  auto result = stage();
  ::testing::internal::GetCapturedStdout();
  return result;
}

inline Outcome AnalyseImage(const Bytes& image, const Settings& settings = Verbose(0)) {
  const ExactBuffer exact(image);
  Outcome outcome;
  Capture(outcome, [&] { outcome.analysis = AnalyseSource("pipe.wav", exact.span(), settings); });
  return outcome;
}

// Analyses `image` (what that prints is dropped), or takes `stated` as its
// analysis, and writes the retuned file into a sink that fails beyond
// `limit` bytes.
inline Outcome RetuneImage(const Bytes& image, double factor, const Settings& settings = Verbose(0),
                           std::uint64_t limit = UINT64_MAX, const SourceAnalysis* stated = nullptr,
                           std::optional<double> target = std::nullopt) {
  const ExactBuffer exact(image);
  Outcome outcome;
  if (stated) outcome.analysis = *stated;
  else Capture(outcome, [&] { outcome.analysis = AnalyseSource("in/pipe.wav", exact.span(), settings); });
  if (!outcome.analysis || outcome.exit_code) return outcome;
  outcome.output.clear();
  MemorySink sink(limit);
  Capture(outcome, [&] {
    WriteRetunedWave("in/pipe.wav", "out/pipe.wav",
                     MakeRetuneJob(exact.span(), *outcome.analysis, settings, factor, target), sink);
  });
  outcome.bytes = sink.bytes();
  return outcome;
}

// The chunks of a written file, cut as a reader cuts them.
struct ChunkView {
  std::string id;
  std::uint32_t size = 0;
  Bytes stored;  // body and pad byte
};

inline std::vector<ChunkView> ChunksOf(const Bytes& file) {
  std::vector<ChunkView> chunks;
  for (std::size_t at = 12; at + 8 <= file.size();) {
    ChunkView chunk{std::string(file.begin() + at, file.begin() + at + 4), LoadU32le(file.data() + at + 4), {}};
    const std::size_t end = std::min(file.size(), at + 8 + chunk.size + (chunk.id == "fmt " ? 0 : chunk.size & 1u));
    chunk.stored.assign(file.begin() + at + 8, file.begin() + end);
    chunks.push_back(chunk);
    at = end;
  }
  return chunks;
}

// 64-bit FNV-1a, as hex: a recorded digest of a long text or many bytes.
template <class Sequence>
std::string Digest(const Sequence& bytes) {
  const auto* first = reinterpret_cast<const std::uint8_t*>(std::data(bytes));
  return zelvanor::Format("%016llx", static_cast<unsigned long long>(fuzzing::Fnv1a({first, std::size(bytes)})));
}

// The text behind a digest; with ZELVANOR_TRANSCRIPTS=DIR also in DIR/<test>.<row>.txt, to diff (docs/testing.md).
inline std::string Transcribed(const std::string& row, const std::string& text) {
  if (const char* dir = std::getenv("ZELVANOR_TRANSCRIPTS")) {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name() + ("." + row);
    std::ranges::replace(name, '/', '_');
    std::filesystem::create_directories(dir);
    std::ofstream(std::filesystem::path(dir) / (name + ".txt"), std::ios::binary) << text;
  }
  return text;
}

}  // namespace zelvanor::testing
