// A rich pipe, cut at every length and with every size and count field set
// to hostile values, through the real file loop with real files: every run
// ends with exit code 0, 1 or 99 and a message, leaves no temporary file,
// and leaves nothing under the destination name unless it finished. Under
// the sanitize preset any read outside the file is a report, which fails
// the test. A sample of the same files goes through the built program too,
// which must end exactly as the in-process run did.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/pipeline_exercise.h"
#include "reliability_support.h"
#include "wave_builder.h"

namespace zelvanor::testing {
namespace {

struct Field {
  std::string name;
  std::size_t offset = 0;
  int width = 4;  // 2 or 4 bytes
};

struct RichPipe {
  Bytes image;
  std::vector<Field> fields;  // every size and count in it
};

Bytes Frames(int frames, int channels, int bits) {
  std::vector<std::int32_t> values;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) values.push_back((i * 977 + c * 313) % 2001 * (bits == 24 ? 4000 : 15) - 15000);
  }
  return Pcm(values, bits);
}

// 24-bit stereo with an fmt extension, an odd unknown chunk, cue points
// (one beyond the stored ids), a loop with sampler data, an adtl list with
// every sub-chunk kind and an INFO list: every code path of the analysis
// and the output walk is on the way.
RichPipe MakeRichPipe() {
  RichPipe pipe;
  WaveBuilder builder;
  auto chunk_at = [&](const std::string& name) {
    const std::size_t at = builder.Offset();
    pipe.fields.push_back({name + " size", at + 4});
    return at + 8;  // the body
  };
  pipe.fields.push_back({"RIFF size", 4});

  std::size_t body = chunk_at("fmt");
  pipe.fields.push_back({"nChannels", body + 2, 2});
  pipe.fields.push_back({"nBlockAlign", body + 12, 2});
  pipe.fields.push_back({"wBitsPerSample", body + 14, 2});
  builder.Fmt({.channels = 2, .bits = 24}, 2);
  chunk_at("fact");
  builder.Unknown("fact", {1, 2, 3});
  chunk_at("data");
  builder.Data(Frames(48, 2, 24));
  body = chunk_at("cue");
  pipe.fields.push_back({"dwCuePoints", body});
  builder.Cue({{.id = 1, .offset = 2}, {.id = 2, .offset = 40}, {.id = 120, .offset = 44}});
  body = chunk_at("smpl");
  pipe.fields.push_back({"cSampleLoops", body + 28});
  pipe.fields.push_back({"cbSamplerData", body + 32});
  builder.Smpl({{.id = 3, .start = 10, .end = 30, .play_count = 1}}, {7, 7, 7});

  const std::vector<Bytes> subs = {Labl(1, "attack"), Note(2, "release"), Ltxt(2, 8, "rgn ", "t"),
                                   Chunk("file", {1, 2, 3, 4, 5})};
  const std::size_t list_body = chunk_at("LIST adtl");
  std::size_t sub_at = list_body + 4;
  for (const Bytes& sub : subs) {
    pipe.fields.push_back({std::string(sub.begin(), sub.begin() + 4) + " size", sub_at + 4});
    if (std::string(sub.begin(), sub.begin() + 4) == "ltxt") {
      pipe.fields.push_back({"dwSampleLength", sub_at + 12});
    }
    sub_at += sub.size();
  }
  builder.Adtl({subs[0], subs[1], subs[2], subs[3]});
  chunk_at("LIST INFO");
  builder.List("INFO", {Chunk("INAM", {'p', 'i', 'p', 'e', 0})});
  pipe.image = builder.Build();
  return pipe;
}

Bytes WithU16(Bytes image, std::size_t offset, std::uint16_t value) {
  image.at(offset) = static_cast<std::uint8_t>(value);
  image.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
  return image;
}

// Every variant of the rich pipe the sweep tries, with its settings.
struct Variant {
  std::string name;
  Bytes image;
  Settings settings;
  double factor = 1.0;
};

constexpr double kFactors[] = {1.0, 0.5, 2.0, 0.2, 4.03, 1.0594630943592953};

Settings SettingsFor(std::size_t index) {
  Settings settings;
  // Verbosity 1 at least, so that even a clean run says something.
  settings.verbosity = static_cast<int>(1 + index % 5);
  settings.keep_unused_part = index % 7 == 3;
  settings.copy_unknown_chunks = index % 5 != 2;
  settings.quality = static_cast<int>(index % 3);
  settings.dummy_loop_length = index % 4 == 1 ? 50 : 0;
  return settings;
}

