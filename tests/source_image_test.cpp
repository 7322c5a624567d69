// The source buffer's growth rule, and how a file loads or is skipped.
#include "wave/source_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "run_program.h"
#include "test_support.h"

namespace zelvanor::testing {
namespace {

// The buffer is replaced only for a larger file, by one of its size + 65536
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

// A missing file ends the run; an empty file, a folder (where it can be
// opened: it announces a size but delivers nothing) and a file too large
// for 32-bit sizes load nothing, so the source is skipped.
TEST(SourceImage, LoadsOrSkipsAFile) {
  const ScratchDirectory dir;
  const auto load = [&](const char* name) {
    SourceImage image;
    Outcome outcome;
    std::uint32_t length = 0;
    Capture(outcome, [&] { length = LoadSourceImage((dir.path() / name).string(), image); });
    return std::to_string(length) + " " + outcome.output + std::to_string(outcome.exit_code.value_or(0));
  };
  WriteFile(dir.path() / "pipe.wav", Tone(100000, 1, 24));
  EXPECT_EQ(load("pipe.wav"), "300000 0");
  EXPECT_EQ(load("gone.wav"), "0 can't stat file " + (dir.path() / "gone.wav").string() + "\n1");
  std::filesystem::create_directory(dir.path() / "folder.wav");
#ifdef _WIN32
  EXPECT_EQ(load("folder.wav"), "0 can't open " + (dir.path() / "folder.wav").string() + "\n1");
#else
  EXPECT_EQ(load("folder.wav"), "0 0");
#endif
  std::filesystem::resize_file(dir.path() / "pipe.wav", 0);
  EXPECT_EQ(load("pipe.wav"), "0 0");
  std::error_code error;
  std::filesystem::resize_file(dir.path() / "pipe.wav", 0xFFFF0001ull, error);  // sparse
  if (error) GTEST_SKIP() << "no sparse files here: " << error.message();
  const std::string huge = load("pipe.wav");
  EXPECT_TRUE(huge.starts_with("0 ") && huge.find("too large") != std::string::npos && huge.ends_with("\n0") &&
              std::count(huge.begin(), huge.end(), '\n') == 1) << huge;
}

}  // namespace
}  // namespace zelvanor::testing
