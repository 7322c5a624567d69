// Example pipes for end-to-end tests: written into a scratch directory by
// the project's generator, with what the program's own analysis finds in
// them, so that a test can predict every mapped position of an output.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "examples/example_pipes.h"
#include "output/map_position.h"
#include "output_test_support.h"
#include "run_program.h"

namespace zelvanor::testing {

struct SourcePipe {
  std::string name;
  examples::Pipe pipe;
  SourceAnalysis analysis;
};

// Analyses an image quietly; a test fails if the analysis has anything to
// say about a file that this project wrote.
inline SourceAnalysis AnalyseQuietly(const Bytes& image, const Settings& settings = Verbose(0)) {
  const ExactBuffer exact(image);
  ::testing::internal::CaptureStdout();
  std::optional<SourceAnalysis> analysis;
  try {
    analysis = AnalyseSource("pipe.wav", exact.span(), settings);
  } catch (const RunError& error) {
    ADD_FAILURE() << error.message();
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  if (!analysis) {
    ADD_FAILURE() << "not analysed";
    return {};
  }
  return *analysis;
}

// Short pipes in both formats (16-bit stereo, 24-bit mono) in `folder`.
inline std::vector<SourcePipe> WritePipes(const std::filesystem::path& folder, int count = 4) {
  examples::SetSpec set;
  set.count = count;
  set.min_seconds = 0.25;
  set.max_seconds = 0.4;
  std::filesystem::create_directories(folder);
  std::vector<SourcePipe> pipes;
  for (const examples::NamedPipe& planned : examples::PlanSet(set)) {
    SourcePipe source{planned.file_name, examples::SynthesizePipe(planned.spec), {}};
    WriteFile(folder / source.name, source.pipe.bytes);
    source.analysis = AnalyseQuietly(source.pipe.bytes);
    pipes.push_back(std::move(source));
  }
  return pipes;
}

// The dwSampleOffset of each stored cue point, by id.
inline std::vector<std::pair<int, std::uint32_t>> CueOffsets(const Bytes& image, const SourceAnalysis& analysis) {
  std::vector<std::pair<int, std::uint32_t>> offsets;
  for (int id = 0; id < kCueSlots; ++id) {
    const auto& record = analysis.cues[static_cast<std::size_t>(id)].cue_point;
    if (record) offsets.emplace_back(id, LoadU32le(image.data() + record->offset + 20));
  }
  return offsets;
}

}  // namespace zelvanor::testing
