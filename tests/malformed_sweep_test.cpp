// The rich pipe cut at every length, with every size and count field set to
// hostile values and with every fourth word zeroed or filled: each variant
// must end as a user can see it (an output, a refused source, or exit code
// 1 or 99 with its message), never read outside the file (under the
// sanitize preset the image lies in a block of exactly its size), reach the
// same decisions at every verbosity, and leave a well-formed output or none.
// The fuzzer's seeds and the inputs it once crashed on are replayed last.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "fuzz/pipeline_exercise.h"
#include "reliability_support.h"
#include "test_support.h"

namespace zelvanor::testing {
namespace {

struct Variant {
  std::string name;
  Bytes image;
  bool cut_inside_a_chunk = false;
};

std::vector<Variant> Variants() {
  const Bytes rich = RichPipe();
  std::vector<std::pair<std::size_t, int>> fields = {{4, 4}};  // offset, width: the RIFF size first
  std::set<std::size_t> chunk_ends = {12};
  for (std::size_t at = 12; at + 8 <= rich.size();) {
    const std::string id(rich.begin() + at, rich.begin() + at + 4);
    const std::size_t body = at + 8, size = LoadU32le(&rich[at + 4]);
    fields.emplace_back(at + 4, 4);
    if (id == "fmt ") fields.insert(fields.end(), {{body + 2, 2}, {body + 12, 2}, {body + 14, 2}});
    if (id == "cue ") fields.emplace_back(body, 4);
    if (id == "smpl") fields.insert(fields.end(), {{body + 28, 4}, {body + 32, 4}});
    for (std::size_t sub = body + 4; id == "LIST" && sub + 8 <= body + size;) {
      fields.emplace_back(sub + 4, 4);
      if (std::equal(rich.begin() + sub, rich.begin() + sub + 4, "ltxt")) fields.emplace_back(sub + 12, 4);
      sub += 8 + LoadU32le(&rich[sub + 4]) + (LoadU32le(&rich[sub + 4]) & 1);
    }
    at = body + size + (size & 1);
    chunk_ends.insert({body + size, at});
  }
  std::vector<Variant> variants;
  for (std::size_t length = 0; length <= rich.size(); ++length) {
    variants.push_back({"cut at " + std::to_string(length), Truncated(rich, length), !chunk_ends.contains(length)});
  }
  for (const auto& [offset, width] : fields) {
    const std::uint32_t original = LoadU32le(&rich[offset]);
    for (const std::uint32_t value : {0u, 1u, 3u, 7u, 17u, 25u, 37u, 61u, 0x7FFFFFFFu, 0x80000001u, 0xFFFFFFFEu,
                                      0xFFFFFFFFu, original - 1, original + 1}) {
      variants.push_back({std::to_string(offset) + " = " + std::to_string(value),
                          width == 2 ? WithU16(rich, offset, static_cast<std::uint16_t>(value))
                                     : WithU32(rich, offset, value)});
    }
  }
  for (std::size_t at = 4; at + 4 <= rich.size(); at += 4) {
    for (const std::uint32_t value : {0u, 0xFFFFFFFFu}) {
      variants.push_back({std::to_string(at) + " := " + std::to_string(value), WithU32(rich, at, value)});
    }
  }
  return variants;
}

void ExpectInside(const std::optional<ByteRange>& range, std::size_t size) {
  EXPECT_LE(range ? range->end() : 0, size);
}

// The analysis at verbosity 0 and 5: one of the three endings, the same
// decisions, every recorded range inside the image, and every quiet line
// also said by the verbose run.
void ExpectSoundAnalysis(const Variant& variant) {
  const Outcome quiet = AnalyseImage(variant.image, Verbose(0));
  const Outcome verbose = AnalyseImage(variant.image, Verbose(5));
  for (const Outcome* outcome : {&quiet, &verbose}) {
    if (outcome->exit_code) {
      EXPECT_TRUE(*outcome->exit_code == 99 || *outcome->exit_code == 1) << *outcome->exit_code;
      EXPECT_TRUE(outcome->output.ends_with("\n")) << outcome->output;
    }
    if (!outcome->analysis) continue;
    const SourceAnalysis& result = *outcome->analysis;
    ExpectInside(result.format, variant.image.size());
    ExpectInside(result.data, variant.image.size());
    for (const CueSlot& slot : result.cues) {
      for (const auto& range : {slot.label_text, slot.note_text, slot.cue_point, slot.ltxt}) {
        ExpectInside(range, variant.image.size());
      }
    }
    EXPECT_TRUE(!result.data || std::uint64_t(result.frame_count) * result.layout.bytes_per_frame <= result.data->size);
  }
  EXPECT_EQ(quiet.exit_code, verbose.exit_code);
  ASSERT_EQ(quiet.analysis.has_value(), verbose.analysis.has_value());
  if (quiet.analysis) {
    const auto decisions = [](const SourceAnalysis& a) {
      return std::vector<std::int64_t>{a.frame_count, a.loop_end, a.release_start, a.cut_first, a.cut_limit};
    };
    EXPECT_EQ(decisions(*quiet.analysis), decisions(*verbose.analysis));
    // A cut inside a chunk never passes unmentioned.
    EXPECT_TRUE(!variant.cut_inside_a_chunk || quiet.output.find("Warning:") != std::string::npos) << quiet.output;
  }
  std::istringstream lines(quiet.output);
  for (std::string line; std::getline(lines, line);) EXPECT_NE(verbose.output.find(line), std::string::npos) << line;
}

Settings SettingsFor(std::size_t index) {
  return {.verbosity = static_cast<int>(1 + index % 5), .quality = static_cast<int>(index % 3),
          .copy_unknown_chunks = index % 5 != 2, .keep_unused_part = index % 7 == 3,
          .dummy_loop_length = index % 4 == 1 ? 50 : 0};
}

// Through the real file loop with real files: exit code 0, 1 or 99 and a
// message, no temporary left, and nothing under the destination name unless
// the run finished; the output, if any, well formed.
int ExpectSoundFileLoop(const Variant& variant, const Settings& settings, double factor,
                        const std::filesystem::path& dir) {
  std::filesystem::remove(dir / "out" / "pipe.wav");
  WriteFile(dir / "in" / "pipe.wav", variant.image);
  const LoopRun run = RunFileLoop((dir / "in" / "pipe.wav").string(), (dir / "out").string(), factor, settings);
  EXPECT_TRUE(run.exit_code == 0 || run.exit_code == 1 || run.exit_code == 99) << run.exit_code;
  // An empty file is the one source skipped without a word.
  EXPECT_TRUE(variant.image.empty() || run.output.ends_with("\n")) << run.output;
  const bool written = std::filesystem::exists(dir / "out" / "pipe.wav");
  EXPECT_TRUE(run.exit_code == 0 || !written) << run.output;
  if (written) {
    EXPECT_EQ(Quietly([&] { return fuzzing::CheckRetunedFile(ReadFile(dir / "out" / "pipe.wav")); }), "");
  }
  EXPECT_EQ(TemporariesIn(dir / "out"), std::vector<std::string>{});
  return run.exit_code;
}

TEST(MalformedSweep, EveryVariantEndsCleanly) {
  const ScratchDirectory dir;
  std::filesystem::create_directories(dir.path() / "in");
  std::filesystem::create_directories(dir.path() / "out");
  std::filesystem::create_directories(dir.path() / "scratch");
  const std::vector<Variant> variants = Variants();
  int spawned = 0;
  for (std::size_t i = 0; i < variants.size() && !HasFailure(); ++i) {
    const Variant& variant = variants[i];
    SCOPED_TRACE(variant.name);
    ExpectSoundAnalysis(variant);
    // The pipeline exercise: in memory, through the file writer, on a full disk.
    const auto options = fuzzing::EncodeOptions({.verbosity_index = static_cast<int>(i % 7),
                                                 .keep_unused_part = i % 7 == 3, .skip_unknown_chunks = i % 5 == 2,
                                                 .quality_index = static_cast<int>(i % 4), .through_file = i % 3 == 0,
                                                 .disk_full = i % 4 == 1, .factor_index = static_cast<int>(i % 16),
                                                 .dummy_loop_index = static_cast<int>(i % 14)});
    Bytes input(options.begin(), options.end());
    PutBytes(input, variant.image);
    EXPECT_EQ(Quietly([&] { return fuzzing::ExercisePipeline(input, dir.path() / "scratch"); }), "");
    if (i % 4 != 0) continue;
    const double factor = i % 8 == 0 ? 1.0 : 0.73;
    const int exit_code = ExpectSoundFileLoop(variant, SettingsFor(i), factor, dir.path());
    if (i % 100 != 0) continue;
    // The built program ends as the file loop did (a spawn costs a third of
    // a second under the sanitizers, so only a few).
    std::filesystem::remove(dir.path() / "out" / "pipe.wav");
    const Settings settings = SettingsFor(i);
    std::vector<std::string> arguments = {"in/pipe.wav", "out", factor == 1.0 ? "1" : "0.73",
                                          "V=" + std::to_string(settings.verbosity),
                                          "Q=" + std::to_string(settings.quality),
                                          "L=" + std::to_string(settings.dummy_loop_length)};
    if (settings.keep_unused_part) arguments.push_back("U");
    if (!settings.copy_unknown_chunks) arguments.push_back("X");
    EXPECT_EQ(RunZelvanor(arguments, dir.path()).exit_code, exit_code);
    ++spawned;
  }
  EXPECT_GT(spawned, 5);
}

TEST(MalformedSweep, FuzzCorpusReplays) {
  const ScratchDirectory scratch;
  for (const char* folder : {"seeds", "regressions"}) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(ZELVANOR_SOURCE_DIR) / "fuzz" / folder)) {
      if (entry.is_regular_file() && !entry.path().filename().string().starts_with(".")) files.push_back(entry.path());
    }
    EXPECT_GE(files.size(), 2u) << folder;
    for (const std::filesystem::path& file : files) {
      EXPECT_EQ(Quietly([&] { return fuzzing::ExercisePipeline(ReadFile(file), scratch.path()); }), "")
          << file.filename();
    }
  }
}

}  // namespace
}  // namespace zelvanor::testing
