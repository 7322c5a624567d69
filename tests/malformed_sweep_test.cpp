// The rich pipe cut at every length, and with each 32-bit word at every
// even offset (every size and count field among them) set to hostile
// values: each variant must end as a user can see it (an output, a refused
// source, or exit code 1 or 99 with its message), never read outside the
// file (under the sanitize preset the image lies in a block of exactly its
// size), reach the same decisions at every verbosity, and leave a
// well-formed output or none. The fuzzer's seeds and the inputs it once
// crashed on are replayed last.
#include <gtest/gtest.h>

#include <sstream>

#include "fuzz/pipeline_exercise.h"
#include "reliability_support.h"
#include "test_support.h"

namespace zelvanor::testing {
namespace {

bool IsAnEnding(int exit_code) { return exit_code == 0 || exit_code == 1 || exit_code == 99; }

std::vector<std::pair<std::string, Bytes>> Variants() {
  const Bytes rich = RichPipe();
  std::vector<std::pair<std::string, Bytes>> variants;
  for (std::size_t length = 0; length <= rich.size(); ++length) {
    variants.emplace_back("cut at " + std::to_string(length), Truncated(rich, length));
  }
  for (std::size_t at = 4; at + 4 <= rich.size(); at += 2) {
    const std::uint32_t stored = LoadU32le(&rich[at]);
    for (const std::uint32_t value : {0u, 7u, 0xFFFFFFFFu, stored + 1}) {
      variants.emplace_back(std::to_string(at) + " = " + std::to_string(value), WithU32(rich, at, value));
    }
  }
  return variants;
}

// The analysis at verbosity 0 and 5: one of the three endings, the same
// decisions, every recorded range inside the image, and every quiet line
// also said by the verbose run.
void ExpectSoundAnalysis(const Bytes& image) {
  const Outcome quiet = AnalyseImage(image, Verbose(0)), verbose = AnalyseImage(image, Verbose(5));
  for (const Outcome* outcome : {&quiet, &verbose}) {
    EXPECT_TRUE(IsAnEnding(outcome->exit_code.value_or(0)) && (!outcome->exit_code || outcome->output.ends_with("\n")))
        << outcome->output;
    if (!outcome->analysis) continue;
    const SourceAnalysis& result = *outcome->analysis;
    std::vector<std::optional<ByteRange>> ranges = {result.format, result.data};
    for (const CueSlot& slot : result.cues) {
      ranges.insert(ranges.end(), {slot.label_text, slot.note_text, slot.cue_point, slot.ltxt});
    }
    for (const auto& range : ranges) EXPECT_LE(range ? range->end() : 0, image.size());
    EXPECT_LE(std::uint64_t(result.frame_count) * result.layout.bytes_per_frame, result.data ? result.data->size : 0);
  }
  EXPECT_EQ(quiet.exit_code, verbose.exit_code);
  ASSERT_EQ(quiet.analysis.has_value(), verbose.analysis.has_value());
  const auto decisions = [](const SourceAnalysis& a) {
    return std::vector<std::int64_t>{a.frame_count, a.loop_end, a.release_start, a.cut_first, a.cut_limit};
  };
  std::istringstream lines(quiet.output);
  for (std::string line; std::getline(lines, line);) EXPECT_NE(verbose.output.find(line), std::string::npos) << line;
  if (!quiet.analysis) return;
  EXPECT_EQ(decisions(*quiet.analysis), decisions(*verbose.analysis));
}

TEST(MalformedSweep, EveryVariantEndsCleanly) {
  const ScratchDirectory dir;
  for (const char* folder : {"in", "out", "scratch"}) std::filesystem::create_directory(dir.path() / folder);
  const std::vector<std::pair<std::string, Bytes>> variants = Variants();
  for (std::size_t i = 0; i < variants.size() && !HasFailure(); ++i) {
    const auto& [name, image] = variants[i];
    SCOPED_TRACE(name);
    ExpectSoundAnalysis(image);
    // In memory, through the file writer, and on a disk that fills up. The
    // option indices: verbosity, U, X, quality, file, full disk, factor, L=.
    const auto options = fuzzing::EncodeOptions({static_cast<int>(i % 7), i % 7 == 3, i % 5 == 2,
                                                 static_cast<int>(i % 4), i % 8 == 5, i % 4 == 1,
                                                 static_cast<int>(i % 16), static_cast<int>(i % 14)});
    const Bytes input = Cat({Bytes(options.begin(), options.end()), image});
    EXPECT_EQ(Quietly([&] { return fuzzing::ExercisePipeline(input, dir.path() / "scratch"); }), "");
    if (i % 8 != 0) continue;
    // Through the file loop with real files: an exit code and its message,
    // no temporary left, and nothing under the destination name unless the
    // run finished.
    std::vector<std::string> words{"in/pipe.wav", "out", "0.73", "V=" + std::to_string(1 + i % 5),
                                   "Q=" + std::to_string(i % 3), i % 3 == 1 ? "L=50" : "L=0"};
    if (i % 7 == 3) words.push_back("U");
    if (i % 5 == 2) words.push_back("X");
    const std::filesystem::path output = dir.path() / "out" / "pipe.wav";
    std::filesystem::remove(output);
    WriteFile(dir.path() / "in" / "pipe.wav", image);
    const ZelvanorRun run = RunInProcess(words, dir.path());
    const bool written = std::filesystem::exists(output);
    EXPECT_TRUE(IsAnEnding(run.exit_code) && (image.empty() || run.output.ends_with("\n")) &&
                (run.exit_code == 0 || !written)) << run.output;
    EXPECT_EQ(written ? Quietly([&] { return fuzzing::CheckRetunedFile(ReadFile(output)); }) : "", "");
    EXPECT_EQ(TemporariesIn(dir.path() / "out"), std::vector<std::string>{});
  }
}

TEST(MalformedSweep, FuzzCorpusReplays) {
  const ScratchDirectory scratch;
  for (const char* folder : {"seeds", "regressions"}) {
    int replayed = 0;
    const std::filesystem::path corpus = std::filesystem::path(ZELVANOR_SOURCE_DIR) / "fuzz" / folder;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
      if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
      EXPECT_EQ(Quietly([&] { return fuzzing::ExercisePipeline(ReadFile(entry.path()), scratch.path()); }), "")
          << entry.path().filename();
      ++replayed;
    }
    EXPECT_GE(replayed, 2) << folder;
  }
}

}  // namespace
}  // namespace zelvanor::testing
