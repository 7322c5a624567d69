// The fuzzer's seeds and every input it ever crashed on, replayed through
// the same pipeline exercise in every build: a fixed finding stays fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/pipeline_exercise.h"
#include "run_program.h"
#include "wave_builder.h"

namespace zelvanor::testing {
namespace {

std::vector<std::filesystem::path> CorpusFiles(const char* folder) {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path directory = std::filesystem::path(ZELVANOR_SOURCE_DIR) / "fuzz" / folder;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.is_regular_file() && entry.path().filename().string().front() != '.') files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void Replay(const char* folder, std::size_t at_least) {
  const std::vector<std::filesystem::path> files = CorpusFiles(folder);
  EXPECT_GE(files.size(), at_least);
  ScratchDirectory scratch;
  for (const std::filesystem::path& file : files) {
    const Bytes input = ReadFile(file);
    ::testing::internal::CaptureStdout();
    const std::string problem = fuzzing::ExercisePipeline(input, scratch.path());
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(problem, "") << file.filename();
  }
}

TEST(FuzzCorpus, SeedsKeepEveryGuarantee) { Replay("seeds", 40); }

TEST(FuzzCorpus, RegressionsStayFixed) { Replay("regressions", 1); }

}  // namespace
}  // namespace zelvanor::testing
