// The source buffer's growth rule, and how a file loads or is skipped.
#include "wave/source_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "run_program.h"
#include "test_support.h"

namespace zelvanor::testing {
namespace {

// A buffer is replaced only by a larger file, by one of its size + 65536
// bytes; a failed allocation names that size and leaves no buffer, and the
// next source that is not empty asks again.
TEST(SourceImage, GrowsOnlyForALargerFileBySizePlusHeadroom) {
  std::vector<std::uint32_t> requests;
  bool refuse = false;
  SourceImage image([&](std::uint32_t capacity) {
    requests.push_back(capacity);
    return refuse ? nullptr : std::make_unique<std::uint8_t[]>(capacity);
  });
  for (const std::uint32_t size : {0u, 100000u, 120000u, 165536u, 165537u, 170000u}) {
    ASSERT_TRUE(image.Assign(Bytes(size, 1)));
    EXPECT_EQ(image.length(), size);
  }
  EXPECT_EQ(requests, (std::vector<std::uint32_t>{165536, 231073}));
  refuse = true;
  Outcome refused;
  Capture(refused, [&] { EXPECT_FALSE(image.Assign(Bytes(240000, 1))); });
  EXPECT_EQ(refused.output, "Can't alloc 305536 Bytes of databufferspace for wavfile\n");
  EXPECT_EQ(image.capacity() + image.length() + image.has_buffer(), 0u);
  refuse = false;
  ASSERT_TRUE(image.Assign(Bytes(10, 1)));
  EXPECT_EQ(image.capacity(), 65546u);
}

TEST(SourceImage, LoadsOrSkipsAFile) {
  const ScratchDirectory dir;
  WriteFile(dir.path() / "large.wav", Tone(100000, 1, 24));
  WriteFile(dir.path() / "empty.wav", Bytes{});
  std::filesystem::create_directory(dir.path() / "folder.wav");
  const auto path = [&](const char* name) { return (dir.path() / name).string(); };
  const struct {
    std::string name;
    std::uint32_t loaded;
    std::string text;
    int exit_code = 0;
  } rows[] = {
      {"large.wav", 300000, ""},
      {"empty.wav", 0, ""},
      {"gone.wav", 0, "can't stat file " + path("gone.wav") + "\n", 1},
#ifdef _WIN32
      // Windows opens no directory as a file.
      {"folder.wav", 0, "can't open " + path("folder.wav") + "\n", 1},
#else
      // A directory announces a size but delivers no bytes: the load ends at
      // once with what it got.
      {"folder.wav", 0, ""},
#endif
  };
  SourceImage image;
  for (const auto& row : rows) {
    Outcome outcome;
    std::uint32_t loaded = 0;
    Capture(outcome, [&] { loaded = LoadSourceImage(path(row.name.c_str()), image); });
    EXPECT_EQ(std::tuple(loaded, outcome.output, outcome.exit_code.value_or(0)),
              std::tuple(row.loaded, row.text, row.exit_code)) << row.name;
  }
  // A sparse file too large for 32-bit sizes is skipped with one line.
  std::error_code error;
  std::filesystem::resize_file(dir.path() / "empty.wav", 0xFFFF0001ull, error);
  if (error) GTEST_SKIP() << "no sparse files here: " << error.message();
  Outcome huge;
  Capture(huge, [&] { EXPECT_EQ(LoadSourceImage(path("empty.wav"), image), 0u); });
  EXPECT_NE(huge.output.find("too large"), std::string::npos) << huge.output;
  EXPECT_EQ(huge.output.find('\n'), huge.output.size() - 1) << huge.output;
}

}  // namespace
}  // namespace zelvanor::testing
