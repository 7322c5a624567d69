// A file this project wrote, analysed: the analysis must have nothing to say.
#pragma once

#include <optional>

#include "examples/example_pipes.h"
#include "test_support.h"
#include "run_program.h"

namespace zelvanor::testing {

inline SourceAnalysis AnalyseQuietly(const Bytes& image, const Settings& settings = Verbose(0)) {
  const ExactBuffer exact(image);
  ::testing::internal::CaptureStdout();
  std::optional<SourceAnalysis> analysis;
  try {
    analysis = AnalyseSource("pipe.wav", exact.span(), settings);
  } catch (const RunError& error) {
    ADD_FAILURE() << error.message();
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << "a file this project wrote gave a warning";
  return analysis.value_or(SourceAnalysis{});
}

}  // namespace zelvanor::testing
