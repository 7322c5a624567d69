// Runs AnalyseSource on an image and captures what the user would see: the
// printed lines followed by the fatal message that main prints after them.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "common/run_error.h"
#include "common/settings.h"
#include "wave/chunk_analysis.h"
#include "wave_builder.h"

namespace zelvanor::testing {

struct AnalysisOutcome {
  std::optional<SourceAnalysis> result;  // set when AnalyseSource returned one
  std::string output;                    // stdout, then the fatal message if any
  std::optional<int> exit_code;          // set when the run ended early
};

// The image goes into a heap block of exactly its size, so that a read past
// its end is a sanitizer report rather than a read of neighbouring bytes.
inline AnalysisOutcome AnalyseImage(const Bytes& image, int verbosity, bool keep_unused_part = false,
                                    const std::string& path = "pipe.wav") {
  Settings settings;
  settings.verbosity = verbosity;
  settings.keep_unused_part = keep_unused_part;
  const auto exact = std::make_unique<std::uint8_t[]>(image.size());
  if (!image.empty()) std::memcpy(exact.get(), image.data(), image.size());
  const std::span<const std::uint8_t> bytes(exact.get(), image.size());

  AnalysisOutcome outcome;
  ::testing::internal::CaptureStdout();
  try {
    outcome.result = AnalyseSource(path, bytes, settings);
  } catch (const RunError& error) {
    outcome.exit_code = error.exit_code();
    outcome.output = error.message();
  }
  outcome.output = ::testing::internal::GetCapturedStdout() + outcome.output;
  return outcome;
}

inline std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

}  // namespace zelvanor::testing
