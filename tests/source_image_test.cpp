#include "wave/source_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "run_program.h"

namespace zelvanor {
namespace {

using testing::ScratchDirectory;
using testing::WriteFile;

// Records every request and can refuse them.
struct CountingAllocator {
  std::vector<std::uint32_t> requests;
  bool refuse = false;

  SourceImage::Allocator Get() {
    return [this](std::uint32_t capacity) {
      requests.push_back(capacity);
      return refuse ? nullptr : std::unique_ptr<std::uint8_t[]>(new std::uint8_t[capacity]);
    };
  }
};

std::vector<std::uint8_t> Filled(std::size_t size, std::uint8_t value) {
  return std::vector<std::uint8_t>(size, value);
}

TEST(SourceImage, GrowsOnlyForALargerFileBySizePlusHeadroom) {
  CountingAllocator allocator;
  SourceImage image(allocator.Get());
  EXPECT_FALSE(image.has_buffer());
  EXPECT_EQ(image.capacity(), 0u);

  ASSERT_TRUE(image.Assign(Filled(100000, 1)));
  EXPECT_EQ(image.capacity(), 165536u);
  ASSERT_TRUE(image.Assign(Filled(120000, 2)));
  EXPECT_EQ(image.capacity(), 165536u);
  EXPECT_EQ(image.length(), 120000u);
  ASSERT_TRUE(image.Assign(Filled(165536, 3)));  // exactly the capacity: reused
  EXPECT_EQ(image.capacity(), 165536u);
  ASSERT_TRUE(image.Assign(Filled(165537, 4)));  // one byte more: replaced
  EXPECT_EQ(image.capacity(), 231073u);
  ASSERT_TRUE(image.Assign(Filled(170000, 5)));
  EXPECT_EQ(image.capacity(), 231073u);

  EXPECT_EQ(allocator.requests, (std::vector<std::uint32_t>{165536, 231073}));
}

TEST(SourceImage, LaterSmallerFileLeavesEarlierBytesBehindItsLength) {
  SourceImage image;
  ASSERT_TRUE(image.Assign(Filled(10, 7)));
  ASSERT_TRUE(image.Assign(Filled(4, 9)));
  EXPECT_EQ(image.bytes().size(), 4u);
  EXPECT_EQ(image.writable_buffer()[4], 7);  // stale, but outside the image
}

TEST(SourceImage, EmptyFileNeedsNoBuffer) {
  CountingAllocator allocator;
  SourceImage image(allocator.Get());
  ASSERT_TRUE(image.Assign({}));
  EXPECT_TRUE(allocator.requests.empty());
  EXPECT_EQ(image.length(), 0u);
}

TEST(SourceImage, FailedAllocationNamesTheCapacityAndLeavesNoBuffer) {
  CountingAllocator allocator;
  SourceImage image(allocator.Get());
  ASSERT_TRUE(image.Assign(Filled(1000, 1)));
  allocator.refuse = true;
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(image.Assign(Filled(170000, 1)));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Can't alloc 235536 Bytes of databufferspace for wavfile\n");
  EXPECT_FALSE(image.has_buffer());
  EXPECT_EQ(image.capacity(), 0u);
  EXPECT_EQ(image.length(), 0u);

  // The next source that is not empty asks again.
  allocator.refuse = false;
  ASSERT_TRUE(image.Assign(Filled(10, 1)));
  EXPECT_EQ(image.capacity(), 65546u);
}

class LoadSourceImageTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }
  ScratchDirectory dir_;
};

TEST_F(LoadSourceImageTest, ReadsTheWholeFileAndReusesTheBuffer) {
  std::vector<std::uint8_t> large(300000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
  WriteFile(Path("large.wav"), large);
  WriteFile(Path("small.wav"), std::string("RIFF"));

  CountingAllocator allocator;
  SourceImage image(allocator.Get());
  EXPECT_EQ(LoadSourceImage(Path("large.wav"), image), 300000u);
  EXPECT_TRUE(std::equal(large.begin(), large.end(), image.bytes().begin(), image.bytes().end()));
  EXPECT_EQ(LoadSourceImage(Path("small.wav"), image), 4u);
  EXPECT_EQ(std::string(image.bytes().begin(), image.bytes().end()), "RIFF");
  EXPECT_EQ(allocator.requests, (std::vector<std::uint32_t>{365536}));
}

TEST_F(LoadSourceImageTest, EmptyFileLoadsNothingSilently) {
  WriteFile(Path("empty.wav"), std::string());
  SourceImage image;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(LoadSourceImage(Path("empty.wav"), image), 0u);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(LoadSourceImageTest, FailedAllocationSkipsTheSource) {
  WriteFile(Path("a.wav"), std::string(100, 'x'));
  CountingAllocator allocator;
  allocator.refuse = true;
  SourceImage image(allocator.Get());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(LoadSourceImage(Path("a.wav"), image), 0u);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Can't alloc 65636 Bytes of databufferspace for wavfile\n");
}

TEST_F(LoadSourceImageTest, MissingFileEndsTheRunWithCode1) {
  SourceImage image;
  try {
    LoadSourceImage(Path("gone.wav"), image);
    FAIL() << "no RunError";
  } catch (const RunError& error) {
    EXPECT_EQ(error.exit_code(), 1);
    EXPECT_EQ(error.message(), "can't stat file " + Path("gone.wav") + "\n");
  }
}

TEST_F(LoadSourceImageTest, ShortReadEndsTheLoadWithWhatWasRead) {
  // A directory announces a size by its status but delivers no bytes: the
  // load ends at once with what it got (nothing) instead of waiting.
  std::filesystem::create_directory(Path("d.wav"));
  SourceImage image;
#ifdef _WIN32
  // Windows opens no directory as a file: the loader's open failure.
  try {
    LoadSourceImage(Path("d.wav"), image);
    FAIL() << "no RunError";
  } catch (const RunError& error) {
    EXPECT_EQ(error.exit_code(), 1);
    EXPECT_EQ(error.message(), "can't open " + Path("d.wav") + "\n");
  }
#else
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(LoadSourceImage(Path("d.wav"), image), 0u);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
#endif
}

TEST_F(LoadSourceImageTest, FileTooLargeForThirtyTwoBitSizesIsSkipped) {
  // A sparse file: its size is what matters, no bytes are read.
  const std::string path = Path("huge.wav");
  WriteFile(path, std::string());
  std::error_code error;
  std::filesystem::resize_file(path, 0xFFFF0001ull, error);
  if (error) GTEST_SKIP() << "no sparse files here: " << error.message();
  CountingAllocator allocator;
  SourceImage image(allocator.Get());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(LoadSourceImage(path, image), 0u);
  const std::string output = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(output.find("too large"), std::string::npos) << output;
  EXPECT_EQ(output.find('\n'), output.size() - 1) << "one line: " << output;
  EXPECT_TRUE(allocator.requests.empty());
}

}  // namespace
}  // namespace zelvanor