std::vector<Variant> Variants() {
  const RichPipe pipe = MakeRichPipe();
  std::vector<Variant> variants;
  for (std::size_t length = 0; length <= pipe.image.size(); ++length) {
    variants.push_back({"cut at " + std::to_string(length), Truncated(pipe.image, length), {}, 1.0});
  }
  const std::uint32_t values[] = {0, 1, 3, 7, 25, 0x7FFFFFFF, 0x80000001u, 0xFFFFFFFEu, 0xFFFFFFFFu};
  for (const Field& field : pipe.fields) {
    for (const std::uint32_t value : values) {
      Bytes image = field.width == 2 ? WithU16(pipe.image, field.offset, static_cast<std::uint16_t>(value))
                                     : WithU32(pipe.image, field.offset, value);
      variants.push_back({field.name + " = " + std::to_string(value), image, {}, 1.0});
    }
  }
  for (std::size_t i = 0; i < variants.size(); ++i) {
    variants[i].settings = SettingsFor(i);
    variants[i].factor = kFactors[i % std::size(kFactors)];
  }
  return variants;
}

// What a run left: the exit code, what it said, whether the output exists.
struct Ending {
  int exit_code = 0;
  std::string output;
  bool output_exists = false;
};

void ExpectSound(const Variant& variant, const Ending& ending, const ScratchDirectory& dir) {
  SCOPED_TRACE(variant.name);
  EXPECT_TRUE(ending.exit_code == 0 || ending.exit_code == 1 || ending.exit_code == 99) << ending.exit_code;
  // An empty file is the one source skipped without a word.
  if (!variant.image.empty()) {
    ASSERT_FALSE(ending.output.empty());
    EXPECT_EQ(ending.output.back(), '\n') << ending.output;
  }
  if (ending.exit_code != 0) {
    EXPECT_FALSE(ending.output_exists) << ending.output;
  }
  if (ending.output_exists) {
    ::testing::internal::CaptureStdout();  // warnings about copied contents
    const std::string problem = fuzzing::CheckRetunedFile(ReadFile(dir.path() / "out" / "pipe.wav"));
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(problem, "");
  }
  EXPECT_EQ(TemporariesIn(dir.path() / "out"), std::vector<std::string>{});
  EXPECT_EQ(TemporariesIn(dir.path() / "in"), std::vector<std::string>{});
}

class MalformedSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir_.path() / "in");
    std::filesystem::create_directory(dir_.path() / "out");
  }

  Ending RunInProcess(const Variant& variant) {
    std::filesystem::remove(dir_.path() / "out" / "pipe.wav");
    WriteFile(dir_.path() / "in" / "pipe.wav", variant.image);
    const LoopRun run = RunFileLoop((dir_.path() / "in" / "pipe.wav").string(), (dir_.path() / "out").string(),
                                    variant.factor, variant.settings);
    return {run.exit_code, run.output, std::filesystem::exists(dir_.path() / "out" / "pipe.wav")};
  }

  ScratchDirectory dir_;
};

TEST_F(MalformedSweep, EveryCutAndHostileFieldEndsCleanlyInProcess) {
  const std::vector<Variant> variants = Variants();
  int finished = 0;
  int fatal = 0;
  for (const Variant& variant : variants) {
    const Ending ending = RunInProcess(variant);
    ExpectSound(variant, ending, dir_);
    finished += ending.output_exists ? 1 : 0;
    fatal += ending.exit_code == 99 ? 1 : 0;
    if (::testing::Test::HasFailure()) break;  // one broken variant says enough
  }
  // The sweep reaches both ends: files that are retuned and files refused.
  EXPECT_GT(finished, 100);
  EXPECT_GT(fatal, 50);
  RecordProperty("runs", static_cast<int>(variants.size()));
  std::printf("[ sweep    ] %zu in-process runs: %d retuned, %d fatal\n", variants.size(), finished, fatal);
}

// The built program, on every twentieth variant (a spawn costs a third of
// a second under the sanitizers): the same exit code as in-process.
TEST_F(MalformedSweep, TheProgramEndsLikeTheFileLoop) {
  const std::vector<Variant> variants = Variants();
  int runs = 0;
  for (std::size_t i = 0; i < variants.size(); i += 20) {
    const Variant& variant = variants[i];
    const Ending in_process = RunInProcess(variant);
    std::filesystem::remove(dir_.path() / "out" / "pipe.wav");
    std::vector<std::string> arguments = {"in/pipe.wav", "out", zelvanor::Format("%.17g", variant.factor),
                                          "V=" + std::to_string(variant.settings.verbosity),
                                          "Q=" + std::to_string(variant.settings.quality),
                                          "L=" + std::to_string(variant.settings.dummy_loop_length)};
    if (variant.settings.keep_unused_part) arguments.push_back("U");
    if (!variant.settings.copy_unknown_chunks) arguments.push_back("X");
    const ZelvanorRun run = RunZelvanor(arguments, dir_.path());
    const Ending spawned{run.exit_code, run.output, std::filesystem::exists(dir_.path() / "out" / "pipe.wav")};
    ExpectSound(variant, spawned, dir_);
    EXPECT_EQ(spawned.exit_code, in_process.exit_code) << variant.name;
    ++runs;
    if (::testing::Test::HasFailure()) break;
  }
  std::printf("[ sweep    ] %d runs of the program\n", runs);
}

}  // namespace
}  // namespace zelvanor::testing
